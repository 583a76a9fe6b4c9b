#!/usr/bin/env bash
# Checks that the Debian packages the build and the tests need are installed,
# and installs the missing ones (as root, with apt-get). Safe to run again.
set -eu
packages=(cmake g++ make libgtest-dev libreadline-dev tmux time nodejs pkg-config dpkg-dev nlohmann-json3-dev)
# npm comes with some builds of the nodejs package (whose npm would then
# conflict with Debian's): Debian's only when there is no npm command.
command -v npm >/dev/null || packages+=(npm)
[ "${ZIRN_BENCH:-0}" = 1 ] && packages+=(tcl8.6 lua5.4 python3)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} = 0 ] && exit 0
echo "deps: installing ${missing[*]}" >&2
if [ "$(id -u)" != 0 ]; then
  echo "deps: run as root, or install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null
apt-get install -y -qq "${missing[@]}" >/dev/null
