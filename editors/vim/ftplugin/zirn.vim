" Editing ZIRN: blocks fold on their braces, and % jumps between the braces
" and parentheses that zirn pairs.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1
setlocal foldmethod=syntax foldlevel=99
setlocal matchpairs=(:),{:}
setlocal iskeyword=@,48-57,_
let b:undo_ftplugin = 'setlocal foldmethod< foldlevel< matchpairs< iskeyword<'
