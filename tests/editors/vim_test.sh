#!/usr/bin/env bash
# Opens a sample program in Vim (ex mode, no user settings) with the files of
# editors/vim and checks the syntax group of every kind of token. Skips (77)
# when vim is not installed.
# Usage: vim_test.sh EDITORS_VIM_DIR
set -u
here=$(dirname "$(realpath "$0")")
runtime=$(realpath "$1")
command -v vim >/dev/null || { echo "vim missing: skipped"; exit 77; }
result=$(mktemp)
trap 'rm -f "$result"' EXIT
vim -es -N -u NONE -i NONE --cmd "set runtimepath^=$runtime" \
  --cmd "let g:result = '$result'" \
  -c 'filetype plugin on' -c 'syntax on' -c 'edit' \
  -S "$here/vim_check.vim" "$here/sample.ZIRN" </dev/null
cat "$result"
tail -n 1 "$result" | grep -q ' 0 failed$'
