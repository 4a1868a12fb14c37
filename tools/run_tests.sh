#!/usr/bin/env bash
# Builds fldren three ways and runs every test on each: the native build,
# the native build under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the Windows build (mingw-w64) under Wine; then the Windows-name cases
# of both builds on a mounted NTFS image. Warnings are errors in all.
# Formatting and the direction of every include are checked first.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
source "$repo/tools/packages.sh"
need_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
cd "$repo"
# The build time the help pages show is the commit's, as in a release.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --git-dir >/dev/null 2>&1; then
  SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
  export SOURCE_DATE_EPOCH
fi

jobs=2
echo "== formatting (clang-format, .clang-format)"
find src tests -name '*.cpp' -o -name '*.h' | sort |
  xargs clang-format --dry-run --Werror
echo "== includes point down the layers (tools/check_layers.py)"
python3 tools/check_layers.py

run_suite() {
  local dir="$1"
  shift
  echo "== $dir"
  cmake -S . -B "$dir" -DFLDREN_WERROR=ON -DFLDREN_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure
}

run_suite build
run_suite build-sanitize -DFLDREN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

# Wine's background services start here, detached from CTest's output pipe;
# a test that started them would hang until they time out. The server ends
# itself a minute after its last program.
export WINEDEBUG=-all
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
run_suite build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake

# The Windows-name cases of both builds again, on a real NTFS.
bash tools/ntfs_cases.sh
