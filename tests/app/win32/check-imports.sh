#!/usr/bin/env bash
# Fails when a Windows binary imports anything but system DLLs, or is not
# of the given format and subsystem (GUI, or CUI for a console program),
# or, as a 32-bit program, not large-address-aware.
set -euo pipefail
objdump=$1 binary=$2 format=${3:-pei-i386} subsystem=${4:-GUI}
imports=$("$objdump" -p "$binary" | awk '/DLL Name:/ {print toupper($3)}')
echo "$imports"
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|COMDLG32|SHELL32|SHLWAPI|WS2_32|WSOCK32|ADVAPI32|MSVCRT|OLE32|WINSPOOL)\.(DLL|DRV)$'
bad=$(echo "$imports" | grep -v -E "$allowed" || true)
if [ -n "$bad" ]; then
  echo "unexpected imports: $bad" >&2
  exit 1
fi
# Whole outputs first: grep -q on a pipe would cut objdump short.
header=$("$objdump" -f "$binary")
private=$("$objdump" -p "$binary")
grep -q "file format $format\$" <<<"$header" || { echo "not $format" >&2; exit 1; }
grep -q -E "Subsystem.*Windows $subsystem" <<<"$private" || { echo "not a Windows $subsystem program" >&2; exit 1; }
if [ "$format" = pei-i386 ]; then
  grep -q "large address aware" <<<"$private" || { echo "not large-address-aware" >&2; exit 1; }
fi
