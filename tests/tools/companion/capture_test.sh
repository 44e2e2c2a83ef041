#!/usr/bin/env bash
# orvantide capture against the device simulator, as a user runs it:
#   capture_test.sh PATH/TO/orvantide PATH/TO/orvantide-devsim
#   capture_test.sh PATH/TO/orvantide-cli.exe PATH/TO/orvantide-devsim   (under Wine)
set -u
EXE=${1:?usage: capture_test.sh ORVANTIDE DEVSIM}
SIM=${2:?usage: capture_test.sh ORVANTIDE DEVSIM}
source "$(dirname "$0")/companion_env.sh"
crc() { python3 -c 'import sys,zlib; d=b"".join(open(f,"rb").read() for f in sys.argv[1:]); print("%08X" % (zlib.crc32(d) & 0xffffffff))' "$@"; }
start_sim() {  # start_sim NAME ARGS...: the simulator on loopback; its port in $port
  local name=$1; shift
  "$SIM" --lan 127.0.0.1:0 "$@" >"$WORK/$name.sim" 2>&1 &
  pids+=($!)
  port=$(devsim_port "$WORK/$name.sim") || { fail "$name: the simulator did not start"; return 1; }
}
checksums() { sed -n 's/.* data-checksum \([0-9A-F]*\) .*/\1/p' "$1"; }

# Three print jobs with idle gaps become three files, byte-exact, in order.
start_sim jobs --generate 70000 --seed 3 --jobs 3 --job-gap 1500 --close-when-done && {
  orv capture --lan "127.0.0.1:$port" -d "$(native "$WORK/jobs")" --split-idle 1 --once 2>"$WORK/jobs.err"
  rc=$?
  [ $rc -eq 0 ] || fail "jobs: exit $rc"
  files=("$WORK"/jobs/*.zrd)
  [ ${#files[@]} -eq 3 ] || fail "jobs: ${#files[@]} files, not 3"
  for f in "${files[@]}"; do [ "$(stat -c %s "$f")" -eq 70000 ] || fail "jobs: $f is not 70000 bytes"; done
  sleep 0.2
  [ "$(crc "${files[@]}")" = "$(checksums "$WORK/jobs.sim")" ] || fail "jobs: the files are not what was sent"
  grep -q "file closed: .* (70000 bytes)" "$WORK/jobs.err" || fail "jobs: no event for a closed file"
}

# With --pdf each file gets its PDF beside it once it is closed: three
# ESC/P jobs with idle gaps, three captures, three PDFs with their headings
# (in a folder whose name is beyond the ANSI code page).
start_sim pdf --escp --jobs 3 --job-gap 1500 --close-when-done && {
  orv capture --lan "127.0.0.1:$port" -d "$(native "$WORK/pdf-Ω中")" --split-idle 1 --once --pdf 2>"$WORK/pdf.err"
  rc=$?
  [ $rc -eq 0 ] || fail "pdf: exit $rc"
  files=("$WORK"/pdf-Ω中/*.zrd)
  [ ${#files[@]} -eq 3 ] || fail "pdf: ${#files[@]} files, not 3"
  headings=(LIEFERSCHEIN RECHNUNG MESSPROTOKOLL)
  for i in "${!files[@]}"; do
    pdf=${files[$i]%.zrd}.pdf
    pdftotext "$pdf" - 2>/dev/null | grep -q "${headings[$i]:-}" || fail "pdf: $pdf does not hold ${headings[$i]:-}"
    grep -q "PDF written: .*$(basename "$pdf")" "$WORK/pdf.err" || fail "pdf: no event for $pdf"
  done
  # The third, a 9-pin printer's job: the units chosen, said in its event.
  grep -q "PDF written: .*$(basename "${files[2]%.zrd}").pdf (printer mode epson9: 9-pin units, as ESC ^ at [0-9]* tells)" \
    "$WORK/pdf.err" || fail "pdf: the 9-pin job's units not told: $(cat "$WORK/pdf.err")"
  [ "$(ls "$WORK/pdf-Ω中" | wc -l)" -eq 6 ] || fail "pdf: not a capture and its PDF each: $(ls "$WORK/pdf-Ω中")"
}
# A job in a printer language that is not rendered: one event says so,
# the capture is kept and nothing else is written.
printf '%%!PS-Adobe-3.0\n%%%%Title: report\n' >"$WORK/ps.prn"
start_sim ps --file "$WORK/ps.prn" --close-when-done && {
  orv capture --lan "127.0.0.1:$port" -d "$(native "$WORK/ps")" --once --pdf 2>"$WORK/ps.err"
  [ "$(grep -c "no PDF: .* is a PostScript job; only plain text and ESC/P are rendered" "$WORK/ps.err")" -eq 1 ] ||
    fail "ps: not told in one event: $(cat "$WORK/ps.err")"
  cmp -s "$WORK/ps.prn" "$WORK"/ps/*.zrd && [ "$(ls "$WORK/ps" | wc -l)" -eq 1 ] || fail "ps: not the capture alone"
}

# The device closes and comes back: the capture reconnects by itself, the
# bytes after it land in a new file, nothing is lost.
start_sim again --generate 40000 --seed 4 --close-when-done --connections 2 && {
  orv capture --lan "127.0.0.1:$port" -d "$(native "$WORK/again")" --for 5 2>"$WORK/again.err"
  rc=$?
  [ $rc -eq 0 ] || fail "again: exit $rc"
  files=("$WORK"/again/*.zrd)
  [ ${#files[@]} -eq 2 ] || fail "again: ${#files[@]} files, not 2"
  sums=($(checksums "$WORK/again.sim"))
  [ "$(crc "${files[0]}")" = "${sums[0]:-}" ] && [ "$(crc "${files[1]}")" = "${sums[1]:-}" ] ||
    fail "again: the files are not what each connection sent"
  [ "$(grep -c connected "$WORK/again.err")" -eq 2 ] || fail "again: not two connections"
}

# SIGTERM in the middle of a job: the file holds what was received, a
# beginning of what the device sends, and the capture ends well.
start_sim term --generate 400000 --seed 5 --rate 100000 && {
  orv_direct capture --lan "127.0.0.1:$port" -d "$(native "$WORK/term")" 2>"$WORK/term.err" &
  cap=$!
  sleep 2
  kill -$STOP_SIGNAL $cap
  wait $cap
  rc=$?
  [ $rc -eq 0 ] || fail "term: exit $rc after SIGTERM"
  f=$(ls "$WORK"/term/*.zrd 2>/dev/null | head -1)
  size=$(stat -c %s "$f" 2>/dev/null || echo 0)
  [ "$size" -gt 50000 ] || fail "term: only $size bytes stored"
  "$SIM" --lan 127.0.0.1:0 --generate 400000 --seed 5 --close-when-done >"$WORK/full.sim" 2>&1 &
  pids+=($!)
  fport=$(devsim_port "$WORK/full.sim")
  orv capture --lan "127.0.0.1:$fport" -d "$(native "$WORK/full")" --once 2>/dev/null
  cmp -s -n "$size" "$f" "$WORK"/full/*.zrd || fail "term: the stored bytes are not what was sent"
}

# Windows: a log-off ends a capture as Ctrl+C does, the file closed complete
# before the system may end the process (killed here as soon as
# wineboot --end-session returns); the folder's name is beyond the ANSI
# code page.
if [[ $EXE == *.exe ]]; then
  start_sim session --generate 400000 --seed 7 --rate 100000 && {
    orv_direct capture --lan "127.0.0.1:$port" -d "$(native "$WORK/Ω中")" 2>"$WORK/session.err" &
    cap=$!
    for _ in $(seq 100); do grep -q "file started" "$WORK/session.err" && break; sleep 0.1; done
    sleep 1
    "$ORV_WINE" wineboot --end-session </dev/null >/dev/null 2>&1
    kill -KILL $cap 2>/dev/null
    wait $cap 2>/dev/null
    size=$(stat -c %s "$WORK"/Ω中/*.zrd 2>/dev/null || echo 0)
    [ "$size" -gt 0 ] && grep -q "file closed: .* ($size bytes)" "$WORK/session.err" ||
      fail "session end: no complete file ($size bytes): $(cat "$WORK/session.err")"
  }
  # With --pdf, a log-off while a long job's PDF is being made: the
  # capture's file is closed and told before the documents, and the PDF
  # that the end of the process cuts short leaves nothing behind and was
  # told beforehand.
  start_sim sessionpdf --escp --generate 60000000 && {
    orv_direct capture --lan "127.0.0.1:$port" -d "$(native "$WORK/logoff")" --split-idle 1 --pdf \
      2>"$WORK/logoff.err" &
    cap=$!
    for _ in $(seq 300); do grep -q "file closed" "$WORK/logoff.err" && break; sleep 0.1; done
    "$ORV_WINE" wineboot --end-session </dev/null >/dev/null 2>&1
    kill -KILL $cap 2>/dev/null
    wait $cap 2>/dev/null
    ls -A "$WORK/logoff" | grep -q '\.tmp$' && fail "session end: a PDF cut short left $(ls -A "$WORK/logoff")"
    grep -q "file closed: " "$WORK/logoff.err" || fail "session end with --pdf: no file closed"
    grep -q -E "PDF written: |the session ends: the PDF of .* may be cut short; the capture is kept" \
      "$WORK/logoff.err" || fail "session end with --pdf: the PDF's fate untold: $(cat "$WORK/logoff.err")"
  }
fi

# The serial link, through a pseudo-terminal.  A serial line has no
# orderly end: the simulator closing its side is a port that went away,
# which --once tells a script with exit 1, its file complete.
"$SIM" --pty "$(tty_link)" --generate 30000 --seed 6 --close-when-done >"$WORK/pty.sim" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "$(tty_link)" ] && break; sleep 0.1; done
orv capture --serial "$(tty_device)" -d "$(native "$WORK/serial")" --once 2>"$WORK/serial.err"
rc=$?
sleep 0.3
[ $rc -eq 1 ] && grep -q "link lost: " "$WORK/serial.err" || fail "serial: exit $rc, $(cat "$WORK/serial.err")"
[ "$(crc "$WORK"/serial/*.zrd)" = "$(checksums "$WORK/pty.sim")" ] || fail "serial: the file is not what was sent"

# Usage and failures: exit 2 or 1, with one line that says what.
expect 2 "unknown option --bogus" capture --lan 127.0.0.1 --bogus
expect 2 "give one of" capture -d "$WORK"
expect 2 "whole seconds" capture --lan 127.0.0.1 --split-idle 0
expect 2 "go with --pdf" capture --lan 127.0.0.1 --code-page 850
expect 2 "paper takes" capture --lan 127.0.0.1 --pdf --paper a3
: >"$WORK/plain"
expect 1 "cannot make the folder" capture --lan 127.0.0.1:1 -d "$(native "$WORK/plain/sub")"
expect 1 "cannot open the link" capture --lan 127.0.0.1:1 -d "$(native "$WORK/none")" --once
orv capture --help >"$WORK/help" 2>&1 && grep -q -- "--split-idle" "$WORK/help" && grep -q -- "--pdf" "$WORK/help" ||
  fail "capture --help"

[ $failures -eq 0 ] && echo "capture: all checks passed"
exit $((failures > 0))
