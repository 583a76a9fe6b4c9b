#!/usr/bin/env bash
# Line editing and history at a terminal: the prompt stays put while a line
# is edited, up arrow recalls earlier entries (a multi-line entry as one),
# a program's own $input is edited too but kept out of the history, and
# Ctrl-D on an empty line ends the session with a newline and status 0.
# Usage: editing_history.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

start_zirn

# Editing: the cursor moves left, a character is replaced mid-line, and the
# prompt is still drawn in front of the edited text.
keys -l 'x = 4'
keys Left Left Left Left BSpace
keys -l 'y'
expect_last '> y = 4' "editing redraws after the prompt"
mark
enter
line '$print$((y * 10))'
expect_new '40' "the edited line ran as shown"

# History: up arrow twice brings back the assignment; edited and run again.
keys Up Up
expect_last '> y = 4' "up arrow recalls an earlier entry"
keys BSpace
keys -l '7'
enter
mark
line '$print$((y * 10))'
expect_new '70' "the recalled and edited entry ran"

# A multi-line entry: continuation prompts while the brace is open, one
# history entry afterwards.
keys -l 'twice = {'
keys Enter
expect_last '...' "continuation prompt after an open brace"
keys -l 'end (arg0 * 2)'
keys Enter
keys -l '}'
enter
mark
line '$print$($twice$(21))'
expect_new '42' "the multi-line function works"
keys Up Up
expect_last '> twice = {
end (arg0 * 2)
}' "up arrow recalls the joined entry as one"
enter  # runs the recalled entry again: still one entry
keys Up
expect_last '> twice = {
end (arg0 * 2)
}' "a recalled multi-line entry goes back into history as one entry"
keys C-u

# A program's own $input: editable, and not kept in the REPL's history.
keys -l 'answer = $input'
keys Enter
expect_last '> answer = $input' "\$input waits on the next line"
# Keys are taken in order: had up arrow recalled anything, it would stand
# in front of the typed text.
keys Up
keys -l 'secrt'
expect_last '> answer = $input
secrt' "up arrow in \$input recalls nothing from the REPL"
keys Left
keys -l 'e'
enter
mark
line '$print$(("got " + answer))'
expect_new 'got secret' "\$input reads the edited line"
keys Up Up
expect_last '> answer = $input' "\$input's lines stay out of the history"
keys C-u

# Ctrl-D on an empty line ends the session: a newline, then status 0.
keys C-d
status=$(wait_status)
[ "$status" = 0 ] || fail "Ctrl-D without errors ends with status 0 (got $status)"
[ "$(tm display-message -p '#{cursor_x}')" = 0 ] || fail "Ctrl-D moves the cursor off the prompt line"

finish
