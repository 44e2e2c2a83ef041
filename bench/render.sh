#!/usr/bin/env bash
# The renderer's figures for bench/run.sh, against enscript | ps2pdf on
# the same text in the same run.
#   bench/render.sh jobs DIR       writes DIR/plain.prn, a text job of
#                                  ORV_BENCH_RENDER_MIB (2) MiB, and
#                                  DIR/styled.prn, the same text in ESC/P
#                                  with a style on each word in turn
#   bench/render.sh times DIR [ORV]
#                                  prints "NAME SECONDS PAGES JOB PDF" lines
#                                  (JOB, PDF: sizes in bytes):
#                                  the reference and, given ORV, the whole
#                                  command `ORV render` on both jobs
set -euo pipefail
cd "$(dirname "$0")/.."

render_jobs() {
  local dir=$1
  python3 tools/printout.py $((${ORV_BENCH_RENDER_MIB:-2} * 1048576)) "$dir/plain.prn"
  # Bold, italic, underline, double width and superscript, a word each in
  # turn, as bench/core_bench.cpp styles the same words for toPdf alone.
  python3 - "$dir/plain.prn" "$dir/styled.prn" <<'PY'
import re
import sys
ESC = b"\x1b"
STYLES = [(b"", b""), (ESC + b"E", ESC + b"F"), (ESC + b"4", ESC + b"5"), (ESC + b"-1", ESC + b"-0"),
          (ESC + b"W1", ESC + b"W0"), (ESC + b"S0", ESC + b"T")]
out = bytearray(ESC + b"@")
for n, line in enumerate(open(sys.argv[1], "rb").read().split(b"\r\n")):
    if line.startswith(b"\x0c"):
        out += b"\x0c"
        line = line[1:]
    style = n % 6
    for word in re.findall(rb"[^ ]+ *| +", line):  # a word and the spaces after it
        on, off = STYLES[style]
        out += on + word + off
        style = (style + 1) % 6
    out += b"\r\n"
open(sys.argv[2], "wb").write(out)
PY
}

# seconds COMMAND...: wall time of one run.
seconds() {
  local t0 t1
  t0=$(date +%s%N)
  "$@"
  t1=$(date +%s%N)
  python3 -c "print(($t1 - $t0) / 1e9)"
}

pages() { pdfinfo "$1" | awk '/^Pages:/ {print $2}'; }
bytes() { stat -c %s "$1"; }

# The reference: the text as PostScript (lineprinter layout, form feeds
# kept) and that as PDF.
render_reference() {
  local dir=$1
  command -v enscript >/dev/null && command -v ps2pdf >/dev/null || {
    echo "bench: enscript or ps2pdf is missing (make deps)" >&2
    return 1
  }
  run_ref() { enscript -q -B -l -p - "$dir/plain.prn" | ps2pdf - "$dir/enscript.pdf"; }
  echo "reference $(seconds run_ref) $(pages "$dir/enscript.pdf") $(bytes "$dir/plain.prn") $(bytes "$dir/enscript.pdf")"
}

# The whole command on both jobs, best of three each.
render_commands() {
  local dir=$1 orv=$2 job best s
  for job in plain styled; do
    best=""
    for _ in 1 2 3; do
      s=$(seconds "$orv" render "$dir/$job.prn" -o "$dir/$job.pdf")
      if [ -z "$best" ] || python3 -c "import sys; sys.exit(0 if $s < $best else 1)"; then best=$s; fi
    done
    echo "$job $best $(pages "$dir/$job.pdf") $(bytes "$dir/$job.prn") $(bytes "$dir/$job.pdf")"
  done
}

case ${1:-} in
  jobs) render_jobs "$2" ;;
  times)
    render_reference "$2"
    if [ -n "${3:-}" ]; then render_commands "$2" "$3"; fi
    ;;
  *)
    echo "usage: bench/render.sh jobs DIR | times DIR [ORV]" >&2
    exit 2
    ;;
esac
