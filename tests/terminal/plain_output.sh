#!/usr/bin/env bash
# Line editing only when standard input and standard output are both
# terminals: otherwise standard output carries exactly the plain bytes, with
# no escape sequences and no echo of what was typed.
# Usage: plain_output.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

banner=$'-----ZIRN V3 made by Marvek-----\nThis is the built-in REPL.\ninitializing...OK\n'
expected="$banner> > 3
> "

# check_plain FILE WHAT: FILE holds exactly the expected bytes.
check_plain() {
  if grep -q $'\e' "$1"; then fail "$2: escape sequences in the output"; fi
  [ "$(cat "$1"; echo .)" = "$expected." ] || {
    fail "$2: output differs from the plain bytes"
    od -c "$1" | head -20 >&2
  }
}

# Both ends piped.
plain=$(mktemp -d "$work/plain.XXXX")
mkdir "$plain/lib" && cp "$libdir"/*.ZIRN "$plain/lib/"
(cd "$plain" && printf 'x = 3\n$print$(x)\n' | "$zirn" >out 2>err)
check_plain "$plain/out" "piped input and output"

# Typed at a terminal, output to a file: no editing, no echo in the file.
start_zirn '"$ZIRN" > out'
keys -l 'x = 3'
keys Enter
keys -l '$print$(x)'
keys Enter
keys C-d
status=$(wait_status)
[ "$status" = 0 ] || fail "end of typed input ends the session with status 0 (got $status)"
check_plain "$run/out" "terminal input, output to a file"

# Piped input, output to the terminal: the raw bytes the terminal received
# (pipe-pane) hold no escape sequences either. zirn starts only once the
# pane's bytes are being piped.
fresh_server
run=$(mktemp -d "$work/run.XXXX")
mkdir "$run/lib" && cp "$libdir"/*.ZIRN "$run/lib/"
tm new-session -d -x 100 -y 40 -c "$run" "until [ -e piping ]; do sleep 0.05; done; printf 'x = 3\n\$print\$(x)\n' | $(printf %q "$zirn"); echo \$? > status; sleep 600"
tm pipe-pane -o "touch $(printf %q "$run/piping"); exec cat > $(printf %q "$run/raw")"
status=$(wait_status)
[ "$status" = 0 ] || fail "piped input to a terminal ends with status 0 (got $status)"
# The pipe may still be passing the last bytes on.
deadline=$((SECONDS + patience))
until [ "$(tr -d '\r' < "$run/raw"; echo .)" = "$expected." ] || [ $SECONDS -ge $deadline ]; do sleep 0.05; done
tr -d '\r' < "$run/raw" > "$run/out"
check_plain "$run/out" "piped input, output to a terminal"

finish
