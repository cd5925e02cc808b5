#!/bin/sh
# Starts the real program in a private X server (Xvfb), converts two lines of
# Traditional text as a user would, and saves a picture of the window to
# docs/screenshot.png. The picture is taken by tavrel-grab-window, which is
# built with the tests.
#   tools/screenshot.sh [build directory] [font size in points]
# With a font size the picture goes to docs/screenshot-<size>pt.png, and the
# program gets that font as from a GTK desktop (GNOME, Xfce): through Qt's GTK
# platform theme, which reads gtk-font-name from the GTK settings.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/xvfb_session.sh"
build=$(cd "${1:-$root/build}" && pwd)
points=${2:-}
output=$root/docs/screenshot.png
if [ -n "$points" ]; then
    case $points in
        *[!0-9]* | 0*) echo "字号应为正整数（磅）：$points" >&2; exit 2 ;;
    esac
    output=$root/docs/screenshot-${points}pt.png
fi
if [ ! -x "$build/bin/tavrel-grab-window" ]; then
    echo "缺少 $build/bin/tavrel-grab-window：请先构建（make）" >&2
    exit 1
fi

work=$(mktemp -d)
xvfb=
app=
cleanup() {
    [ -z "$app" ] || kill "$app" 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

start_xvfb "$work"
export XDG_RUNTIME_DIR="$work"
export QT_QPA_PLATFORM=xcb
if [ -n "$points" ]; then
    mkdir -p "$work/config/gtk-3.0"
    printf '[Settings]\ngtk-font-name=Sans %s\n' "$points" >"$work/config/gtk-3.0/settings.ini"
    export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORMTHEME=gtk3
fi

"$build/bin/tavrel" &
app=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tavrel-' | head -n 1)
xdotool windowfocus --sync "$window"

# Paste Traditional text into the lower pane and press 繁体转简体 (positions in
# the window). Pasting, because xdotool types Chinese by rebinding a key for a
# moment, which a busy program can miss.
text='中國的漢字有繁體與簡體兩種寫法。
這個視窗把兩者互相轉換。'
put_on_clipboard "$text"
# The window grows with its font: places are given for its 739-pixel design width.
width=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p')
if [ -n "$points" ] && [ "$points" -gt 9 ] && [ "$width" -le 739 ]; then
    echo "程序没有得到 $points 磅的字体：Qt 的 GTK 平台主题（libqgtk3）是否已安装？" >&2
    exit 1
fi
at() { echo $(($1 * width / 739)) $(($2 * width / 739)); }
xdotool mousemove --window "$window" $(at 316 346) click 1
xdotool key ctrl+v
xdotool mousemove --window "$window" $(at 140 480) click 1
xdotool mousemove --window "$window" $(at 700 300)
# Give the window a moment to paint the result before the picture is taken.
sleep 1

mkdir -p "$(dirname "$output")"
"$build/bin/tavrel-grab-window" "$window" "$output"
echo "$output"
