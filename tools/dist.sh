#!/usr/bin/env bash
# make dist: build/dist/ with the Windows installer and the zip of the
# 32-bit build (program, language libraries, orvantide-cli.exe, README.txt),
# both made by the build's installer target.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
cmake --build build/win32 --target installer >/dev/null
mkdir -p build/dist
for file in "Orvantide-Setup-$version.exe" "Orvantide-$version.zip"; do
  cp "build/win32/dist/$file" build/dist/
  echo "build/dist/$file"
done
