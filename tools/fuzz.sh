#!/bin/sh
# Builds the WAV reader fuzzer with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for the given number of seconds over
# the seed corpus. New inputs it finds go to a scratch folder, not the corpus.
# A developer's tool, and a step of tools/test-all.sh: a warning fails its
# build, as it does every build there.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONNELITH_FUZZ=ON \
    -DSONNELITH_WERROR=ON \
    -DSONNELITH_BUILD_GUI=OFF -DSONNELITH_BUILD_TESTS=OFF -DSONNELITH_BUILD_BENCHMARKS=OFF
cmake --build build-fuzz -j "$(nproc)" --target wave_reader_fuzzer
scratch=build-fuzz/corpus-found
mkdir -p "$scratch"
build-fuzz/fuzz/wave_reader_fuzzer -max_total_time="$seconds" -print_final_stats=1 \
    "$scratch" fuzz/corpus/wave_reader
