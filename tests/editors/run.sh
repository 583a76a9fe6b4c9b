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
. "$here/../node_packages.sh"
install_node_packages "$here" "$work" "the TextMate engine"
exec node "$here/grammar_test.js" "$grammar" "$work/node_modules" "$@"
