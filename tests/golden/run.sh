#!/usr/bin/env bash
# Runs every golden test: each NAME.in below the golden folder is fed on
# standard input to the real zirn binary, started in a fresh temporary
# folder, and its standard output must equal NAME.out byte for byte. When
# they exist, NAME.err must equal standard error and NAME.code the exit
# status (default 0). A test whose output depends on the order in which the
# platform lists a folder has no NAME.out; its NAME.check then examines
# ./.stdout itself.
#
# Before the run the temporary folder gets a `lib` folder holding the library
# files, so outputs start with the short banner. A NAME.setup script, when
# present, runs in the folder instead (it gets the library folder's path as
# $1), to start from an empty folder or lay out files. The files of a folder
# NAME.files, when present, are copied into the folder after that.
#
# zirn gets no arguments (the REPL) unless NAME.args exists: then each of its
# lines is one command-line argument.
#
# Usage: run.sh ZIRN_BINARY GOLDEN_DIR LIB_DIR
set -u
zirn=$(realpath "$1")
golden=$(realpath "$2")
libdir=$(realpath "$3")
passed=0
failed=0
failures=()

while IFS= read -r input; do
  name=${input%.in}
  label=${name#"$golden"/}
  work=$(mktemp -d)
  if [ -f "$name.setup" ]; then
    (cd "$work" && bash "$name.setup" "$libdir")
  else
    mkdir "$work/lib" && cp "$libdir"/*.ZIRN "$work/lib/"
  fi
  if [ -d "$name.files" ]; then cp -R "$name.files"/. "$work/"; fi
  arguments=()
  if [ -f "$name.args" ]; then mapfile -t arguments <"$name.args"; fi
  (cd "$work" && timeout 60 "$zirn" "${arguments[@]}" <"$input" >"$work/.stdout" 2>"$work/.stderr")
  code=$?
  ok=1
  if [ -f "$name.out" ]; then cmp -s "$work/.stdout" "$name.out" || ok=0; fi
  # A sanitizer build warns once when a deep recursion error unwinds more
  # stack than it cleans up; that notice is not the program's output.
  if [ -f "$name.err" ]; then
    grep -v -E '^==[0-9]+==WARNING: ASan is ignoring requested __asan_handle_no_return|^False positive error reports may follow$|^For details see https://github.com/google/sanitizers/issues/189$' \
      "$work/.stderr" >"$work/.stderr.program"
    cmp -s "$work/.stderr.program" "$name.err" || ok=0
  fi
  expected_code=0
  [ -f "$name.code" ] && expected_code=$(cat "$name.code")
  [ "$code" = "$expected_code" ] || ok=0
  if [ -f "$name.check" ]; then (cd "$work" && bash "$name.check") || ok=0; fi
  if [ $ok = 1 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$label")
    echo "FAIL $label (exit status $code, expected $expected_code)"
    if [ -f "$name.out" ]; then diff <(cat -A "$name.out") <(cat -A "$work/.stdout") | head -20; fi
    if [ -f "$name.err" ]; then diff "$name.err" "$work/.stderr.program" | head -10; fi
  fi
  rm -rf "$work"
done < <(find "$golden" -name '*.in' | sort)

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
