#!/usr/bin/env bash
# make bench: the Google Benchmark cases of the core and whole-command
# comparisons of the companion, printed as one table in which every
# figure stands beside a reference measured in this same run.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${ORV_BENCH_BUILD:-build/native}
ORV=$BUILD/orvantide
BENCH=$BUILD/bench/orv_bench
SIZE_MIB=${ORV_BENCH_MIB:-256}
for f in "$ORV" "$BENCH"; do
  [ -x "$f" ] || { echo "bench: $f is missing (run make native first)" >&2; exit 1; }
done
command -v xxd >/dev/null || { echo "bench: xxd is missing (make deps)" >&2; exit 1; }

# Scratch files beside the build, so every write below goes to the same
# file system; removed however the script ends.
TMP=$(mktemp -d "$BUILD/bench-tmp.XXXXXX")
trap 'rm -rf "$TMP"' EXIT

# The renderer's jobs first: the core cases render the text job too.
bench/render.sh jobs "$TMP"
echo "bench: core cases (Google Benchmark)..." >&2
ORV_BENCH_JOB=$TMP/plain.prn "$BENCH" --benchmark_min_time=0.3 --benchmark_format=json >"$TMP/core.json" 2>/dev/null

echo "bench: whole commands on a $SIZE_MIB MiB file..." >&2
IN=$TMP/input.zrd
head -c "${SIZE_MIB}M" /dev/urandom >"$IN"
cat "$IN" >/dev/null
OUT_BYTES=$((SIZE_MIB * 1048576 / 16 * 81))

# seconds COMMAND...: wall time of one run, output files removed first.
seconds() {
  rm -f "$TMP"/out.*
  sync
  local t0 t1
  t0=$(date +%s%N)
  "$@"
  t1=$(date +%s%N)
  echo "scale=6; ($t1 - $t0) / 1000000000" | bc -l 2>/dev/null || python3 -c "print(($t1 - $t0) / 1e9)"
}
# best RUNS COMMAND...: the shortest of RUNS runs.
best() {
  local runs=$1; shift
  local b="" s
  for _ in $(seq "$runs"); do
    s=$(seconds "$@")
    if [ -z "$b" ] || python3 -c "import sys; sys.exit(0 if $s < $b else 1)"; then b=$s; fi
  done
  echo "$b"
}
run_xxd() { xxd "$IN" >"$TMP/out.xxd"; }
run_hexdump() { "$ORV" hexdump "$IN" -o "$TMP/out.hex"; }
run_dd() { dd if=/dev/zero of="$TMP/out.dd" bs=1M count=$((OUT_BYTES / 1048576)) status=none; }
run_filter() { "$ORV" filter "$IN" -o "$TMP/out.filter"; }
# A plain user-space copy (cat may copy inside the kernel, which a filter cannot).
run_copy() { dd if="$IN" of="$TMP/out.copy" bs=128K status=none; }

T_XXD=$(best 1 run_xxd)
T_HEX=$(best 3 run_hexdump)
T_DD=$(best 3 run_dd)
T_FILTER=$(best 3 run_filter)
T_COPY=$(best 3 run_copy)
rm -f "$TMP"/out.* "$IN"

# Rendering: enscript | ps2pdf on the same text and the whole command
# `orvantide render` (ORV_BENCH_RENDER_COMMAND=0 leaves it out).
RENDER_COMMAND=${ORV_BENCH_RENDER_COMMAND:-1}
echo "bench: rendering the text job with enscript | ps2pdf..." >&2
bench/render.sh times "$TMP" $([ "$RENDER_COMMAND" = 1 ] && echo "$ORV") >"$TMP/render.txt"

# Printing: the text job through a private CUPS server to a file-backed
# queue, beside rendering it to PDF (ORV_BENCH_PRINT=0 leaves it out).
: >"$TMP/print.txt"
if [ "${ORV_BENCH_PRINT:-1}" = 1 ]; then
  echo "bench: printing the text job through a private CUPS server..." >&2
  bench/print.sh "$ORV" "$TMP/plain.prn" "$TMP" >"$TMP/print.txt"
fi

# The page view: the first page of a 5,000-page job in the window under
# Wine, beside the same job rendered to PDF (ORV_BENCH_PAGE_VIEW=0 leaves
# it out).
: >"$TMP/pages.txt"
if [ "${ORV_BENCH_PAGE_VIEW:-1}" = 1 ] && [ -f "$(source tests/wine/env.sh && echo "$ORV_WINE_BUILD")/bench/page-view-bench.exe" ]; then
  echo "bench: the page view of a 5,000-page job under Wine..." >&2
  bench/pages.sh "$TMP" >"$TMP/pages.txt"
fi

# The program itself on a quiet line, where a Windows build can run here.
: >"$TMP/quiet.txt"
if [ -f "$(source tests/wine/env.sh && echo "$ORV_WINE_BUILD")/Orvantide.exe" ]; then
  echo "bench: Orvantide.exe under Wine on a quiet line, ${ORV_QUIET_SECONDS:-10} s a case..." >&2
  bench/quiet-line.sh >"$TMP/quiet.txt"
fi

python3 - "$TMP/core.json" "$SIZE_MIB" "$OUT_BYTES" "$T_XXD" "$T_HEX" "$T_DD" "$T_FILTER" "$T_COPY" "$TMP/quiet.txt" \
  "$TMP/render.txt" "$TMP/print.txt" "$TMP/pages.txt" <<'PY'
import json, sys
# UseRealTime() cases are named "NAME/real_time".
benchmarks = {b["name"].replace("/real_time", ""): b for b in json.load(open(sys.argv[1]))["benchmarks"]}
core = {name: b["bytes_per_second"] / 1e6 for name, b in benchmarks.items()}
mib = int(sys.argv[2]); in_bytes = mib * 1048576; out_bytes = int(sys.argv[3])
t_xxd, t_hex, t_dd, t_filter, t_copy = map(float, sys.argv[4:9])
memcpy = core["BM_Memcpy/4194304"]
rows = [
    # figure, MB/s, reference, MB/s, target, met
    ("decode (DeviceStreamDecoder, 4 MiB)", core["BM_DecodeDeviceStream/4194304"], "memcpy, same bytes", memcpy,
     ">= 1000 MB/s", core["BM_DecodeDeviceStream/4194304"] >= 1000),
    ("appendToView, printer lines", core["BM_AppendToViewLines"], "memcpy, same bytes", memcpy,
     ">= 300 MB/s", core["BM_AppendToViewLines"] >= 300),
    ("appendToView, wrapped long lines", core["BM_AppendToViewWrapped"], "memcpy, same bytes", memcpy,
     ">= 300 MB/s", core["BM_AppendToViewWrapped"] >= 300),
    ("formatHexLines, input (1 MiB)", core["BM_FormatHexLines/1048576"], "memcpy, same bytes", memcpy, "", None),
    ("orvantide hexdump %d MiB, input" % mib, in_bytes / t_hex / 1e6, "xxd FILE > OUT, input", in_bytes / t_xxd / 1e6,
     ">= 6x xxd", t_xxd / t_hex >= 6),
    ("orvantide hexdump %d MiB, output" % mib, out_bytes / t_hex / 1e6, "dd of the same size, same place",
     out_bytes / t_dd / 1e6, "close to dd", None),
    ("orvantide filter %d MiB" % mib, in_bytes / t_filter / 1e6, "dd copy, 128 KiB blocks", in_bytes / t_copy / 1e6, "", None),
]
print("%-38s %9s   %-32s %9s %8s   %s" % ("figure", "MB/s", "reference (same run)", "MB/s", "ratio", "target"))
print("-" * 118)
for name, v, ref, rv, target, met in rows:
    mark = "" if met is None else ("  met" if met else "  NOT MET")
    print("%-38s %9.0f   %-32s %9.0f %7.2fx   %s%s" % (name, v, ref, rv, v / rv, target, mark))
print("MB/s = 10^6 bytes per second; whole commands: best of 3 wall-clock runs (xxd: 1 run).")
quiet, rate = {}, {}
for line in open(sys.argv[9]):
    word, name, value = line.split()
    (quiet if word == "quiet" else rate)[name] = float(value)
if quiet:
    print()
    print("%-38s %9s   %-32s %9s   %s" % ("a quiet line, % of one core", "%", "reference (same run)", "%", "target"))
    print("-" * 118)
    for name, label in (("lan", "window capturing over LAN"), ("serial", "window capturing over serial (pty)"),
                        ("headless", "orvantide capture, LAN"), ("wincli", "orvantide-cli.exe capture, LAN")):
        if name not in quiet:
            continue
        v = quiet[name]
        print("%-38s %9.2f   %-32s %9.2f   < 1 %%%s" % (label, v, "window open, no capture", quiet["idle"],
              "  met" if v < 1 else "  NOT MET"))
    print("Under Wine: the program and its wineserver, utime+stime; orvantide capture natively.")
if rate:
    print()
    print("%-38s %9s   %-32s %9s   %s" % ("LAN capture from the simulator", "MB/s", "reference (same run)", "MB/s",
          "target"))
    print("-" * 118)
    w = rate["window"]
    print("%-38s %9.1f   %-32s %9.1f   >= 100%s" % ("Orvantide.exe under Wine", w, "orvantide capture (native)",
          rate["headless"], "  met" if w >= 100 else "  NOT MET"))
    if "wincli" in rate:
        print("%-38s %9.1f   %-32s %9.1f" % ("orvantide-cli.exe under Wine", rate["wincli"],
              "orvantide capture (native)", rate["headless"]))
render = {}
for line in open(sys.argv[10]):
    name, secs, pages, size, pdf = line.split()
    render[name] = (float(secs), int(pages), int(size), int(pdf))
ref_s, ref_pages, ref_bytes, ref_pdf = render["reference"]
print()
print("%-38s %9s %9s   %-20s %9s %9s %8s   %s" % ("a text job as PDF (%.1f MiB)" % (ref_bytes / 1048576), "MB/s",
      "pages/s", "reference (same run)", "MB/s", "pages/s", "ratio", "target"))
print("-" * 126)
# figure, MB/s of its input, pages/s, seconds for the same text, PDF size to the text's, the ratio
# it must reach: 20 times the reference on text, 10 times on the styled worst case
rows = [(name, core[case], benchmarks[case]["pages"], ref_bytes / 1e6 / core[case], benchmarks[case]["pdf_per_job"],
         target)
        for name, case, target in (("toPdf, a run per line", "BM_ToPdfPlain", 20),
                                   ("toPdf, a styled run per word", "BM_ToPdfStyled", 10))]
for job, name, target in (("plain", "orvantide render, text job", 20),
                          ("styled", "orvantide render, ESC/P job, styled", 10)):
    if job in render:
        s, pages, size, pdf = render[job]
        rows.append((name, size / s / 1e6, pages / s, s, pdf / ref_bytes, target))
for name, mbs, pps, s, _, target in rows:
    print("%-38s %9.1f %9.0f   %-20s %9.2f %9.0f %7.1fx   >= %dx%s" % (name, mbs, pps, "enscript | ps2pdf",
          ref_bytes / ref_s / 1e6, ref_pages / ref_s, ref_s / s, target,
          "  met" if ref_s / s >= target else "  NOT MET"))
print("PDF size / text size: " + ", ".join("%s %.2f" % (row[0], row[4]) for row in rows) +
      ", enscript | ps2pdf %.2f." % (ref_pdf / ref_bytes))
printed = {}
for line in open(sys.argv[11]):
    name, secs, pages = line.split()
    printed[name] = (float(secs), int(pages))
if printed:
    ref_s, ref_pages = printed["render"]
    print()
    print("%-38s %9s %9s   %-28s %9s %9s" % ("the text job printed (%d pages)" % ref_pages, "s", "pages/s",
          "reference (same run)", "s", "pages/s"))
    print("-" * 118)
    for name, label in (("accepted", "orvantide print, CUPS took the job"),
                        ("printed", "orvantide print, the queue's file")):
        s, pages = printed[name]
        print("%-38s %9.2f %9.0f   %-28s %9.2f %9.0f" % (label, s, pages / s, "orvantide render to PDF", ref_s,
              ref_pages / ref_s))
    print("Through a private CUPS server (tests/print/cups.sh): a PDF queue whose backend writes each job to a "
          "file; best of 3.")
view = {}
for line in open(sys.argv[12]):
    name, *values = line.split()
    view[name] = values
if view:
    pdf_s, pdf_pages = float(view["pdf"][0]), int(view["pdf"][1])
    first, counted, pages = float(view["first"][0]), float(view["counted"][0]), int(view["counted"][1])
    print()
    print("%-38s %9s   %-32s %9s %8s   %s" % ("the page view, a %d-page job" % pages, "s", "reference (same run)", "s",
          "ratio", "target"))
    print("-" * 118)
    print("%-38s %9.3f   %-32s %9.3f %7.1fx   < 0.5 s%s" % ("View > Pages: first page painted", first,
          "the job rendered to PDF", pdf_s, pdf_s / first, "  met" if first < 0.5 else "  NOT MET"))
    print("%-38s %9.3f   %-32s %9.3f %7.1fx" % ("View > Pages: all %d pages counted" % pages, counted,
          "the job rendered to PDF", pdf_s, pdf_s / counted))
    print("The program's main window under Wine (bench/win32/page_view_bench.cpp), both in the same process (%d PDF "
          "pages); best of 3.  Pages held by the view at most: %s." % (pdf_pages, view["kept"][0]))
PY
