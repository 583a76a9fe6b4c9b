" ZIRN programs: files ending in .ZIRN or .zirn, and scripts whose first line
" runs zirn.
autocmd BufRead,BufNewFile *.ZIRN,*.zirn setfiletype zirn
autocmd BufRead,BufNewFile * if getline(1) =~# '^#!.*\<zirn\>' | setfiletype zirn | endif
