#!/usr/bin/env bash
# Drives `zirn --lsp` with VS Code's LSP client library (the npm packages
# pinned in package-lock.json beside this script, installed once into the
# build folder with `npm ci`).
# Usage: run.sh ZIRN WORK_DIR
set -u
here=$(dirname "$(realpath "$0")")
zirn=$(realpath "$1")
work=$2/lsp-client-test
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
    echo "FAIL: npm ci could not install the LSP client library"
    exit 1
  fi
fi
exec node "$here/client_test.js" "$zirn" "$work/node_modules"
