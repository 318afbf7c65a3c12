#!/bin/sh
# Renders a handful of short scores at once with GNU parallel, as the README
# shows for many renders over cores or machines: every score becomes its
# file, and a score with its seed is the whole description of that file, so
# two renders of it, side by side in separate jobs, are the same bytes.
# Usage: parallel_renders.sh CLI SAMPLE
#   CLI     the sonnelith-cli under test; SAMPLE the sound the scores read
# Exit status: 0 passed, 1 failed, 77 skipped (GNU parallel not installed).
set -u
cli=$1
sample=$2

if ! command -v parallel >/dev/null 2>&1; then
    echo "SKIP: GNU parallel is not installed (tools/install-deps.sh installs it)"
    exit 77
fi
for tool in soxi cmp; do
    command -v "$tool" >/dev/null 2>&1 || { echo "FAIL: $tool is needed"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Four scores of a few seconds, each with its own seed and values; names with
# a space and a quote check that parallel hands each name over whole.
mkdir "$work/scores" "$work/first" "$work/second"
write_score() {  # NAME SECONDS SEED DENSITY
    cat >"$work/scores/$1.toml" <<SCORE
length = $2
seed = $3
[[layer]]
source = "$sample"
density = $4
grain_length = 300
[[layer.at]]
time = 1
pitch = 3
SCORE
}
write_score dawn 2 11 800
write_score dusk 3 12 1200
write_score "night rain" 2 13 600
write_score "it's late" 1 14 1000

# Every score twice, in two folders, as separate jobs on all cores; parallel
# runs them in whatever order they come, so the two renders of a score are
# made apart from each other. --halt now,fail=1 stops at the first failure.
if ! parallel --will-cite --halt now,fail=1 \
    "$cli" -q --threads 1 {2} -o "$work"/{1}/{2/.}.wav \
    ::: first second ::: "$work"/scores/*.toml; then
    fail "a render under parallel failed"
fi

for score in "$work"/scores/*.toml; do
    name=$(basename "$score" .toml)
    seconds=$(sed -n 's/^length = //p' "$score")
    for folder in first second; do
        output="$work/$folder/$name.wav"
        if [ ! -s "$output" ]; then
            fail "no output $folder/$name.wav"
            continue
        fi
        frames=$(soxi -s "$output")
        [ "$frames" = $((seconds * 44100)) ] ||
            fail "$folder/$name.wav holds $frames frames, not $seconds s at 44100 Hz"
    done
    cmp -s "$work/first/$name.wav" "$work/second/$name.wav" ||
        fail "two renders of $name.toml with seed $(sed -n 's/^seed = //p' "$score") differ"
done

# The renders differ from one score to another: parallel handed each job its
# own score, not one score to all.
cmp -s "$work/first/dawn.wav" "$work/first/night rain.wav" && fail "dawn and night rain are the same bytes"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "parallel rendered $(ls "$work"/scores | wc -l) scores twice each, the same bytes each time"
