#!/usr/bin/env bash
# Tokenises ZIRN text with the real TextMate engine (the npm packages pinned in
# package-lock.json beside this script, installed once into the build folder
# with `npm ci`) and checks the scopes the grammar gives every kind of token.
# Usage: run.sh GRAMMAR WORK_DIR PROGRAM...
set -u
here=$(dirname "$(realpath "$0")")
grammar=$1
work=$2/editor-tests
shift 2
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "node or npm missing (tools/deps.sh installs them): skipped"
  exit 77
fi
if ! cmp -s "$here/package-lock.json" "$work/package-lock.json" || [ ! -d "$work/node_modules" ]; then
  rm -rf "$work"
  mkdir -p "$work"
  cp "$here/package.json" "$here/package-lock.json" "$work/"
  if ! (cd "$work" && npm ci --no-audit --no-fund --loglevel=error); then
    rm -rf "$work"
    echo "FAIL: npm ci could not install the TextMate engine"
    exit 1
  fi
fi
exec node "$here/grammar_test.js" "$grammar" "$work/node_modules" "$@"
