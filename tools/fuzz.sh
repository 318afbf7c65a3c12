#!/bin/sh
# Builds the fuzzers with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given number of seconds,
# as many at once as there are processors,
# over its seed corpus: the WAV reader, the command-line generator's input
# opener under a memory limit of 1 GB (which an input whose header's length is
# taken on trust breaks at once), the reader of scores stored in outputs
# (--score-of) and the score file reader. New inputs they find go to scratch
# folders, not the corpus, and inputs that fail to build-fuzz/artifacts/.
#   tools/fuzz.sh [SECONDS [TARGET...]]
#   targets: wave_reader sound_file stored_score score_reader; default all
# SONNELITH_FUZZ_BUILD names a build folder configured already with
# SONNELITH_FUZZ (tools/test-all.sh builds the fuzzers beside its sanitized
# tests, so that the code is compiled once); by default build-fuzz,
# configured here.
# A developer's tool, and a step of tools/test-all.sh: a warning fails its
# build, as it does every build there.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-wave_reader sound_file stored_score score_reader}
build=${SONNELITH_FUZZ_BUILD:-build-fuzz}
if [ "$build" = build-fuzz ]; then
    CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONNELITH_FUZZ=ON \
        -DSONNELITH_WERROR=ON \
        -DSONNELITH_BUILD_GUI=OFF -DSONNELITH_BUILD_TESTS=OFF -DSONNELITH_BUILD_BENCHMARKS=OFF
fi
for target in $targets; do
    cmake --build "$build" -j "$(nproc)" --target "${target}_fuzzer"
done
# Runs one fuzzer; its output goes to its log, its exit status is its own.
run_fuzzer() {
    target=$1
    scratch=$build/corpus-found/$target
    artifacts=$build/artifacts/$target
    mkdir -p "$scratch" "$artifacts"
    # libvorbis leaks a few kilobytes on some damaged Ogg headers (see
    # fuzz/sound_file_fuzzer.cpp): leak checks are off for the sound-file
    # opener, also the one at exit.
    case $target in
    sound_file) limits="-rss_limit_mb=1024 -detect_leaks=0" leaks=0 ;;
    *) limits="" leaks=1 ;;
    esac
    # shellcheck disable=SC2086  # the limits are meant to split into words
    ASAN_OPTIONS="detect_leaks=$leaks" "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" \
        -print_final_stats=1 -artifact_prefix="$artifacts/" $limits "$scratch" "fuzz/corpus/$target" \
        >"$build/fuzz-logs/$target.log" 2>&1
}

# Each fuzzer runs on one processor, so as many run at once as there are
# processors, each for its whole time; a batch ends when its last one does.
# Every log is shown, and any fuzzer that failed fails the script.
mkdir -p "$build/fuzz-logs"
failed=""
# shellcheck disable=SC2086  # the targets are meant to split into words
set -- $targets
while [ $# -gt 0 ]; do
    batch=""
    started=0
    while [ $# -gt 0 ] && [ "$started" -lt "$(nproc)" ]; do
        run_fuzzer "$1" &
        batch="$batch $1:$!"
        started=$((started + 1))
        shift
    done
    for entry in $batch; do
        target=${entry%%:*}
        if ! wait "${entry#*:}"; then
            failed="$failed $target"
        fi
        echo "== fuzzer $target"
        cat "$build/fuzz-logs/$target.log"
    done
done
if [ -n "$failed" ]; then
    echo "fuzzers that failed:$failed" >&2
    exit 1
fi
