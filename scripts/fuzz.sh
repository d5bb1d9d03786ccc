#!/bin/bash
# scripts/fuzz.sh [SECONDS]
#
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/: the trap decoding, seeded with datagrams that
# net-snmp's snmptrap really sends; a session's reading of answers, seeded with responses as
# the scripted test agents encode them; and for SNMPv3 notifications the message header, the
# plaintext scopedPDU with an inform's answers, and the receiver's path from a datagram to
# what it sends back, seeded with what snmptrap -v3 sends. Fuzzes each for a fifth of SECONDS
# seconds (60 in all by default). The corpora grow in build-fuzz/*-corpus from run to run.
# Exits non-zero on a finding, whose input is left in build-fuzz/ as crash-*, leak-* or
# timeout-*.
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
    answer_decode_fuzz answer_seed_write v3_header_fuzz scoped_pdu_fuzz v3_inform_fuzz \
    v3_seed_capture usm_answer_fuzz usm_seed_write

for corpus in trap answer v3-header scoped-pdu v3-inform usm-answer; do
    as_owner mkdir -p "$build/$corpus-corpus"
done
as_owner mkdir -p "$build/trap-seeds" "$build/answer-seeds" "$build/v3-seeds" "$build/scoped-seeds" \
    "$build/usm-seeds"
as_owner "$build/fuzz/trap_seed_capture" "$build/trap-seeds"
as_owner "$build/fuzz/answer_seed_write" "$build/answer-seeds"
as_owner "$build/fuzz/v3_seed_capture" "$build/v3-seeds" "$build/scoped-seeds"
as_owner "$build/fuzz/usm_seed_write" "$build/usm-seeds"

# Leaks are the target's own check (the layer's block count); net-snmp's one-time start keeps
# process-lifetime allocations that LeakSanitizer would report at exit.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$build"
share=$(((seconds + 5) / 6))
# target:corpus:seeds:longest input. The answer seeds reach the largest datagram (65,507
# bytes), which a shorter limit would cut.
for run in trap_decode:trap:trap:2048 answer_decode:answer:answer:65507 \
    v3_header:v3-header:v3:2048 scoped_pdu:scoped-pdu:scoped:2048 v3_inform:v3-inform:v3:4096 \
    usm_answer:usm-answer:usm:4096; do
    IFS=: read -r target corpus seeds max_len <<<"$run"
    echo "=== ${target}_fuzz, $share s"
    as_owner "./fuzz/${target}_fuzz" -max_total_time="$share" -max_len="$max_len" \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$build/" "$corpus-corpus" \
        "$seeds-seeds"
done
