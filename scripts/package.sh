#!/usr/bin/env bash
# scripts/package.sh [BUILD_DIR]: builds the Debian package from a built tree (default: build),
# checks the installed metadata with the desktop's validators and the package with lintian,
# then unpacks it into a scratch root and starts the installed program against the installed
# simulator (packaging/start-installed.sh). Fails on a validator complaint, a lintian error or a
# program that does not read the device or end cleanly.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
start=$SECONDS
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "== Debian package"
rm -f "$build"/packages/*.deb
(cd "$build" && timeout 600 cpack -G DEB >"$scratch/cpack.out") || { cat "$scratch/cpack.out"; exit 1; }
debs=("$build"/packages/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no package, or more than one"; exit 1; }
deb=${debs[0]}
echo "$(basename "$deb"): $(du -k "$deb" | cut -f1) KiB, installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
echo "Recommends: $(dpkg-deb -f "$deb" Recommends)"

# Every dependency must name a package this Debian has (all of them are installed here, since
# the installed program runs below).
dpkg-deb -f "$deb" Depends | tr ',' '\n' | while read -r group; do
  found=
  IFS='|' read -ra alternatives <<<"$group"
  for alternative in "${alternatives[@]}"; do
    name=$(echo "$alternative" | sed -E 's/\(.*\)//; s/[[:space:]]//g')
    if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed'; then
      found=yes
    fi
  done
  [ -n "$found" ] || { echo "FAIL: dependency not installed here: $group"; exit 1; }
done

dpkg-deb -x "$deb" "$scratch/root"

echo "== Desktop entry and AppStream metadata, as installed"
packaging/validate.sh desktop "$scratch"/root/usr/share/applications/*.desktop
packaging/validate.sh metainfo "$scratch"/root/usr/share/metainfo/*.metainfo.xml
# The tree as a whole: the metadata's desktop entry and icon are where it says.
appstreamcli validate-tree --no-net "$scratch/root"

echo "== lintian"
# Errors fail; warnings and the rest are shown.
timeout 300 lintian --fail-on error --display-info "$deb"
echo "lintian: no errors"

echo "== Installed program against the installed simulator"
packaging/start-installed.sh "$scratch/root"

echo "Packaging took $((SECONDS - start)) s"
