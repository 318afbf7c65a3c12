#!/bin/sh
# Installs what is missing, builds Sonnelith and generates an ambient track from
# the bundled sample sound. Extra arguments go to sonnelith-cli.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
echo "The generation engine is not built yet; the build above is all this step does for now."
