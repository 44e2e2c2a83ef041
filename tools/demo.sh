#!/usr/bin/env bash
# make demo: the device simulator on loopback and Orvantide.exe under Wine,
# connected to it and capturing ESC/P print jobs (delivery notes, invoices,
# a 9-pin printer's protocol, a Czech balance sheet), with "also save each
# capture as PDF" on.
#   With DISPLAY set, the program appears on that display; the user watches,
#   stops the run (Shift+F6 or the toolbar) and closes the program.
#   Without one, it runs on a private Xvfb for about 20 seconds, saves
#   build/demo/screenshot.png, stops the capture and tells whether the file
#   holds exactly what the simulator sent.
# Either way it ends with the capture's PDF beside it and checks that the
# PDF's text holds the jobs' heading.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEMO=$ROOT/build/demo
export ORV_WINE_DIR=$DEMO/wine
source "$ROOT/tests/wine/env.sh"
source "$ROOT/tools/devsim/port.sh"
rm -rf "$DEMO/captures"; mkdir -p "$DEMO/captures"  # names are to the minute: start clean

EXE=$ORV_WINE_BUILD/Orvantide.exe
SIM=$ROOT/build/native/orvantide-devsim
[ -x "$SIM" ] && [ -f "$EXE" ] || { echo "demo: build first (make build)" >&2; exit 1; }

pids=()
xvfb=
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  n=80
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n+1)); done
  Xvfb ":$n" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
fi

if [ ! -f "$WINEPREFIX/.orv-ready" ]; then
  echo "demo: making the Wine prefix (once) ..."
  "$ORV_WINE" wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.orv-ready"
fi
# Wine draws the frame buttons with Marlett, which Debian keeps out of the prefix.
font=/usr/share/wine/fonts/marlett.ttf
[ -f "$font" ] && cp -n "$font" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
if [ $headless = 1 ]; then
  # No window manager on the private display: Wine draws its own frames.
  "$ORV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
else
  "$ORV_WINE" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f </dev/null >/dev/null 2>&1 || true
fi

# The simulator: ESC/P jobs, one after another, at a pace that reads well.
if [ $headless = 1 ]; then
  data=(--jobs 5 --job-gap 1500 --rate 1500 --close-when-done)
else
  data=(--jobs 100000 --job-gap 3000 --rate 1500)
fi
"$SIM" --lan 127.0.0.1:0 --escp "${data[@]}" >"$DEMO/sim.out" 2>&1 &
pids+=($!)
port=$(devsim_port "$DEMO/sim.out") || { echo "demo: the simulator did not start" >&2; cat "$DEMO/sim.out" >&2; exit 1; }

# The program's profile points at the simulator and at build/demo/captures.
appdata=$("$ORV_WINE" cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')
profile_dir=$("$ORV_WINE" winepath -u "$appdata\\Kelmora\\Orvantide" 2>/dev/null)
mkdir -p "$profile_dir"
captures_win=$("$ORV_WINE" winepath -w "$DEMO/captures" 2>/dev/null)
cat >"$profile_dir/zr52profile.ini" <<EOF
[connection]
method=lan
host=127.0.0.1
dService=$port
com=COM1
[buffer]
path=$captures_win
filename=Capturedata.zrd
flag=YES
[document]
paper=a4
codepage=437
printer=epson
pdf=YES
EOF
before=$(ls "$DEMO/captures" 2>/dev/null | sort)

echo "demo: simulator on 127.0.0.1:$port; Orvantide.exe -r under Wine on $DISPLAY"
(cd "$ORV_WINE_BUILD" && exec "$ORV_WINE" Orvantide.exe -r </dev/null >"$DEMO/wine.out" 2>&1) &
program=$!
pids+=($program)

newest_capture() {
  comm -13 <(echo "$before") <(ls "$DEMO/captures" | grep '\.zrd$' | sort) | tail -n 1
}

if [ $headless = 0 ]; then
  echo "demo: watch the window; stop the run with Shift+F6 and close the program when done."
  wait "$program" || true
else
  sleep 10
  import -window root "$DEMO/screenshot.png"
  echo "demo: screenshot during the capture: build/demo/screenshot.png"
  # The simulator closes when its data is out; the program stops the run,
  # which closes the file, and tells that the link is gone.
  for _ in $(seq 150); do grep -q '^sent ' "$DEMO/sim.out" && break; sleep 0.2; done
  sent=$(sed -n 's/^sent \([0-9]*\) bytes.*/\1/p' "$DEMO/sim.out")
  for _ in $(seq 100); do
    name=$(newest_capture)
    [ -n "$name" ] && [ "$(stat -c %s "$DEMO/captures/$name")" = "$sent" ] && break
    sleep 0.2
  done
fi
name=$(newest_capture)
if [ -z "$name" ]; then
  echo "demo: no capture file was made" >&2
  exit 1
fi
file=$DEMO/captures/$name
size=$(stat -c %s "$file")
echo "demo: capture file $file ($size bytes)"
if [ $headless = 1 ]; then
  want=$(sed -n 's/^sent [0-9]* bytes checksum \([0-9A-F]*\).*/\1/p' "$DEMO/sim.out")
  have=$(python3 -c 'import sys,zlib; print("%08X" % (zlib.crc32(open(sys.argv[1],"rb").read()) & 0xffffffff))' "$file")
  if [ "$want" = "$have" ] && [ "$sent" = "$size" ]; then
    echo "demo: the file matches what the simulator sent ($sent bytes, CRC-32 $have)"
  else
    echo "demo: the file does NOT match what the simulator sent ($sent bytes, CRC-32 $want; file CRC-32 $have)"
    exit 1
  fi
fi
# The run has stopped (the simulator closed, or the user stopped it): its
# PDF is made beside the capture file.
pdf=${file%.zrd}.pdf
for _ in $(seq 150); do [ -s "$pdf" ] && pdfinfo "$pdf" >/dev/null 2>&1 && break; sleep 0.2; done
if ! pdfinfo "$pdf" >/dev/null 2>&1; then
  echo "demo: no PDF beside the capture ($pdf)" >&2
  exit 1
fi
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
text=$(pdftotext "$pdf" -)
if grep -q LIEFERSCHEIN <<<"$text"; then
  echo "demo: PDF $pdf ($pages pages; its text holds the heading LIEFERSCHEIN)"
else
  echo "demo: the PDF $pdf does NOT hold the heading LIEFERSCHEIN" >&2
  exit 1
fi
