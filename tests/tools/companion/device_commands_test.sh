#!/usr/bin/env bash
# orvantide send, query and the companion's help against the device
# simulator:  device_commands_test.sh PATH/TO/orvantide PATH/TO/orvantide-devsim
# (or PATH/TO/orvantide-cli.exe, under Wine)
set -u
EXE=${1:?usage: device_commands_test.sh ORVANTIDE DEVSIM}
SIM=${2:?usage: device_commands_test.sh ORVANTIDE DEVSIM}
source "$(dirname "$0")/companion_env.sh"
lan() {  # lan NAME ARGS...: a simulator on loopback; its port in $port
  local name=$1; shift
  "$SIM" --lan 127.0.0.1:0 "$@" >"$WORK/$name.sim" 2>&1 &
  pids+=($!)
  port=$(devsim_port "$WORK/$name.sim") || fail "$name: the simulator did not start"
}
pty() {  # pty NAME ARGS...: a simulator on the pseudo-terminal that $(tty_device) names
  local name=$1; shift
  rm -f "$(tty_link)"
  "$SIM" --pty "$(tty_link)" "$@" >"$WORK/$name.sim" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$(tty_link)" ] && return; sleep 0.1; done
  fail "$name: no pseudo-terminal"
}
settle() {  # settle NAME: waits for the simulator's report line
  for _ in $(seq 50); do grep -q '^sent ' "$WORK/$1.sim" && return; sleep 0.1; done
}

# Query: the answer among data full of escaped 0x07 bytes, over both links.
lan qi --generate 2000000 --i-value 10
[ "$(orv query I --lan "127.0.0.1:$port")" = "0x0A" ] || fail "query I over LAN"
pty qs --hold --s-lines 5
[ "$(orv query S --serial "$(tty_device)")" = "L H L H" ] || fail "query S over serial"
lan none --hold --no-replies
orv query S --lan "127.0.0.1:$port" --timeout 400 >"$WORK/out" 2>"$WORK/err"
[ $? -eq 1 ] && [ ! -s "$WORK/out" ] && [ "$(wc -l <"$WORK/err")" -eq 1 ] || fail "query without an answer"

# Send: every byte arrives, over both links.
head -c 300000 /dev/urandom >"$WORK/data.zrd"
lan sl --hold --no-replies --record "$WORK/sl.rec"
orv send "$(native "$WORK/data.zrd")" --lan "127.0.0.1:$port" || fail "send over LAN: exit $?"
settle sl
cmp -s "$WORK/data.zrd" "$WORK/sl.rec" || fail "send over LAN: the device got other bytes"
pty ss --hold --no-replies --record "$WORK/ss.rec"
orv send "$(native "$WORK/data.zrd")" --serial "$(tty_device)" || fail "send over serial: exit $?"
sleep 0.5
cmp -s "$WORK/data.zrd" "$WORK/ss.rec" || fail "send over serial: the device got other bytes"

# A device that stops reading for 3 s near the end of a large send, then
# talks (0x07 0x4A, its answer to the last byte, 'I'): the send succeeds
# only once the device has every byte, and it has.
{ head -c 31999999 /dev/zero | tr '\0' 'x'; printf I; } >"$WORK/big.zrd"
lan big --hold --stall-after 30000000 --stall-ms 3000 --i-value 10 --record "$WORK/big.rec"
orv send "$(native "$WORK/big.zrd")" --lan "127.0.0.1:$port" || fail "send to a pausing device: exit $?"
settle big
cmp -s "$WORK/big.zrd" "$WORK/big.rec" || fail "send to a pausing device: it got $(stat -c %s "$WORK/big.rec") bytes"
grep -q "replies 1" "$WORK/big.sim" || fail "send to a pausing device: it did not talk"
rm -f "$WORK/big.zrd" "$WORK/big.rec"

# A device that reads slowly but steadily, for longer than the 30 s
# stall limit (4 kB/s, a small device's 4 KiB window): it takes every
# byte, so the send succeeds.  Bytes parked in our side's send buffer
# must not hide that it goes on taking them.
head -c 150000 /dev/urandom >"$WORK/slow.zrd"
lan slow --hold --no-replies --read-rate 4000 --receive-buffer 4096 --record "$WORK/slow.rec"
orv send "$(native "$WORK/slow.zrd")" --lan "127.0.0.1:$port" 2>"$WORK/slow.err" ||
  fail "send to a slow, steady device: exit $?, $(cat "$WORK/slow.err")"
settle slow
cmp -s "$WORK/slow.zrd" "$WORK/slow.rec" || fail "send to a slow, steady device: it got other bytes"

# A disk that fails reads after 256 KiB of a 1 MiB file (Linux only: an
# LD_PRELOAD shim).  No command takes what it could read for the file: it
# fails, says so, and the device gets nothing.
if [ -n "${3:-}" ]; then
  head -c 1048576 /dev/urandom >"$WORK/bad.zrd"
  lan bad --hold --no-replies --record "$WORK/bad.rec"
  export ORV_FAIL_PATH ORV_FAIL_AFTER=262144 LD_PRELOAD=$3
  ORV_FAIL_PATH=$(readlink -f "$WORK/bad.zrd")
  expect 1 "cannot read .*: Input/output error; nothing was sent" send "$WORK/bad.zrd" --lan "127.0.0.1:$port"
  for c in render hexdump filter; do
    expect 1 "cannot read" $c "$WORK/bad.zrd" -o "$WORK/bad.out"
    [ -e "$WORK/bad.out" ] && fail "$c of a file that fails to read left an output"
  done
  unset ORV_FAIL_PATH ORV_FAIL_AFTER LD_PRELOAD
  sleep 0.3
  [ -s "$WORK/bad.rec" ] && fail "send of a file that fails to read: the device got $(stat -c %s "$WORK/bad.rec") bytes"
fi

# Failures and usage: exit 1 or 2 and one line.
expect 1 "cannot open the link" send "$(native "$WORK/data.zrd")" --lan 127.0.0.1:1
expect 1 "missing" send "$(native "$WORK/missing")" --lan 127.0.0.1:1
expect 2 "ask I or S" query X --lan 127.0.0.1
expect 2 "unknown option --speed" send "$(native "$WORK/data.zrd")" --serial COM1 --speed 9600
expect 2 "unknown command \"frobnicate\"" frobnicate
for c in "" hexdump filter view capture send query; do
  orv $c --help >"$WORK/help" 2>"$WORK/err" && [ -s "$WORK/help" ] && [ ! -s "$WORK/err" ] ||
    fail "orvantide $c --help"
done
orv --version | tr -d '\r' | grep -Eqx 'orvantide [0-9]+\.[0-9]+\.[0-9]+' || fail "orvantide --version"

[ $failures -eq 0 ] && echo "send, query, help: all checks passed"
exit $((failures > 0))
