#!/usr/bin/env bash
# Drives `zirn --lsp` with VS Code's LSP client library (the npm packages
# pinned in package-lock.json beside this script, installed once into the
# build folder with `npm ci`).
# Usage: run.sh ZIRN WORK_DIR
set -u
here=$(dirname "$(realpath "$0")")
zirn=$(realpath "$1")
work=$2/lsp-client-test
. "$here/../node_packages.sh"
install_node_packages "$here" "$work" "the LSP client library"
exec node "$here/client_test.js" "$zirn" "$work/node_modules"
