#!/bin/sh
# Runs studio_bench (Sonnelith Studio's latencies, stalls and memory) on a
# private X server beside a private PulseAudio null sink, as the tests that
# listen do. Build it first: cmake --build build --target studio_bench
# Usage: bench/studio-bench.sh [build folder]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
bench="$build/bench/studio_bench"
if [ ! -x "$bench" ]; then
    echo "studio-bench: build studio_bench first ($bench is missing)" >&2
    exit 1
fi
echo "studio-bench: $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
exec env GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 \
    sh "$root/tests/support/run_with_null_sink.sh" \
    xvfb-run -a -s "-screen 0 1400x1000x24" "$bench"
