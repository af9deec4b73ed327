#!/usr/bin/env bash
# Creates the project's own Wine prefix in the build tree (no Mono or Gecko
# prompts) and maps the Japanese dialog fonts to the IPA fonts.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
# Raise the number when the settings below change, so existing prefixes follow.
stamp="$WINEPREFIX/.vxf-prefix-2"
[ -f "$stamp" ] && exit 0
echo "setup: preparing the Wine prefix"
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i >/dev/null 2>&1
reg="$WINEPREFIX/drive_c/vxf-prefix.reg"
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
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
"$wine" regedit /S 'C:\vxf-prefix.reg' >/dev/null 2>&1
/usr/lib/wine/wineserver64 -w 2>/dev/null || true
rm -f "$WINEPREFIX"/.vxf-*
touch "$stamp"
