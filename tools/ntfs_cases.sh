#!/usr/bin/env bash
# Runs the Windows-name cases of both builds with their folders on a real
# NTFS: an image made with mkntfs and mounted by ntfs-3g with Windows' name
# rules and streams, so that ':' selects a stream and '?' is refused as on
# Windows, which Wine alone never shows. Needs /dev/fuse and root; says so
# and skips otherwise. Called by run_tests.sh after the builds.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
source "$repo/tools/packages.sh"

if [ ! -e /dev/fuse ] || [ "$(id -u)" -ne 0 ]; then
  echo "== NTFS cases skipped: they need /dev/fuse and root to mount an image"
  exit 0
fi
need_packages ntfs-3g

work="$(mktemp -d "${TMPDIR:-/tmp}/fldren-ntfs.XXXXXX")"
mount_point="$work/mnt"
mkdir "$mount_point"
cleanup() {
  umount "$mount_point" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Sparse: the gigabyte costs a few megabytes of disk.
truncate -s 1G "$work/ntfs.img"
mkntfs -F -Q -q "$work/ntfs.img" 2>/dev/null
if ! ntfs-3g -o windows_names,streams_interface=windows "$work/ntfs.img" \
  "$mount_point"; then
  echo "== NTFS cases skipped: ntfs-3g could not mount the image here"
  exit 0
fi

# TMPDIR stays off the mount: ntfs-3g shows every folder world-writable,
# and wineserver will not put its socket in such a folder.
# The Windows-name cases, and the preview against the run over one file
# spelt many ways.
for cases in WindowsNames spelt_two_ways; do
  echo "== NTFS cases ($cases), Linux build"
  python3 "$repo/tests/e2e/run_e2e.py" --binary "$repo/build/fldren" \
    --folder-root "$mount_point" -k "$cases"
  echo "== NTFS cases ($cases), Windows build under Wine"
  WINEDEBUG=-all python3 "$repo/tests/e2e/run_e2e.py" --wine \
    --binary "$repo/build-windows/fldren.exe" --folder-root "$mount_point" \
    -k "$cases"
done

# A folder moved midway, and a folder of many records read once, where
# fldren keeps each folder open (a FUSE file system serves every call from
# another process, as a share does): Linux only, since the fault shim
# preloads into POSIX programs.
for cases in move_midway read_once; do
  echo "== NTFS cases ($cases), Linux build"
  python3 "$repo/tests/e2e/run_e2e.py" --binary "$repo/build/fldren" \
    --fault-shim "$repo/build/tests/libfldren_fault_shim.so" \
    --folder-root "$mount_point" -k "$cases"
done
