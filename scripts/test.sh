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
    # Stop at the first report and fail; leaks are checked at the end of each test, except
    # those of scripts/lsan.supp.
    export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
    export LSAN_OPTIONS=suppressions=$OKAPEL_ROOT/scripts/lsan.supp:print_suppressions=0
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
