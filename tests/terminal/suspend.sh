#!/usr/bin/env bash
# Ctrl-Z at the prompt of a shell with job control: the shell gets a cooked
# terminal while zirn is stopped, and after `fg` the half-typed line is drawn
# again and edited as before (keys are not echoed twice, arrows move the
# cursor instead of showing as text).
# Usage: suspend.sh ZIRN_BINARY LIB_DIR
set -u
. "$(dirname "$0")/lib.sh"

# An interactive bash (job control on) whose prompt is "sh> ".
start_zirn "env -i PATH=\"\$PATH\" TERM=\"\$TERM\" HOME=\"$work\" XDG_STATE_HOME=\"$work/state\" HISTFILE= PS1='sh> ' bash --norc --noprofile -i"
wait_for 'sh>' || fail "no shell prompt"
keys -l "$(printf %q "$zirn")"
keys Enter
wait_prompts 1 || fail "no zirn prompt"

keys -l '$print$("ab'
wait_for '> $print$("ab' || fail "the typed text shows"
mark
keys C-z
expect_new "Stopped" "Ctrl-Z stops zirn"
wait_since 'sh>' || fail "the shell prompt comes back"

# The shell's terminal is cooked while zirn is stopped.
mark
keys -l 'stty -a | tr " " "\n" | grep -xE -- "-?(icanon|echo)" | tr "\n" " "; echo E""ND'
keys Enter
wait_since "END" || fail "stty ran"
since_mark | grep -q -- "^icanon echo END" || fail "the shell sees a cooked terminal while zirn is stopped"

mark
keys -l fg
keys Enter
expect_new '> $print$("ab' "the line is drawn again after fg"
keys -l 'c)'
keys Left
keys -l '"'
keys Enter
expect_new 'abc' "the line edited after fg runs"
since_mark | grep -qF '^[[D' && fail "an arrow key showed as text after fg"
since_mark | grep -qF 'cc)' && fail "keys were echoed twice after fg"
keys C-d
wait_since 'sh>' || fail "Ctrl-D ends zirn after fg"

finish
