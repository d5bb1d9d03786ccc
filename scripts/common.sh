# shellcheck shell=bash
# Shared by scripts/run.sh and scripts/test.sh (sourced, bash).
#
# Started as root for a checkout that belongs to someone else (sudo scripts/run.sh), the
# scripts install packages as root but build, test and run as the checkout's owner, so that
# build/ stays theirs and the program runs in their session; as_owner does that.

OKAPEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

owner_uid=$(stat -c %u "$OKAPEL_ROOT")
owner_name=$(getent passwd "$owner_uid" | cut -d: -f1 || true)

# Whether commands run as someone other than the caller.
runs_as_other() {
    [ "$(id -u)" -eq 0 ] && [ "$owner_uid" -ne 0 ] && [ -n "$owner_name" ]
}

as_owner() {
    if runs_as_other; then
        # runuser keeps the environment (DISPLAY, XAUTHORITY, ...) but HOME, SHELL, USER and
        # LOGNAME, which it sets to the owner's.
        runuser -u "$owner_name" -- "$@"
    else
        "$@"
    fi
}

# okapel_build BUILD_DIR [CMAKE_ARGS...] -- [TARGETS...]: configures (once) and builds.
okapel_build() {
    local dir=$1
    shift
    local args=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        args+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift
    local targets=()
    local target
    for target in "$@"; do
        targets+=(--target "$target")
    done
    # A build directory keeps the generator it was first configured with.
    local generator=(-G Ninja)
    [ -f "$dir/CMakeCache.txt" ] && generator=()
    as_owner cmake -S "$OKAPEL_ROOT" -B "$dir" "${generator[@]}" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo "${args[@]}" >/dev/null
    as_owner cmake --build "$dir" "${targets[@]}"
}
