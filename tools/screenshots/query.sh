#!/usr/bin/env bash
# Takes the picture of the device query dialog showing the simulator's
# answers: docs/query-dialog.png.  Needs a Win32 tree that was configured
# with ORV_NATIVE_BUILD naming a native tree with orvantide-devsim built.
#   tools/screenshots/query.sh [WIN32_BUILD_DIR]   (default: the build this host runs under Wine)
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/wine/env.sh"
build=$(cd "${1:-$ORV_WINE_BUILD}" && pwd)
cmake --build "$build" --target orvantide-screenshots -j 2 >/dev/null
"$root/tests/wine/session" start
source "$root/tests/wine/env.sh"
export DISPLAY=$(cat "$ORV_WINE_DIR/display")
mkdir -p "$root/docs"
"$ORV_WINE" "$build/tests/tools/screenshots/orvantide-screenshots.exe" query "$root/docs" \
  </dev/null >"$build/query-screenshot.log" 2>&1 ||
  { cat "$build/query-screenshot.log"; exit 1; }
grep '^screenshot:' "$build/query-screenshot.log"
