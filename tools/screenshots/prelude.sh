# The screenshot scripts' start, sourced with root set: the Win32 build
# (the first argument, else the one this host runs under Wine) in $build,
# its screenshot program built ($exe), the Wine session started and its
# display in DISPLAY.
source "$root/tests/wine/env.sh"
build=$(cd "${1:-$ORV_WINE_BUILD}" && pwd)
cmake --build "$build" --target orvantide-screenshots -j 2 >/dev/null
exe=$build/tests/tools/screenshots/orvantide-screenshots.exe
"$root/tests/wine/session" start
source "$root/tests/wine/env.sh"
export DISPLAY=$(cat "$ORV_WINE_DIR/display")
