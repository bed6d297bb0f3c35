#!/usr/bin/env bash
# Sets up what is missing, builds Tavori.exe and starts it under Wine. With no display it runs the
# program on a display of its own, inside a Wine desktop, saves a screenshot and prints its path.
#   scripts/run.sh [gallery]     # "gallery": the gallery program (examples/gallery) instead
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
target=Tavori exe="$top/build/win32/app/Tavori.exe" title="Tavori"
if [ "${1:-}" = gallery ]; then
  target=gallery exe="$top/build/win32/examples/gallery/gallery.exe" title="Tavori 画廊"
fi
place="$top/build/win32/tests/driver/window_place.exe"
"$top/scripts/setup.sh"
"$top/scripts/build.sh" win32 --target "$target" window_place >/dev/null
# shellcheck source=host32.sh
. "$top/scripts/host32.sh"
host32_check "$top/build/host32" || { echo "run: $HOST32_REASON" >&2; exit 1; }
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
desktop=""
for _ in $(seq 1 100); do
  desktop=$(xdotool search --name 'Wine desktop' 2>/dev/null | head -n 1) && [ -n "$desktop" ] && break
  sleep 0.2
done
[ -n "$desktop" ] || { echo "run: the Wine desktop did not appear" >&2; exit 1; }
# The program's own window, found by its title: where it stands inside the desktop.
if ! rect=$(wine "$place" 30000 "$title" 2>/dev/null | tr -d '\r'); then
  echo "run: no window titled \"$title\" appeared within 30 s" >&2
  exit 1
fi
read -r left top_ width height <<<"$rect"
# Wait until the desktop stops changing, then make sure the window's place is not one flat colour.
last=""
for _ in $(seq 1 40); do
  sleep 0.5
  import -window "$desktop" "$shot"
  sum=$(md5sum <"$shot")
  [ "$sum" = "$last" ] && break
  last=$sum
done
flat=$(convert "$shot" -crop "${width}x${height}+${left}+${top_}" +repage \
         -format '%[fx:standard_deviation==0]' info: 2>/dev/null || echo 1)
if [ "$flat" != 0 ]; then
  echo "run: the screenshot shows no window where \"$title\" stands ($shot)" >&2
  exit 1
fi
echo "$target is running on display $DISPLAY; screenshot: $shot"
