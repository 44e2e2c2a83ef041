#!/usr/bin/env bash
# make dist: build/dist/ with a zip of the program and its language
# libraries and a Windows installer.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build/dist
zip -j -q build/dist/Orvantide.zip build/win32/Orvantide.exe build/win32/Orvantide1033.dll
echo "build/dist/Orvantide.zip"
echo "dist: the Windows installer comes with a later step."
