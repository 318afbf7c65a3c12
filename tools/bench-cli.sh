#!/bin/sh
# Times sonnelith-cli end to end from the bundled sample sound: a 60-second
# output at the panel's start values and a 10-second one at the densest
# settings (10000 grains of 2000 ms per second), each with the reference
# kernel on one thread, the fast kernel on one thread and the fast kernel on
# every core. Prints each run's phase timings and peak memory, checks that the
# files are identical, and gives the speed-ups and the projected time of a
# 59:59 output. Then the same 60-second render from a minute of 96 kHz 24-bit
# stereo input (made by sox), which libsndfile loads and libsoxr converts to
# 44100 Hz: the loading phase as a share of the default render. Last, long
# outputs at the start values, end to end with peak memory: 10:00 and 59:59
# measured in full (the sound kept in a temporary file, as by default), 10:00
# synthesised twice instead, and 8 hours projected from a measured minute.
# Then inputs whose length must be found by decoding them: ten minutes of FLAC
# and of Ogg Vorbis against the same as a WAV file, which is decoded once, and
# a FLAC file whose header claims 2.1 billion frames, end to end with peak
# memory.
#
#   tools/bench-cli.sh [BUILD_DIR] [long|inputs]   (default: build; sonnelith-cli must be built;
#                                                   "long": the long outputs only, "inputs": the
#                                                   inputs only)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
only=${2:-}
cli="$build/cli/sonnelith-cli"
if [ ! -x "$cli" ]; then
    echo "bench-cli: $cli is missing; build it first: cmake --build $build --target sonnelith-cli" >&2
    exit 1
fi
cores=$(nproc)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
longest=3599  # 59:59 in seconds

# run NAME SECONDS ARGS...: one timed run; leaves NAME.txt (timings, which the
# program prints on standard error) and NAME.wav.
run() {
    name=$1
    seconds=$2
    shift 2
    /usr/bin/time -f "%M" -o "$work/$name.rss" \
        "$cli" -q --seed 1 --length "$seconds" --timings -o "$work/$name.wav" "$@" 2>"$work/$name.txt"
    cat "$work/$name.txt"
    echo "  peak memory  $(cat "$work/$name.rss") KiB"
}

total() { awk '$1 == "total" { print $2 }' "$work/$1.txt"; }
phase() { awk -v phase="$2" '$1 == phase { print $2 }' "$work/$1.txt"; }

# compare SETTING SECONDS: ratios against the reference and the 59:59 projection.
compare() {
    setting=$1
    seconds=$2
    for name in fast1 fastN; do
        if cmp -s "$work/$setting-reference.wav" "$work/$setting-$name.wav"; then
            same="identical to the reference"
        else
            same="DIFFERENT FROM THE REFERENCE"
        fi
        awk -v name="$name" -v same="$same" -v ref="$(total "$setting-reference")" \
            -v fast="$(total "$setting-$name")" -v refSynth="$(phase "$setting-reference" synthesis)" \
            -v fastSynth="$(phase "$setting-$name" synthesis)" \
            'BEGIN { printf "  %-6s whole run x%.2f, synthesis x%.2f; file %s\n", name, ref / fast, refSynth / fastSynth, same }'
    done
    # Everything but loading grows with the output's length.
    for name in reference fastN; do
        awk -v name="$name" -v total="$(total "$setting-$name")" -v load="$(phase "$setting-$name" loading)" \
            -v seconds="$seconds" -v longest="$longest" \
            'BEGIN { t = load + (total - load) * longest / seconds;
                     printf "  %-9s 59:59 output in about %d min %02d s\n", name, t / 60, t % 60 }'
    done
}

# wall NAME LENGTH ARGS...: one run at the start values timed end to end by
# /usr/bin/time; prints and leaves NAME.wall (seconds) and NAME.rss (KiB).
wall() {
    name=$1
    length=$2
    shift 2
    /usr/bin/time -f "%e %M" -o "$work/$name.time" \
        "$cli" -q --seed 1 --length "$length" --timings -o "$work/$name.wav" "$@" 2>"$work/$name.txt"
    rm -f "$work/$name.wav"
    read -r seconds kib <"$work/$name.time"
    echo "$seconds" >"$work/$name.wall"
    echo "$kib" >"$work/$name.rss"
    how=$(sed -n 's/^Timings (\(.*\)):$/\1/p' "$work/$name.txt")
    printf "  %-8s %8.1f s end to end, peak memory %6.1f MB   (%s)\n" "$length" "$seconds" \
        "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "$how"
}

long_outputs() {
    echo "== Long outputs at the panel's start values, end to end, $cores cores (load before: $(cut -d' ' -f1-3 /proc/loadavg))"
    wall minute 1:00
    wall ten 10:00
    wall hour 59:59
    wall ten-twice 10:00 --spill never
    awk -v m="$(cat "$work/minute.wall")" -v t="$(cat "$work/ten.wall")" -v h="$(cat "$work/hour.wall")" \
        -v tt="$(cat "$work/ten-twice.wall")" -v rss="$(cat "$work/minute.rss")" 'BEGIN {
            p = m * 480
            printf "  8:00:00  about %d min %02d s projected from the minute (x 480), peak memory as for any length (%.1f MB)\n", p / 60, p % 60, rss / 1024
            printf "  59:59 per minute of output %.2f s; 10:00 kept on disk %.1f s, synthesised twice %.1f s (x%.2f)\n", h / 59.98, t, tt, tt / t
        }'
    echo "  (load after: $(cut -d' ' -f1-3 /proc/loadavg))"
}

# The loading phase of a light one-second run from input, which the loading
# dominates; prints the seconds per minute of input.
load_per_minute() {
    name=$1
    input=$2
    minutes=$3
    "$cli" "$input" -q --seed 1 --length 1 --density 500 --grain-length 50 --timings -o "$work/$name.wav" \
        2>"$work/$name.txt"
    awk -v name="$name" -v load="$(phase "$name" loading)" -v minutes="$minutes" \
        'BEGIN { printf "  %-7s %6.2f s to load, %.3f s a minute of input\n", name, load, load / minutes }'
}

inputs() {
    echo "== Inputs whose length is found by decoding them, $cores cores (load before: $(cut -d' ' -f1-3 /proc/loadavg))"
    if ! command -v sox >/dev/null || ! command -v python3 >/dev/null; then
        echo "  (sox and python3 are needed to make the inputs)"
        return
    fi
    sox -n -r 44100 -c 2 -b 24 "$work/ten.wav" synth 600 pinknoise vol 0.5
    sox "$work/ten.wav" "$work/ten.flac"
    sox "$work/ten.wav" "$work/ten.ogg"
    load_per_minute wav "$work/ten.wav" 10
    load_per_minute flac "$work/ten.flac" 10
    load_per_minute vorbis "$work/ten.ogg" 10
    # 3 s of FLAC whose STREAMINFO claims 2.1 billion frames (16.8 GB as a SourceBuffer).
    sox -n -r 44100 -c 2 -b 16 "$work/forged.flac" synth 3 sine 440 vol 0.5
    python3 - "$work/forged.flac" <<'PATCH'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
total = 2_100_000_000
data[21] = (data[21] & 0xF0) | (total >> 32)
data[22:26] = (total & 0xFFFFFFFF).to_bytes(4, "big")
open(path, "wb").write(data)
PATCH
    /usr/bin/time -f "%e %M" -o "$work/forged.time" \
        "$cli" "$work/forged.flac" -q --seed 1 --length 5 -o "$work/forged.wav"
    read -r seconds kib <"$work/forged.time"
    awk -v s="$seconds" -v k="$kib" \
        'BEGIN { printf "  a FLAC claiming 2.1 billion frames: %.2f s end to end (5 s output), peak memory %.1f MB\n", s, k / 1024 }'
}

if [ "$only" = long ]; then
    long_outputs
    exit 0
fi
if [ "$only" = inputs ]; then
    inputs
    exit 0
fi

echo "== Panel start values (4000 grains of 800 ms per second), 60-second output, $cores cores"
run defaults-reference 60 --kernel reference
run defaults-fast1 60 --threads 1
run defaults-fastN 60 --threads "$cores"
compare defaults 60

echo
echo "== Densest settings (10000 grains of 2000 ms per second), 10-second output, $cores cores"
run densest-reference 10 --kernel reference --density 10000 --grain-length 2000
run densest-fast1 10 --threads 1 --density 10000 --grain-length 2000
run densest-fastN 10 --threads "$cores" --density 10000 --grain-length 2000
compare densest 10

echo
echo "== A minute of 96 kHz 24-bit stereo input, loaded by libsndfile and converted by libsoxr, $cores cores"
if command -v sox >/dev/null; then
    sox -n -r 96000 -c 2 -b 24 "$work/minute-96k.wav" synth 60 pinknoise vol 0.5
    run input96k-fastN 60 "$work/minute-96k.wav" --threads "$cores"
    awk -v load="$(phase input96k-fastN loading)" -v sample="$(phase defaults-fastN loading)" \
        -v whole="$(total defaults-fastN)" \
        'BEGIN { printf "  loading and converting: %.3f s, %.1f %% of the 60 s default render (%.3f s);\n", load, 100 * load / whole, whole
                 printf "  the bundled 3 s sample loads in %.3f s\n", sample }'
else
    echo "  (sox is needed to make the input)"
fi

echo
long_outputs

echo
inputs
