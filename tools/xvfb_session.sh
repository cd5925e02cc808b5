# Shell functions of the screenshot scripts, sourced by them:
#   start_xvfb <work folder>   starts a private X server and exports DISPLAY;
#                               its process id is left in $xvfb for the caller
#                               to end
#   put_on_clipboard <text>     offers text on the X clipboard through xclip and
#                               waits until it is there

start_xvfb() {
    # Xvfb picks a free display and writes its number once it accepts clients;
    # -noreset keeps it from resetting, and refusing clients, when the last one leaves.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$1/display" 2>"$1/xvfb.log" &
    xvfb=$!
    tries=0
    until [ -s "$1/display" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 600 ] || ! kill -0 "$xvfb" 2>/dev/null; then
            echo "Xvfb 没有启动：" >&2
            cat "$1/xvfb.log" >&2
            exit 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$(cat "$1/display")"
}

put_on_clipboard() {
    printf '%s' "$1" | xclip -selection clipboard -i 2>/dev/null
    tries=0
    until [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; do
        tries=$((tries + 1))
        [ "$tries" -le 600 ] || { echo "xclip 没有提供剪贴板内容" >&2; exit 1; }
        sleep 0.1
    done
}
