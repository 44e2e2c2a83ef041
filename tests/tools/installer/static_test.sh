#!/usr/bin/env bash
# What the installer does that a host cannot run, checked without running
# it: the task definitions of the zip within the Task Scheduler schema's
# rules, and the installer script's two branches as makensis reads them:
# the shipped 32-bit one (Program Files, or Program Files (x86) on 64-bit
# Windows, the registry's 32-bit view), which a host without 32-bit Wine
# never installs, and the 64-bit one its tests run instead.
# Usage: static_test.sh MAKENSIS Orvantide.nsi STAGE-FOLDER
set -u
MAKENSIS=${1:?usage: static_test.sh MAKENSIS NSI STAGE}
NSI=${2:?}
STAGE=${3:?}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

python3 "$(dirname "$0")/task_rules.py" "$STAGE/OrvantideCaptureTask-64bit-Windows.xml" \
  "$STAGE/OrvantideCaptureTask-32bit-Windows.xml" || fail "a task definition of the zip breaks the schema"
grep -aq 'P.r.o.g.r.a.m. .F.i.l.e.s. .(.x.8.6.)' "$STAGE/OrvantideCaptureTask-64bit-Windows.xml" ||
  fail "the 64-bit Windows definition does not name Program Files (x86)"
grep -aq 'P.r.o.g.r.a.m. .F.i.l.e.s.\\.K' "$STAGE/OrvantideCaptureTask-32bit-Windows.xml" ||
  fail "the 32-bit Windows definition does not name Program Files"

# The script after its !if branches, one architecture at a time.
branch() {
  "$MAKENSIS" -NOCD -DVERSION=1.0.0 -DCOPYRIGHT=x -DARCH="$1" -DSTAGE="$STAGE" -DOUTFILE=unused.exe \
    "-PPO" "$NSI" 2>/dev/null
}
x86=$(branch x86) || fail "the 32-bit branch does not preprocess"
amd64=$(branch amd64) || fail "the 64-bit branch does not preprocess"
grep -q '^ *InstallDir "\$PROGRAMFILES\\Kelmora\\Orvantide"' <<<"$x86" || fail "32-bit: not into \$PROGRAMFILES"
grep -qi 'SetRegView' <<<"$x86" && fail "32-bit: the registry's 64-bit view"
grep -q '^ *Target amd64' <<<"$x86" && fail "32-bit: an amd64 target"
grep -q '^ *InstallDir "\$PROGRAMFILES64\\Kelmora\\Orvantide"' <<<"$amd64" || fail "64-bit: not into \$PROGRAMFILES64"
grep -q '^ *SetRegView 64' <<<"$amd64" || fail "64-bit: not the registry's 64-bit view"
# What both must do alike.
for arch in x86 amd64; do
  script=$([ $arch = x86 ] && echo "$x86" || echo "$amd64")
  grep -q 'schtasks.exe" /Delete /TN "Orvantide capture" /F' <<<"$script" ||
    fail "$arch: the uninstaller does not remove the task"
  grep -q '/UPGRADE' <<<"$script" || fail "$arch: an upgrade is not told to its uninstaller"
done

[ $failures -eq 0 ] && echo "installer script and task definitions: ok"
exit $((failures > 0))
