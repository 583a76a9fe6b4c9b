#!/usr/bin/env bash
# Ctrl-C at a terminal: it stops a running line with "error: interrupted"
# and keeps every name bound before; at the prompt it discards the typed
# line, at a continuation prompt the whole entry; during a program's $input
# it stops that line. The session goes on,
# and Ctrl-D then ends it with status 1 because errors were reported.
# Usage: interrupt.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

start_zirn

# A loop that never ends, stopped by Ctrl-C; its progress and the names
# bound before it stay. It shows when it has run a while, so Ctrl-C is sent
# only once it is surely running.
line 'kept = "still here"'
line 'x = 0'
mark
keys -l 'until (1) {'
keys Enter
keys -l 'compare (x == 2000) { $print$(("loop" + "ing")) }'
keys Enter
keys -l 'x += 1'
keys Enter
keys -l '}'
keys Enter
expect_new 'looping' "the endless loop runs"
[ "$(prompt_count)" = 3 ] || fail "the endless loop is running (no prompt yet)"
keys C-c
expect_new 'error: interrupted' "Ctrl-C stops the running line"
wait_prompts 4 || fail "a fresh prompt after the interruption"
mark
line '$print$(kept)'
expect_new 'still here' "names bound before the interruption stay"
mark
line '$print$((x > 1000))'
expect_new '1' "the loop's progress stays"

# Ctrl-C at the prompt drops what was typed; Enter then runs nothing.
mark
keys -l '$print$("dropped")'
expect_last '> $print$("dropped")' "the typed line shows"
keys C-c
expect_last '> $print$("dropped")^C
>' "Ctrl-C shows a fresh prompt"
enter
line '$print$("after")'
since_mark | grep -qx 'dropped' && fail "the discarded line must not run"
expect_new 'after' "the session goes on after Ctrl-C at the prompt"

# Ctrl-C at a continuation prompt discards the whole entry: the prompt
# "> " comes back and nothing of the entry runs.
line 'five = 4'
mark
keys -l 'five = {'
keys Enter
expect_last '...' "continuation prompt"
keys -l 'end 5'
keys Enter
keys -l 'junk line'
keys C-c
expect_last '... junk line^C
>' "Ctrl-C at a continuation prompt shows the prompt again"
line '$print$(five)'
expect_new '4' "the discarded entry did not run"
since_mark | grep -q 'error' && fail "no error from the discarded entry"

# Ctrl-C during a program's own $input stops that line.
mark
keys -l 'got = "unchanged"'
enter
keys -l 'got = $input'
keys Enter
expect_last '> got = $input' "\$input waits"
keys -l 'typed'
keys C-c
expect_new 'error: interrupted' "Ctrl-C stops a line waiting in \$input"
wait_prompts "$(prompt_count)" || fail "a prompt after interrupting \$input"
mark
line '$print$(got)'
expect_new 'unchanged' "the interrupted assignment did not happen"

# Ctrl-D after errors: status 1.
keys C-d
status=$(wait_status)
[ "$status" = 1 ] || fail "Ctrl-D after reported errors ends with status 1 (got $status)"

finish
