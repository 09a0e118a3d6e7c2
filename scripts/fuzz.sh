#!/bin/sh
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer, UndefinedBehaviorSanitizer)
# in their own build folder and runs each for a while on its corpus in fuzz/corpus/<target>/.
#   scripts/fuzz.sh [seconds per target, default 60] [target...]
# New inputs that reach new code are kept in a scratch corpus in the build folder; the kept
# seeds in the repo are not touched. A fault stops the run with its input in the build folder.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"scanner textfile positions roundtrip buildscript commandline handover"}
build=${KELTO_FUZZ_BUILD:-$here/build-fuzz}

CXX=clang++ cmake -S "$here/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" -j2 $(for t in $targets; do printf 'fuzz_%s ' "$t"; done)

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
status=0
for t in $targets; do
    work="$build/corpus-$t"
    mkdir -p "$work" "$build/crashes-$t"
    echo "== fuzz_$t for ${seconds}s"
    if ! (cd "$build/crashes-$t" && "$build/fuzz_$t" -max_total_time="$seconds" -max_len=4096 \
            -timeout=10 -print_final_stats=1 "$work" "$here/fuzz/corpus/$t" 2>&1 |
            grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|==|SUMMARY|Done)|ERROR|abort|deadly" ); then
        :
    fi
    if ls "$build/crashes-$t"/crash-* "$build/crashes-$t"/timeout-* >/dev/null 2>&1; then
        echo "fuzz_$t: FAULT, inputs in $build/crashes-$t"
        status=1
    fi
done
exit $status
