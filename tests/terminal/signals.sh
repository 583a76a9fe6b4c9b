#!/usr/bin/env bash
# A signal that ends zirn while it waits at the prompt (the terminal then in
# the line editor's raw mode) gives the terminal back as it found it: the
# shell that runs next sees echo, canonical input and CR-to-NL as before.
# Ctrl-\ from the keyboard, SIGTERM and SIGHUP from outside, and an ignored
# SIGHUP (as under nohup) that must stay ignored.
# Usage: signals.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

# start_probe: zirn at a prompt in a shell that, once zirn has ended, saves
# the terminal's settings to $run/stty (then the status file appears).
start_probe() {
  start_zirn "ulimit -c 0; $1 \"\$ZIRN\"; code=\$?; stty -a >stty; (exit \$code)"
  wait_prompts 1 || fail "no prompt after start"
}

# zirn's process: the only child of the shell in the pane.
zirn_pid() { pgrep -P "$(tm display-message -p '#{pane_pid}')" | head -n 1; }

# expect_terminal_restored WHAT: the saved settings show a cooked terminal.
expect_terminal_restored() {
  local settings
  settings=$(tr '\n' ' ' <"$run/stty")
  for flag in icanon echo icrnl isig; do
    case " $settings " in
      *" -$flag "*) fail "$1: the terminal was left with -$flag" ;;
      *" $flag "*) ;;
      *) fail "$1: no $flag in: $settings" ;;
    esac
  done
}

# A line of typing first, so that the editor has run a whole cycle.
start_probe ""
line 'x = 1'
keys 'C-\'
status=$(wait_status)
[ "$status" = 131 ] || fail "Ctrl-\\ ends zirn by SIGQUIT (status $status)"
expect_terminal_restored "Ctrl-\\ at the prompt"

for signal in TERM HUP; do
  start_probe ""
  pid=$(zirn_pid)
  [ -n "$pid" ] || fail "zirn's process not found"
  kill -s "$signal" "$pid"
  status=$(wait_status)
  [ "$status" = $((128 + $(kill -l "$signal"))) ] || fail "SIG$signal ends zirn (status $status)"
  expect_terminal_restored "SIG$signal at the prompt"
done

# Ignored before zirn starts, SIGHUP stays ignored: the session goes on.
start_probe "trap '' HUP;"
kill -s HUP "$(zirn_pid)"
mark
line '$print$("still here")'
expect_new "still here" "an ignored SIGHUP leaves the session running"
keys C-d
status=$(wait_status)
[ "$status" = 0 ] || fail "Ctrl-D ends the session (status $status)"
expect_terminal_restored "Ctrl-D after an ignored SIGHUP"

finish
