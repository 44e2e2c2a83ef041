#!/usr/bin/env bash
# Pictures of the settings dialog, both pages (and the LAN panel), taken on
# the Wine session's Xvfb display and cropped to the dialog:
#   docs/settings-link.png, docs/settings-link-lan.png, docs/settings-files.png
# Usage: tools/screenshots/settings.sh [WIN32_BUILD_DIR]   (default: the build this host runs under Wine)
# Builds orvantide-screenshots in the Win32 tree, which must hold Orvantide1033.dll.
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/wine/env.sh"
build=$(cd "${1:-$ORV_WINE_BUILD}" && pwd)
cmake --build "$build" --target orvantide-screenshots -j 2 >/dev/null
exe=$build/tools/screenshots/orvantide-screenshots.exe

"$root/tests/wine/session" start
source "$root/tests/wine/env.sh"
export DISPLAY=$(cat "$ORV_WINE_DIR/display")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The program holds the dialog on each view until its picture is taken.
"$root/tests/wine/run" "$exe" settings "Z:${work//\//\\}" </dev/null >"$work/run.log" 2>&1 &
run_pid=$!

names="settings-link settings-link-lan settings-files"
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
  import -window root -crop "$(cat "$work/$name.rect")" +repage "$root/docs/$name.png"
  echo "docs/$name.png"
  touch "$work/$name.done"
done
wait "$run_pid" || { cat "$work/run.log" >&2; exit 1; }
