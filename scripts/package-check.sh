#!/bin/sh
# Makes the Debian package and checks it as Debian and software centres would: lintian, AppStream, the desktop entry.
#
#   scripts/package-check.sh [folder]     (default: build-package)
#
# The package is built from debian/ as a distribution builds it, `dpkg-buildpackage -us -uc`, in a
# copy of the tree under the folder (the tracked files and the new ones git does not ignore), since
# dpkg-buildpackage writes its packages beside the tree it builds: the source package (.dsc and
# tarball) and the .deb. Any error or warning fails the check: lintian's on the source and binary
# packages (its informational tags are shown and allowed), appstreamcli's on the metainfo alone
# and on the unpacked package (where the desktop entry it names must be), and
# desktop-file-validate's on the desktop entry (its hints are allowed). Installs what it needs.
set -e
cd "$(dirname "$0")/.."
out=${1:-build-package}
scripts/setup.sh lintian appstream desktop-file-utils debhelper build-essential

tree="$out/sevenfold"
rm -rf "$tree" "$out"/sevenfold_* "$out"/sevenfold-dbgsym_*
mkdir -p "$tree"
git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -C "$tree" -xf -
(cd "$tree" && dpkg-buildpackage -us -uc > ../dpkg-buildpackage.log 2>&1) ||
    { tail -40 "$out/dpkg-buildpackage.log" >&2; echo "package-check: FAILED: dpkg-buildpackage -us -uc" >&2; exit 1; }
set -- "$out"/sevenfold_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "package-check: FAILED: dpkg-buildpackage made no single sevenfold_*.deb" >&2; exit 1; }
deb=$1
changes=$(echo "$out"/sevenfold_*.changes)
echo "package-check: $deb, and the source package in $changes"
failed=""
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# lintian says it would rather not run as root; CI runs as root, and that line is about lintian.
echo "package-check: lintian"
status=0
lintian --display-info --fail-on error,warning "$changes" > "$scratch/lintian.txt" 2>&1 || status=$?
grep -v '^running with root privileges is not recommended!$' "$scratch/lintian.txt" || true
if [ $status -ne 0 ] || grep -q '^[EW]: ' "$scratch/lintian.txt"; then
    failed="$failed lintian"
fi

unpacked="$scratch/package"
dpkg-deb -x "$deb" "$unpacked"

echo "package-check: appstreamcli"
for metainfo in "$unpacked"/usr/share/metainfo/*.metainfo.xml; do
    appstreamcli validate --no-net "$metainfo" || failed="$failed appstreamcli($(basename "$metainfo"))"
done
appstreamcli validate-tree --no-net "$unpacked" || failed="$failed appstreamcli-tree"

echo "package-check: desktop-file-validate"
for entry in "$unpacked"/usr/share/applications/*.desktop; do
    said=$(desktop-file-validate "$entry" 2>&1) || failed="$failed desktop-file-validate"
    [ -n "$said" ] && echo "$said"
    # It ends with status 0 after warnings; they fail the check all the same.
    if echo "$said" | grep -q -e ': error: ' -e ': warning: '; then
        failed="$failed desktop-file-validate"
    fi
done

if [ -n "$failed" ]; then
    echo "package-check: FAILED:$failed" >&2
    exit 1
fi
echo "package-check: passed: lintian, appstreamcli and desktop-file-validate found no error and no warning"
