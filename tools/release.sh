#!/usr/bin/env bash
# Builds the Windows release of the commit checked out so that anyone can
# build it again byte for byte: a Release build whose build time is the
# commit's (SOURCE_DATE_EPOCH, unless already set), then
# fldren-VERSION-windows.zip with both programs, their manual pages, the
# README, the LICENSE and SHA256SUMS.
#
#   bash tools/release.sh [OUTPUT_FOLDER]     (default: dist/)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$repo/dist}" && cd "${1:-$repo/dist}" && pwd)"
source "$repo/tools/packages.sh"
need_packages "${BUILD_PACKAGES[@]}" g++-mingw-w64-x86-64-posix

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH="$(git -C "$repo" log -1 --format=%ct)"
fi
export SOURCE_DATE_EPOCH
version="$(sed -n 's/^project(fldren VERSION \([0-9.]*\).*/\1/p' \
  "$repo/CMakeLists.txt")"

work="$(mktemp -d "${TMPDIR:-/tmp}/fldren-release.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cmake -S "$repo" -B "$work/build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
  -DFLDREN_TESTS=OFF -DFLDREN_WERROR=ON >/dev/null
cmake --build "$work/build" -j2 >/dev/null
mkdir "$work/stage"
cp "$work/build/fldren.exe" "$work/build/fldren-undo.exe" \
  "$work/build/fldren.1" "$work/build/fldren-undo.1" "$repo/README.md" \
  "$repo/LICENSE" "$work/stage/"
(cd "$work/stage" &&
  sha256sum fldren.exe fldren-undo.exe fldren.1 fldren-undo.1 README.md \
    LICENSE >SHA256SUMS)

# The archive too, byte for byte: its entries sorted, each dated at the
# commit's time.
archive="$out/fldren-$version-windows.zip"
python3 - "$work/stage" "$archive" <<'PY'
import os, sys, time, zipfile
stage, archive = sys.argv[1], sys.argv[2]
stamp = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as zipped:
    for name in sorted(os.listdir(stage)):
        entry = zipfile.ZipInfo(name, stamp)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.external_attr = 0o644 << 16
        with open(os.path.join(stage, name), "rb") as f:
            zipped.writestr(entry, f.read())
PY
cp "$work/stage/fldren.exe" "$work/stage/fldren-undo.exe" "$out/"
echo "== $archive"
cat "$work/stage/SHA256SUMS"
