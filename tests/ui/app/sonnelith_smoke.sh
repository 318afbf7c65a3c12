#!/bin/bash
# Starts the real program on the X display it is given, finds its main window
# by name, checks its size, its class on the desktop, Escape and the close
# box, a sound file named on the command line, and the display check.
# Usage: sonnelith_smoke.sh <sonnelith> <x_close_window> <artifact folder>
set -u
program=$1 close_window=$2 artifacts=$3 failures=0
mkdir -p "$artifacts"

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits for a window named exactly $1 and prints its id.
find_window() {
    timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# Waits up to 10 s for window $1 to be taken off the screen (a closed modal
# box): until it is, the windows under it ignore a close request.
wait_until_gone() {
    for _ in $(seq 100); do
        xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable" || return 0
        sleep 0.1
    done
    return 1
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
# The desktop entry's StartupWMClass and the AppStream ID.
class=$(xprop -id "$window" WM_CLASS | sed 's/^WM_CLASS(STRING) = //')
[ "$class" = '"com.korvatek.Sonnelith", "com.korvatek.Sonnelith"' ] || fail "WM_CLASS is $class"
sleep 0.5
import -window "$window" "$artifacts/sonnelith-main-window.png" || fail "screenshot failed"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 300)) $((Y + 330))
xdotool key Escape
sleep 0.7
kill -0 "$pid" 2>/dev/null || fail "Escape closed the main window"
"$close_window" "$window" || fail "could not send the close request"
wait_for_exit "$pid"
[ "$status" = "0" ] || fail "after the close box the program's exit status is $status"

# 2. A file on the command line is taken as the input: a sound shows its
# facts in the input box, anything else gets the input message (a box
# captioned with the program file's name) and leaves no input.
work=$(mktemp -d)
sox -n -r 22050 -c 1 -b 8 "$work/take one.wav" synth 2 sine 300 2>/dev/null || fail "sox could not make the input"
echo "not a sound" >"$work/notes.txt"
info_box() { import -window "$1" -crop 174x47+66+101 "$2"; }
"$program" "$work/take one.wav" &
pid=$!
window=$(find_window "   Sonnelith")
sleep 1
xdotool search --onlyvisible --name "^$(basename "$program")\$" >/dev/null 2>&1 && fail "a message for a good input"
info_box "$window" "$work/with-file.png"
import -window "$window" "$artifacts/sonnelith-command-line-file.png"
"$close_window" "$window"
wait_for_exit "$pid"
"$program" &
pid=$!
window=$(find_window "   Sonnelith")
sleep 1
info_box "$window" "$work/without-file.png"
"$close_window" "$window"
wait_for_exit "$pid"
differing=$(compare -metric AE "$work/with-file.png" "$work/without-file.png" /dev/null 2>&1 || true)
[ "${differing:-0}" -gt 200 ] || fail "the input box shows no facts for a file on the command line ($differing pixels differ)"

"$program" "$work/notes.txt" &
pid=$!
box=$(find_window "$(basename "$program")")
if [ -n "$box" ]; then
    class=$(xprop -id "$box" WM_CLASS | sed 's/^WM_CLASS(STRING) = //')
    [ "$class" = '"com.korvatek.Sonnelith", "com.korvatek.Sonnelith"' ] || fail "the box's WM_CLASS is $class"
    "$close_window" "$box"
    wait_until_gone "$box" || fail "the input message stayed after its close request"
else
    fail "no message for a file that is not a sound"
fi
window=$(find_window "   Sonnelith")
sleep 0.3
"$close_window" "$window"
wait_for_exit "$pid"
[ "$status" = "0" ] || fail "after the input message the program's exit status is $status"
rm -rf "$work"

# 3. On a 640 x 480 screen the program refuses with its message and ends.
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
