#!/usr/bin/env bash
# A prompt that answers: at a terminal a lone value or a call shows its
# value, `help` prints the reference, Tab leaves no blank inside a call and
# completes $input without an argument list, `-i` keeps a program's names
# at the prompt, and colour goes to the terminal only (not with NO_COLOR or
# TERM=dumb, never into a pipe or a file).
# Usage: answers.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

# start_recorded COMMAND: as start_zirn, but every byte the terminal
# receives is also kept in $run/raw (zirn starts once the pipe is set up).
start_recorded() {
  fresh_server
  run=$(mktemp -d "$work/run.XXXX")
  mkdir "$run/lib" && cp "$libdir"/*.ZIRN "$run/lib/"
  tm new-session -d -x 100 -y 40 -c "$run" \
    "until [ -e piping ]; do sleep 0.05; done; ZIRN=$(printf %q "$zirn"); $1; echo \$? > status; sleep 600"
  tm pipe-pane -o "touch $(printf %q "$run/piping"); exec cat > $(printf %q "$run/raw")"
  wait_prompts 1 || fail "no prompt after start: $1"
}

# raw_has TEXT: the bytes the terminal received hold TEXT (waiting for the
# pipe to pass them on).
raw_has() {
  local deadline=$((SECONDS + patience))
  while [ $SECONDS -lt $deadline ]; do
    grep -qF -- "$1" "$run/raw" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

red=$'\e[1;31merror:\e[0m'
green=$'\e[1;32m> '
cyan=$'\e[1;36m-----ZIRN V3'

# Values are shown; a call that gives nothing shows only what it prints.
start_recorded '"$ZIRN"'
line 'counter = 41'
mark
line 'counter'
expect_new '41' "a lone name shows its value"
mark
line '$size$("abc")'
expect_new '3' "a call shows its result"
mark
line '(counter + 1)'
expect_new '42' "a parenthesised expression shows its value"
mark
line '$print$("once")'
[ "$(since_mark | grep -c '^once$')" = 1 ] || fail "print's line shows once, and no value after it"

# Colour: the banner, the prompt and the error label, with their codes.
raw_has "$cyan" || fail "the banner has no colour"
raw_has "$green" || fail "the prompt has no colour"
mark
line '$nope$(1)'
expect_new "error: undefined function 'nope'" "an error at the prompt"
raw_has "$red" || fail "the error label has no colour"

# help: the cheat sheet, one entry, and a name that is near one.
mark
line 'help'
expect_new 'Builtins:' "help prints the cheat sheet"
expect_new '$base64decode$(text)' "the cheat sheet lists every builtin"
expect_new 'To leave, press Ctrl-D on an empty line' "the cheat sheet says how to leave"
mark
line 'help print'
expect_new '$print$(value [end])   (builtin)' "help print shows the entry"
expect_new 'prints:' "help print shows the example's output"
mark
line 'help until'
expect_new 'runs the block WHILE the condition is not 0' "help until shows the statement"
mark
line 'help +'
expect_new '(a + b)   (operator)' "help + shows the operator"
mark
line 'help prnt'
expect_new "did you mean 'print'?" "help suggests the nearest name"
since_mark | grep -q '^error' && fail "help counts as no error"

# Tab inside a call: a ")" right after takes back the completion's blank, a
# typed blank stays; $input completes without an argument list.
keys -l '$print$(coun'
keys Tab
keys -l ')'
expect_last '> $print$(counter)' "a name completed inside a call gets no blank"
mark
enter
expect_new '41' "the completed call ran"
since_mark | grep -q 'error' && fail "the completed call failed"
keys -l '$print$(coun'
keys Tab
keys -l '"nah")'
expect_last '> $print$(counter "nah")' "the completion's blank separates a further argument"
keys C-u
keys -l '$print$(counter )'
expect_last '> $print$(counter )' "a typed blank before the parenthesis stays"
keys C-u
keys -l '$inp'
keys Tab
expect_last '> $input' "\$input completes without an argument list"
keys C-u
keys -l '$print$($werhat'
keys Tab
keys -l ')'
expect_last '> $print$($werhatdasgemacht)' "the logo builtin completes without a list, no blank"
keys C-u
keys C-d
status=$(wait_status)
[ "$status" = 1 ] || fail "the session with one error ends with status 1 (got $status)"

# NO_COLOR: not one colour code, but the values still show.
start_recorded 'NO_COLOR=1 "$ZIRN"'
mark
line '$nope$(1)'
expect_new "error: undefined function 'nope'" "an error with NO_COLOR"
line '(6 * 7)'
expect_new '42' "values show with NO_COLOR"
keys C-d
wait_status >/dev/null
grep -q $'\e\\[1;3' "$run/raw" && fail "NO_COLOR still got colour"

# TERM=dumb: no colour either.
start_recorded 'TERM=dumb "$ZIRN"'
mark
line '$nope$(1)'
expect_new "error: undefined function 'nope'" "an error with TERM=dumb"
keys C-d
wait_status >/dev/null
grep -q $'\e\\[1;3' "$run/raw" && fail "TERM=dumb still got colour"

# A terminal on the error stream only: the error is coloured there, the
# output file holds plain bytes; output and errors to files: no colour.
start_zirn '"$ZIRN" -e "\$print\$(1)
\$nope\$(2)" > out; "$ZIRN" -e "\$nope\$(3)" > out2 2> err2'
status=$(wait_status)
[ "$status" = 1 ] || fail "the failing program ends with status 1 (got $status)"
wait_for "error: -e:2: undefined function 'nope'" || fail "the program's error shows at the terminal"
[ "$(cat "$run/out")" = 1 ] || fail "the program's output went to the file"
grep -q $'\e' "$run/out" "$run/err2" && fail "colour codes in a file"
grep -qxF "error: -e:1: undefined function 'nope'" "$run/err2" || fail "the error in the file is plain"

# -i: the program runs, then the prompt with its names.
printf 'total = 40\nbump = {\n    total += arg0\n}\n$print$("loaded")\n' > "$work/prog.ZIRN"
start_zirn "\"\$ZIRN\" -i $(printf %q "$work/prog.ZIRN")"
wait_prompts 1 || fail "no prompt after the program given with -i"
screen | grep -q 'ZIRN V3' && fail "-i shows the banner"
screen | grep -qx 'loaded' || fail "the program given with -i ran first"
line '$bump$(2)'
mark
line 'total'
expect_new '42' "the program's names stay bound at the prompt"
keys C-d
status=$(wait_status)
[ "$status" = 0 ] || fail "-i without errors ends with status 0 (got $status)"

finish
