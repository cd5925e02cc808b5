#!/bin/bash
# The real Tavrel.exe under Wine, used as a user would in a private X server:
#
#   tests/windows/window_test.sh <Windows program folder> <Linux tavrel-convert> <work folder>
#
# starts the window (in a Wine desktop, which draws its caption), converts
# Traditional text pasted into the lower pane with 繁体转简体, converts a GBK
# file through 单个文件转换 and its open and save dialogs (Qt's own, typed
# into as a user types) and compares it byte for byte with the Linux
# program's result, then ends the program with 关闭. Places are those of the
# window as Wine draws it, caption included. WINEPREFIX names the prefix.
set -u

root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/xvfb_session.sh"
app=$1
linux=$2
work=$3
wine=/usr/lib/wine/wine64
failures=0

mkdir -p "$work"
xvfb=
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work
start_xvfb "$work"

check() {  # <what> <got> <wanted>
  if [ "$2" = "$3" ]; then
    echo "ok   $1"
  else
    echo "FAIL $1: got '$2', wanted '$3'"
    failures=$((failures + 1))
  fi
}
click() { xdotool mousemove --sync --window "$window" "$1" "$2" click 1; sleep 0.3; }
key() { xdotool key "$@"; sleep 0.3; }
# The first visible window whose name matches, within a minute.
find_window() { timeout 60 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1; }

(cd "$app" && "$wine" explorer /desktop=TavrelTest,1024x700 Tavrel.exe >"$work/wine.log" 2>&1 &)
window=$(find_window '^Tavrel-')
if [ -z "$window" ]; then
  echo "FAIL the window did not appear"
  cat "$work/wine.log"
  exit 1
fi
echo "ok   the window appears"

traditional='中國的漢字有繁體與簡體兩種寫法。
這個視窗把兩者互相轉換。'
simplified='中国的汉字有繁体与简体两种写法。
这个视窗把两者互相转换。'
put_on_clipboard "$traditional"
click 316 360
key ctrl+v
click 145 503
click 316 140
key ctrl+a
key ctrl+c
check "繁体转简体 converts the lower pane into the upper one" \
  "$(xclip -selection clipboard -o 2>/dev/null | tr -d '\r')" "$simplified"

printf '%s\r\n' "$traditional" | iconv -f UTF-8 -t GBK >"$work/in.txt"
"$linux" -s "$work/in.txt" "$work/expected.txt"
rm -f "$work/out.txt"
windows_work="Z:$(printf '%s' "$work" | tr / '\\')"
click 688 67
if [ -n "$(find_window '^打开')" ]; then
  xdotool type --delay 30 "$windows_work\\in.txt"
  key Return
fi
if [ -n "$(find_window '^另存为')" ]; then
  xdotool type --delay 30 "$windows_work\\out.txt"
  key Return
fi
if [ -n "$(find_window '^转换成功')" ]; then
  key Return
fi
check "单个文件转换 writes what tavrel-convert writes" \
  "$(cmp -s "$work/expected.txt" "$work/out.txt" && echo same || echo different)" same

click 692 503
for _ in $(seq 100); do
  pgrep -x Tavrel.exe >/dev/null || break
  sleep 0.1
done
check "关闭 ends the program" "$(pgrep -x Tavrel.exe >/dev/null && echo running || echo ended)" ended

[ "$failures" -eq 0 ]
