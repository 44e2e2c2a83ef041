#!/usr/bin/env bash
# The README's pair of pictures of a print job, both from one headless run
# of the demo (tools/demo.sh, which captures ESC/P jobs with "also save
# each capture as PDF" on):
#   docs/render-raw.png   the raw capture as the window's text view shows
#                         it (the demo's screenshot, cropped to the window)
#   docs/render-page.png  the first page of the capture's PDF
# Usage: tools/screenshots/render.sh   (after make build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
env -u DISPLAY "$root/tools/demo.sh"
convert "$root/build/demo/screenshot.png" -trim +repage "$root/docs/render-raw.png"
pdf=$(ls -t "$root"/build/demo/captures/*.pdf | head -n 1)
pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$pdf" "$root/docs/render-page"
echo "docs/render-raw.png docs/render-page.png (from $pdf)"
