#!/bin/sh
# Starts the real Tavrel.exe under Wine in a private X server (Xvfb), inside a
# Wine desktop window so that Wine draws its caption, converts two lines of
# Traditional text as a user would, and saves a picture of the window to
# docs/screenshot-windows.png:
#
#   tools/windows/screenshot.sh <Windows build folder> <Linux build folder> <version>
#
# The program runs from the program folder tools/windows/package.sh made, in
# a fresh Wine prefix with Chinese font linking (wineprefix.sh); the picture
# is taken by the Linux build's tavrel-grab-window.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/xvfb_session.sh"
windows_build=$(cd "$1" && pwd)
grab=$(cd "$2" && pwd)/bin/tavrel-grab-window
app=$windows_build/Tavrel-$3-win64
output=$root/docs/screenshot-windows.png
wine=/usr/lib/wine/wine64
[ -x "$grab" ] || { echo "缺少 $grab：请先构建（make）" >&2; exit 1; }

work=$(mktemp -d)
xvfb=
export WINEPREFIX="$windows_build/wineprefix-screenshot" WINEDEBUG=-all XDG_RUNTIME_DIR="$work"
cleanup() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
"$root/tools/windows/wineprefix.sh" "$WINEPREFIX"

start_xvfb "$work"

(cd "$app" && "$wine" explorer /desktop=Tavrel,1024x700 Tavrel.exe >"$work/wine.log" 2>&1 &)
window=$(timeout 120 xdotool search --sync --onlyvisible --name '^Tavrel-' | head -n 1)

# Paste Traditional text into the lower pane and press 繁体转简体 (places in
# the window as Wine draws it, caption included).
text='中國的漢字有繁體與簡體兩種寫法。
這個視窗把兩者互相轉換。'
put_on_clipboard "$text"
xdotool mousemove --window "$window" 316 360 click 1
sleep 0.5
xdotool key ctrl+v
sleep 0.5
xdotool mousemove --window "$window" 145 503 click 1
xdotool mousemove --window "$window" 700 300
# Give the window a moment to paint the result before the picture is taken.
sleep 1

mkdir -p "$(dirname "$output")"
"$grab" "$window" "$output"
echo "$output"
