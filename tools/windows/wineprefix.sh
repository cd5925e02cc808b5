#!/bin/sh
# Makes a fresh Wine prefix for the Windows tests and pictures:
#
#   tools/windows/wineprefix.sh <prefix folder>
#
# removes what the folder held, lets wineboot create the prefix without a
# display, and links Debian's WenQuanYi Micro Hei into it as the fallback
# (FontLink) of the fonts Windows programs draw their captions with, since
# Wine's own fonts have no Chinese.
set -eu

prefix=$1
wine=/usr/lib/wine/wine64
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

[ -f "$font" ] || { echo "wineprefix: error: $font is missing (fonts-wqy-microhei)" >&2; exit 1; }

export WINEPREFIX="$prefix" WINEDEBUG=-all
unset DISPLAY
rm -rf "$prefix"
"$wine" wineboot -i >/dev/null 2>&1
ln -s "$font" "$prefix/drive_c/windows/Fonts/wqy-microhei.ttc"
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" Arial "Lucida Console"; do
  "$wine" reg add "$key" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null
done
/usr/lib/wine/wineserver -w
