# Helpers for the terminal tests: each test runs the real zirn binary inside
# its own tmux server (a private socket), types with send-keys and reads the
# screen with capture-pane. Nothing waits a fixed time: every check polls the
# screen until what it expects shows, with a deadline generous enough for a
# loaded machine (a check that passes returns at once).
#
# A test script sources this file with the zirn binary and the library
# folder as $1 and $2. Exits 77 (skipped) when tmux is not installed.

if ! command -v tmux >/dev/null 2>&1; then
  echo "tmux is not installed: skipping" >&2
  exit 77
fi

zirn=$(realpath "$1")
libdir=$(realpath "$2")
work=$(mktemp -d)
servers=0
socket="$work/tmux.$servers.sock"
failures=0
trap 'tmux -S "$socket" kill-server 2>/dev/null; rm -rf "$work"' EXIT
# The REPL's history goes to a folder of the test's own, never the user's;
# every session a test starts shares it.
export XDG_STATE_HOME="$work/state"
unset ZIRN_HISTORY

tm() { tmux -S "$socket" -f /dev/null "$@"; }

# fresh_server: ends the current tmux server and moves to a socket of its
# own for the next one. A server being killed may still answer on its old
# socket for a moment, and a session started there would die with it.
fresh_server() {
  tm kill-server 2>/dev/null
  servers=$((servers + 1))
  socket="$work/tmux.$servers.sock"
}

# start_zirn [COMMAND]: starts a fresh session in a new folder holding lib/,
# running COMMAND (default: zirn; $ZIRN names the binary) in a 100x40
# terminal, and waits for the first prompt unless COMMAND is given. When the
# command ends, its exit status is written to $run/status.
start_zirn() {
  local command=${1:-"$zirn"}
  fresh_server
  run=$(mktemp -d "$work/run.XXXX")
  mkdir "$run/lib" && cp "$libdir"/*.ZIRN "$run/lib/"
  tm new-session -d -x 100 -y 40 -c "$run" \
    "ZIRN=$(printf %q "$zirn"); $command; echo \$? > $(printf %q "$run/status"); sleep 600"
  [ $# = 0 ] || return 0
  wait_prompts 1 || fail "no prompt after start"
}

# The whole screen with its scrollback, without trailing blanks on each line
# (an empty prompt shows as ">") and without the empty lines below the text.
screen() { tm capture-pane -p -S - | sed -e 's/ *$//' | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'; }

# mark: remembers where the screen's current line starts; since_mark prints
# that line and everything below it, so checks see only what came after.
mark() { marked=$(($(screen | wc -l) - 1)); }
since_mark() { screen | tail -n +$((marked + 1)); }

# Seconds a check waits for the screen at most.
patience=${ZIRN_TERMINAL_PATIENCE:-30}

# wait_since TEXT [SECONDS]: true once TEXT shows after the mark.
wait_since() {
  local deadline=$((SECONDS + ${2:-$patience}))
  while [ $SECONDS -lt $deadline ]; do
    since_mark | grep -qF -- "$1" && return 0
    sleep 0.05
  done
  return 1
}

prompt_count() { screen | grep -cE '^>( |$)'; }

# wait_prompts N [SECONDS]: true once N prompts have been shown and the last
# one waits empty.
wait_prompts() {
  local deadline=$((SECONDS + ${2:-$patience}))
  while [ $SECONDS -lt $deadline ]; do
    [ "$(prompt_count)" -ge "$1" ] && [ "$(last_line)" = ">" ] && return 0
    sleep 0.05
  done
  return 1
}

# wait_for TEXT [SECONDS]: true once the screen contains TEXT.
wait_for() {
  local deadline=$((SECONDS + ${2:-$patience}))
  while [ $SECONDS -lt $deadline ]; do
    screen | grep -qF -- "$1" && return 0
    sleep 0.05
  done
  return 1
}

# wait_status [SECONDS]: prints zirn's exit status once it has ended.
wait_status() {
  local deadline=$((SECONDS + ${1:-$patience}))
  while [ $SECONDS -lt $deadline ]; do
    [ -s "$run/status" ] && { cat "$run/status"; return 0; }
    sleep 0.05
  done
  echo "still running"
  return 1
}

# The screen's last line holding text (the line the cursor is on).
last_line() { screen | tail -n 1; }

# last_lines N: the last N lines of the screen.
last_lines() { screen | tail -n "$1"; }

# keys ...: sends keys as tmux names them (Enter, Left, Up, C-c, C-d, text).
keys() { tm send-keys "$@"; }

# enter KEYS...: sends the keys and Enter, then waits for the next prompt.
enter() {
  local before
  before=$(prompt_count)
  keys "$@" Enter
  wait_prompts $((before + 1)) || fail "no new prompt after: $*"
}

# line TEXT: types TEXT literally and Enter, then waits for the next prompt.
line() {
  local before
  before=$(prompt_count)
  keys -l "$1"
  keys Enter
  wait_prompts $((before + 1)) || fail "no new prompt after: $1"
}

fail() {
  echo "FAIL: $*" >&2
  echo "--- screen ---" >&2
  screen >&2
  echo "--------------" >&2
  failures=$((failures + 1))
}

# expect_new TEXT WHAT: TEXT shows after the mark (waiting for it).
expect_new() { wait_since "$1" || fail "$2: expected \"$1\" after the mark"; }

# expect_last EXPECTED WHAT: the screen's last lines are exactly EXPECTED
# (waiting for them).
expect_last() {
  local count deadline=$((SECONDS + patience))
  count=$(printf '%s\n' "$1" | wc -l)
  while [ $SECONDS -lt $deadline ]; do
    [ "$(last_lines "$count")" = "$1" ] && return 0
    sleep 0.05
  done
  fail "$2: expected the last lines to be:
$1"
}

finish() {
  [ "$failures" = 0 ] && { echo "all checks passed"; exit 0; }
  echo "$failures check(s) failed" >&2
  exit 1
}
