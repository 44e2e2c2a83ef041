#!/usr/bin/env bash
# End-to-end checks of the orvantide file commands: exact bytes out,
# exit status 0/1/2 and one line on stderr for a failure.
set -u
ORV=${1:?usage: companion_test.sh PATH/TO/orvantide}
ORV=$(cd "$(dirname "$ORV")" && pwd)/$(basename "$ORV")  # the checks below change folder
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect_status CODE ARGS... : runs orvantide, checks the exit status, and
# for a failure that stderr holds exactly one line.
expect_status() {
  local want=$1; shift
  "$ORV" "$@" >"$T/out" 2>"$T/err"
  local got=$?
  [ "$got" -eq "$want" ] || fail "orvantide $* exited $got, wanted $want"
  if [ "$want" -ne 0 ]; then
    [ "$(wc -l <"$T/err")" -eq 1 ] || fail "orvantide $*: stderr is not one line: $(cat "$T/err")"
    [ -s "$T/out" ] && fail "orvantide $*: wrote to stdout on failure"
  fi
  return 0
}

# same FILE EXPECTED-FILE NAME
same() { cmp -s "$1" "$2" || fail "$3: output differs: $(xxd "$1" | head -5)"; }

# ---- usage: status 2 ----
expect_status 2
expect_status 2 frobnicate x
expect_status 2 hexdump
expect_status 2 hexdump a b
expect_status 2 hexdump a -o
expect_status 2 hexdump a -x
expect_status 2 filter
expect_status 2 filter a -o x -o y
expect_status 2 view
expect_status 2 view --bogus a
expect_status 2 view a b

# ---- failures: status 1 ----
expect_status 1 hexdump "$T/missing"
expect_status 1 filter "$T/missing"
expect_status 1 view "$T/missing"
expect_status 1 view --filtered "$T/missing"
expect_status 1 hexdump "$T"                      # a folder cannot be read
printf 'x' >"$T/one"
expect_status 1 hexdump "$T/one" -o "$T/no/such/folder/out"
expect_status 1 filter "$T/one" -o "$T/no/such/folder/out"

# ---- hexdump ----
printf '\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f''Hello, world!\r\n\x00''A' >"$T/hello"
{
  printf '000000:  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F     ........ ........\r\n'
  printf '000010:  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 21 0D 0A 00     Hello, w orld!...\r\n'
  printf '000020:  41                                                   A                \r\n'
} >"$T/hello.hex"
expect_status 0 hexdump "$T/hello"
same "$T/out" "$T/hello.hex" "hexdump to stdout"
expect_status 0 hexdump "$T/hello" -o "$T/hello.out"
same "$T/hello.out" "$T/hello.hex" "hexdump -o"
touch "$T/created"
[ "$(stat -c %a "$T/hello.out")" = "$(stat -c %a "$T/created")" ] || fail "hexdump -o: new file's mode"
expect_status 0 hexdump -o "$T/hello.out2" "$T/hello"
same "$T/hello.out2" "$T/hello.hex" "hexdump -o before FILE"
printf 'old content that is longer than the new one %.0s' {1..10} >"$T/replace"
expect_status 0 hexdump "$T/hello" -o "$T/replace"
same "$T/replace" "$T/hello.hex" "hexdump replaces an existing file"

# ---- OUT: never the input, replaced only by a command that succeeded ----
mkdir "$T/o"
cp "$T/hello" "$T/o/in"
ln -s in "$T/o/link"
ln "$T/o/in" "$T/o/hard"
for out in "$T/o/in" "$T/o/./in" "$T/o/link" "$T/o/hard"; do
  expect_status 1 hexdump "$T/o/in" -o "$out"
  same "$T/o/in" "$T/hello" "hexdump -o $out (the input itself)"
done
# Appended to by the shell, standard output is the input too; bounded in
# case it grows without end.
(ulimit -f 64; timeout 10 "$ORV" filter "$T/o/in" >>"$T/o/in" 2>/dev/null)
[ $? -eq 1 ] || fail "filter FILE >> FILE was not refused"
same "$T/o/in" "$T/hello" "filter FILE >> FILE"
printf 'keep' >"$T/o/old"
chmod 640 "$T/o/old"
expect_status 1 hexdump "$T/missing" -o "$T/o/old"
expect_status 1 filter "$T/o" -o "$T/o/old"
[ "$(cat "$T/o/old")" = keep ] || fail "a failed command changed the existing OUT"
expect_status 0 hexdump "$T/hello" -o "$T/o/old"
same "$T/o/old" "$T/hello.hex" "hexdump replacing OUT"
[ "$(stat -c %a "$T/o/old")" = 640 ] || fail "replacing OUT lost its permissions"
# A command stopped half-way leaves OUT as it was and no temporary file.
mkfifo "$T/o/fifo"
exec 3<>"$T/o/fifo"  # read-write: opening it never blocks
"$ORV" hexdump "$T/o/fifo" -o "$T/o/old" 2>/dev/null &
pid=$!
timeout 10 head -c 300000 /dev/zero >&3
for _ in $(seq 100); do [ "$(ls -A "$T/o" | wc -l)" -gt 5 ] && break; sleep 0.05; done
kill -TERM "$pid"
wait "$pid"
exec 3>&-
same "$T/o/old" "$T/hello.hex" "OUT of a killed hexdump"
[ "$(ls -A "$T/o" | tr '\n' ' ')" = "fifo hard in link old " ] || fail "files left in the output folder: $(ls -A "$T/o")"
cd "$T/o"
expect_status 0 hexdump in -o -
same "$T/out" "$T/hello.hex" "hexdump -o - (standard output)"
[ -e - ] && fail "hexdump -o - made a file named -"
cd - >/dev/null
expect_status 0 filter "$T/hello" -o /dev/null
[ -c /dev/null ] || fail "filter -o /dev/null replaced /dev/null"

: >"$T/empty"
expect_status 0 hexdump "$T/empty"
[ -s "$T/out" ] && fail "hexdump of an empty file is not empty"
head -c 100 /dev/zero >"$T/hundred"
expect_status 0 hexdump "$T/hundred"
[ "$(wc -c <"$T/out")" -eq 567 ] || fail "hexdump of 100 bytes is not 567 bytes"

# A file over one read block, against an independent formatter.
head -c 300007 /dev/urandom >"$T/random"
python3 - "$T/random" >"$T/random.hex" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
out = sys.stdout.buffer
for off in range(0, len(data), 16):
    b = data[off:off + 16]
    h = ''.join(('%02X ' % b[i] if i < len(b) else '   ') + (' ' if i == 7 else '') for i in range(16))
    c = ''.join((chr(b[i]) if 0x20 <= b[i] <= 0x7E else '.') if i < len(b) else ' ' for i in range(16))
    out.write(('%06X:  ' % off + h + '    ' + c[:8] + ' ' + c[8:] + '\r\n').encode('latin-1'))
PY
expect_status 0 hexdump "$T/random" -o "$T/random.out"
same "$T/random.out" "$T/random.hex" "hexdump of 300007 random bytes"
cat "$T/random" | "$ORV" hexdump - >"$T/random.pipe" || fail "hexdump - from a pipe"
same "$T/random.pipe" "$T/random.hex" "hexdump from standard input"

# ---- filter ----
printf '\x41\x07\x27\x42\x07\x31\x43\x07\x07\x44' >"$T/stream"
printf '\x41\x07\x42\x43\x07\x07\x44' >"$T/stream.want"
expect_status 0 filter "$T/stream"
same "$T/out" "$T/stream.want" "filter"
expect_status 0 filter "$T/stream" -o "$T/stream.out"
same "$T/stream.out" "$T/stream.want" "filter -o"
printf 'ab\x07\x4f\x07' >"$T/lone"
printf 'ab\x07' >"$T/lone.want"
expect_status 0 filter "$T/lone"
same "$T/out" "$T/lone.want" "filter keeps a lone 0x07 at the end"
expect_status 0 filter "$T/empty"
[ -s "$T/out" ] && fail "filter of an empty file is not empty"

# ---- view ----
# view_case NAME INPUT-PRINTF EXPECTED-PRINTF [--filtered]
view_case() {
  printf "$2" >"$T/v.in"
  printf "$3" >"$T/v.want"
  expect_status 0 view ${4:-} "$T/v.in"
  same "$T/out" "$T/v.want" "view $1"
}
view_case "CR LF" 'AB\r\nCD' 'AB\nCD\n'
view_case "LF keeps the column" 'AB\nCD' 'AB\n  CD\n'
view_case "CR overwrites" 'AB\rCD' 'CD\n'
view_case "empty" '' ''
view_case "only line feeds" '\n\n\n' ''
view_case "blank rows before text" '\n\n   X  ' '\n\n   X\n'
view_case "non-printing" 'a\tb\x7f\xc8' 'a.b..\n'
view_case "escapes unfiltered" '\x41\x07\x27\x42\x07\x31' 'A.\x27B.1\n'
view_case "escapes filtered" '\x41\x07\x27\x42\x07\x31\x43\x07\x07\x44' 'A.BC..D\n' --filtered
view_case "lone escape filtered" 'x\x07' 'x.\n' --filtered
python3 -c "import sys; sys.stdout.write('y' * 300)" >"$T/long"
python3 -c "import sys; sys.stdout.write('y' * 128 + '\n' + 'y' * 128 + '\n' + 'y' * 44 + '\n')" >"$T/long.want"
expect_status 0 view "$T/long"
same "$T/out" "$T/long.want" "view of a 300-byte line"
# The text view reads the first MiB only; the filtered view the whole file.
{ head -c 1048576 /dev/zero | tr '\0' '\r'; printf 'Z'; } >"$T/big"
expect_status 0 view "$T/big"
[ -s "$T/out" ] && fail "view read past the first MiB"
expect_status 0 view --filtered "$T/big"
[ "$(cat "$T/out")" = "Z" ] || fail "view --filtered did not read the whole file"
# Nothing from row 8191 on.
python3 -c "import sys; sys.stdout.write('row\r\n' * 9000)" >"$T/rows"
expect_status 0 view "$T/rows"
[ "$(wc -l <"$T/out")" -eq 8191 ] || fail "view shows $(wc -l <"$T/out") rows, wanted 8191"

# ---- render ----
mkdir "$T/r"
# A device reply (0x07 0x4A) in the heading: rendered is what the printer got.
printf '\x1b@\x1bEDELIVERY \x07\x4aNOTE 4711\x1bF\r\nWidget        3 pcs\r\n\x0c' >"$T/r/job.zrd"
expect_status 0 render "$T/r/job.zrd"
pdftotext "$T/r/job.pdf" - 2>/dev/null | grep -q "DELIVERY NOTE 4711" || fail "render: no PDF with the job's text beside FILE"
[ "$(pdfinfo "$T/r/job.pdf" 2>/dev/null | sed -n 's/^Page size: *\([0-9.]* x [0-9.]*\).*/\1/p')" = "595.28 x 841.89" ] ||
  fail "render: not A4 by default"
[ -s "$T/err" ] && fail "render: stderr without a skipped command: $(cat "$T/err")"
expect_status 0 render "$T/r/job.zrd" --to text
grep -q "^DELIVERY NOTE 4711$" "$T/r/job.txt" || fail "render --to text: not beside FILE as .txt"
expect_status 0 render --paper letter "$T/r/job.zrd" -o "$T/r/letter.pdf" --code-page 850 --printer ibm
pdfinfo "$T/r/letter.pdf" 2>/dev/null | grep -q "612 x 792" || fail "render --paper letter: not letter"
# ESC 3 36 is 1/5 inch on a 24-pin printer, 1/6 on a 9-pin one: 60 lines
# fill 12 inches (two A4 pages) or 10 (one).  auto takes the 9-pin units
# and says so.
{ printf '\x1b3\x24'; for _ in $(seq 60); do printf 'line\r\n'; done; } >"$T/r/pins.zrd"
for pins in epson:1 epson9:0 auto:0; do
  expect_status 0 render "$T/r/pins.zrd" -o - --to text --printer "${pins%:*}"
  [ "$(tr -cd '\f' <"$T/out" | wc -c)" -eq "${pins#*:}" ] || fail "render --printer ${pins%:*}: $(tr -cd '\f' <"$T/out" | wc -c) form feeds"
done
grep -qx "orvantide: printer mode epson9: 9-pin units, as ESC 3 36 at 0 tells" "$T/err" ||
  fail "render --printer auto: the choice not told: $(cat "$T/err")"
expect_status 0 render "$T/r/pins.zrd" -o - --to text
cmp -s "$T/out" <("$ORV" render "$T/r/pins.zrd" -o - --to text --printer epson9 2>/dev/null) &&
  grep -q "9-pin units" "$T/err" || fail "render: auto is not the default"
# A capture file is decoded, any other file is not, unless --input says:
# in a print file 0x07 0x4A is a BEL and a J.
cp "$T/r/job.zrd" "$T/r/job.prn"
for input in ":JNOTE" "--input capture:DELIVERY NOTE" "--input raw:JNOTE"; do
  expect_status 0 render "$T/r/job.prn" -o - --to text ${input%:*}
  grep -q "${input#*:}" "$T/out" || fail "render job.prn ${input%:*}: $(head -1 "$T/out")"
done
expect_status 0 render "$T/r/job.zrd" -o - --to text --input raw
grep -q "JNOTE" "$T/out" || fail "render job.zrd --input raw: $(head -1 "$T/out")"
# Code pages by name and number; the top of form.
printf '\x8f\x87\x9f\x91\r\n' >"$T/r/czech.prn"
for cp in kamenicky 895 KEYBCS2; do
  expect_status 0 render "$T/r/czech.prn" -o - --to text --code-page "$cp"
  [ "$(cat "$T/out")" = "Áčťž" ] || fail "render --code-page $cp: $(cat "$T/out")"
done
# The glyphs' top: the first baseline (9 points below the top of form, but
# never so high that the glyphs leave the sheet) less the face's ascent.
for tof in 0:0 1in:69.9 8.5mm:22; do
  expect_status 0 render "$T/r/czech.prn" -o - --top-of-form "${tof%:*}"
  top=$(pdftotext -bbox "$T/out" - 2>/dev/null | sed -n 's/.*<word xMin="[0-9.]*" yMin="\([0-9.]*\)".*/\1/p' | head -1)
  python3 -c "import sys; sys.exit(0 if abs(float('${top:-999}') - ${tof#*:}) < 0.5 else 1)" ||
    fail "render --top-of-form ${tof%:*}: the first line's top at ${top:-nowhere}"
done
expect_status 0 render "$T/r/job.zrd" -o "$T/r/other.TXT"
cmp -s "$T/r/other.TXT" "$T/r/job.txt" || fail "render -o X.TXT: not the text"
expect_status 0 render "$T/r/job.zrd" -o - --to text
cmp -s "$T/out" "$T/r/job.txt" || fail "render -o - --to text: not the text on standard output"
expect_status 0 render "$T/r/job.zrd" -o -
cmp -s "$T/out" "$T/r/job.pdf" || fail "render -o -: not the same PDF on standard output"
cat "$T/r/job.zrd" | "$ORV" render - --input capture >"$T/r/piped.pdf" 2>/dev/null || fail "render - from a pipe"
cmp -s "$T/r/piped.pdf" "$T/r/job.pdf" || fail "render -: not the same PDF"
printf 'A\x1bq\x01B\r\n' >"$T/r/skips.zrd"
expect_status 0 render "$T/r/skips.zrd"
[ "$(wc -l <"$T/err")" -eq 1 ] && grep -q "^orvantide: skipped 1 command: ESC q" "$T/err" ||
  fail "render: skipped commands not told in one line: $(cat "$T/err")"
expect_status 2 render
expect_status 2 render "$T/r/job.zrd" "$T/r/job.zrd"
expect_status 2 render "$T/r/job.zrd" --to html
expect_status 2 render "$T/r/job.zrd" --paper a3
expect_status 2 render "$T/r/job.zrd" --code-page 1250
expect_status 2 render "$T/r/job.zrd" --code-page kamenick
expect_status 2 render "$T/r/job.zrd" --input device
expect_status 2 render "$T/r/job.zrd" --top-of-form 5cm
expect_status 2 render "$T/r/job.zrd" --top-of-form 101mm
expect_status 2 render "$T/r/job.zrd" --printer hp
expect_status 2 render "$T/r/job.zrd" --paper
expect_status 2 render "$T/r/job.zrd" -o a -o b
expect_status 1 render "$T/r/missing.zrd"
expect_status 1 render "$T/r"
expect_status 1 render "$T/r/job.pdf"  # OUT would be FILE itself
head -c 5 "$T/r/job.pdf" | grep -q '%PDF-' || fail "render FILE.pdf changed FILE"
expect_status 1 render "$T/r/job.zrd" -o "$T/r/no/such/folder/out.pdf"
printf 'keep' >"$T/r/kept.pdf"
for job in '\x1bE\x1b&l0O\x1b(s0p10h12v0s0b3THello:PCL' '\x1b%%-12345X@PJL JOB\r\n:PJL' '%%!PS-Adobe-3.0\n:PostScript'; do
  printf "${job%:*}" >"$T/r/foreign.zrd"
  expect_status 3 render "$T/r/foreign.zrd" -o "$T/r/kept.pdf"
  grep -qx "orvantide: $T/r/foreign.zrd is a ${job##*:} job; only plain text and ESC/P are rendered" "$T/err" ||
    fail "render of a ${job##*:} job: said $(cat "$T/err")"
done
[ "$(cat "$T/r/kept.pdf")" = keep ] || fail "a failed render changed OUT"
[ "$(LC_ALL=C ls -A "$T/r" | tr '\n' ' ')" = "czech.prn foreign.zrd job.pdf job.prn job.txt job.zrd kept.pdf letter.pdf other.TXT pins.zrd piped.pdf skips.pdf skips.zrd " ] ||
  fail "files left in the render folder: $(ls -A "$T/r")"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all companion checks passed"
