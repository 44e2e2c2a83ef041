#!/usr/bin/env bash
# The page view's figures for bench/run.sh: a text job of 5,000 pages
# (tools/printout.py, cut after its 5,000th form feed) shown by View >
# Pages in the real main window under Wine, beside the same job rendered
# to a PDF in the same process (bench/win32/page_view_bench.cpp).
#   bench/pages.sh DIR
# prints the program's lines: first, counted, pdf, kept.
# Runs in a Wine prefix and on an Xvfb display of its own.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DIR=$1
export ORV_WINE_DIR=$ROOT/build/bench-wine
source "$ROOT/tests/wine/env.sh"
EXE=$ORV_WINE_BUILD/bench/page-view-bench.exe
[ -f "$EXE" ] || { echo "pages: build first (make build)" >&2; exit 1; }
PAGES=${ORV_BENCH_PAGES:-5000}

python3 "$ROOT/tools/printout.py" $((PAGES * 1400)) "$DIR/pages.raw"
python3 - "$DIR/pages.raw" "$DIR/pages.prn" "$PAGES" <<'PY'
import sys
data, pages = open(sys.argv[1], "rb").read(), int(sys.argv[3])
at = -1
for _ in range(pages):
    at = data.index(b"\x0c", at + 1)
open(sys.argv[2], "wb").write(data[:at + 1])
PY

trap '"$ROOT/tests/wine/session" stop' EXIT
"$ROOT/tests/wine/session" start
export DISPLAY=$(cat "$ORV_WINE_DIR/display")
"$ORV_WINE" "$EXE" "Z:$DIR/pages.prn" </dev/null 2>"$DIR/pages.err" || { cat "$DIR/pages.err" >&2; exit 1; }
