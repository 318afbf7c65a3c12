#!/bin/bash
# Starts the real program on the X display it is given, finds its main window
# by name, checks its size, Escape and the close box, and the display check.
# Usage: sonnelith_smoke.sh <sonnelith> <x_close_window> <artifact folder>
set -u
program=$1 close_window=$2 artifacts=$3 failures=0
mkdir -p "$artifacts"

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits for a window named exactly $1 and prints its id.
find_window() {
    timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# Waits up to 10 s for process $1 to end and sets status to its exit status.
wait_for_exit() {
    for _ in $(seq 100); do kill -0 "$1" 2>/dev/null && sleep 0.1; done
    if kill -0 "$1" 2>/dev/null; then
        kill "$1"; status="still running"
    else
        wait "$1"; status=$?
    fi
}

# 1. Start, size, screenshot, Escape, then the close box.
"$program" &
pid=$!
window=$(find_window "   Sonnelith")
if [ -z "$window" ]; then
    fail "no window named '   Sonnelith' appeared"
    kill "$pid" 2>/dev/null
    exit 1
fi
geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/ *Geometry: //p')
[ "$geometry" = "594x397" ] || fail "main window is $geometry, not 594x397"
sleep 0.5
if command -v import >/dev/null; then
    import -window "$window" "$artifacts/sonnelith-main-window.png" || fail "screenshot failed"
fi
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 300)) $((Y + 330))
xdotool key Escape
sleep 0.7
kill -0 "$pid" 2>/dev/null || fail "Escape closed the main window"
"$close_window" "$window" || fail "could not send the close request"
wait_for_exit "$pid"
[ "$status" = "0" ] || fail "after the close box the program's exit status is $status"

# 2. On a 640 x 480 screen the program refuses with its message and ends.
displayfile=$(mktemp)
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
small=":$(head -n 1 "$displayfile")"
if [ "$small" != ":" ]; then
    DISPLAY=$small "$program" &
    pid=$!
    box=$(DISPLAY=$small find_window "$(basename "$program")")
    if [ -n "$box" ]; then
        DISPLAY=$small xdotool search --name "   Sonnelith" >/dev/null && fail "main window shown on a small screen"
        DISPLAY=$small "$close_window" "$box"
        wait_for_exit "$pid"
        [ "$status" = "1" ] || fail "after the screen message the program's exit status is $status"
    else
        fail "no screen message on a 640 x 480 display"
        kill "$pid" 2>/dev/null
    fi
else
    fail "could not start a small X server"
fi
kill "$xvfb" 2>/dev/null
rm -f "$displayfile"

[ "$failures" -eq 0 ] && echo "sonnelith smoke test passed"
exit $((failures > 0))
