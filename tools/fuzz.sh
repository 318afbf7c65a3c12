#!/bin/sh
# Builds the fuzzers that CI runs with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs them over their seed corpora for the
# given number of seconds in all: half for the WAV reader, half for the
# reader of stored scores (--score-of). New inputs they find go to scratch
# folders, not the corpora.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
score_seconds=$((seconds / 2))
wave_seconds=$((seconds - score_seconds))
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONNELITH_FUZZ=ON \
    -DSONNELITH_BUILD_GUI=OFF -DSONNELITH_BUILD_TESTS=OFF -DSONNELITH_BUILD_BENCHMARKS=OFF
cmake --build build-fuzz -j "$(nproc)" --target wave_reader_fuzzer stored_score_fuzzer

run() {
    name=$1
    time=$2
    scratch=build-fuzz/corpus-found/$name
    mkdir -p "$scratch"
    build-fuzz/fuzz/${name}_fuzzer -max_total_time="$time" -print_final_stats=1 "$scratch" "fuzz/corpus/$name"
}
run wave_reader "$wave_seconds"
[ "$score_seconds" -gt 0 ] && run stored_score "$score_seconds"
exit 0
