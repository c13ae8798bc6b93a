#!/usr/bin/env bash
# Starts or stops a private X server (Xvfb, optionally with openbox) for the tests.
# start STATE_DIR [DEPTH] [openbox|none]: writes the display name to STATE_DIR/display.
# stop STATE_DIR: ends what start began.
set -euo pipefail
action=$1
state=$2
depth=${3:-24}
wm=${4:-openbox}

case "$action" in
start)
    rm -rf "$state" && mkdir -p "$state"
    # -displayfd picks a free display number and writes it once the server accepts clients.
    setsid Xvfb -displayfd 3 -screen 0 "1920x1080x$depth" -nolisten tcp -noreset \
        3>"$state/display_number" >"$state/xvfb.log" 2>&1 </dev/null &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$state/display_number" ] && break
        kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null || { cat "$state/xvfb.log" >&2; exit 1; }
        sleep 0.1
    done
    [ -s "$state/display_number" ] || { echo "Xvfb did not start" >&2; exit 1; }
    display=":$(tr -d '[:space:]' <"$state/display_number")"
    if [ "$wm" = openbox ]; then
        DISPLAY=$display setsid openbox --sm-disable >"$state/openbox.log" 2>&1 </dev/null &
        echo $! >"$state/openbox.pid"
        for _ in $(seq 100); do
            DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
            sleep 0.1
        done
        DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' ||
            { echo "openbox did not start" >&2; exit 1; }
    fi
    echo "$display" >"$state/display"
    ;;
stop)
    for name in openbox xvfb; do
        if [ -f "$state/$name.pid" ]; then
            kill "$(cat "$state/$name.pid")" 2>/dev/null || true
        fi
    done
    for name in openbox xvfb; do
        if [ -f "$state/$name.pid" ]; then
            pid=$(cat "$state/$name.pid")
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -9 "$pid" 2>/dev/null || true
            rm -f "$state/$name.pid"
        fi
    done
    ;;
*)
    echo "usage: $0 start|stop STATE_DIR [DEPTH] [openbox|none]" >&2
    exit 2
    ;;
esac
