#!/usr/bin/env bash
# Builds Vxfsend for x86_64 and runs it under Wine. On a machine without a
# display it starts a virtual one, takes a screenshot of the running program,
# prints the screenshot's path and ends the program.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
source scripts/display.sh

bash scripts/setup.sh
bash scripts/build.sh win64 >/dev/null
bash scripts/samples.sh
program="$root/build/win64/bin/Vxfsend.exe"

# A first run lists the sample pictures: the folder goes into the prefix and
# a first profile names it (an existing profile is left as it is).
prefix="$root/build/wineprefix"
if [ ! -d "$prefix/drive_c/VxfSamples" ]; then
  mkdir -p "$prefix/drive_c/VxfSamples"
  cp "$root"/build/samples/*.* "$prefix/drive_c/VxfSamples/"
fi
if [ ! -f "$prefix/drive_c/windows/Vxfsend.INI" ]; then
  # UTF-16 with a byte-order mark, as the program makes its profile.
  { printf '\xff\xfe'; printf '[Upload]\r\nPathSelect=C:\\VxfSamples\r\n' | iconv -f UTF-8 -t UTF-16LE; } \
    >"$prefix/drive_c/windows/Vxfsend.INI"
fi

# The display comes first: Wine's desktop process starts with the first
# program of the session and keeps the display it found, so a program
# started without one would leave every later window invisible.
own_display=
if [ -z "${DISPLAY:-}" ]; then
  start_virtual_display
  trap 'stop_virtual_display' EXIT
  own_display=1
fi

# The stand-in photo suite, so that the hand-off has an application to start.
scripts/wine-exec "$root/build/win64/bin/VidroStandinSetup.exe" /notest >/dev/null 2>&1 ||
  echo "run: the stand-in photo suite could not be installed" >&2

if [ -z "$own_display" ]; then
  exec scripts/wine-exec "$program"
fi

scripts/wine-exec "$program" &
pid=$!
shot="$root/build/screenshot-$(date +%Y%m%d-%H%M%S).png"
# Give the window time to appear and paint.
for _ in $(seq 60); do
  sleep 0.5
  if xwininfo_out=$(DISPLAY=$DISPLAY xwininfo -root -tree 2>/dev/null) && grep -q 'Vidro' <<<"$xwininfo_out"; then
    sleep 2.5
    break
  fi
done
import -window root "$shot"
echo "screenshot: $shot"
WINEPREFIX="$root/build/wineprefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
wait "$pid" 2>/dev/null || true
