#!/usr/bin/env bash
# The installer as a new user meets it: a fresh Wine prefix, a silent
# install with the scheduled task's definition for its folder, the
# installed program started in English and in German, an
# upgrade over an older version and a second install over the first, the
# refusal while the program runs, and a silent uninstall that keeps the
# user's profile and captures.
# Usage: install_test.sh SETUP.exe STAGE-FOLDER Orvantide.nsi MAKENSIS VERSION
set -u
SETUP=${1:?usage: install_test.sh SETUP STAGE NSI MAKENSIS VERSION}
STAGE=${2:?}
NSI=${3:?}
MAKENSIS=${4:?}
VERSION=${5:?}
WINE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../wine" && pwd)
source "$WINE_DIR/env.sh"
if [ ! -f "$ORV_WINE_DIR/display" ]; then
  echo "FAIL: no test display (tests/wine/session start)"
  exit 1
fi
export DISPLAY=$(cat "$ORV_WINE_DIR/display")
export LC_ALL=C.UTF-8

T=$(mktemp -d)
export WINEPREFIX=$ORV_WINE_DIR/install-$$
program_pid=
kept=
cleanup() {
  [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  [ -n "$kept" ] && rm -f "$kept"
  rm -rf "$WINEPREFIX" "$T"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
wine_() { "$ORV_WINE" "$@" </dev/null >>"$T/wine.log" 2>&1; }

DIR_WIN='C:\Program Files\Kelmora\Orvantide'
KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelmora Orvantide'
SHIPPED="Orvantide.exe orvantide-cli.exe README.txt DejaVu-License.txt $(cd "$STAGE" && ls Orvantide[0-9]*.dll | tr '\n' ' ')"

# Wine's helpers (services, explorer) of a new prefix would hold ctest's
# pipes open: everything Wine prints goes to a file.
wine_ wineboot -i || { fail "the new prefix did not start"; exit 1; }
DIR=$WINEPREFIX/drive_c/Program\ Files/Kelmora/Orvantide
LINK=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Kelmora\ Orvantide.lnk

reg_value() {  # the data of one value of the uninstall key, or nothing
  "$ORV_WINE" reg query "$KEY" /v "$1" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}

expect_installed() {  # VERSION: files as staged, shortcut, one uninstall entry
  local file
  for file in $SHIPPED; do
    cmp -s "$STAGE/$file" "$DIR/$file" || fail "$1: $file not installed as built"
  done
  [ -f "$DIR/uninstall.exe" ] || fail "$1: no uninstaller"
  [ -f "$LINK" ] || fail "$1: no Start-menu shortcut"
  [ "$(reg_value DisplayVersion)" = "$1" ] || fail "$1: Add/Remove Programs shows version '$(reg_value DisplayVersion)'"
  local size=$(($(reg_value EstimatedSize)))  # KiB
  local files_kib=$(($(cat "$DIR"/* | wc -c) / 1024))
  [ "$size" -ge "$files_kib" ] && [ "$size" -le $((files_kib + 64)) ] ||
    fail "$1: size $size KiB shown for $files_kib KiB of files"
  [ "$(reg_value UninstallString)" = "\"$DIR_WIN\\uninstall.exe\"" ] || fail "$1: uninstall string '$(reg_value UninstallString)'"
}

# Starts the installed program in a locale and sets library to the
# language library it mapped.  The program runs until stop_program.
start_program() {
  LC_ALL=$1 "$ORV_WINE" "$DIR_WIN\\Orvantide.exe" </dev/null >>"$T/wine.log" 2>&1 &
  program_pid=$!
  library=
  for _ in $(seq 150); do
    library=$(grep -o 'Orvantide[0-9]*\.dll' "/proc/$program_pid/maps" 2>/dev/null | head -n 1)
    [ -n "$library" ] && break
    sleep 0.1
  done
}
stop_program() {
  kill -9 "$program_pid" 2>/dev/null
  wait "$program_pid" 2>/dev/null
  program_pid=
}

# An older version with a file this one no longer ships.
old=$T/old
cp -r "$STAGE" "$old"
echo "obsolete" >"$old/obsolete.txt"
sed -i -e '/^!macro ORV_INSTALL_FILES/a\  File "${STAGE}\\obsolete.txt"' \
       -e '/^!macro ORV_REMOVE_FILES/a\  Delete "$INSTDIR\\obsolete.txt"' "$old/Files.nsh"
grep -q 'File "${STAGE}\\obsolete.txt"' "$old/Files.nsh" && grep -q 'Delete "$INSTDIR\\obsolete.txt"' "$old/Files.nsh" ||
  { fail "could not make the older installer's file list"; exit 1; }
"$MAKENSIS" -V1 -NOCD -DVERSION=0.9.0 "-DCOPYRIGHT=Copyright (C) Kelmora" -DARCH=$([ "$ORV_WINE_ARCH" = win64 ] && echo amd64 || echo x86) \
  "-DSTAGE=$old" "-DOUTFILE=$T/old-setup.exe" "$NSI" >"$T/makensis.log" 2>&1 ||
  { cat "$T/makensis.log"; fail "the older installer did not build"; exit 1; }

TASK="$DIR/OrvantideCaptureTask.xml"
TASKS_DIR=$WINEPREFIX/drive_c/windows/system32/tasks
registered() { [ -f "$TASKS_DIR/Orvantide capture" ]; }
# Wine's Task Scheduler service, which a new prefix does not start by
# itself; its service database stays locked for a few seconds first.
start_scheduler() {
  for _ in $(seq 30); do
    "$ORV_WINE" net start schedule </dev/null >"$T/net.log" 2>&1 && return 0
    grep -q 'already' "$T/net.log" && return 0
    sleep 1
  done
  cat "$T/net.log" >>"$T/wine.log"
  return 1
}

# 1. A fresh silent install of the older version; the user edits the task
# definition and registers it; then this version over it keeps both.
wine_ "$T/old-setup.exe" /S || fail "the older version's install failed"
[ -f "$DIR/obsolete.txt" ] && [ "$(reg_value DisplayVersion)" = 0.9.0 ] || fail "the older version is not installed"
python3 - "$TASK" <<'EOF' || fail "could not edit the task definition"
import sys
path = sys.argv[1]
text = open(path, "rb").read().decode("utf-16")
edited = text.replace("capture --serial COM3", "capture --lan 10.0.0.5")
assert edited != text
open(path, "wb").write(b"\xff\xfe" + edited.encode("utf-16-le"))
EOF
cp "$TASK" "$T/edited.xml"
start_scheduler || fail "Wine's Task Scheduler service did not start"
wine_ schtasks /Create /TN "Orvantide capture" /XML "$DIR_WIN\\OrvantideCaptureTask.xml" && registered ||
  fail "Wine's schtasks did not register the definition"
wine_ "$SETUP" /S || fail "the upgrade failed (exit $?)"
expect_installed "$VERSION"
[ ! -e "$DIR/obsolete.txt" ] || fail "the upgrade left the older version's file behind"
cmp -s "$T/edited.xml" "$TASK" || fail "the upgrade did not keep the definition the user edited"
registered || fail "the upgrade took the registered task"
# The scheduled task's definitions within the schema's rules, this
# version's beside the user's.
python3 "$(dirname "$0")/task_rules.py" "$TASK" "$DIR/OrvantideCaptureTask.new.xml" || fail "a definition breaks the schema"
python3 - "$DIR/OrvantideCaptureTask.new.xml" "$DIR_WIN" <<'EOF' || fail "the scheduled task's definition"
import sys, xml.etree.ElementTree as ET
data = open(sys.argv[1], "rb").read()
assert data[:2] == b"\xff\xfe", "not UTF-16 LE with a byte-order mark"
ns = {"t": "http://schemas.microsoft.com/windows/2004/02/mit/task"}
task = ET.fromstring(data)
text = lambda path: task.findtext(path, namespaces=ns)
want = {"t:Actions/t:Exec/t:Command": '"%s\\orvantide-cli.exe"' % sys.argv[2],
        "t:Actions/t:Exec/t:WorkingDirectory": sys.argv[2],
        "t:Principals/t:Principal/t:UserId": "S-1-5-18",
        "t:Principals/t:Principal/t:RunLevel": "HighestAvailable",
        "t:Settings/t:ExecutionTimeLimit": "PT0S",
        "t:Settings/t:RestartOnFailure/t:Interval": "PT1M",
        "t:Settings/t:RestartOnFailure/t:Count": "255",
        "t:Settings/t:MultipleInstancesPolicy": "IgnoreNew",
        "t:Settings/t:DisallowStartIfOnBatteries": "false",
        "t:Settings/t:StopIfGoingOnBatteries": "false"}
wrong = [f"{p}: {text(p)!r}" for p, v in want.items() if text(p) != v]
if task.find("t:Triggers/t:BootTrigger", ns) is None:
    wrong.append("no boot trigger")
if not (text("t:Actions/t:Exec/t:Arguments") or "").startswith("capture "):
    wrong.append("no capture arguments")
assert not wrong, "; ".join(wrong)
EOF

# 2. The installed program starts, in the user's language.
start_program de_DE.UTF-8
[ "$library" = Orvantide1031.dll ] || fail "a German user got '${library:-no library}'"
stop_program
start_program fr_FR.UTF-8
[ "$library" = Orvantide1033.dll ] || fail "a French user got '${library:-no library}', not English"
# The program writes its profile after it has mapped its library: on a busy
# machine that can take a while.
PROFILE_WAIT_TENTHS=300
for _ in $(seq $PROFILE_WAIT_TENTHS); do
  profile=$(find "$WINEPREFIX/drive_c/users" -path '*Kelmora/Orvantide/zr52profile.ini' | head -n 1)
  [ -n "$profile" ] && grep -q "^path=" "$profile" && break
  sleep 0.1
done
[ -n "$profile" ] || fail "the program made no profile"

# 3. While it runs, neither the installer nor the uninstaller touches it.
wine_ "$SETUP" /S
rc=$?
[ $rc -eq 2 ] || fail "install over the running program: exit $rc, not 2"
# Run in place (NSIS's "_?=", which takes the rest of the line unquoted)
# so that the exit code is its own, not that of the copy it would start.
# Wine quotes an argument with spaces: the folder goes word by word.
read -ra in_place <<<"_?=$DIR_WIN"
wine_ "$DIR_WIN\\uninstall.exe" /S "${in_place[@]}"
rc=$?
[ $rc -eq 2 ] || fail "uninstall under the running program: exit $rc, not 2"
expect_installed "$VERSION"
stop_program
# The companion capturing unattended (here: waiting for a device that
# never answers) counts as running too.
"$ORV_WINE" "$DIR_WIN\\orvantide-cli.exe" capture --lan 127.0.0.1:9 -d 'C:\captures' </dev/null >>"$T/wine.log" 2>&1 &
program_pid=$!
for _ in $(seq 150); do
  grep -q 'orvantide-cli\.exe' "/proc/$program_pid/maps" 2>/dev/null && break
  sleep 0.1
done
wine_ "$SETUP" /S
rc=$?
[ $rc -eq 2 ] || fail "install over the running companion: exit $rc, not 2"
stop_program

# 4. A second install over the first.
wine_ "$SETUP" /S || fail "the second install failed"
expect_installed "$VERSION"
[ "$("$ORV_WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' </dev/null 2>/dev/null |
     grep -c 'Kelmora')" = 1 ] || fail "more than one Add/Remove Programs entry"

# 5. The silent uninstall: our files go, the profile and a capture stay.
# A capture in the folder the profile names (Wine links Documents to $HOME).
captures=
if [ -n "$profile" ]; then
  captures=$("$ORV_WINE" winepath -u "$(sed -n 's/^path=//p' "$profile" | tr -d '\r')" </dev/null 2>/dev/null)
fi
if [ -n "$captures" ]; then
  kept=$captures/kept-$$.zrd
  mkdir -p "$captures" && echo capture >"$kept"
else
  fail "no capture folder in the profile"
fi
registered || fail "the reinstall took the registered task"
wine_ "$DIR_WIN\\uninstall.exe" /S || fail "the uninstaller failed"
wineserver -w  # it finishes from a copy of itself
registered && fail "the uninstall left the task it documented registered"
[ ! -e "$DIR" ] || fail "the uninstall left $(ls "$DIR" | tr '\n' ' ')"
[ ! -e "$LINK" ] || fail "the uninstall left the shortcut"
[ -z "$(reg_value DisplayName)" ] || fail "the uninstall left the Add/Remove Programs entry"
[ -n "$profile" ] && [ -f "$profile" ] || fail "the uninstall took the profile"
[ -z "$captures" ] || [ -f "$kept" ] || fail "the uninstall took a capture"

if [ $failures -ne 0 ]; then
  echo "--- wine output"; tail -n 20 "$T/wine.log"
  exit 1
fi
echo "installer: install, upgrade, start in two languages, refusal while running, reinstall, uninstall: ok"
