#!/usr/bin/env bash
# Correct programs must pass `zirn --check` without a single finding, and
# still run as before: the realistic programs of programs/ (each must exit 0
# with no error output and print exactly its NAME.out), the library files,
# the built-in REPL script and the benchmark programs.
#
# Usage: run.sh ZIRN_BINARY SOURCE_DIR
set -u
zirn=$(realpath "$1")
source_dir=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
failed=0

correct=("$here"/programs/*.ZIRN "$source_dir"/src/app/scripts/lib/*.ZIRN "$source_dir"/src/app/scripts/bonus.ZIRN
         "$source_dir"/src/app/scripts/repl.ZIRN.in "$source_dir"/bench/zirn/*.ZIRN)
findings=$("$zirn" --check "${correct[@]}" 2>&1)
status=$?
if [ -n "$findings" ] || [ "$status" != 0 ]; then
  echo "FAIL: zirn --check reports on correct programs (exit status $status):"
  echo "$findings"
  failed=$((failed + 1))
fi

ran=0
for program in "$here"/programs/*.ZIRN; do
  name=$(basename "$program" .ZIRN)
  work=$(mktemp -d)
  mkdir "$work/lib" && cp "$source_dir"/src/app/scripts/lib/*.ZIRN "$work/lib/"
  cp "$program" "$work/"
  (cd "$work" && timeout 60 "$zirn" "$name.ZIRN" </dev/null >"$work/.stdout" 2>"$work/.stderr")
  code=$?
  if [ "$code" != 0 ] || [ -s "$work/.stderr" ] || ! cmp -s "$work/.stdout" "${program%.ZIRN}.out"; then
    echo "FAIL: $name.ZIRN ran with exit status $code:"
    cat "$work/.stderr"
    diff "${program%.ZIRN}.out" "$work/.stdout" | head -10
    failed=$((failed + 1))
  fi
  ran=$((ran + 1))
  rm -rf "$work"
done

echo "${#correct[@]} programs checked, $ran run, $failed failures"
[ "$failed" = 0 ]
