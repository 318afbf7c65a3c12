#!/bin/sh
# Scores against plain runs, with the built sonnelith-cli:
#  1. a score of four layers, every parameter moving by keyframes, against
#     the sum of four plain one-layer renders of the same length: time and
#     peak memory (from /usr/bin/time);
#  2. an excerpt of ten seconds at 23:00:00 of a 24-hour score: time, which
#     is the skip through the grain schedule plus ten seconds of rendering.
#   bench/score-render-bench.sh [BUILD_DIR [MINUTES]]   (defaults: build, 60)
set -eu
build=${1:-build}
minutes=${2:-60}
cli=$(cd "$build" && pwd)/cli/sonnelith-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
sox -n -r 44100 -c 2 noise.wav synth 20 pinknoise vol 0.5
sox -n -r 44100 -c 1 tone.wav synth 20 sine 220 sine 330 vol 0.4
length="$minutes:00"
[ "$minutes" -ge 60 ] && length="$((minutes / 60)):$(printf %02d $((minutes % 60))):00"

layer() {  # source, then keyframes moving every parameter over the track
    cat <<LAYER
[[layer]]
source = "$1"
density = 1500
grain_length = 200
[[layer.at]]
time = 0
gain = -6
[[layer.at]]
time = "$length"
gain = 0
density = 3000
grain_length = 400
scan_range = 80
segment = 10
pitch = 5
pitch_spread = 2
pan_spread = 60
reverse = 20
LAYER
}
plain_layer() {
    printf '[[layer]]\nsource = "%s"\ndensity = 1500\ngrain_length = 200\n' "$1"
}

{ printf 'length = "%s"\nseed = 1\n' "$length"; for s in noise.wav tone.wav noise.wav tone.wav; do layer $s; done; } > four.toml
for i in 1 2 3 4; do
    s=noise.wav; [ $((i % 2)) -eq 0 ] && s=tone.wav
    { printf 'length = "%s"\nseed = %d\n' "$length" "$i"; plain_layer $s; } > plain$i.toml
done
{ printf 'length = "24:00:00"\nseed = 1\n'; layer noise.wav; } > day.toml

measure() {  # label, then the command: prints seconds and peak MB
    label=$1; shift
    /usr/bin/time -f "%e %M" -o t.txt "$@" -q
    read -r seconds kb < t.txt
    printf '%-44s %8.1f s %8.0f MB\n' "$label" "$seconds" "$((kb / 1024))"
    echo "$seconds" >> "$label.sum"
}
echo "$(nproc) threads, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)"
measure "four-layer score, $length" "$cli" four.toml -o four.wav
for i in 1 2 3 4; do measure "plain one-layer render $i, $length" "$cli" plain$i.toml -o plain$i.wav; done
total=$(cat plain*.sum | awk "{ s += \$1 } END { print s }")
echo "sum of the four plain renders: $total s"
measure "10 s excerpt at 23:00:00 of a 24 h score" "$cli" day.toml -o excerpt.wav --from 23:00:00 --for 10
