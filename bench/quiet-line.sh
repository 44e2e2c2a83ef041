#!/usr/bin/env bash
# What a quiet line costs: Orvantide.exe under Wine with nothing arriving,
# as a share of one core taken by the program and its wineserver together
# (utime + stime from /proc) over ORV_QUIET_SECONDS (10) seconds, in three
# cases: open with no capture, capturing over LAN, capturing over serial (a
# pseudo-terminal as COM5); then the companion on the same quiet LAN
# (orvantide capture natively, orvantide-cli.exe capture under Wine), and
# the LAN throughput of the window and both companions on the same data.
# Prints one line per case:
#   quiet CASE PERCENT
#   rate CASE MB/s
# Runs in a Wine prefix and on an Xvfb display of its own.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export ORV_WINE_DIR=$ROOT/build/bench-wine
source "$ROOT/tests/wine/env.sh"
source "$ROOT/tools/devsim/port.sh"
SECONDS_EACH=${ORV_QUIET_SECONDS:-10}
EXE=$ORV_WINE_BUILD/Orvantide.exe
SIM=$ROOT/build/native/orvantide-devsim
CLI=$ROOT/build/native/orvantide
WINCLI=$ORV_WINE_BUILD/orvantide-cli.exe
RATE_BYTES=${ORV_RATE_BYTES:-67108864}
[ -f "$EXE" ] && [ -x "$SIM" ] && [ -x "$CLI" ] || { echo "quiet-line: build first (make build)" >&2; exit 1; }

WORK=$(mktemp -d "$ROOT/build/quiet.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  "$ROOT/tests/wine/session" stop
  rm -rf "$WORK"
}
trap cleanup EXIT
"$ROOT/tests/wine/session" start
export DISPLAY=$(cat "$ORV_WINE_DIR/display")

# The prefix's wineserver: the one whose folder belongs to this prefix.
server_dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
wineserver_pid() {
  local p
  for p in $(pgrep -x wineserver64; pgrep -x wineserver32; pgrep -x wineserver); do
    [ "$(basename "$(readlink "/proc/$p/cwd" 2>/dev/null)")" = "$server_dir" ] && { echo "$p"; return; }
  done
}
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

appdata=$("$ORV_WINE" cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')
profile_dir=$("$ORV_WINE" winepath -u "$appdata\\Kelmora\\Orvantide" 2>/dev/null)
mkdir -p "$profile_dir" "$WORK/captures"
captures_win=$("$ORV_WINE" winepath -w "$WORK/captures" 2>/dev/null)
profile() {  # METHOD PORT
  cat >"$profile_dir/zr52profile.ini" <<EOF
[connection]
method=$1
host=127.0.0.1
dService=$2
com=COM5
[buffer]
path=$captures_win
filename=quiet.zrd
flag=YES
EOF
}

# measure CASE PROGRAM [ARGS...]: starts a Windows program of the build,
# lets it settle, and prints the share of a core that it and its
# wineserver took while nothing came.
measure() {
  local name=$1; shift
  (cd "$ORV_WINE_BUILD" && exec "$ORV_WINE" "$@" </dev/null >"$WORK/$name.out" 2>&1) &
  local program=$!
  pids+=("$program")
  sleep 4
  local server
  server=$(wineserver_pid)
  [ -n "$server" ] || { echo "quiet-line: no wineserver for $WINEPREFIX" >&2; exit 1; }
  local p0 s0 p1 s1 hz
  hz=$(getconf CLK_TCK)
  p0=$(ticks "$program"); s0=$(ticks "$server")
  sleep "$SECONDS_EACH"
  p1=$(ticks "$program"); s1=$(ticks "$server")
  kill -9 "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  python3 -c "import sys; print('quiet %s %.2f' % (sys.argv[1], (int(sys.argv[2]) * 100.0) / (int(sys.argv[3]) * int(sys.argv[4]))))" \
    "$name" $(( (p1 - p0) + (s1 - s0) )) "$hz" "$SECONDS_EACH"
}

# The program open, no capture.
profile lan 1
measure idle Orvantide.exe

# Capturing over LAN from a device that sends nothing.
"$SIM" --lan 127.0.0.1:0 --hold >"$WORK/lan.sim" 2>&1 &
pids+=($!)
port=$(devsim_port "$WORK/lan.sim") || { echo "quiet-line: the simulator did not start" >&2; exit 1; }
profile lan "$port"
measure lan Orvantide.exe -r
ls "$WORK/captures"/*.zrd >/dev/null 2>&1 || { echo "quiet-line: the LAN capture did not start" >&2; exit 1; }

# Capturing over serial: a pseudo-terminal as COM5, quiet.
"$SIM" --pty "$WINEPREFIX/dosdevices/com5" --hold >"$WORK/pty.sim" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q '^pty ' "$WORK/pty.sim" && break; sleep 0.1; done
rm -f "$WORK/captures"/*.zrd
profile serial 1
measure serial Orvantide.exe -r
ls "$WORK/captures"/*.zrd >/dev/null 2>&1 || { echo "quiet-line: the serial capture did not start" >&2; exit 1; }

# The headless capture on a quiet LAN, natively.
"$SIM" --lan 127.0.0.1:0 --hold >"$WORK/cli.sim" 2>&1 &
pids+=($!)
port=$(devsim_port "$WORK/cli.sim") || { echo "quiet-line: the simulator did not start" >&2; exit 1; }
"$CLI" capture --lan "127.0.0.1:$port" -d "$WORK/cli" 2>/dev/null &
cli=$!
pids+=("$cli")
sleep 2
c0=$(ticks "$cli")
sleep "$SECONDS_EACH"
c1=$(ticks "$cli")
kill "$cli"; wait "$cli" 2>/dev/null || true
python3 -c "import sys; print('quiet headless %.2f' % ((int(sys.argv[1]) * 100.0) / (int(sys.argv[2]) * int(sys.argv[3]))))" \
  $((c1 - c0)) "$(getconf CLK_TCK)" "$SECONDS_EACH"

# The same for orvantide-cli.exe under Wine, with its wineserver.
mkdir -p "$WORK/wincli"
measure wincli orvantide-cli.exe capture --lan "127.0.0.1:$port" -d "$("$ORV_WINE" winepath -w "$WORK/wincli" 2>/dev/null)"

# LAN throughput on the same generated data: the window program under Wine
# (from its file's creation to the simulator's end) and the headless one.
now_ns() { date +%s%N; }
"$SIM" --lan 127.0.0.1:0 --generate "$RATE_BYTES" --close-when-done >"$WORK/rate.sim" 2>&1 &
sim=$!
pids+=("$sim")
port=$(devsim_port "$WORK/rate.sim") || { echo "quiet-line: the simulator did not start" >&2; exit 1; }
rm -f "$WORK/captures"/*.zrd
profile lan "$port"
(cd "$ORV_WINE_BUILD" && exec "$ORV_WINE" Orvantide.exe -r </dev/null >"$WORK/rate.out" 2>&1) &
program=$!
pids+=("$program")
for _ in $(seq 300); do ls "$WORK/captures"/*.zrd >/dev/null 2>&1 && break; sleep 0.01; done
t0=$(now_ns)
wait "$sim" 2>/dev/null || true
t1=$(now_ns)
kill -9 "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
python3 -c "import sys; print('rate window %.1f' % (int(sys.argv[1]) / ((int(sys.argv[3]) - int(sys.argv[2])) / 1e9) / 1e6))" \
  "$RATE_BYTES" "$t0" "$t1"

# rate CASE: a companion's capture of RATE_BYTES from a new simulator,
# from its start to its end (it ends with the link: --once).
rate() {
  local name=$1
  "$SIM" --lan 127.0.0.1:0 --generate "$RATE_BYTES" --close-when-done >"$WORK/$name.sim" 2>&1 &
  pids+=($!)
  port=$(devsim_port "$WORK/$name.sim") || { echo "quiet-line: the simulator did not start" >&2; exit 1; }
  mkdir -p "$WORK/$name"
  local t0 t1
  t0=$(now_ns)
  if [ "$name" = headless ]; then
    "$CLI" capture --lan "127.0.0.1:$port" -d "$WORK/$name" --once </dev/null 2>/dev/null
  else
    (cd "$ORV_WINE_BUILD" && "$ORV_WINE" orvantide-cli.exe capture --lan "127.0.0.1:$port" \
      -d "$("$ORV_WINE" winepath -w "$WORK/$name" 2>/dev/null)" --once </dev/null >/dev/null 2>&1)
  fi
  t1=$(now_ns)
  [ "$(cat "$WORK/$name"/*.zrd | wc -c)" -eq "$RATE_BYTES" ] || { echo "quiet-line: $name lost bytes" >&2; exit 1; }
  python3 -c "import sys; print('rate %s %.1f' % (sys.argv[1], int(sys.argv[2]) / ((int(sys.argv[4]) - int(sys.argv[3])) / 1e9) / 1e6))" \
    "$name" "$RATE_BYTES" "$t0" "$t1"
}
rate headless
rate wincli
