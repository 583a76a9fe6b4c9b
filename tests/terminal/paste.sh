#!/usr/bin/env bash
# A block of several lines pasted at the prompt is taken line by line (the
# terminal's bracketed paste stays off), with continuation lines joined into
# one entry; tab indentation is kept rather than completed.
# Usage: paste.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

start_zirn

# paste-buffer -p brackets the text only if the program asked for bracketed
# paste, so this also catches it being switched on.
block=$(printf 'total = 0\nadd3 = {\n\tend (arg0 + 3)\n}\ntotal = $add3$(4)\n$print$(("total " + $str$(total)))')
tm set-buffer -- "$block"
mark
tm paste-buffer -p
keys Enter
expect_new 'total 7' "the pasted block ran line by line"
wait_prompts 5 || fail "one prompt per pasted entry"
expect_last '> $print$(("total " + $str$(total)))
total 7
>' "the last pasted line ran on its own prompt"
since_mark | grep -q '^\.\.\. }$' || fail "continuation prompts for the pasted function"

# The pasted function is one history entry: three up arrows reach it (the
# screen shows its tab as blanks).
keys Up Up Up
expect_last '> add3 = {
        end (arg0 + 3)
}' "the pasted multi-line entry is one history entry"
keys C-c

finish
