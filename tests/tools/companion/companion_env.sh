# Sourced by the companion's device tests: runs $EXE natively, or under Wine
# when it is orvantide-cli.exe, with the paths, serial port and stop signal
# of each.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
source "$ROOT/tools/devsim/port.sh"
case "$EXE" in
*.exe)
  source "$ROOT/tests/wine/env.sh"
  export LC_ALL=C.UTF-8
  [ -f "$WINEPREFIX/.orv-ready" ] || "$ROOT/tests/wine/session" prefix >/dev/null 2>&1
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
