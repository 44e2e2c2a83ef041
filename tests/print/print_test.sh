#!/usr/bin/env bash
# orvantide print against a private CUPS server, read back with poppler:
#   print_test.sh PATH/TO/orvantide
#   print_test.sh PATH/TO/orvantide-cli.exe [PATH/TO/orvantide]
# The Windows companion prints under Wine through Wine's winspool on the
# same server; given the Linux one, the text of both lands in one place.
set -u
EXE=${1:?usage: print_test.sh ORVANTIDE [NATIVE-ORVANTIDE]}
NATIVE=${2:-}
HERE=$(cd "$(dirname "$0")" && pwd)
EXE=$(cd "$(dirname "$EXE")" && pwd)/$(basename "$EXE")  # the checks run in another folder
[ -z "$NATIVE" ] || NATIVE=$(cd "$(dirname "$NATIVE")" && pwd)/$(basename "$NATIVE")
source "$HERE/../tools/companion/companion_env.sh"
source "$HERE/cups.sh"
cups_start || exit 1
cd "$WORK"
wine=$([[ $EXE == *.exe ]] && echo 1)

# A two-page ESC/P job: a bold heading, a line, double width, a form feed,
# page 2.
printf '\x1b@\x1bEDELIVERY NOTE 4711\x1bF\r\nWidget  3 pcs\r\n\x1bW1WIDE\x1bW0\r\n\x0cpage 2\r\n' >job.zrd
# printed OUTPUT ARGS...: prints, checks the report, and puts the job's
# output (the queue's next one) in OUTPUT.
printed() {
  local output=$1; shift
  orv print "$@" >out 2>err || { fail "print $*: exit $?: $(cat err)"; return 1; }
  grep -q "^orvantide: printed job.zrd on orv[a-z]* (job [0-9]*)$" err || fail "print $*: said $(cat err)"
  local queue job
  queue=$(sed -n 's/.* on \(orv[a-z]*\) (job.*/\1/p' err)
  job=$(sed -n 's/.*(job \([0-9]*\))$/\1/p' err)
  # Wine numbers the job itself; CUPS numbers its own.
  if [ -n "$wine" ]; then cups_wait_next "$queue"; else cups_wait_job "$queue" "$job"; fi && cp "$CUPS_OUTPUT" "$output"
}

# The default printer, A4: each page's text on its page.
printed a4.pdf job.zrd && {
  [ "$(cups_pages a4.pdf)" = 2 ] || fail "default: $(cups_pages a4.pdf) pages, not 2"
  [ "$(cups_page_size a4.pdf 1)" = 595x842 ] || fail "default: page size $(cups_page_size a4.pdf 1), not A4"
  cups_page_text a4.pdf 1 | grep -q "DELIVERY NOTE 4711" || fail "default: page 1 is $(cups_page_text a4.pdf 1)"
  cups_page_text a4.pdf 1 | grep -q "Widget 3 pcs" || fail "default: page 1 lost its second line"
  cups_page_text a4.pdf 2 | grep -q "page 2" || fail "default: page 2 is $(cups_page_text a4.pdf 2)"
}
# A named printer, Letter, copies: the job twice on Letter.
printed letter.pdf job.zrd -P orvother --paper letter --copies 2 && {
  grep -q " on orvother " err || fail "-P orvother: went elsewhere: $(cat err)"
  [ "$(cups_pages letter.pdf)" = 4 ] || fail "copies: $(cups_pages letter.pdf) pages, not 2 x 2"
  [ "$(cups_page_size letter.pdf 3)" = 612x792 ] || fail "letter: page size $(cups_page_size letter.pdf 3)"
  cups_page_text letter.pdf 3 | grep -q "DELIVERY NOTE 4711" || fail "copies: not collated, page 3 is not page 1"
}
# One painter, two surfaces: the Windows pages have the Linux PDF's ink
# where it has it (page 1's ink box), its words as far across and as wide
# (the heading's first word and the double-width one), within 1.5 points.
if [ -n "$NATIVE" ]; then
  [ -x "$NATIVE" ] || fail "no Linux companion at $NATIVE"
  "$NATIVE" print job.zrd 2>err.native && cups_wait_next orvpdf && cp "$CUPS_OUTPUT" native.pdf
  across() {  # across PDF WORD: "xMin xMax" of the word on page 1
    pdftotext -f 1 -l 1 -bbox "$1" - 2>/dev/null | grep -m1 ">$2<" |
      sed 's/.*xMin="\([-0-9.]*\)" yMin="[-0-9.]*" xMax="\([-0-9.]*\)".*/\1 \2/'
  }
  ink() {  # ink PDF: "left top right bottom" of the dark pixels at the top of page 1, in points
    pdftoppm -f 1 -l 1 -r 144 -x 0 -y 0 -W 600 -H 200 -gray "$1" >"$1.pgm" 2>/dev/null  # the lines at the top
    python3 -c 'import sys
d = open(sys.argv[1], "rb").read().split(b"\n", 3)
w, h = map(int, d[1].split()); px = d[3]
dark = [(i % w, i // w) for i in range(w * h) if px[i] < 128]
print(*(v / 2 for v in (min(x for x, _ in dark), min(y for _, y in dark), max(x for x, _ in dark), max(y for _, y in dark))))' "$1.pgm"
  }
  close() { python3 -c 'import sys; w, n = sys.argv[1].split(), sys.argv[2].split()
sys.exit(0 if w and len(w) == len(n) and all(abs(float(a) - float(b)) <= 1.5 for a, b in zip(w, n)) else 1)' "$1" "$2"; }
  for word in DELIVERY WIDE; do
    close "$(across a4.pdf $word)" "$(across native.pdf $word)" ||
      fail "$word spans $(across a4.pdf $word) on Windows, $(across native.pdf $word) on Linux"
  done
  close "$(ink a4.pdf)" "$(ink native.pdf)" || fail "page 1's ink is at $(ink a4.pdf) on Windows, $(ink native.pdf) on Linux"
fi

# Failures: one line, the printer named; nothing printed.
expect 1 '"nosuch"' print job.zrd -P nosuch
expect 1 "cannot open missing" print missing
printf '\x1bE\x1b&l1O\x1b(s0P' >pcl.prn
expect 3 "pcl.prn is a PCL job" print pcl.prn
printf '\x1b@' >reset.prn
expect 1 "reset.prn: nothing to print" print reset.prn
expect 2 "no FILE" print
expect 2 "--copies takes" print job.zrd --copies 0
expect 2 "-P needs a value" print job.zrd -P
expect 2 "unknown option -o" print job.zrd -o x.pdf
expect 2 "--paper takes" print job.zrd --paper a3
if [ -z "$wine" ]; then
  server=$CUPS_SERVER CUPS_SERVER=localhost:1
  expect 1 "cannot be reached for orvpdf (CUPS at localhost:1: " print job.zrd -P orvpdf
  CUPS_SERVER=$server
fi
sleep 0.5  # what a failure might have sent has had its time
[ "$(ls "$CUPS_DIR"/out/* | grep -c '^job-')" -eq ${#CUPS_TAKEN[@]} ] ||
  fail "a failed print sent a job: $(ls "$CUPS_DIR"/out/*)"

[ $failures -eq 0 ] && echo "print: all checks passed"
exit $((failures > 0))
