#!/usr/bin/env bash
# Builds the Debian package with `cpack -G DEB` and checks it without
# installing it: the file name, the control data (`dpkg-deb -I`), that every
# part is inside, and that the packaged binary runs once unpacked
# (`dpkg-deb -x`).
# Usage: package.sh BUILD_DIR
set -u
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
command -v dpkg-deb >/dev/null && command -v cpack >/dev/null || { echo "dpkg-deb or cpack missing: skipped"; exit 77; }

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
if ! (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  fail "cpack -G DEB failed"
  exit 1
fi
deb="$work/out/zirn_${version}_${arch}.deb"
[ -n "$version" ] && [ -f "$deb" ] || { fail "no zirn_${version}_${arch}.deb: $(ls "$work/out")"; exit 1; }

info=$(dpkg-deb -I "$deb")
field() { sed -n "s/^ $1: //p" <<<"$info"; }
[ "$(field Package)" = zirn ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', expected $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', expected $arch"
grep -q 'libreadline[0-9]' <<<"$(field Depends)" || fail "Depends does not name readline: '$(field Depends)'"
grep -q 'libc6' <<<"$(field Depends)" || fail "Depends does not name the C library: '$(field Depends)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for file in ./usr/bin/zirn ./usr/share/man/man1/zirn.1 ./usr/share/doc/zirn/guide.md \
            ./usr/share/zirn/editors/vscode/package.json ./usr/share/zirn/editors/vim/syntax/zirn.vim \
            ./usr/include/zirn/zirn.h ./usr/lib/libzirn.a ./usr/lib/cmake/zirn/zirnConfig.cmake \
            ./usr/lib/cmake/zirn/zirnConfigVersion.cmake ./usr/lib/pkgconfig/zirn.pc; do
  grep -qx -- "$file" <<<"$contents" || fail "the package lacks $file"
done

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x failed"
out=$("$work/root/usr/bin/zirn" -e '$print$((6 * 7))' 2>&1)
[ "$out" = 42 ] || fail "the packaged zirn does not run a program: $out"
out=$("$work/root/usr/bin/zirn" --version 2>&1)
grep -qF "$version" <<<"$out" || fail "the packaged zirn --version does not name $version: $out"
cmp -s "$work/root/usr/include/zirn/zirn.h" "$(dirname "$0")/../../include/zirn/zirn.h" || fail "the packaged header differs"

[ "$failures" = 0 ] && { echo "package checks passed"; exit 0; }
exit 1
