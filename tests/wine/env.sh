# Wine environment of the project: a private 32-bit prefix under build/,
# quiet, no Mono or Gecko prompts.  Sourced by run and session.
ORV_ROOT=${ORV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
ORV_WINE_DIR=${ORV_WINE_DIR:-$ORV_ROOT/build/wine}
export WINEPREFIX=${ORV_WINEPREFIX:-$ORV_WINE_DIR/prefix}
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
# Wine's user folders link into $HOME by default; tests must not write
# there, so the prefix gets a home of its own.
export HOME=$ORV_WINE_DIR/home
mkdir -p "$HOME"
