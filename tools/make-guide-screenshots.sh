#!/bin/bash
# Takes the screenshots of the user's guide (docs/guide/images/) from the real
# programs on a private X server. The desktop program: its main window as it
# opens, the window ready for a first one-minute track from the sample sound,
# the progress window during a run, and the Start button with the keyboard's
# focus mark. Sonnelith Studio: its window playing a score of two layers (with
# a private PulseAudio null sink for its sound, when PulseAudio is installed),
# and its Render window. Run it after building both programs, then
# tools/make-guide.sh.
# Usage: tools/make-guide-screenshots.sh [build folder] [all | main | studio]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
which=${2:-all}
program="$build/ui/sonnelith"
studio="$build/studio/sonnelith-studio"
images="$root/docs/guide/images"
case "$which" in
    all | main | studio) ;;
    *) echo "make-guide-screenshots: say all, main or studio, not '$which'" >&2; exit 2 ;;
esac
if [ "$which" != studio ] && [ ! -x "$program" ]; then
    echo "make-guide-screenshots: build the desktop program first ($program is missing)" >&2
    exit 1
fi
if [ "$which" != main ] && [ ! -x "$studio" ]; then
    echo "make-guide-screenshots: build Sonnelith Studio first ($studio is missing)" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ] || [ -z "${SONNELITH_SCREENSHOT_SERVER:-}" ]; then
    # Our own X server, large enough for the program's display check and the
    # studio's window; the studio's sound goes to a null sink nobody hears.
    sink=""
    if [ "$which" != main ] && command -v pulseaudio >/dev/null 2>&1; then
        sink="$root/tests/support/run_with_null_sink.sh"
    fi
    exec env SONNELITH_SCREENSHOT_SERVER=1 $sink xvfb-run -a -s "-screen 0 1400x1000x24" "$0" "$build" "$which"
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

take_main_window_shots() {
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
}

# A score of two layers reading the sample, three minutes long, whose values
# move: the first layer thins out and falls silent, the second rises in
# pitch and comes in; the scanning range drifts.
write_studio_score() {
    cat >evening.toml <<'SCORE'
length = "3:00"
seed = 20261208
volume = 60
fade = 5

[[layer]]
source = "sonnelith-sample.wav"
source_start = 0.4
source_end = 2.6
density = 2500
grain_length = 500
pan_spread = 50
[[layer.at]]
time = "0:20"
density = 2500
gain = 0
[[layer.at]]
time = "1:40"
density = 800
gain = -18
curve = "smooth"
[[layer.at]]
time = "2:30"
gain = -60
[layer.drift]
scan_range = { depth = 20, period = "0:40" }

[[layer]]
source = "sonnelith-sample.wav"
gain = -30
pitch = -12
grain_length = 900
density = 700
window = "gaussian"
[[layer.at]]
time = "0:45"
gain = -30
pitch = -12
[[layer.at]]
time = "2:00"
gain = -3
pitch = -5
curve = "smooth"
SCORE
}

take_studio_shots() {
    # A folder of a plain name, which the Render window shows.
    pieces=/tmp/sonnelith-pieces
    if ! mkdir "$pieces" 2>/dev/null; then
        pieces="$work/pieces"
        mkdir "$pieces"
    fi
    cp "$work/sonnelith-sample.wav" "$pieces/"
    cd "$pieces"
    write_studio_score
    # A private state folder: no recovered edits of another session offered.
    XDG_STATE_HOME="$work/state" "$studio" evening.toml 2>"$work/studio.log" &
    pid=$!
    window=$(find_window "evening.toml - Sonnelith Studio" 30)
    [ -n "$window" ] || { cat "$work/studio.log" >&2; echo "the studio's window did not appear" >&2; exit 1; }
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # Part of the level surveyed, the playhead put at 1:00 with a click on
    # the ruler, then Space: the spectrogram and the meters fill while it
    # plays.
    sleep 6
    xdotool mousemove $((X + 440)) $((Y + 84))
    sleep 0.3
    xdotool click 1
    sleep 0.3
    xdotool key ctrl+1
    sleep 0.3
    xdotool key space
    sleep 8
    xdotool mousemove $((X + WIDTH - 20)) $((Y + HEIGHT - 40))
    sleep 1
    import -window "$window" "$images/studio-window.png"
    xdotool key space
    sleep 0.5
    xdotool key ctrl+r
    dialog=$(find_window "Render" 20)
    [ -n "$dialog" ] || { echo "the Render window did not appear" >&2; exit 1; }
    sleep 1
    import -window "$dialog" "$images/studio-render.png"
    xdotool key Escape
    wait_gone "Render" || true
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    cd "$work"
    rm -rf "$pieces"
}

[ "$which" = studio ] || take_main_window_shots
[ "$which" = main ] || take_studio_shots
echo "make-guide-screenshots: wrote $(ls "$images" | tr '\n' ' ')"
