#!/usr/bin/env bash
# Builds the Windows release twice, from two copies of the commit in two
# different folders, and checks that the archives and programs are the
# same byte for byte, and that the programs import only DLLs that come with
# Windows. Prints the programs' SHA-256. Run by CI.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
export SOURCE_DATE_EPOCH="$(git -C "$repo" log -1 --format=%ct)"

work="$(mktemp -d "${TMPDIR:-/tmp}/fldren-reproduce.XXXXXX")"
trap 'rm -rf "$work"' EXIT
for copy in first "second copy"; do
  mkdir -p "$work/$copy/src"
  git -C "$repo" archive HEAD | tar -x -C "$work/$copy/src"
  bash "$work/$copy/src/tools/release.sh" "$work/$copy/dist" >/dev/null
done
status=0
for file in $(cd "$work/first/dist" && ls); do
  if ! cmp -s "$work/first/dist/$file" "$work/second copy/dist/$file"; then
    echo "$file differs between two builds of one commit" >&2
    status=1
  fi
done
# Only what every Windows has: the static build carries the C++ runtime,
# and file digests come from CNG (bcrypt.dll).
for program in fldren.exe fldren-undo.exe; do
  imports="$(x86_64-w64-mingw32-objdump -p "$work/first/dist/$program" |
    sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)"
  for dll in $imports; do
    case "$dll" in
      kernel32.dll | msvcrt.dll | advapi32.dll | user32.dll | ntdll.dll | \
        shell32.dll | ucrtbase.dll | bcrypt.dll | api-ms-win-*) ;;
      *)
        echo "$program imports $dll, which Windows does not have" >&2
        status=1
        ;;
    esac
  done
  echo "$program imports: $(echo $imports)"
done
(cd "$work/first/dist" && sha256sum fldren.exe fldren-undo.exe)
[ "$status" -eq 0 ] && echo "== two builds of $(git -C "$repo" rev-parse --short HEAD) are identical"
exit "$status"
