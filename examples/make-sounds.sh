#!/bin/sh
# Makes with sox the two sounds that the layered example score reads:
#   rain.flac   12 s of pink noise whose level flutters a little, like rain
#               on a roof, a touch darker above 4 kHz
#   drone.wav   8 s of a low hum: A2 (110 Hz) with its fifth and octave,
#               swelling slowly
# They go into the folder given, or beside this script when none is given,
# where the scores look for them. sox makes the same bytes every time, so the
# scores render the same tracks from their seeds.
# Usage: examples/make-sounds.sh [FOLDER]
set -eu

folder=${1:-$(dirname "$0")}
if ! command -v sox >/dev/null 2>&1; then
    echo "make-sounds: sox is needed (apt-get install sox, or tools/install-deps.sh)" >&2
    exit 1
fi
mkdir -p "$folder"

# Pink noise from a fixed random seed (-R), gently amplitude-modulated twice
# (tremolo) so it does not sound like a hiss, and rolled off above 4 kHz.
sox -R -n -r 44100 -b 16 -c 2 "$folder/rain.flac" synth 12 pinknoise \
    tremolo 0.7 25 tremolo 3.1 15 lowpass 4000 gain -6

# Three sines, one a channel, mixed into both sides of a stereo file; a slow
# tremolo is the swell, and short fades keep the ends from clicking.
sox -R -r 44100 -c 3 -n -b 16 "$folder/drone.wav" synth 8 sine 110 sine 165 sine 220 \
    remix 1,2,3 1,2,3 tremolo 0.25 30 gain -9 fade 0.05 8 0.05

echo "make-sounds: wrote rain.flac and drone.wav in $folder"
