#!/usr/bin/env bash
# A terminal zirn can no longer read (it runs in the background of a shell
# that ignores SIGTTIN, so reading gives EIO): the session ends at once with
# the reason and a failing exit status, instead of ending as if the input
# had ended or trying the read again for ever.
# Usage: read_error.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

start_zirn "env -i PATH=\"\$PATH\" TERM=\"\$TERM\" HOME=\"$work\" XDG_STATE_HOME=\"$work/state\" HISTFILE= PS1='sh> ' bash --norc --noprofile -i"
wait_for 'sh>' || fail "no shell prompt"
keys -l "trap '' TTIN TTOU; $(printf %q "$zirn") & wait \$!; echo \"status \$?\""
keys Enter
# The shell's job line may come before or after zirn's prompt, so the
# banner's last line is what shows zirn is up. zirn waits for the terminal
# to have input; a key (kept by the terminal if it comes early) makes its
# read fail.
wait_for "initializing...OK" || fail "no zirn banner"
mark
keys -l x
expect_new "error: cannot read standard input: Input/output error" "the failed read is reported"
expect_new "status 1" "a session whose input failed exits with status 1"

finish
