#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds the embedding example
# (examples/embed) against it twice: as a separate CMake project that finds
# the package with find_package(zirn CONFIG), and with the flags pkg-config
# gives for zirn.pc. Both programs must print the example's expected output.
# Usage: embed_example.sh BUILD_DIR [EXTRA_COMPILER_FLAGS]
set -u
build=$(realpath "$1")
extra_flags=${2:-}
example=$(realpath "$(dirname "$0")/../../examples/embed")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || { fail "cmake --install failed"; exit 1; }

# The example reads its rules from the current folder, as its users would.
run_example() {
  local binary=$1 how=$2
  local out
  out=$(cd "$example" && "$binary" rules.ZIRN 2>&1)
  if [ "$out" != "$(cat "$example/expected_output.txt")" ]; then
    fail "the example built with $how printed:"
    echo "$out" >&2
  fi
}

if cmake -S "$example" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
     -DCMAKE_CXX_FLAGS="$extra_flags" >"$work/cmake.log" 2>&1 &&
   cmake --build "$work/cmake-build" >>"$work/cmake.log" 2>&1; then
  run_example "$work/cmake-build/rules" "find_package"
else
  cat "$work/cmake.log" >&2
  fail "the example does not build with find_package(zirn CONFIG)"
fi

if command -v pkg-config >/dev/null; then
  export PKG_CONFIG_PATH="$(dirname "$(find "$prefix" -name zirn.pc)")"
  [ "$(pkg-config --modversion zirn)" = "$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")" ] ||
    fail "pkg-config names version $(pkg-config --modversion zirn)"
  # shellcheck disable=SC2046,SC2086
  if c++ -std=c++20 $extra_flags $(pkg-config --cflags zirn) "$example/rules.cpp" -o "$work/rules-pkg-config" \
       $(pkg-config --libs zirn) 2>"$work/pkg-config.log"; then
    run_example "$work/rules-pkg-config" "pkg-config"
  else
    cat "$work/pkg-config.log" >&2
    fail "the example does not build with pkg-config's flags"
  fi
else
  fail "pkg-config is missing (tools/deps.sh installs it)"
fi

[ "$failures" = 0 ] && { echo "embedding example checks passed"; exit 0; }
exit 1
