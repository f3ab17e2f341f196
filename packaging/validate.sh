#!/usr/bin/env bash
# validate.sh desktop|metainfo FILE: checks a desktop entry or an AppStream metainfo file with the
# desktop's own validator. Reports itself skipped where that validator is not installed.
set -euo pipefail
kind=$1 file=$2
case $kind in
  desktop) tool=desktop-file-validate; command=(desktop-file-validate "$file") ;;
  # --no-net: screenshot and home page addresses are not fetched.
  metainfo) tool=appstreamcli; command=(appstreamcli validate --no-net --explain "$file") ;;
  *) echo "usage: $0 desktop|metainfo FILE" >&2; exit 2 ;;
esac
if ! command -v "$tool" >/dev/null; then
  echo "SKIPPED: $tool is not installed"
  exit 0
fi
# desktop-file-validate exits 0 on hints and warnings too; only a clean report passes.
output=$("${command[@]}" 2>&1) || { echo "$output"; exit 1; }
echo "$output"
if [ "$kind" = desktop ] && [ -n "$output" ]; then exit 1; fi
exit 0
