#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for SECONDS (default 60),
# starting from the seeds in tests/fuzz/corpus. The corpus grows in a
# temporary copy, so the repository stays as it is. A crash stops the
# script with the input that caused it; make it a regression test.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
source "$repo/tools/packages.sh"
need_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev

build="$repo/build-fuzz"
CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -DFLDREN_FUZZ=ON \
  -DFLDREN_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/fldren-fuzz-run.XXXXXX")"
export ASAN_OPTIONS=abort_on_error=1
export UBSAN_OPTIONS=abort_on_error=1:print_stacktrace=1
export FLDREN_FUZZ_BINARY="$build/fldren"
for target in line_model path_parts header field_list whole_run preview_run; do
  mkdir -p "$work/$target"
  cp "$repo/tests/fuzz/corpus/$target/"* "$work/$target/"
  # The preview against the run is the property the others rest on: it
  # gets twice the time.
  time_for="$seconds"
  [ "$target" = preview_run ] && time_for=$((seconds * 2))
  echo "== fuzz_$target for ${time_for}s"
  if ! "$build/tests/fuzz/fuzz_$target" -max_total_time="$time_for" \
      -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$work/$target-" "$work/$target" \
      >"$work/$target.log" 2>&1; then
    tail -n 40 "$work/$target.log"
    echo "fuzz_$target failed; the input is in $work" >&2
    exit 1
  fi
  grep -E "stat::number_of_executed_units|Done" "$work/$target.log" | tail -n 2
done
rm -rf "$work"
echo "fuzzing: 6 passed, 0 failed"
