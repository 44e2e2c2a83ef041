#!/usr/bin/env bash
# The printing figures for bench/run.sh: a job printed by the Linux
# companion through a private CUPS server (tests/print/cups.sh) to a queue
# whose output lands in a file, beside the same job rendered to a PDF in
# the same run.
#   bench/print.sh ORV JOB DIR
# prints "NAME SECONDS PAGES" lines, each the best of three runs:
#   render    orvantide render JOB -o DIR/job.pdf
#   accepted  orvantide print JOB, until CUPS has taken the job
#   printed   the same, until the queue's output file is complete
set -euo pipefail
cd "$(dirname "$0")/.."
ORV=$1 JOB=$2 DIR=$3
source tests/print/cups.sh
cups_start >&2

now() { date +%s%N; }
seconds() { python3 -c "print(($2 - $1) / 1e9)"; }
better() { [ -z "$1" ] || python3 -c "import sys; sys.exit(0 if $2 < $1 else 1)"; }

render=
for _ in 1 2 3; do
  t0=$(now)
  "$ORV" render "$JOB" -o "$DIR/job.pdf" 2>/dev/null
  s=$(seconds "$t0" "$(now)")
  better "$render" "$s" && render=$s
done
echo "render $render $(cups_pages "$DIR/job.pdf")"

accepted= printed= pages=
for _ in 1 2 3; do
  t0=$(now)
  "$ORV" print "$JOB" 2>"$DIR/print.err"
  t1=$(now)
  job=$(sed -n 's/.*(job \([0-9]*\))$/\1/p' "$DIR/print.err")
  out=$CUPS_DIR/out/orvpdf/job-$job.out
  for _ in $(seq 60000); do [ -f "$out" ] && break; sleep 0.005; done  # the backend names it when complete
  t2=$(now)
  [ -f "$out" ] || { echo "bench: job $job was not printed" >&2; exit 1; }
  s=$(seconds "$t0" "$t1")
  better "$accepted" "$s" && accepted=$s
  s=$(seconds "$t0" "$t2")
  better "$printed" "$s" && printed=$s
  pages=$(cups_pages "$out")
  rm -f "$out"
done
echo "accepted $accepted $pages"
echo "printed $printed $pages"
