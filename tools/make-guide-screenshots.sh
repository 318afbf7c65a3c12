#!/bin/bash
# Takes the screenshots of the user's guide (docs/guide/images/) from the real
# program on a private X server: the main window as it opens, the window ready
# for a first one-minute track from the sample sound, the progress window
# during a run, and the Start button with the keyboard's focus mark. Run it
# after building the desktop program, then tools/make-guide.sh.
# Usage: tools/make-guide-screenshots.sh [build folder]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
program="$build/ui/sonnelith"
images="$root/docs/guide/images"
if [ ! -x "$program" ]; then
    echo "make-guide-screenshots: build the desktop program first ($program is missing)" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ] || [ -z "${SONNELITH_SCREENSHOT_SERVER:-}" ]; then
    # Our own X server, large enough for the program's display check.
    exec env SONNELITH_SCREENSHOT_SERVER=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

mkdir -p "$images"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find_window() {
    timeout "${2:-20}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

wait_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# Moves the pointer to a client point of the main window (no window manager,
# so no frame) and clicks there.
click_main() {
    xdotool mousemove $((X + $1)) $((Y + $2))
    sleep 0.3
    xdotool click "${3:-1}"
}

# Parks the pointer on the empty ground of the main window, where it lights
# up no button and covers nothing.
park_pointer() {
    xdotool mousemove $((X + 300)) $((Y + 335))
    sleep 0.6
}

# In the open file dialog named $1, types the file name $2 and accepts it. The
# dialog opens in the current folder; a bare name keeps the location field's
# completion from rewriting a typed path.
answer_file_dialog() {
    local dialog
    dialog=$(find_window "$1")
    [ -n "$dialog" ] || { echo "no '$1' dialog" >&2; exit 1; }
    eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/D/')"
    xdotool mousemove $((DX + DWIDTH / 2)) $((DY + 20))
    sleep 0.5
    xdotool key ctrl+l
    sleep 0.2
    xdotool key ctrl+a
    xdotool type --delay 15 "$2"
    sleep 0.3
    xdotool key Return
    wait_gone "$1" || { import -window root /tmp/i8fail.png; echo "the $1 dialog stayed open" >&2; exit 1; }
}

cp "$root/resources/sample/sonnelith-sample.wav" "$work/"
cd "$work"
"$program" 2>"$work/program.log" &
pid=$!
main=$(find_window "   Sonnelith")
[ -n "$main" ] || { echo "the main window did not appear" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$main")"
park_pointer
import -window "$main" "$images/main-window.png"

# The input and output files through the folder buttons, then "1 minute"
# from the length list (two steps of the mouse wheel over it).
click_main 248 51
answer_file_dialog "Open" "sonnelith-sample.wav"
click_main 538 51
answer_file_dialog "Save As" "my-first-ambient"
click_main 500 88 5
sleep 0.3
click_main 500 88 5
park_pointer
import -window "$main" "$images/main-window-ready.png"

# A long run, so that the progress window can be caught at work; it is
# cancelled afterwards.
xdotool mousemove $((X + 375)) $((Y + 88))
click_main 500 88 5
click_main 500 88 5
click_main 500 88 5
click_main 51 368
progress=$(find_window "Generating Ambient Sound")
[ -n "$progress" ] || { echo "the progress window did not appear" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$progress" | sed 's/^/P/')"
xdotool mousemove $((PX + PWIDTH - 10)) $((PY + 10))
sleep 4.5
import -window "$progress" "$images/progress-window.png"
xdotool key Escape || true
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

# A fresh window reached from the keyboard: Tab from the first slider to
# Start (nine steps), whose focus mark shows in the left end of the command bar.
"$program" 2>>"$work/program.log" &
pid=$!
main=$(find_window "   Sonnelith")
[ -n "$main" ] || { echo "the main window did not appear again" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$main")"
park_pointer
for _ in $(seq 9); do
    xdotool key Tab
    sleep 0.15
done
sleep 0.5
import -window "$main" -crop 180x50+0+343 +repage "$images/keyboard-focus.png"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "make-guide-screenshots: wrote $(ls "$images" | tr '\n' ' ')"
