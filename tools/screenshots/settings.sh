#!/usr/bin/env bash
# Pictures of the settings dialog, both pages (and the LAN panel), taken on
# the Wine session's Xvfb display and cropped to the dialog:
#   docs/settings-link.png, docs/settings-link-lan.png, docs/settings-files.png
# Usage: tools/screenshots/settings.sh [WIN32_BUILD_DIR]   (default: the build this host runs under Wine)
# The Win32 tree must hold settings_dialog_tests and Orvantide1033.dll.
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/wine/env.sh"
build=$(cd "${1:-$ORV_WINE_BUILD}" && pwd)
exe=$build/tests/settings/settings_dialog_tests.exe
[ -f "$exe" ] || { echo "missing $exe (build settings_dialog_tests)" >&2; exit 1; }

"$root/tests/wine/session" start
source "$root/tests/wine/env.sh"
export DISPLAY=$(cat "$ORV_WINE_DIR/display")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ORV_SCREENSHOT_DIR="Z:${work//\//\\}"

# The test holds the dialog on each view until its picture is taken.
"$root/tests/wine/run" "$exe" --gtest_filter='*ScreenshotsOfBothPages' \
  </dev/null >"$work/test.log" 2>&1 &
test_pid=$!

names="settings-link settings-link-lan settings-files"
for name in $names; do
  for _ in $(seq 600); do
    [ -f "$work/$name.rect" ] && break
    kill -0 "$test_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -f "$work/$name.rect" ]; then
    cat "$work/test.log" >&2
    echo "the dialog did not show $name" >&2
    wait "$test_pid" || true
    exit 1
  fi
  import -window root -crop "$(cat "$work/$name.rect")" +repage "$root/docs/$name.png"
  echo "docs/$name.png"
  touch "$work/$name.done"
done
wait "$test_pid" || { cat "$work/test.log" >&2; exit 1; }
