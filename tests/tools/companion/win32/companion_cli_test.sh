#!/usr/bin/env bash
# orvantide-cli.exe under Wine against the Linux orvantide: for each command
# line, run in a folder of generated files, the same exit status, the same
# bytes on stdout and stderr, and the same OUT file.
set -u
CLI=${1:?usage: companion_cli_test.sh orvantide-cli.exe NATIVE-orvantide}
NATIVE=${2:?usage: companion_cli_test.sh orvantide-cli.exe NATIVE-orvantide}
if [ ! -x "$NATIVE" ]; then
  echo "SKIP: no Linux orvantide at $NATIVE to compare with"
  exit 77
fi
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")  # the commands run in another folder
NATIVE=$(cd "$(dirname "$NATIVE")" && pwd)/$(basename "$NATIVE")
WINE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../wine" && pwd)
source "$WINE_DIR/env.sh"
export LC_ALL=C.UTF-8  # Wine reads the Linux argv as UTF-8 only in a UTF-8 locale
[ -f "$WINEPREFIX/.orv-ready" ] || "$WINE_DIR/session" prefix >/dev/null 2>&1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
R=$T/results  # outside the folder the commands see
W=$T/work
mkdir "$R" "$W"
failures=0
checks=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Like tests/wine/run: a start that failed at once without a word is made
# once more; stdout and stderr stay apart here.
cli() {
  local attempt rc started
  for attempt in 1 2; do
    started=$(date +%s%N)
    (cd "$W" && "$ORV_WINE" "$CLI" "$@" >"$R/w.out" 2>"$R/w.err")
    rc=$?
    [ $rc -ne 0 ] && [ ! -s "$R/w.out" ] && [ ! -s "$R/w.err" ] &&
      [ $(((($(date +%s%N) - started)) / 1000000)) -lt 1000 ] || break
  done
  return $rc
}

# same OUT ARGS... : runs both with ARGS in $W and compares; OUT ("" for
# none) is a file the command writes, compared as well and put back to
# what it was before each run.
same() {
  local out=$1
  shift
  checks=$((checks + 1))
  [ -n "$out" ] && { if [ -e "$W/$out" ]; then cp -p "$W/$out" "$R/before"; else rm -f "$R/before"; fi; }
  (cd "$W" && "$NATIVE" "$@" >"$R/n.out" 2>"$R/n.err")
  local nrc=$?
  if [ -n "$out" ]; then
    if [ -e "$W/$out" ]; then cp "$W/$out" "$R/n.file"; else echo missing >"$R/n.file"; fi
    if [ -e "$R/before" ]; then cp -p "$R/before" "$W/$out"; else rm -f "$W/$out"; fi
  fi
  cli "$@"
  local wrc=$?
  [ "$wrc" -eq "$nrc" ] || fail "$*: exit status $wrc, Linux $nrc ($(cat "$R/w.err"))"
  cmp -s "$R/w.out" "$R/n.out" || fail "$*: stdout differs: $(xxd "$R/w.out" | head -3)"
  cmp -s "$R/w.err" "$R/n.err" || fail "$*: stderr differs: '$(cat "$R/w.err")' vs '$(cat "$R/n.err")'"
  if [ -n "$out" ]; then
    if [ -e "$W/$out" ]; then cp "$W/$out" "$R/w.file"; else echo missing >"$R/w.file"; fi
    cmp -s "$R/w.file" "$R/n.file" || fail "$*: $out differs"
    if [ -e "$R/before" ]; then cp -p "$R/before" "$W/$out"; else rm -f "$W/$out"; fi
  fi
  return 0
}

# ---- inputs ----
: >"$W/empty"
printf 'x' >"$W/one"
printf '\x41\x07\x27\x42\x07\x31\x43\x07\x07\x44\r\nab\x07\x4f\x07' >"$W/escapes"
head -c 300007 /dev/urandom >"$W/random"  # over a read block of each command
python3 -c "import sys; sys.stdout.write('row\r\n' * 9000 + 'y' * 300)" >"$W/rows"
printf 'AB\r\nCD\nEF\rG\t\x7f\xc8' >"$W/text"
for f in empty one escapes random rows text; do
  same "" hexdump "$f"
  same "" filter "$f"
  same "" view "$f"
  same "" view --filtered "$f"
  same out hexdump "$f" -o out
  same out filter -o out "$f"
done
same "" hexdump random -o -
# Documents: the text of a print job, a file beside it, the reports.
printf '\x1b@\x1bEDELIVERY NOTE 4711\x1bF\r\nWidget\x1bq\x01        3 pcs\r\n\x0cpage 2\r\n' >"$W/job"
printf '%%!PS-Adobe-3.0\n' >"$W/ps"
same "" render job -o - --to text --code-page 850 --printer ibm
same "" render job -o - --to text --printer epson9
same job.txt render job --to text
same job.pdf render job  # the PDF too, byte for byte
same "" render job -o -
cp "$W/job" "$W/Ω中.zrd"
same "Ω中.txt" render "Ω中.zrd" --to text
rm "$W/Ω中.zrd"
same "" render text -o - --to text
same "" render ps -o -
same "" render job --paper a3
same "" render missing
# A name beyond the ANSI code page: the wide command line keeps it.
cp "$W/escapes" "$W/Ω中"
same "Ω中.out" filter "Ω中" -o "Ω中.out"
same "" view --filtered "Ω中"
same "" hexdump "Ω中-missing"
rm "$W/Ω中"
(cd "$W" && cat random | "$NATIVE" hexdump - >"$R/n.pipe")
(cd "$W" && cat random | "$ORV_WINE" "$CLI" hexdump - >"$R/w.pipe" 2>/dev/null) || fail "hexdump - from a pipe"
cmp -s "$R/w.pipe" "$R/n.pipe" || fail "hexdump - from a pipe: output differs"

# ---- wrong usage: 2 ----
same ""
same "" frobnicate x
same "" hexdump
same "" hexdump one one
same "" hexdump one -o
same "" hexdump one -x
same "" filter one -o x -o y
same "" view
same "" view --bogus one
same "" view one one

# ---- failures: 1, and OUT as it was ----
same "" hexdump missing
same "" filter missing
same "" view missing
same "" view --filtered missing
same "" hexdump .
same "" filter one -o no/such/folder/out
printf 'old content, longer than the new one' >"$W/old"
same old hexdump missing -o old
same old filter . -o old
same old hexdump one -o old  # replaced
cp "$W/escapes" "$W/in"
ln "$W/in" "$W/hard"
for out in in ./in hard; do
  same in hexdump in -o "$out"
done
(cd "$W" && "$ORV_WINE" "$CLI" filter in >>in 2>/dev/null)
[ $? -eq 1 ] || fail "filter FILE >> FILE was not refused"
cmp -s "$W/in" "$W/escapes" || fail "filter FILE >> FILE changed FILE"
checks=$((checks + 1))

# ---- Windows names: NUL is the device, not a file ----
cli filter random -o NUL || fail "filter -o NUL failed: $(cat "$R/w.err")"
[ -s "$R/w.out" ] && fail "filter -o NUL wrote to stdout"
[ -e "$W/NUL" ] && fail "filter -o NUL made a file"
checks=$((checks + 1))

# A command ended from outside half-way leaves OUT as it was and no
# temporary file: the input, a FIFO held open, never ends.
cp "$W/old" "$R/old"
mkfifo "$R/fifo"
exec 3<>"$R/fifo"
(cd "$W" && exec "$ORV_WINE" "$CLI" hexdump - -o old <"$R/fifo" 2>/dev/null) &
pid=$!
timeout 10 head -c 300000 /dev/zero >&3
for _ in $(seq 100); do ls -A "$W" | grep -q '\.tmp$' && break; sleep 0.1; done
ls -A "$W" | grep -q '\.tmp$' || fail "hexdump - -o old: no temporary file while writing"
kill -KILL "$pid"
wait "$pid" 2>/dev/null
exec 3>&-
for _ in $(seq 50); do ls -A "$W" | grep -q '\.tmp$' || break; sleep 0.1; done
ls -A "$W" | grep -q '\.tmp$' && fail "a killed hexdump left its temporary file"
cmp -s "$W/old" "$R/old" || fail "a killed hexdump changed OUT"
checks=$((checks + 1))

leftover=$(ls -A "$W" | grep -v -x -E 'empty|one|escapes|random|rows|text|old|in|hard|job|ps')
[ -z "$leftover" ] || fail "files left behind: $leftover"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s) in $checks command lines"
  exit 1
fi
echo "all $checks companion command lines alike on Windows and Linux"
