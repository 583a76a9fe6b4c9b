#!/usr/bin/env bash
# The history file at a terminal: a huge one costs a start no more time or
# memory than the kept entries need (the newest come back with up arrow,
# and the file is cut down to them); one that is a symbolic link is neither
# read nor written, and the session says so once and goes on.
# Usage: history_file.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

# 200 MB of short entries (33 million), the newest last.
history=$work/big_history
{ yes 'old = 1' | head -c 200000000; printf 'newest = 42\n'; } >"$history"
start_zirn "ZIRN_HISTORY=$(printf %q "$history") /usr/bin/time -f '%M %e' -o time \"\$ZIRN\""
wait_prompts 1 || fail "no prompt after a start with a huge history file"
keys Up
expect_last '> newest = 42' "up arrow recalls the newest entry of the huge file"
keys C-u C-d
status=$(wait_status)
[ "$status" = 0 ] || fail "Ctrl-D ends the session (status $status)"
read -r peak_kb seconds <"$run/time"
[ "$peak_kb" -le $((256 * 1024)) ] || fail "a huge history took $((peak_kb / 1024)) MB"
[ "$(wc -l <"$history")" = 1000 ] || fail "the huge file was not cut down to the kept entries"
[ "$(tail -n 1 "$history")" = 'newest = 42' ] || fail "the cut file lost its newest entry"

# A history path that is a symbolic link (here to a file that must not
# change): a notice, once, and no history.
printf 'root:x:0:0\n' >"$work/passwd"
ln -s "$work/passwd" "$work/linked_history"
start_zirn "ZIRN_HISTORY=$(printf %q "$work/linked_history") \"\$ZIRN\""
wait_prompts 1 || fail "no prompt after a start with a linked history file"
wait_for "note: the history is not kept: '$work/linked_history' is a symbolic link" || fail "the notice of a linked history"
[ "$(screen | grep -c 'history is not kept')" = 1 ] || fail "the notice shows once"
line 'typed = 1'
line '$print$(typed)'
keys C-d
wait_status >/dev/null
[ "$(cat "$work/passwd")" = 'root:x:0:0' ] || fail "the link's target was written"
[ -L "$work/linked_history" ] || fail "the link was replaced"

finish
