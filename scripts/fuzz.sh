#!/bin/bash
# scripts/fuzz.sh [SECONDS]
#
# Builds the two fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/: the trap decoding, seeded with datagrams that
# net-snmp's snmptrap really sends, and a session's reading of answers, seeded with
# responses as the scripted test agents encode them. Fuzzes each for half of SECONDS seconds
# (60 in all by default). The corpora grow in build-fuzz/trap-corpus and
# build-fuzz/answer-corpus from run to run. Exits non-zero on a finding, whose input is left
# in build-fuzz/ as crash-*, leak-* or timeout-*.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

seconds=${1:-60}
case $seconds in
'' | *[!0-9]*)
    echo "usage: scripts/fuzz.sh [SECONDS]" >&2
    exit 2
    ;;
esac

build=$OKAPEL_ROOT/build-fuzz
okapel_build "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DOKAPEL_FUZZ=ON -DOKAPEL_TESTS=OFF -DOKAPEL_BENCH=OFF -- trap_decode_fuzz trap_seed_capture \
    answer_decode_fuzz answer_seed_write

as_owner mkdir -p "$build/trap-seeds" "$build/trap-corpus" "$build/answer-seeds" \
    "$build/answer-corpus"
as_owner "$build/fuzz/trap_seed_capture" "$build/trap-seeds"
as_owner "$build/fuzz/answer_seed_write" "$build/answer-seeds"

# Leaks are the target's own check (the layer's block count); net-snmp's one-time start keeps
# process-lifetime allocations that LeakSanitizer would report at exit.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$build"
half=$(((seconds + 1) / 2))
# The answer seeds reach the largest datagram (65,507 bytes), which a shorter limit would cut.
for target in trap:2048 answer:65507; do
    max_len=${target#*:}
    target=${target%:*}
    echo "=== ${target}_decode_fuzz, $half s"
    as_owner "./fuzz/${target}_decode_fuzz" -max_total_time="$half" -max_len="$max_len" \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$build/" "$target-corpus" \
        "$target-seeds"
done
