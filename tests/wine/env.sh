# Wine environment of the project: a private prefix under build/, quiet,
# no Mono or Gecko prompts.  Sourced by run and session.
#
# The Windows programs are 32-bit, and 32-bit Wine needs a host that runs
# i386 Linux programs.  Some hosts run 64-bit user code only; there the
# tests run from the 64-bit build of the same sources (build/win64) under
# wine64, in a 64-bit prefix of its own.
ORV_ROOT=${ORV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
ORV_WINE_DIR=${ORV_WINE_DIR:-$ORV_ROOT/build/wine}
if [ -z "${ORV_WINE_ARCH:-}" ]; then
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then ORV_WINE_ARCH=win32; else ORV_WINE_ARCH=win64; fi
fi
export WINEARCH=$ORV_WINE_ARCH
if [ "$ORV_WINE_ARCH" = win64 ]; then
  export WINEPREFIX=${ORV_WINEPREFIX:-$ORV_WINE_DIR/prefix64}
  # Debian's wine wrapper prefers the 32-bit loader whenever it is installed.
  ORV_WINE=/usr/lib/wine/wine64
  export WINELOADER=$ORV_WINE
else
  export WINEPREFIX=${ORV_WINEPREFIX:-$ORV_WINE_DIR/prefix}
  ORV_WINE=wine
fi
# The build whose Windows programs this host can run.
ORV_WINE_BUILD=$ORV_ROOT/build/$ORV_WINE_ARCH
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
# Wine's user folders link into $HOME by default; tests must not write
# there, so the prefix gets a home of its own.
export HOME=$ORV_WINE_DIR/home
mkdir -p "$HOME"
