#!/usr/bin/env bash
# Sets up what is missing, builds Tavori.exe and starts it under Wine. With no display it runs the
# program on a display of its own, inside a Wine desktop, saves a screenshot and prints its path.
#   scripts/run.sh [gallery]     # "gallery": the gallery program (examples/gallery) instead
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
target=Tavori exe="$top/build/win32/app/Tavori.exe"
if [ "${1:-}" = gallery ]; then
  target=gallery exe="$top/build/win32/examples/gallery/gallery.exe"
fi
"$top/scripts/setup.sh"
"$top/scripts/build.sh" win32 --target "$target" >/dev/null
# shellcheck source=wine-env.sh
. "$top/scripts/wine-env.sh"

if [ -n "${DISPLAY:-}" ]; then
  wine_start "$top/build/run" keep
  trap wine_stop EXIT
  wine "$exe"
  exit $?
fi

trap wine_stop EXIT
wine_start "$top/build/run"
shot="$top/build/run/screenshot.png"
rm -f "$shot"
wine explorer /desktop=Tavori,800x600 "$exe" >/dev/null 2>&1 &
for _ in $(seq 1 100); do
  xdotool search --name 'Wine desktop' >/dev/null 2>&1 && break
  sleep 0.2
done
# The program's window lives inside the desktop window: wait until the screen stops changing.
last=""
for _ in $(seq 1 40); do
  sleep 0.5
  import -window root "$shot"
  sum=$(md5sum <"$shot")
  blank=$(convert "$shot" -format '%[fx:standard_deviation==0]' info:)
  [ "$sum" = "$last" ] && [ "$blank" = 0 ] && break
  last=$sum
done
echo "$target is running on display $DISPLAY; screenshot: $shot"
