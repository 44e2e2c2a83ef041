#!/usr/bin/env bash
# The device that loses its power: its connection ends without a word on
# the wire, and it comes back on the same address.  In a private network
# namespace (root), tests/support/vanishing_device.py plays the device;
# every front end must notice within about 30 s of silence:
#   vanish_test.sh native ORVANTIDE
#       orvantide capture reconnects and stores job 2 in a new file
#   vanish_test.sh wine ORVANTIDE-CLI.EXE STARTUP-TESTS.EXE
#       the same for orvantide-cli.exe under Wine, and the window (the
#       startup suite's vanishing-device case) tells it as a lost link
# Skips (77) where no private network can be made.
set -u
MODE=${1:?usage: vanish_test.sh native ORVANTIDE | wine CLI.EXE STARTUP-TESTS.EXE}
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
PEER=$ROOT/tests/support/vanishing_device.py
if [ -z "${ORV_IN_NETNS:-}" ]; then
  unshare -n true 2>/dev/null || { echo "SKIP: no private network namespace here"; exit 77; }
  ORV_IN_NETNS=1 exec unshare -n "$0" "$@"
fi

WORK=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  [ "$MODE" = wine ] && { wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; }
  rm -rf "$WORK"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# start_peer NAME: the device; its port in $port, its jobs in $WORK/NAME.
start_peer() {
  mkdir -p "$WORK/$1"
  python3 "$PEER" "$WORK/$1" >"$WORK/$1.peer" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    port=$(sed -n 's/^listening .*:\([0-9]*\)$/\1/p' "$WORK/$1.peer")
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  fail "$1: the device did not start"
  return 1
}

# capture_through NAME PROGRAM...: runs PROGRAM's capture until job 2 is in
# a file of its own (60 s at most), then stops it as Ctrl+C does (Wine
# hands SIGINT to the console handler).
capture_through() {
  local name=$1; shift
  start_peer "$name" || return
  mkdir -p "$WORK/$name/files"
  "$@" capture --lan "127.0.0.1:$port" -d "$(dir_arg "$WORK/$name/files")" 2>"$WORK/$name.err" &
  local cap=$! started=$(date +%s)
  pids+=($cap)
  while [ $(($(date +%s) - started)) -lt 60 ]; do
    [ -f "$WORK/$name/job2.bin" ] && [ "$(cat "$WORK/$name/files"/*.zrd 2>/dev/null | wc -c)" -ge 40000 ] && break
    sleep 0.5
  done
  kill -INT $cap 2>/dev/null
  wait $cap 2>/dev/null
  local files=("$WORK/$name/files"/*.zrd)
  [ ${#files[@]} -eq 2 ] || { fail "$name: ${#files[@]} capture files, not 2 (job 2 never came)"; cat "$WORK/$name.err" >&2; return; }
  cmp -s "${files[0]}" "$WORK/$name/job1.bin" || fail "$name: the first file is not job 1"
  cmp -s "${files[1]}" "$WORK/$name/job2.bin" || fail "$name: the second file is not job 2"
  grep -q "link lost" "$WORK/$name.err" || fail "$name: the lost link was not told"
  echo "$name: $(grep -c connected "$WORK/$name.err") connections; $(grep 'link lost' "$WORK/$name.err")"
}

case "$MODE" in
native)
  dir_arg() { echo "$1"; }
  capture_through native "$2"
  ;;
wine)
  CLI=$2 TESTS=$3
  # Wine makes its sockets in the wineserver: it must live in this network,
  # so this prefix is one of its own.
  export ORV_WINEPREFIX=$ROOT/build/wine/netns-prefix
  source "$ROOT/tests/wine/env.sh"
  "$ROOT/tests/wine/session" prefix >/dev/null 2>&1
  n=150
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  wineserver -p </dev/null >/dev/null 2>&1
  "$ORV_WINE" wineboot </dev/null >/dev/null 2>&1
  dir_arg() { local p=${1//\//\\}; echo "Z:$p"; }
  capture_through wine-cli "$ORV_WINE" "$CLI"
  start_peer window && {
    ORV_VANISH_PORT=$port ORV_VANISH_JOB="Z:${WORK//\//\\}\\window\\job1.bin" \
      "$ORV_WINE" "$TESTS" --gtest_also_run_disabled_tests --gtest_filter='VanishingDevice.*' \
      >"$WORK/window.out" 2>&1 </dev/null || { fail "window"; cat "$WORK/window.out" >&2; }
    grep -q "1 test" "$WORK/window.out" || fail "window: the case did not run"
  }
  ;;
esac
[ $failures -eq 0 ] && echo "vanishing device ($MODE): all checks passed"
exit $((failures > 0))
