#!/bin/bash
# scripts/fuzz.sh [SECONDS]
#
# Builds the trap decoding fuzz target with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/, makes its seed corpus from datagrams that
# net-snmp's snmptrap really sends, and fuzzes for SECONDS seconds (60 by default). The
# corpus grows in build-fuzz/trap-corpus from run to run. Exits non-zero on a finding, whose
# input is left in build-fuzz/ as crash-*, leak-* or timeout-*.
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
    -DOKAPEL_FUZZ=ON -DOKAPEL_TESTS=OFF -DOKAPEL_BENCH=OFF -- trap_decode_fuzz trap_seed_capture

as_owner mkdir -p "$build/trap-seeds" "$build/trap-corpus"
as_owner "$build/fuzz/trap_seed_capture" "$build/trap-seeds"

# Leaks are the target's own check (the layer's block count); net-snmp's one-time start keeps
# process-lifetime allocations that LeakSanitizer would report at exit.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$build"
as_owner ./fuzz/trap_decode_fuzz -max_total_time="$seconds" -max_len=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$build/" trap-corpus trap-seeds
