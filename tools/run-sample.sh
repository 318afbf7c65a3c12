#!/bin/sh
# Installs what is missing, builds Sonnelith and generates a one-minute
# ambient track, ambient.wav, from the bundled sample sound. Extra arguments
# go to sonnelith-cli (for example --length 05:00 or -o other.wav).
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
build/cli/sonnelith-cli -o ambient.wav --length 01:00 "$@"
