#!/usr/bin/env bash
# Runs the generated-program corpus: each seedN.in here was written by
# tools/zirngen.py for seed N, and seedN.out, .err and .code hold what the
# earlier execution core (the table walker the current one replaced) printed
# and returned for it. Two checks:
#
#   1. the generator still writes every committed program byte for byte, so
#      a change to the generator is noticed (re-record the corpus then);
#   2. zirn, fed each program on standard input in a fresh folder holding
#      the library, prints exactly the recorded output and error text and
#      ends with the recorded status (error lines compared without the
#      place and the suggestion that the earlier core did not give).
#
# Usage: run.sh ZIRN_BINARY PYTHON GENERATOR CORPUS_DIR LIB_DIR
set -u
zirn=$(realpath "$1")
python=$2
generator=$(realpath "$3")
corpus=$(realpath "$4")
libdir=$(realpath "$5")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seeds=()
for input in "$corpus"/seed*.in; do
  name=$(basename "$input" .in)
  seeds+=("${name#seed}")
done
[ ${#seeds[@]} -gt 0 ] || { echo "no programs in $corpus"; exit 1; }

failed=0
mkdir "$work/generated"
if ! "$python" "$generator" --out-dir "$work/generated" "${seeds[@]}"; then
  echo "FAIL the generator did not run"
  exit 1
fi
for seed in "${seeds[@]}"; do
  if ! cmp -s "$work/generated/seed$seed.in" "$corpus/seed$seed.in"; then
    echo "FAIL seed $seed: the generator no longer writes seed$seed.in (re-record the corpus, see README.md)"
    diff "$corpus/seed$seed.in" "$work/generated/seed$seed.in" | head -10
    failed=$((failed + 1))
  fi
done

# One program: run in its own folder, compare all three results.
check() {
  local seed=$1 dir="$work/run$1"
  mkdir -p "$dir/lib" && cp "$libdir"/*.ZIRN "$dir/lib/"
  (cd "$dir" && timeout 60 "$zirn" <"$corpus/seed$seed.in" >.stdout 2>.stderr)
  local code=$?
  # A sanitizer build may warn when an error unwinds a deep stack; that
  # notice is not the program's output. The earlier core did not tell where
  # an error inside a library file happened, nor suggest a name: both are
  # taken off the error lines, and so is the advice after the message
  # (what to write instead), which it did not give either.
  grep -v -E '^==[0-9]+==WARNING: ASan is ignoring requested __asan_handle_no_return|^False positive error reports may follow$|^For details see https://github.com/google/sanitizers/issues/189$' \
    "$dir/.stderr" |
    sed -E -e 's/^error: [^:]*\.ZIRN:[0-9]+: (in \$[^$]*\$( \(called at [^)]*\))?: )?/error: /' \
      -e "s/; did you mean '.*'\?\$//" -e 's/^(error: [^;]*); .*$/\1/' >"$dir/.stderr.program"
  local ok=1
  cmp -s "$dir/.stdout" "$corpus/seed$seed.out" || ok=0
  cmp -s "$dir/.stderr.program" "$corpus/seed$seed.err" || ok=0
  [ "$code" = "$(cat "$corpus/seed$seed.code")" ] || ok=0
  if [ $ok = 0 ]; then
    echo "FAIL seed $seed (exit status $code, expected $(cat "$corpus/seed$seed.code"))"
    diff <(tr '>' '\n' <"$corpus/seed$seed.out") <(tr '>' '\n' <"$dir/.stdout") | head -10
    diff "$corpus/seed$seed.err" "$dir/.stderr.program" | head -10
    return 1
  fi
  rm -rf "$dir"
  return 0
}

passed=0
for seed in "${seeds[@]}"; do
  if check "$seed"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
