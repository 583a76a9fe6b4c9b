#!/usr/bin/env bash
# The prompt's helpers at a terminal: Tab completes keywords, builtins and
# functions (as calls) and the names bound at the prompt; exit, quit and help
# get a hint how to leave instead of an error; the history is kept across
# sessions in $XDG_STATE_HOME/zirn/history, capped at 1,000 entries, and not
# at all when ZIRN_HISTORY is empty or the input is no terminal.
# Usage: prompt.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

history="$XDG_STATE_HOME/zirn/history"

start_zirn

# Completion of a builtin as a call, of a bound name, of a user function
# as a call and of a keyword; the completed line runs. (The screen shows no
# blanks at the ends of lines: a completed name's blank is not seen.)
line 'counter_value = 41'
line 'twice = { end 2 }'
keys -l '$pri'
keys Tab
expect_last '> $print$(' "Tab completes a builtin as a call"
keys -l '(counter_v'
keys Tab
expect_last '> $print$((counter_value' "Tab completes a name bound at the prompt"
keys -l '+ $twi'
keys Tab
expect_last '> $print$((counter_value + $twice$(' "Tab completes a user function as a call"
keys -l '1)))'
mark
enter
expect_new '43' "the completed line ran"
keys -l 'unt'
keys Tab
keys -l '(0) {}'
expect_last '> until (0) {}' "Tab completes a keyword and a blank after it"
keys C-u
# Two Tabs list what an ambiguous word can become.
keys -l '$s'
keys Tab Tab
wait_for '$size$(' || fail "Tab Tab lists the completions of \$s"
wait_for '$str$(' || fail "Tab Tab lists every completion of \$s"
keys C-u
keys Enter
wait_prompts "$(( $(prompt_count) ))" || fail "a prompt after the completion list"

# The ways out of other interpreters: a hint, no error.
mark
keys -l 'exit'
enter
expect_new 'To leave, press Ctrl-D on an empty line' "exit gets the hint"
mark
keys -l 'help'
enter
expect_new 'To leave, press Ctrl-D on an empty line' "help gets the hint"
since_mark | grep -q '^error' && fail "no error for help"

# A multi-line entry, then the end of the session.
keys -l 'three = {'
keys Enter
keys -l 'end 3'
keys Enter
keys -l '}'
enter
keys C-d
status=$(wait_status)
[ "$status" = 0 ] || fail "the hints counted as errors (status $status)"
[ -f "$history" ] || fail "no history file at $history"
[ "$(stat -c %a "$history" 2>/dev/null)" = 600 ] || fail "the history file is readable by others"
grep -qxF 'three = {\nend 3\n}' "$history" || fail "the multi-line entry is one line of the history file"

# The next session recalls the last session's entries, the multi-line one
# as one entry.
start_zirn
keys Up
expect_last '> three = {
end 3
}' "up arrow in a new session recalls the last entry of the previous one"
keys C-u
keys C-d
wait_status >/dev/null

# Capped at 1,000 entries: the oldest go.
for i in $(seq 1 1005); do echo "old_$i = $i"; done > "$history"
start_zirn
line 'newest = 1'
keys C-d
wait_status >/dev/null
[ "$(wc -l < "$history")" = 1000 ] || fail "the history file holds $(wc -l < "$history") entries, not 1000"
[ "$(head -n 1 "$history")" = 'old_7 = 7' ] || fail "the oldest entries were not the ones dropped"
[ "$(tail -n 1 "$history")" = 'newest = 1' ] || fail "the newest entry is not the last one"

# ZIRN_HISTORY set to the empty text: nothing is written.
rm -rf "$XDG_STATE_HOME"
start_zirn 'ZIRN_HISTORY= "$ZIRN"'
wait_prompts 1 || fail "no prompt with ZIRN_HISTORY empty"
line 'secret = 1'
keys C-d
wait_status >/dev/null
[ -e "$XDG_STATE_HOME" ] && fail "ZIRN_HISTORY empty still wrote $(find "$XDG_STATE_HOME" -type f)"

# Piped input is no terminal: no history either.
(cd "$run" && printf 'piped = 1\n' | "$zirn" >/dev/null 2>&1)
[ -e "$XDG_STATE_HOME" ] && fail "piped input wrote a history"

# An error in an entry of several lines shows the line it quotes, with a
# caret under the name; a one-line entry keeps its one-line report.
start_zirn 'ZIRN_HISTORY= "$ZIRN"'
wait_prompts 1 || fail "no prompt for the multi-line error"
keys -l 'compare (1) {'
keys Enter
keys -l '    $print$((lodu + 1))'
keys Enter
mark
keys -l '}'
enter
expect_new "error: stoi: 'lodu' is not a number" "the multi-line entry's error"
expect_new '    2 |     $print$((lodu + 1))' "the multi-line entry's error shows its line"
expect_new '      |              ^^^^' "a caret under the name the error quotes"
mark
keys -l '$print$(lodu)'
enter
expect_new "error: stoi: 'lodu' is not a number" "the one-line entry's error"
since_mark | grep -qF ' | ' && fail "a one-line entry showed its line again"
keys C-d
wait_status >/dev/null

finish
