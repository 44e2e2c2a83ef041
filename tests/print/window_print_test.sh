#!/usr/bin/env bash
# The window's printing against a private CUPS server (cups.sh), through
# Wine's winspool: the server is started, and CUPS_SERVER set, before the
# Windows test program, whose cases read the queues' files back with
# poppler (CUPS_DIR tells them where).
#   window_print_test.sh PATH/TO/window_print_tests.exe [GTEST-ARGS...]
set -u
EXE=${1:?usage: window_print_test.sh WINDOW_PRINT_TESTS.exe [GTEST-ARGS...]}
shift
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/cups.sh"
cups_start || exit 1
export CUPS_DIR
"$HERE/../wine/run" "$EXE" "$@"
