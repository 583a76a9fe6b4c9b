# Sourced by the tests that run JavaScript against pinned npm packages:
# install_node_packages SOURCE_DIR WORK_DIR WHAT installs the packages of
# SOURCE_DIR's package-lock.json into WORK_DIR/node_modules with `npm ci`,
# once per lock file (a changed lock file installs afresh). Exits 77
# (skipped) without node or npm, and fails naming WHAT when npm cannot
# install them.
install_node_packages() {
  local source=$1 work=$2 what=$3
  if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "node or npm missing (tools/deps.sh installs them): skipped"
    exit 77
  fi
  if cmp -s "$source/package-lock.json" "$work/package-lock.json" && [ -d "$work/node_modules" ]; then
    return 0
  fi
  rm -rf "$work"
  mkdir -p "$work"
  cp "$source/package.json" "$source/package-lock.json" "$work/"
  if ! (cd "$work" && npm ci --no-audit --no-fund --loglevel=error); then
    rm -rf "$work"
    echo "FAIL: npm ci could not install $what"
    exit 1
  fi
}
