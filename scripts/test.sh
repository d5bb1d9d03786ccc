#!/bin/bash
# scripts/test.sh [--sanitize]
#
# Installs what is missing (scripts/deps.sh), builds Okapel with its tests and benchmarks in
# build/ and runs the whole test suite with ctest. With --sanitize the same happens in
# build-sanitize/ with AddressSanitizer and UndefinedBehaviorSanitizer (OKAPEL_SANITIZE=ON),
# where any report fails the test that caused it. Exits non-zero on any failure.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

build=$OKAPEL_ROOT/build
cmake_args=(-DOKAPEL_SANITIZE=OFF)
case ${1:-} in
'') ;;
--sanitize)
    build=$OKAPEL_ROOT/build-sanitize
    cmake_args=(-DOKAPEL_SANITIZE=ON)
    # Stop at the first report and fail. Leak checking is off: Qt, fontconfig and the
    # platform plugins keep process-lifetime allocations that LeakSanitizer reports at exit
    # in every test; the SNMP layer's blocks are counted by its own tests instead.
    export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=0:strict_string_checks=1:detect_stack_use_after_return=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    ;;
*)
    echo "usage: scripts/test.sh [--sanitize]" >&2
    exit 2
    ;;
esac

"$OKAPEL_ROOT/scripts/deps.sh"
okapel_build "$build" "${cmake_args[@]}"

# Every test that needs an agent or a trap port starts its own on a free loopback port, so
# two tests may run at once.
as_owner ctest --test-dir "$build" --output-on-failure --timeout 300 -j 2 --no-tests=error
