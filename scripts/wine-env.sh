# Sourced by the run and test scripts: one Xvfb display, one Wine prefix and one scratch HOME,
# kept for the life of the calling script and torn down by wine_stop.
#   wine_start DIR [keep]   DIR holds home/ and prefix/; without "keep" both are made anew
#   wine_stop               stops the wineserver and the display started here

wine_free_display() {
  local n
  for n in $(seq 90 199); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      echo "$n"; return 0
    fi
  done
  return 1
}

wine_start() {
  local dir=$1 keep=${2:-}
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  # The code page comes from this variable; the Linux locale itself need not exist.
  export LC_ALL=zh_CN.UTF-8 2>/dev/null
  if [ "$keep" != keep ]; then
    rm -rf "$dir/home" "$dir/prefix"
  fi
  mkdir -p "$dir/home"
  # HOME must point at the scratch folder before the prefix is made: the prefix links the
  # user's documents folder to it, and no test may ever write into a real one.
  export HOME="$dir/home" WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEARCH=win32 \
         WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$HOME/Documents"
  WINE_OWN_XVFB=""
  if [ -z "${DISPLAY:-}" ] || [ "$keep" != keep ]; then
    local n; n=$(wine_free_display) || { echo "no free X display number" >&2; return 1; }
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    WINE_OWN_XVFB=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  # The server is made persistent before anything starts it, so that every test reuses it.
  mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 || true
  wineboot -i >/dev/null 2>&1 || true
  # Wine's own fonts (fonts-wine) hold the glyphs of the caption buttons, but this Wine does not
  # look for them where the package puts them: the prefix's font folder makes them found.
  local font
  for font in /usr/share/wine/fonts/*.ttf; do
    [ -e "$font" ] && ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  done
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "${WINE_OWN_XVFB:-}" ]; then
    kill "$WINE_OWN_XVFB" >/dev/null 2>&1 || true
    wait "$WINE_OWN_XVFB" 2>/dev/null || true
    WINE_OWN_XVFB=""
  fi
}
