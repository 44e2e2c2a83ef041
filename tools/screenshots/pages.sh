#!/usr/bin/env bash
# Takes the pictures of the main window showing an ESC/P job of the device
# simulator as text and as pages (View > Pages), in English and German:
# docs/view-text.png, docs/view-pages.png, docs/view-text-de.png and
# docs/view-pages-de.png.
#   tools/screenshots/pages.sh [WIN32_BUILD_DIR]   (default: the build this host runs under Wine)
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/screenshots/prelude.sh"
mkdir -p "$root/docs"
for language in 1033 1031; do
  "$ORV_WINE" "$exe" pages "$root/docs" $language \
    </dev/null >"$build/pages-screenshot.log" 2>&1 ||
    { cat "$build/pages-screenshot.log"; exit 1; }
  grep '^screenshot:' "$build/pages-screenshot.log"
done
