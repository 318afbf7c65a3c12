#!/bin/sh
# Installs what is missing, builds sonnelith-cli, and nothing else, and
# generates a one-minute ambient track, ambient.wav, from the bundled sample
# sound. Extra arguments go to sonnelith-cli (for example --length 05:00 or
# -o other.wav).
#
# The build has a folder of its own, build-sample/, configured without the
# desktop program, the tests and the benchmarks, so a full build in build/ is
# neither reconfigured nor rebuilt by it.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh cli
cmake -S . -B build-sample -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSONNELITH_BUILD_GUI=OFF -DSONNELITH_BUILD_TESTS=OFF -DSONNELITH_BUILD_BENCHMARKS=OFF
cmake --build build-sample -j "$(nproc)" --target sonnelith-cli
build-sample/cli/sonnelith-cli -o ambient.wav --length 01:00 "$@"
