#!/usr/bin/env bash
# Runs the end-to-end suite with every fldren and fldren-undo process under
# valgrind's memcheck; any error it reports (or a leak lost for good) makes
# that process end with status 99 or write to standard error, and so fails
# its case. Extra arguments go to the suite (-k PATTERN runs a subset).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
source "$repo/tools/packages.sh"
need_packages "${BUILD_PACKAGES[@]}" googletest valgrind

build="$repo/build-memcheck"
cmake -S "$repo" -B "$build" -DFLDREN_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null
python3 "$repo/tests/e2e/run_e2e.py" --binary "$build/fldren" \
  --wrapper "valgrind -q --vgdb=no --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite" \
  "$@"
