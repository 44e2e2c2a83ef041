#!/usr/bin/env bash
# Pictures of the settings dialog, its three pages (and the LAN panel),
# taken on the Wine session's Xvfb display and cropped to the dialog:
#   docs/settings-link.png, docs/settings-link-lan.png, docs/settings-files.png,
#   docs/settings-documents.png
# Usage: tools/screenshots/settings.sh [--german] [WIN32_BUILD_DIR]
#   (default: the build this host runs under Wine)
# With --german, the German library's dialog, as docs/<name>-de.png.
# Builds orvantide-screenshots in the Win32 tree, which must hold the libraries.
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
language=1033 suffix=
if [ "${1:-}" = --german ]; then language=1031 suffix=-de; shift; fi
source "$root/tools/screenshots/prelude.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The program holds the dialog on each view until its picture is taken.
"$root/tests/wine/run" "$exe" settings "Z:${work//\//\\}" $language </dev/null >"$work/run.log" 2>&1 &
run_pid=$!

names="settings-link settings-link-lan settings-files settings-documents"
for name in $names; do
  for _ in $(seq 600); do
    [ -f "$work/$name.rect" ] && break
    kill -0 "$run_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -f "$work/$name.rect" ]; then
    cat "$work/run.log" >&2
    echo "the dialog did not show $name" >&2
    wait "$run_pid" || true
    exit 1
  fi
  import -window root -crop "$(cat "$work/$name.rect")" +repage "$root/docs/$name$suffix.png"
  echo "docs/$name$suffix.png"
  touch "$work/$name.done"
done
wait "$run_pid" || { cat "$work/run.log" >&2; exit 1; }
