" Vim syntax file for ZIRN: statements and their keywords, assignments,
" calls $name$(...) and the builtins, arg0 arg1 ..., strings in either quote
" (no escapes, may span lines), numbers, brace blocks, and the note idiom
" `compare (0) { ... }`, whose block never runs.
if exists('b:current_syntax')
  finish
endif
syntax case match
syntax sync fromstart

" A token ends at a blank, a tab, a parenthesis or a brace.
syntax match zirnShebang /\%1l^#!.*$/

syntax match zirnKeyword /\%(\%(^\|{\)\s*\)\@<=\<\%(compare\|each\|until\|end\)\ze\%(\s\|$\)/
syntax match zirnListKeyword /\%(\%(^\|{\)\s*\)\@<=\<\%(list\|add\|remove\|index\|where\)\ze\%(\s\|$\)/
syntax match zirnImport /\%(\%(^\|{\)\s*\)\@<=\<\%(exec\|also\)\ze\%(\s\|$\)/

syntax match zirnAssignTarget /\%(\%(^\|{\)\s*\)\@<=\%([^ \t$(){}"'=+*\/:<>!-]\+\|([^()]*)\)\ze\s\+\%([=:]\|[+*\/-]=\|[^ \t$(){}"']\{2,}\)\%(\s\|$\)/ nextgroup=zirnAssignOp skipwhite
syntax match zirnFunctionName /\%(\%(^\|{\)\s*\)\@<=[^ \t$(){}"'=]\+\ze\s\+=\s\+{/ nextgroup=zirnAssignOp skipwhite
syntax match zirnAssignOp /\%([=:]\|[+*\/-]=\|[^ \t$(){}"']\{2,}\)\ze\%(\s\|$\)/ contained

syntax match zirnCall /\$[^ \t$(){}"']\+\$\=/ contains=zirnBuiltin
syntax match zirnBuiltin /\$\zs\%(print\|input\|size\|turn\|str\|int\|float\|func\|list\|werhatdasgemacht\|encodelist\|decodelist\|typeof\|readfile\|writefile\|mkdir\|rm\|listdir\|exists\|cd\|isdir\|base64encode\|base64decode\)\ze\%(\$\|[ \t(){}]\|$\)/ contained

syntax match zirnArgument /\%(^\|[ \t(){}]\)\@1<=arg\d\+\ze\%([ \t(){}]\|$\)/
syntax match zirnElement /\%(^\|[ \t(){}]\)\@1<=\%(element\|args\)\ze\%([ \t(){}]\|$\)/
syntax match zirnFloat /\%(^\|[ \t(){}]\)\@1<=[+-]\=\%(\d\+\.\d*\|\.\d\+\)\ze\%([ \t(){}]\|$\)/
syntax match zirnInteger /\%(^\|[ \t(){}]\)\@1<=[+-]\=\d\+\ze\%([ \t(){}]\|$\)/
syntax match zirnOperator /\%(^\|[ \t(]\)\@1<=\%(==\|!=\|<=\|>=\|<\|>\|+\|-\|\*\|\/\|and\|or\|not\)\ze\%([ \t)]\|$\)/

syntax region zirnString start=/"/ end=/"/
syntax region zirnString start=/'/ end=/'/

syntax region zirnBlock matchgroup=zirnBrace start=/{/ end=/}/ transparent fold
syntax region zirnGroup matchgroup=zirnParen start=/(/ end=/)/ transparent

" Defined last so that it wins over the keyword and the block at the same place.
syntax region zirnNote matchgroup=zirnNote start=/\%(\%(^\|{\)\s*\)\@<=compare\s\+(\s*0\s*)\s\+{/ end=/}/ contains=zirnNoteBraces fold
syntax region zirnNoteBraces start=/{/ end=/}/ contained contains=zirnNoteBraces

highlight default link zirnShebang Comment
highlight default link zirnNote Comment
highlight default link zirnNoteBraces Comment
highlight default link zirnKeyword Statement
highlight default link zirnListKeyword Statement
highlight default link zirnImport Include
highlight default link zirnFunctionName Function
highlight default link zirnAssignTarget Identifier
highlight default link zirnAssignOp Operator
highlight default link zirnCall Function
highlight default link zirnBuiltin Special
highlight default link zirnArgument Special
highlight default link zirnElement Special
highlight default link zirnFloat Float
highlight default link zirnInteger Number
highlight default link zirnOperator Operator
highlight default link zirnString String

let b:current_syntax = 'zirn'
