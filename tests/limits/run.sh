#!/usr/bin/env bash
# Hostile and unlucky inputs against the real zirn binary, each measured with
# GNU time (peak resident memory and elapsed time): deep nesting, runaway
# recursion of every kind, a library that loads itself, `each` over a long
# string, texts and input lines that would pass the 1 GiB limit, writes that
# fail or are killed midway, a library restore that fails, paths holding a
# NUL byte, list text that must read back, and output that cannot be written.
#
# Every case checks what the session answers and that time and memory stay
# within bounds chosen to hold on a loaded 2-core machine. A sanitizer build
# (third argument "sanitized") gets wider bounds: it takes more memory and
# runs several times slower.
#
# Usage: run.sh ZIRN_BINARY LIB_DIR [sanitized]
set -u
if [ ! -x /usr/bin/time ]; then
  echo "GNU time (/usr/bin/time) is not installed: skipping" >&2
  exit 77
fi
zirn=$(realpath "$1")
libdir=$(realpath "$2")
time_scale=1 memory_scale=1 memory_extra=0
if [ "${3:-}" = sanitized ]; then time_scale=6 memory_scale=2 memory_extra=512; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# new_folder: a fresh folder holding lib/, as $folder.
new_folder() {
  folder=$(mktemp -d "$work/case.XXXX")
  mkdir "$folder/lib" && cp "$libdir"/*.ZIRN "$folder/lib/"
}

# run_zirn INPUT_FILE [PREFIX...]: runs zirn in $folder on the input under
# GNU time (PREFIX, such as a shell setting a limit, goes before it); sets
# $status, $peak_mb and $seconds. Standard output and error reach
# $folder/.out and .err through pipes, so a file size limit set for zirn
# applies to the files it writes only.
run_zirn() {
  local input=$1
  shift
  (
    cd "$folder" || exit
    { { /usr/bin/time -f '%M %e' -o .time "$@" "$zirn" <"$input" 2>&1 1>&3 3>&-; echo $? >.status; } |
      cat >.err; } 3>&1 | cat >.out
  )
  status=$(cat "$folder/.status")
  read_time
}

# read_time: $seconds and $peak_mb from what GNU time wrote to $folder/.time.
read_time() {
  local peak_kb
  read -r peak_kb seconds < <(tail -n 1 "$folder/.time")
  peak_mb=$((peak_kb / 1024))
}

# A case collects what went wrong in $problems, then judge reports it.
start_case() { problems=""; }
problem() { problems+="${problems:+; }$1"; }
expect_status() { [ "$status" = "$1" ] || problem "exit status $status, expected $1"; }
expect_err() { grep -qF -- "$1" "$folder/.err" || problem "no \"$1\" on standard error"; }
expect_out() { grep -qF -- "$1" "$folder/.out" || problem "no \"$1\" on standard output"; }
expect_err_lines() {
  local lines
  lines=$(grep -c . "$folder/.err")
  [ "$lines" = "$1" ] || problem "$lines lines on standard error, expected $1"
}

# judge NAME MAX_SECONDS MAX_MB: the case passes when nothing went wrong and
# the run stayed within the bounds (scaled for a sanitizer build).
judge() {
  local name=$1 max_seconds=$(($2 * time_scale)) max_mb=$(($3 * memory_scale + memory_extra))
  if awk -v s="$seconds" -v m="$max_seconds" 'BEGIN { exit !(s > m) }'; then
    problem "took $seconds s, bound $max_seconds s"
  fi
  [ "$peak_mb" -le "$max_mb" ] || problem "peak memory $peak_mb MB, bound $max_mb MB"
  if [ -z "$problems" ]; then
    passed=$((passed + 1))
    printf 'ok   %-34s %7s s %6s MB\n' "$name" "$seconds" "$peak_mb"
  else
    failed=$((failed + 1))
    printf 'FAIL %-34s %7s s %6s MB: %s\n' "$name" "$seconds" "$peak_mb" "$problems"
    echo "  standard error:" && head -c 800 "$folder/.err" | sed 's/^/    /'
  fi
}

# repeat TEXT COUNT: TEXT written COUNT times, without a line feed.
repeat() { head -c "$2" /dev/zero | tr '\0' "$1"; }

input=$work/input

# ---- nesting and recursion ---------------------------------------------

# A line nesting a million parentheses (2 MB) is refused at once, cheaply.
new_folder
{ printf 'x = '; repeat '(' 1000000; printf 1; repeat ')' 1000000; printf '\n$print$("after")\n'; } >"$input"
start_case; run_zirn "$input"
expect_err "recursion too deep"; expect_out "after"; expect_status 1
judge "parentheses 1,000,000 deep" 10 512

new_folder
{ printf 'f = '; repeat '{' 1000000; repeat '}' 1000000; printf '\n$print$("after")\n'; } >"$input"
start_case; run_zirn "$input"
expect_err "recursion too deep"; expect_out "after"; expect_status 1
judge "braces 1,000,000 deep" 10 512

# List data nested 100,000 deep never explodes.
new_folder
{ printf 'd = $decodelist$("'; repeat '(' 100000; repeat ')' 100000; printf '")\n$print$("after")\n'; } >"$input"
start_case; run_zirn "$input"
expect_err "recursion too deep"; expect_out "after"; expect_status 1
judge "decodelist 100,000 deep" 10 512

# A text that runs itself, and a builtin argument that calls the builtin
# again: stopped by the one nesting budget, well before memory runs out.
new_folder
printf 's = "exec s"\nexec s\n$print$("after")\n' >"$input"
start_case; run_zirn "$input"
expect_err "recursion too deep"; expect_out "after"; expect_status 1
judge "exec running itself" 40 1024

new_folder
printf '$print$("a" $print$("b"))\n$print$("after")\n' >"$input"
start_case; run_zirn "$input"
expect_err "recursion too deep"; expect_out "after"; expect_status 1
judge "print inside its own argument" 40 1024

# A library that loads itself: read and closed at every level, so the
# nesting budget stops it rather than running out of file descriptors.
new_folder
printf "also 'self'\n" >"$folder/lib/self.ZIRN"
printf "also 'self'\n\$print\$(\"after\")\n" >"$input"
start_case; run_zirn "$input" bash -c 'ulimit -n 64; exec "$0" "$@"'
expect_err "recursion too deep"; expect_out "after"; expect_status 1
judge "library loading itself" 15 512

# `each` over a string takes one character at a time: memory does not
# grow with the string beyond the string itself.
new_folder
printf 's = ("ab" * 1500000)\nn = 0\n$print$($size$(s))\n' >"$input"
start_case; run_zirn "$input"
expect_out "3000000"
base_mb=$peak_mb
printf 's = ("ab" * 1500000)\nn = 0\neach (s) {\n    n += 1\n}\n$print$(n)\n' >"$input"
run_zirn "$input"
expect_out "3000000"; expect_status 0
# (A sanitizer build holds freed memory back for a while: more room there.)
[ $((peak_mb - base_mb)) -le $((16 * memory_scale + memory_extra)) ] || problem "each took $((peak_mb - base_mb)) MB beyond the string"
judge "each over 3,000,000 characters" 30 256

# ---- the text limit ----------------------------------------------------

# A list holding itself doubled forty times stands for 2^40 copies: its
# text forms stop at the limit, and so do texts built for a comparison.
# About 15 s on an idle machine; it writes a gigabyte of text three times,
# so a busy machine short of memory takes several times longer: the bound
# only has to tell that from a run that never stops.
new_folder
cat >"$input" <<'EOF'
list l
add l 1
i = 0
until (i < 40) {
    add l l
    i += 1
}
s = $str$(l)
e = $encodelist$(l)
$print$((l == "x"))
$print$("after")
EOF
start_case; run_zirn "$input"
[ "$(grep -c 'too large: the text of a list' "$folder/.err")" = 3 ] || problem "not three too-large errors"
expect_out "after"; expect_status 1
judge "list doubled 40 times" 120 1600

# An endless file stops at the limit.
new_folder
printf 'z = $readfile$("/dev/zero")\n$print$("after")\n' >"$input"
start_case; run_zirn "$input"
expect_err "too large: readfile"; expect_out "after"; expect_status 1
judge "readfile of /dev/zero" 40 1600

# Base64 output is checked before it is written: only the input is held.
new_folder
printf 'x = ("abc" * 268435457)\ny = $base64encode$(x)\n$print$("after")\n' >"$input"
start_case; run_zirn "$input"
expect_err "too large: base64encode"; expect_out "after"; expect_status 1
judge "base64encode past the limit" 40 1100

# An input line without end stops at the limit; the session goes on after
# it. The line comes through a fifo, so it takes no disk space.
new_folder
mkfifo "$work/line"
{ head -c 1100000000 /dev/zero; printf '\n$print$("after")\n'; } >"$work/line" &
start_case; run_zirn "$work/line"
wait
rm -f "$work/line"
expect_err "too large: an input line"; expect_out "after"; expect_status 1
judge "input line of 1.1 GB" 60 1600

# ---- files -------------------------------------------------------------

# A write that fails midway (the file size limit stands in for a full disk)
# leaves the old content and no temporary file.
new_folder
printf 'old content' >"$folder/keep.txt" && chmod 640 "$folder/keep.txt"
printf '$writefile$("keep.txt" ("x" * 100000))\n$print$($readfile$("keep.txt"))\n' >"$input"
start_case; run_zirn "$input" bash -c 'ulimit -f 50; exec "$0" "$@"'
expect_err "writefile: cannot write 'keep.txt': File too large"; expect_out "old content"; expect_status 1
[ "$(cat "$folder/keep.txt")" = "old content" ] || problem "keep.txt lost its content"
[ "$(stat -c %a "$folder/keep.txt")" = 640 ] || problem "keep.txt lost its mode"
[ -z "$(find "$folder" -name '.zirn-*')" ] || problem "a temporary file was left behind"
judge "writefile past the file size limit" 10 256

# Killed while writing 300 MB: the target keeps its old content (or, when
# the write was already done, holds all of the new one), and the temporary
# file is gone.
new_folder
printf 'old' >"$folder/big.txt"
printf 'x = ("a" * 300000000)\n$writefile$("big.txt" x)\n$print$("written")\n' >"$input"
start_case
started=$SECONDS
(cd "$folder" && exec "$zirn" <"$input" >.out 2>.err) &
writer=$!
caught=0
for _ in $(seq 6000); do
  if [ -n "$(find "$folder" -maxdepth 1 -name '.zirn-*' 2>/dev/null)" ]; then
    kill -TERM "$writer" && caught=1
    break
  fi
  kill -0 "$writer" 2>/dev/null || break
  sleep 0.01
done
wait "$writer"
status=$? seconds=$((SECONDS - started)) peak_mb=0
if [ "$caught" = 1 ]; then
  [ "$status" = 143 ] || problem "exit status $status after SIGTERM, expected 143"
  size=$(stat -c %s "$folder/big.txt")
  [ "$size" = 3 ] || [ "$size" = 300000000 ] || problem "big.txt holds $size bytes: neither old nor new"
else
  echo "note: the write ended before it could be caught midway; checking the result only"
  [ "$(stat -c %s "$folder/big.txt")" = 300000000 ] || problem "big.txt is incomplete"
fi
[ -z "$(find "$folder" -name '.zirn-*')" ] || problem "a temporary file was left behind"
judge "writefile killed midway" 60 1024

# A library restore that fails leaves no library folder and the session in
# its start folder; the next start restores the library completely.
folder=$(mktemp -d "$work/case.XXXX")
printf '$writefile$("here.txt" "")\n$print$($exists$("lib"))\n' >"$input"
start_case; run_zirn "$input" bash -c 'ulimit -f 0; exec "$0" "$@"'
expect_err "cannot write 'dict.ZIRN'"; expect_out "could not be restored"; expect_status 1
[ -f "$folder/here.txt" ] || problem "the session did not go back to its start folder"
[ ! -e "$folder/lib" ] || problem "the failed restore left lib/ behind"
printf '' >"$input"
run_zirn "$input"
for file in dict math snapshot; do
  cmp -s "$folder/lib/$file.ZIRN" "$libdir/$file.ZIRN" || problem "lib/$file.ZIRN not restored on the next start"
done
judge "library restore on a full disk" 10 256

# A NUL byte in a path is refused before the system cuts the path there.
new_folder
printf 'kept' >"$folder/keep.txt"
printf 'nul = $base64decode$("AA==")\n$writefile$(("keep.txt" + nul + ".bak") "lost")\n$rm$(("lib" + nul + "/x"))\n' >"$input"
start_case; run_zirn "$input"
expect_err "writefile: the path 'keep.txt .bak' holds a NUL byte"; expect_err "rm: the path 'lib /x' holds a NUL byte"
[ "$(cat "$folder/keep.txt")" = kept ] && [ -f "$folder/lib/dict.ZIRN" ] || problem "a file was changed"
judge "paths holding a NUL byte" 5 128

# List text reads back as written, or the string it cannot carry is named.
new_folder
cat >"$input" <<'EOF'
list l
add l 'say "hi"'
add l "it's"
t = $encodelist$(l)
$print$(t)
$print$(($decodelist$(t) == l))
add l ("'" + '"')
t = $encodelist$(l)
EOF
start_case; run_zirn "$input"
expect_out "('say \"hi\"' \"it's\")"; expect_out "> 1"
expect_err "encodelist: the string at index 2 holds both a single and a double quote"
judge "list text reads back" 5 128

# ---- output ------------------------------------------------------------

# Output that cannot be written is an error, not a silent success.
new_folder
printf '$print$("lost")\n' >"$input"
start_case
(cd "$folder" && /usr/bin/time -f '%M %e' -o .time "$zirn" <"$input" >/dev/full 2>.err)
status=$?
read_time
expect_status 1; expect_err "cannot write to standard output: No space left on device"; expect_err_lines 1
judge "output to /dev/full" 5 128

# A reader that goes away: status 1, quietly as a Unix filter ends, not
# death by SIGPIPE; the same for a program run from a file.
new_folder
printf 'until (1) {\n    $print$("more")\n}\n' >"$input"
start_case
(cd "$folder" && /usr/bin/time -f '%M %e' -o .time "$zirn" <"$input" 2>.err | head -c 10 >/dev/null;
 exit "${PIPESTATUS[0]}")
status=$?
read_time
expect_status 1; expect_err_lines 0
judge "output to a closed pipe" 10 128

new_folder
start_case
(cd "$folder" && /usr/bin/time -f '%M %e' -o .time "$zirn" "$input" 2>.err | head -n 2 >/dev/null;
 exit "${PIPESTATUS[0]}")
status=$?
read_time
expect_status 1; expect_err_lines 0
judge "a program's output to a closed pipe" 10 128
# ---- broken input, endless programs, lost help --------------------------

# run_zirn_with INPUT ARG...: as run_zirn, with ARGs on zirn's command line
# and at most a minute (a run that spins for ever fails, not hangs).
run_zirn_with() {
  local input=$1
  shift
  (
    cd "$folder" || exit
    { { /usr/bin/time -f '%M %e' -o .time timeout 60 "$zirn" "$@" <"$input" 2>&1 1>&3 3>&-; echo $? >.status; } |
      cat >.err; } 3>&1 | cat >.out
  )
  status=$(cat "$folder/.status")
  read_time
}

# Standard input that fails to read (closed, a folder) is its end for
# $input, and the run says why with status 1, instead of retrying for ever.
new_folder
printf '$print$(("[" + $input + "]"))\n' >"$folder/prog.ZIRN"
start_case
(cd "$folder" && /usr/bin/time -f '%M %e' -o .time timeout 60 "$zirn" prog.ZIRN <&- >.out 2>.err)
status=$?
read_time
expect_status 1; expect_out "[]"; expect_err_lines 1
expect_err "error: prog.ZIRN: cannot read standard input: Bad file descriptor"
judge "program with standard input closed" 10 128

new_folder
start_case; run_zirn_with "$folder/lib"
expect_status 1; expect_err_lines 1; expect_err "error: cannot read standard input: Is a directory"
judge "REPL reading a folder" 10 128

# A program file without end stops at the text limit, like any text.
new_folder
start_case; run_zirn_with /dev/null /dev/zero
expect_status 1; expect_err_lines 1
expect_err "error: too large: the program '/dev/zero' would pass 1073741824 bytes"
judge "program file /dev/zero" 40 1600

# Help and version that cannot be written are not a success.
for option in --help --version; do
  new_folder
  start_case
  (cd "$folder" && /usr/bin/time -f '%M %e' -o .time timeout 60 "$zirn" "$option" >/dev/full 2>.err)
  status=$?
  read_time
  expect_status 1; expect_err_lines 1; expect_err "error: cannot write to standard output: No space left on device"
  judge "$option to a full device" 5 128
done

# ---- writefile on a full disk --------------------------------------------

# A file that may be written in a folder that takes no new file is
# overwritten where it is; on a full disk the write fails before the old
# content is touched. A 1 MB file system of our own (a private mount in a
# user namespace), and no privileges inside it, so that the folder's mode
# holds even for root.
if unshare -Urm true 2>/dev/null && command -v setpriv >/dev/null; then
  new_folder
  mkdir "$folder/disk"
  head -c 404000 /dev/urandom >"$work/old.bin"
  cat >"$work/full_disk.sh" <<'SCRIPT'
set -e
disk=$1 zirn=$2 old=$3
mount -t tmpfs -o size=1m zirn-full "$disk"
mkdir "$disk/ro"
cp "$old" "$disk/ro/keep.bin"
chmod 666 "$disk/ro/keep.bin"
# Fill the rest but about 200 KB.
head -c 420000 /dev/zero >"$disk/filler" 2>/dev/null || true
chmod 555 "$disk/ro"
cd "$disk/ro"
set +e
run() { setpriv --inh-caps=-all --bounding-set=-all -- "$zirn" -e "$1"; echo "status $?"; }
run '$writefile$("keep.bin" ("y" * 700000))'
cmp -s keep.bin "$old" && echo "old content intact"
run '$writefile$("keep.bin" "short")'
echo "now: $(cat keep.bin)"
SCRIPT
  start_case
  (cd "$folder" && /usr/bin/time -f '%M %e' -o .time \
     unshare -Urm bash "$work/full_disk.sh" "$folder/disk" "$zirn" "$work/old.bin" >.out 2>.err)
  status=$?
  read_time
  expect_status 0
  expect_err "writefile: cannot write 'keep.bin': No space left on device"
  expect_out "status 1"; expect_out "old content intact"; expect_out "status 0"; expect_out "now: short"
  judge "writefile in place on a full disk" 20 256
else
  echo "note: no private mounts here (user namespaces): skipping the full-disk case"
fi

# In a sticky folder (like /tmp) a file of another user may not be renamed
# over, even where it may be written: it is overwritten in place instead of
# failing. Needs root, to act as two users.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  new_folder
  sticky=$(mktemp -d /tmp/zirn-sticky.XXXX)
  chmod 1777 "$sticky"
  printf 'old text' >"$sticky/shared.txt"
  chown 65534:65534 "$sticky/shared.txt" && chmod 666 "$sticky/shared.txt"
  start_case
  (cd "$sticky" && /usr/bin/time -f '%M %e' -o "$folder/.time" \
     setpriv --reuid=1000 --regid=1000 --clear-groups -- "$zirn" -e '$writefile$("shared.txt" "new text")' \
     >"$folder/.out" 2>"$folder/.err")
  status=$?
  read_time
  expect_status 0
  [ "$(cat "$sticky/shared.txt")" = "new text" ] || problem "shared.txt holds: $(cat "$sticky/shared.txt")"
  [ "$(stat -c %u "$sticky/shared.txt")" = 65534 ] || problem "shared.txt changed its owner"
  [ -z "$(find "$sticky" -name '.zirn-*')" ] || problem "a temporary file was left behind"
  rm -rf "$sticky"
  judge "writefile in a sticky folder" 5 128
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
