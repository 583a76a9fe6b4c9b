" Opens the sample program with the ZIRN files of editors/vim and checks the
" syntax group at every kind of token. Writes the failures and a count line
" to the file named by g:result.
let s:failures = []
let s:passed = 0
" [line, token, which occurrence in the line, expected group]
let s:expected = [
  \ [1, '#!/usr/bin/env', 1, 'zirnShebang'],
  \ [2, 'compare', 1, 'zirnNote'],
  \ [3, 'quotes', 1, 'zirnNote'],
  \ [3, 'nested', 1, 'zirnNoteBraces'],
  \ [3, 'never', 1, 'zirnNote'],
  \ [5, 'also', 1, 'zirnImport'],
  \ [5, 'math', 1, 'zirnString'],
  \ [6, 'greet', 1, 'zirnFunctionName'],
  \ [7, 'name', 1, 'zirnAssignTarget'],
  \ [7, '=', 1, 'zirnAssignOp'],
  \ [7, 'arg0', 1, 'zirnArgument'],
  \ [8, 'end', 1, 'zirnKeyword'],
  \ [8, 'Hello', 1, 'zirnString'],
  \ [8, '+', 1, 'zirnOperator'],
  \ [10, '2', 1, 'zirnInteger'],
  \ [11, '+=', 1, 'zirnAssignOp'],
  \ [12, 'each', 1, 'zirnKeyword'],
  \ [12, 'args', 1, 'zirnElement'],
  \ [12, 'print', 1, 'zirnBuiltin'],
  \ [12, 'greet', 1, 'zirnCall'],
  \ [12, 'element', 1, 'zirnElement'],
  \ [13, 'until', 1, 'zirnKeyword'],
  \ [13, '>', 1, 'zirnOperator'],
  \ [14, '-=', 1, 'zirnAssignOp'],
  \ [16, 'list', 1, 'zirnListKeyword'],
  \ [17, 'add', 1, 'zirnListKeyword'],
  \ [17, '2.5', 1, 'zirnFloat'],
  \ [18, 'index', 1, 'zirnListKeyword'],
  \ [19, '-7', 1, 'zirnInteger'],
  \ [19, '*', 1, 'zirnOperator'],
  \ [21, 'lines', 1, 'zirnString'],
  \ [22, 'print', 1, 'zirnBuiltin'],
  \ ]
" Plain tokens: no group of their own.
let s:plain = [
  \ [8, 'name', 1],
  \ [19, 'first', 1],
  \ [22, 'x', 1],
  \ ]

function! s:Column(line, token, occurrence) abort
  let column = -1
  for i in range(a:occurrence)
    let column = stridx(getline(a:line), a:token, column + 1)
  endfor
  return column + 1
endfunction

function! s:GroupAt(line, token, occurrence) abort
  let column = s:Column(a:line, a:token, a:occurrence)
  if column == 0
    return '(no such token)'
  endif
  return synIDattr(synID(a:line, column, 1), 'name')
endfunction

if &filetype !=# 'zirn'
  call add(s:failures, 'FAIL: the sample was not detected as zirn (filetype "' . &filetype . '")')
endif
for [line, token, occurrence, group] in s:expected
  let found = s:GroupAt(line, token, occurrence)
  if found ==# group
    let s:passed += 1
  else
    call add(s:failures, printf('FAIL: line %d, %s: %s, expected %s', line, token, found, group))
  endif
endfor
for [line, token, occurrence] in s:plain
  let found = s:GroupAt(line, token, occurrence)
  if found ==# ''
    let s:passed += 1
  else
    call add(s:failures, printf('FAIL: line %d, %s: %s, expected no group', line, token, found))
  endif
endfor
call writefile(s:failures + [printf('%d passed, %d failed', s:passed, len(s:failures))], g:result)
qall!
