#!/usr/bin/env bash
# Builds fldren and runs it on the bundled example, in a copy made in a
# temporary folder so that the repository stays as it is.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
source "$repo/tools/packages.sh"
need_packages "${BUILD_PACKAGES[@]}"

cmake -S "$repo" -B "$repo/build" -DFLDREN_TESTS=OFF >/dev/null
cmake --build "$repo/build" -j2 >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/fldren-example.XXXXXX")"
cp -R "$repo/examples/." "$work/"
cd "$work"
echo "== Example copied to $work"
echo "== Exported files before:"
ls -1 export
echo "== fldren -x export_list.txt -f fields.txt -o renamed.txt"
status=0
"$repo/build/fldren" -x export_list.txt -f fields.txt -o renamed.txt </dev/null || status=$?
echo
echo "== Exit status: $status"
echo "== Exported files after:"
ls -1 export
echo "== Output file renamed.txt:"
cat renamed.txt
echo "== Its report page, for the case file: $work/renamed.report.html"

# The same export checked against the hashes of a list that holds one
# file whose contents differ and one file that is not there, in a copy of
# its own.
mkdir "$work/checked"
cp -R "$repo/examples/." "$work/checked/"
cd "$work/checked"
echo
echo "== fldren -x checked_list.txt -f fields.txt -o checked.txt -c MD5 -k \"Example case 1\""
"$repo/build/fldren" -x checked_list.txt -f fields.txt -o checked.txt -c MD5 \
  -k "Example case 1" </dev/null || echo "== Exit status: $?"
echo "== Its report page, one failure and one hash mismatch: $work/checked/checked.report.html"
echo "== The copies stay in $work to be looked at; rm -r it when done."
exit "$status"
