#!/usr/bin/env bash
# orvantide capture --print against a private CUPS server: each capture is
# printed when it closes; a print that fails is told, the capture kept
# whole and going, and the next capture is printed again.
#   capture_print_test.sh PATH/TO/orvantide
set -u
EXE=${1:?usage: capture_print_test.sh ORVANTIDE}
HERE=$(cd "$(dirname "$0")" && pwd)
EXE=$(cd "$(dirname "$EXE")" && pwd)/$(basename "$EXE")  # the checks run in another folder
source "$HERE/../tools/companion/companion_env.sh"
source "$HERE/cups.sh"
cups_start || exit 1

# The device: one job per connection, each sent when the test says "go"
# on the control FIFO, then the connection closed (a new capture file).
mkfifo "$WORK/control"
for word in FIRST SECOND THIRD; do printf '\x1b@\x1bE%s JOB\x1bF\r\nline two\r\n' $word >"$WORK/$word.prn"; done
python3 -c '
import socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(4)
print(server.getsockname()[1], flush=True)
control = open(sys.argv[1])
for job in sys.argv[2:]:
    control.readline()
    connection, _ = server.accept()
    connection.sendall(open(job, "rb").read())
    connection.close()
' "$WORK/control" "$WORK"/{FIRST,SECOND,THIRD}.prn >"$WORK/port" &
pids+=($!)
exec 3>"$WORK/control"
for _ in $(seq 50); do [ -s "$WORK/port" ] && break; sleep 0.1; done

: >"$WORK/events"
orv_direct capture --lan "127.0.0.1:$(cat "$WORK/port")" -d "$WORK/captures" --print --pdf 2>"$WORK/events" &
capture=$!
pids+=($capture)
# event COUNT PATTERN: waits (up to 60 s) until COUNT event lines match.
event() {
  for _ in $(seq 600); do
    [ "$(grep -c -E "$2" "$WORK/events")" -ge "$1" ] && return 0
    kill -0 $capture 2>/dev/null || break
    sleep 0.1
  done
  fail "no event '$2' (x$1): $(cat "$WORK/events")"
  return 1
}
job_of() { grep -E "$1" "$WORK/events" | sed -n 's/.*(job \([0-9]*\))$/\1/p' | tail -1; }

echo go >&3
event 1 "printed: .*/captures/[0-9-]+\.zrd on orvpdf \(job [0-9]+\)$" && cups_wait_job orvpdf "$(job_of printed:)" &&
  { cups_page_text "$CUPS_OUTPUT" 1 | grep -q "FIRST JOB" || fail "the first capture's print"; }
# The queue refuses jobs: told, the capture kept, and the capture goes on.
cupsreject orvpdf
echo go >&3
event 1 "not printed: .*/captures/[0-9-]+\.zrd: orvpdf did not take the job \(.*\); the capture is kept$"
cupsaccept orvpdf
echo go >&3
event 2 "^[0-9: -]+printed: " && cups_wait_job orvpdf "$(job_of printed:)" &&
  { cups_page_text "$CUPS_OUTPUT" 1 | grep -q "THIRD JOB" || fail "the capture after the failure was not printed"; }
event 3 "PDF written: "
kill -TERM $capture
wait $capture || fail "capture: exit $?"
files=("$WORK"/captures/*.zrd)
[ ${#files[@]} -eq 3 ] && cmp -s "${files[1]}" "$WORK/SECOND.prn" ||
  fail "the captures are not the three jobs whole: $(ls "$WORK/captures")"
[ "$(ls "$CUPS_DIR/out/orvpdf" | wc -l)" -eq 2 ] || fail "not two jobs printed: $(ls "$CUPS_DIR/out/orvpdf")"

expect 2 "-P goes with --print" capture --lan 127.0.0.1 -P orvpdf
expect 2 "go with --pdf or --print" capture --lan 127.0.0.1 --paper letter

[ $failures -eq 0 ] && echo "capture --print: all checks passed"
exit $((failures > 0))
