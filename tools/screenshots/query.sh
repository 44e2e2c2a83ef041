#!/usr/bin/env bash
# Takes the picture of the device query dialog showing the simulator's
# answers: docs/query-dialog.png.  Needs a Win32 tree that was configured
# with ORV_NATIVE_BUILD naming a native tree with orvantide-devsim built.
#   tools/screenshots/query.sh [WIN32_BUILD_DIR]   (default: the build this host runs under Wine)
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/screenshots/prelude.sh"
mkdir -p "$root/docs"
"$ORV_WINE" "$exe" query "$root/docs" \
  </dev/null >"$build/query-screenshot.log" 2>&1 ||
  { cat "$build/query-screenshot.log"; exit 1; }
grep '^screenshot:' "$build/query-screenshot.log"
