#!/bin/sh
# Builds the fuzzers with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs them over their seed corpora for the
# given number of seconds in all: two thirds for the WAV reader, one third for
# the score file reader. New inputs they find go to scratch folders, not the
# corpora.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
score_seconds=$((seconds / 3))
wave_seconds=$((seconds - score_seconds))
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONNELITH_FUZZ=ON \
    -DSONNELITH_BUILD_GUI=OFF -DSONNELITH_BUILD_TESTS=OFF -DSONNELITH_BUILD_BENCHMARKS=OFF
cmake --build build-fuzz -j "$(nproc)" --target wave_reader_fuzzer score_reader_fuzzer
mkdir -p build-fuzz/corpus-found build-fuzz/score-corpus-found
build-fuzz/fuzz/wave_reader_fuzzer -max_total_time="$wave_seconds" -print_final_stats=1 \
    build-fuzz/corpus-found fuzz/corpus/wave_reader
build-fuzz/fuzz/score_reader_fuzzer -max_total_time="$score_seconds" -print_final_stats=1 \
    build-fuzz/score-corpus-found fuzz/corpus/score_reader
