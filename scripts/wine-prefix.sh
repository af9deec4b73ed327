#!/usr/bin/env bash
# Creates the project's own Wine prefix in the build tree (no Mono or Gecko
# prompts) and maps the Japanese dialog fonts to the IPA fonts.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
# Raise the number when the settings below change, so existing prefixes follow.
stamp="$WINEPREFIX/.vxf-prefix-2"
[ -f "$stamp" ] && exit 0
log="$root/build/wine-prefix.log"

write_settings() { # the .reg file, UTF-16 as regedit wants it
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in "MS UI Gothic" "ＭＳ Ｐゴシック" "MS PGothic"; do
      printf '"%s"="IPAPGothic"\r\n' "$face"
    done
    for face in "ＭＳ ゴシック" "MS Gothic"; do
      printf '"%s"="IPAGothic"\r\n' "$face"
    done
    printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
    printf '"MS Shell Dlg"="IPAPGothic"\r\n"MS Shell Dlg 2"="IPAPGothic"\r\n'
    # Virtual displays have no window manager: Wine draws title bars itself.
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n'
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$1"
}

prepare() {
  mkdir -p "$WINEPREFIX" || return 1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i || return 1
    # The registry reaches the disk when the server ends.
    "$wineserver" -w
    [ -f "$WINEPREFIX/system.reg" ] || { echo "no registry after wineboot"; return 1; }
  fi
  write_settings "$WINEPREFIX/drive_c/vxf-prefix.reg" || return 1
  "$wine" regedit /S 'C:\vxf-prefix.reg' || return 1
  "$wineserver" -w
  grep -q 'IPAPGothic' "$WINEPREFIX/user.reg" || { echo "font settings not in the registry"; return 1; }
}

echo "setup: preparing the Wine prefix"
for attempt in 1 2 3; do
  if prepare >>"$log" 2>&1; then
    rm -f "$WINEPREFIX"/.vxf-*
    touch "$stamp"
    exit 0
  fi
  echo "setup: preparing the Wine prefix failed (attempt $attempt, see $log)" >&2
  "$wineserver" -k 2>/dev/null
  sleep 2
done
tail -n 20 "$log" >&2
exit 1
