#!/usr/bin/env bash
# Installs the build into a temporary prefix with `cmake --install` and checks
# that the program, its manual page and the user guide land in the usual
# places, that the installed program runs, and that the manual page renders
# without warnings.
# Usage: run.sh BUILD_DIR
set -u
build=$(realpath "$1")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
[ -x "$prefix/bin/zirn" ] || fail "bin/zirn missing or not executable"
page="$prefix/share/man/man1/zirn.1"
[ -f "$page" ] || fail "share/man/man1/zirn.1 missing"

guide="$prefix/share/doc/zirn/guide.md"
cmp -s "$guide" "$(dirname "$0")/../../docs/guide.md" || fail "share/doc/zirn/guide.md missing or not the guide"

# Editor support lands beside the documentation, whole.
editors="$prefix/share/zirn/editors"
for file in vscode/package.json vscode/language-configuration.json vscode/syntaxes/zirn.tmLanguage.json \
            vim/syntax/zirn.vim vim/ftdetect/zirn.vim vim/ftplugin/zirn.vim; do
  cmp -s "$editors/$file" "$(dirname "$0")/../../editors/$file" || fail "share/zirn/editors/$file missing or changed"
done

# The installed binary is the interpreter.
out=$(cd "$prefix" && mkdir work && cd work && printf '$print$((6 * 7))\n' | "$prefix/bin/zirn" 2>&1)
grep -qx '> 42' <<<"$out" || fail "the installed zirn does not run a line: $out"
out=$("$prefix/bin/zirn" -e '$print$((6 * 7))' 2>&1)
[ "$out" = 42 ] || fail "the installed zirn does not run a program: $out"

if [ -f "$page" ]; then
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff warnings: $warnings"
  rendered=$(MANWIDTH=80 man -l "$page" 2>&1 | col -b)
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS PROGRAMS KEYS ERRORS 'EXIT STATUS' FILES ENVIRONMENT; do
    grep -qx "$section" <<<"$rendered" || fail "the rendered page lacks the section $section"
  done
  for key in Ctrl-C Ctrl-D 'Up arrow' Tab --help --version ZIRN_HISTORY; do
    grep -qF -- "$key" <<<"$rendered" || fail "the rendered page does not mention $key"
  done
fi

[ "$failures" = 0 ] && { echo "install checks passed"; exit 0; }
exit 1
