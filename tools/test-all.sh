#!/bin/sh
# Installs what is missing, builds Sonnelith and runs the whole test suite:
# every test in the optimised build that users and the package get (Release,
# GCC), the whole tree again built by clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and its non-GUI tests run there, then each fuzzer,
# built beside them (the WAV reader, the sound-file opener under a memory
# limit, the stored score reader, the score file reader), for a bounded time.
# Every build here fails on a compiler warning
# (SONNELITH_WERROR), so both compilers' warnings, and those only the
# optimiser finds, stop it.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)

echo "== Build and test: Release, GCC"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ -DSONNELITH_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Everything built by clang; non-GUI tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# -O1 and line tables only: the sanitizers' own advice, and their build takes
# half the time of -O2 -g with the same checks and reports with file and line.
# The GUI is built too, so that code only clang refuses cannot come back, but
# its tests (label gui), which the Release stage runs, are not run again. The
# fuzzers are built here too (SONNELITH_FUZZ), so that the code they share
# with the tests is compiled once.
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DSONNELITH_WERROR=ON -DSONNELITH_SANITIZE=ON -DSONNELITH_FUZZ=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
    -DSONNELITH_BUILD_GUI=ON -DSONNELITH_BUILD_BENCHMARKS=OFF
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -LE gui

echo "== Fuzzing the readers of sound files and scores"
SONNELITH_FUZZ_BUILD=build-sanitize tools/fuzz.sh "${SONNELITH_FUZZ_SECONDS:-20}"
