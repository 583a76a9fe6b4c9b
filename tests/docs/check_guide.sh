#!/usr/bin/env bash
# Checks every example of the user guide against the real zirn binary.
#
# An example is a fenced block opened by ```zirn (the lines typed at the
# prompt) followed, after nothing but blank lines, by a fenced block opened by
# ```output (what zirn answers). Each example runs in a fresh temporary folder
# that holds a `lib` folder with the library files, with its lines on standard
# input and standard error merged into standard output. Before the comparison
# the captured text is normalised in exactly these steps:
#   1. it must start with the three banner lines; they are removed;
#   2. it must end with "> " (the prompt that met end of input); removed;
#   3. at the start of every line, each prompt "> " or "... " is removed,
#      however many follow one another;
#   4. every carriage return byte is replaced by the two characters ^M.
# The result must equal the output block byte for byte, and the exit status
# must be 1 when the output block has a line starting with "error: ", else 0.
# A ```zirn block without its output block is a failure too.
#
# Programs run from files are shown differently: a block opened by
# ```zirn NAME is the file NAME, and the next block opened by ```console is a
# terminal session with it. Each line of the session that starts with "$ " is
# a shell command; the other lines are what the commands answer. The checker
# writes the files into a fresh empty folder, runs the commands there one
# after the other in one bash, with `zirn` found first on the PATH as the
# binary under test and standard error merged into standard output, and
# compares what they wrote (each carriage return as ^M) with the answer lines
# byte for byte. A file block that no console block follows is a failure.
#
# Usage: check_guide.sh ZIRN_BINARY GUIDE_MD LIB_DIR
set -u
zirn=$(realpath "$1")
guide=$(realpath "$2")
libdir=$(realpath "$3")
banner=$'-----ZIRN V3 made by Marvek-----\nThis is the built-in REPL.\ninitializing...OK\n'

examples=$(mktemp -d)
trap 'rm -rf "$examples"' EXIT

# Cut the guide into NNN.in / NNN.out pairs; NNN is the line of the ```zirn
# fence. A ```zirn block not followed by an output block leaves NNN.orphan.
# File blocks go to pending/ and move to NNN.files/ with the console block
# NNN.console that follows them; left over at the end, they leave
# NNN.lonely (NNN: the line of the first of them).
mkdir "$examples/pending"
awk -v dir="$examples" '
  function name(ext) { return sprintf("%s/%06d.%s", dir, start, ext) }
  state == "in" && /^```$/     { state = "wait"; next }
  state == "in"                { print > name("in"); next }
  state == "out" && /^```$/    { state = ""; close(name("in")); close(name("out")); next }
  state == "out"               { print > name("out"); next }
  state == "file" && /^```$/   { state = ""; close(file); next }
  state == "file"              { print > file; next }
  state == "console" && /^```$/ {
    state = ""; close(name("console"))
    system("mv \"" dir "/pending\" \"" name("files") "\" && mkdir \"" dir "/pending\"")
    first_file = 0; next
  }
  state == "console"           { print > name("console"); next }
  state == "wait" && /^[ \t]*$/ { next }
  state == "wait" && /^```output$/ { state = "out"; printf "" > name("out"); next }
  state == "wait"              { printf "" > name("orphan"); state = "" }
  /^```zirn$/                  { start = NR; state = "in"; printf "" > name("in"); next }
  /^```zirn [^ \/]+$/          {
    if (!first_file) first_file = NR
    file = dir "/pending/" substr($0, 9); state = "file"; printf "" > file; next
  }
  /^```console$/               { start = NR; state = "console"; printf "" > name("console"); next }
  END {
    if (state == "in" || state == "wait") printf "" > name("orphan")
    if (first_file) { start = first_file; printf "" > name("lonely") }
  }
' "$guide"

passed=0
failed=0
fail() {
  failed=$((failed + 1))
  echo "FAIL example at line $((10#$1)) of $(basename "$guide"): $2"
}

for input in "$examples"/*.in; do
  [ -e "$input" ] || break
  id=$(basename "$input" .in)
  if [ -e "$examples/$id.orphan" ] || [ ! -e "$examples/$id.out" ]; then
    fail "$id" "no \`\`\`output block follows it"
    continue
  fi
  work=$(mktemp -d)
  mkdir "$work/lib" && cp "$libdir"/*.ZIRN "$work/lib/"
  (cd "$work" && timeout 30 "$zirn" <"$input" >"$work/.raw" 2>&1)
  code=$?
  raw=$work/.raw
  if ! cmp -s -n ${#banner} "$raw" <(printf '%s' "$banner") || [ "$(tail -c 2 "$raw")" != "> " ]; then
    fail "$id" "output does not start with the banner or end with the prompt (exit status $code)"
    cat -A "$raw" | head -20
    rm -rf "$work"
    continue
  fi
  size=$(stat -c %s "$raw")
  tail -c +$((${#banner} + 1)) "$raw" | head -c $((size - ${#banner} - 2)) |
    sed -E 's/^((> )|(\.\.\. ))+//' | sed 's/\r/^M/g' >"$work/.actual"
  expected_code=0
  grep -q '^error: ' "$examples/$id.out" && expected_code=1
  if ! cmp -s "$work/.actual" "$examples/$id.out"; then
    fail "$id" "output differs (expected, then actual)"
    diff <(cat -A "$examples/$id.out") <(cat -A "$work/.actual") | head -30
  elif [ "$code" != "$expected_code" ]; then
    fail "$id" "exit status $code, expected $expected_code"
  else
    passed=$((passed + 1))
  fi
  rm -rf "$work"
done

# The console sessions. bin/zirn is the binary under test, first on the PATH,
# so that `#!/usr/bin/env zirn` finds it too.
bin=$(mktemp -d)
trap 'rm -rf "$examples" "$bin"' EXIT
ln -s "$zirn" "$bin/zirn"
for session in "$examples"/*.console; do
  [ -e "$session" ] || break
  id=$(basename "$session" .console)
  work=$(mktemp -d)
  cp -R "$examples/$id.files/." "$work/"
  grep -v '^\$ ' "$session" >"$work/.expected"
  sed -n 's/^\$ //p' "$session" >"$work/.commands"
  (cd "$work" && PATH="$bin:$PATH" timeout 30 bash .commands 2>&1) | sed 's/\r/^M/g' >"$work/.actual"
  if cmp -s "$work/.actual" "$work/.expected"; then
    passed=$((passed + 1))
  else
    fail "$id" "console session differs (expected, then actual)"
    diff <(cat -A "$work/.expected") <(cat -A "$work/.actual") | head -30
  fi
  rm -rf "$work"
done
for lonely in "$examples"/*.lonely; do
  [ -e "$lonely" ] || break
  fail "$(basename "$lonely" .lonely)" "no \`\`\`console block follows this file block"
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ] && [ "$passed" -gt 0 ]
