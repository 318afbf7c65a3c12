#!/bin/bash
# Drives the real program as a user would, on the X display it is given:
# chooses an input and an output through the desktop's own file dialogs,
# generates 15 seconds, answers the success message, checks the output with
# sox and closes the window. Screenshots of each step are kept.
# Usage: generate_smoke.sh <sonnelith> <artifact folder>
set -u
program=$(realpath "$1")
mkdir -p "$2/generate-smoke"
artifacts=$(realpath "$2/generate-smoke")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits for a visible window named exactly $1 and prints its id.
find_window() { timeout "${2:-20}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }

# Waits until no visible window is named exactly $1.
wait_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

shot() { import -window root "$artifacts/$1.png" 2>/dev/null || true; }

# Clicks the main window at a client point (the window has no frame here).
click_main() {
    xdotool mousemove $((X + $1)) $((Y + $2))
    sleep 0.2
    xdotool click 1
}

# In an open file dialog named $1: type the name $2 into the location field
# and accept. The dialog opens in the current folder; a bare name avoids the
# field's inline completion of folder names while a path is being typed.
answer_file_dialog() {
    local dialog
    dialog=$(find_window "$1")
    if [ -z "$dialog" ]; then
        fail "no '$1' file dialog appeared"
        return 1
    fi
    eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/D/')"
    # The keyboard follows the pointer: no window manager gives the focus.
    xdotool mousemove $((DX + DWIDTH / 2)) $((DY + 20))
    sleep 0.5
    xdotool key ctrl+l
    sleep 0.2
    xdotool key ctrl+a
    xdotool type --delay 20 "$2"
    sleep 0.3
    shot "$3"
    xdotool key Return
    wait_gone "$1" || fail "the '$1' dialog did not close"
}

sox -n -r 22050 -c 2 -b 16 "$work/source tone.wav" synth 3 sine 220 sine 330 vol 0.5 ||
    { echo "FAIL: sox could not make the input"; exit 1; }

cd "$work"
"$program" &
pid=$!
main=$(find_window "   Sonnelith")
if [ -z "$main" ]; then
    fail "no main window appeared"
    kill "$pid" 2>/dev/null
    exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$main")"
sleep 0.5
shot 1-main-window

# The input: the folder button of the "Input file" line (232, 39; 33 x 24).
click_main 248 51
answer_file_dialog "Open" "source tone.wav" 2-open-dialog
sleep 0.5
shot 3-input-chosen

# The output: a name without extension gets ".wav".
click_main 538 51
answer_file_dialog "Save As" "ambient result" 4-save-dialog
sleep 0.5
shot 5-output-chosen

# Generate (15, 352; 72 x 32): the progress window runs, then the success box.
click_main 51 368
box=$(find_window "sonnelith" 60)
if [ -n "$box" ]; then
    shot 6-success-message
    eval "$(xdotool getwindowgeometry --shell "$box" | sed 's/^/B/')"
    xdotool mousemove $((BX + BWIDTH / 2)) $((BY + BHEIGHT / 2))
    sleep 0.3
    xdotool key Return
    wait_gone "sonnelith" || fail "the success message did not close"
else
    fail "no message box after Generate"
    shot 6-no-message
fi
sleep 0.5
shot 7-after-run

output="$work/ambient result.wav"
if [ -f "$output" ]; then
    # Rate, channels, bits and frames: 15 s at 44100 Hz.
    layout="$(soxi -r "$output") $(soxi -c "$output") $(soxi -b "$output") $(soxi -s "$output")"
    [ "$layout" = "44100 2 16 661500" ] || fail "output rate, channels, bits, frames: $layout"
    peak=$(sox "$output" -n stat 2>&1 | sed -n 's/^Maximum amplitude: *//p')
    # The volume slider's start value puts the peak at half of full scale.
    awk -v p="$peak" 'BEGIN { exit !(p > 0.25 && p <= 0.5001) }' || fail "output peak is $peak"
else
    fail "no output file '$output'"
    ls -la "$work"
fi

# Enter ends the main window; the program ends with status 0.
xdotool mousemove $((X + 300)) $((Y + 330))
sleep 0.2
xdotool key Return
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    fail "the program did not end"
    kill "$pid"
else
    wait "$pid"
    status=$?
    [ "$status" = "0" ] || fail "exit status $status"
fi

[ "$failures" -eq 0 ] && echo "generate smoke test passed"
exit $((failures > 0))
