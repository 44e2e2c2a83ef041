#!/usr/bin/env bash
# Takes the pictures of the main window showing an ESC/P job of the device
# simulator as text and as pages (View > Pages), in English and German:
# docs/view-text.png, docs/view-pages.png, docs/view-text-de.png and
# docs/view-pages-de.png.
#   tools/screenshots/pages.sh [WIN32_BUILD_DIR]   (default: the build this host runs under Wine)
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/wine/env.sh"
build=$(cd "${1:-$ORV_WINE_BUILD}" && pwd)
cmake --build "$build" --target orvantide-screenshots -j 2 >/dev/null
"$root/tests/wine/session" start
source "$root/tests/wine/env.sh"
export DISPLAY=$(cat "$ORV_WINE_DIR/display")
mkdir -p "$root/docs"
for language in 1033 1031; do
  "$ORV_WINE" "$build/tests/tools/screenshots/orvantide-screenshots.exe" pages "$root/docs" $language \
    </dev/null >"$build/pages-screenshot.log" 2>&1 ||
    { cat "$build/pages-screenshot.log"; exit 1; }
  grep '^screenshot:' "$build/pages-screenshot.log"
done
