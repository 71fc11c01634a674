# Wine for the Windows test programs; sourced by scripts/test-windows and scripts/win-screenshots.
# shellcheck shell=bash

# Debian packages of the Windows cross builds and of their runs under Wine. Never wine32: on
# machines whose kernel cannot run 32-bit programs it also breaks `wine` for 64-bit ones.
tessaly_windows_packages=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64
  googletest wine wine64 wine64-tools libgnutls30 fonts-wine xvfb xauth imagemagick
)

# The prefix of the test runs: inside the build tree, made on first use.
tessaly_wine_setup() {
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine-prefix}
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    # Windows placed where the program puts them, without a window manager's frames.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    wineserver -w
  fi
  # Wine's own fonts (the caption buttons are drawn with Marlett): this Wine does not look in the
  # folder fonts-wine fills, but every prefix's Fonts folder is read.
  local font
  for font in /usr/share/wine/fonts/*.ttf; do
    [ -e "$font" ] && [ ! -e "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] &&
      cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  return 0
}

# One persistent wineserver and Wine's services for a whole run: otherwise every program started
# under Wine pays for starting them, and CTest waits for pipes they inherit.
tessaly_wine_start() {
  # A server left by an earlier run may hold a display that is gone: this run's own.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  trap tessaly_wine_stop EXIT
  wineserver -p
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}

tessaly_wine_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# True when this machine's Wine starts a 32-bit (PE32) program, given a GoogleTest program: it must
# list its tests (a Wine that cannot start it prints nothing and may still exit with 0).
tessaly_wine_runs_pe32() {
  local program=$1
  timeout 60 wine "$program" --gtest_list_tests </dev/null 2>/dev/null | grep -Eq '^[A-Za-z0-9_]+\.'
}
