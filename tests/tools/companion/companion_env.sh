# Sourced by the companion's device tests: runs $EXE natively, or under Wine
# when it is orvantide-cli.exe, with the paths, serial port and stop signal
# of each; a work folder, and the processes to end with it.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
source "$ROOT/tools/devsim/port.sh"
case "$EXE" in
*.exe)
  source "$ROOT/tests/wine/env.sh"
  export LC_ALL=C.UTF-8
  [ -f "$WINEPREFIX/.orv-ready" ] || "$ROOT/tests/wine/session" prefix >/dev/null 2>&1
  # Every run on the test display, as on Windows, where a desktop is always
  # there: a first program without one leaves Wine's desktop without a
  # display for the programs after it, whose windows then miss the end of
  # a session.
  [ -f "$ORV_WINE_DIR/display" ] && export DISPLAY=$(cat "$ORV_WINE_DIR/display")
  EXE=$(cd "$(dirname "$EXE")" && pwd)/$(basename "$EXE")
  # A start that failed at once without a word is made once more, as
  # tests/wine/run does.
  orv() {
    local attempt rc started o e
    o=$(mktemp) e=$(mktemp)
    for attempt in 1 2; do
      started=$(date +%s%N)
      "$ORV_WINE" "$EXE" "$@" >"$o" 2>"$e"
      rc=$?
      [ $rc -ne 0 ] && [ ! -s "$o" ] && [ ! -s "$e" ] && [ $((($(date +%s%N) - started) / 1000000)) -lt 1000 ] ||
        break
    done
    cat "$o"
    cat "$e" >&2
    rm -f "$o" "$e"
    return $rc
  }
  orv_direct() { exec "$ORV_WINE" "$EXE" "$@"; }
  native() { local p=${1//\//\\}; echo "Z:$p"; }
  tty_link() { echo "$WINEPREFIX/dosdevices/com9"; }
  tty_device() { echo COM9; }
  STOP_SIGNAL=INT  # Wine hands it to the console handler as Ctrl+C
  ;;
*)
  orv() { "$EXE" "$@"; }
  orv_direct() { exec "$EXE" "$@"; }
  native() { echo "$1"; }
  tty_link() { echo "$WORK/tty"; }
  tty_device() { echo "$WORK/tty"; }
  STOP_SIGNAL=TERM
  ;;
esac

WORK=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$WORK"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# expect STATUS TEXT ARGS...: the command ends with STATUS and one line on
# standard error that holds TEXT.
expect() {
  local want=$1 text=$2; shift 2
  orv "$@" >"$WORK/out" 2>"$WORK/err"
  local rc=$?
  [ $rc -eq "$want" ] || fail "$*: exit $rc, not $want"
  [ "$(wc -l <"$WORK/err")" -eq 1 ] && grep -q -- "$text" "$WORK/err" || fail "$*: said $(cat "$WORK/err")"
}
