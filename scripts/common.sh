# shellcheck shell=bash
# Shared by scripts/run.sh and scripts/test.sh (sourced).
#
# Started as root for a checkout that belongs to someone else (sudo scripts/run.sh), the
# scripts install packages as root but build, test and run as the checkout's owner, so that
# build/ stays theirs and the program runs in their session; as_owner does that.

OKAPEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

owner_uid=$(stat -c %u "$OKAPEL_ROOT")
owner_gid=$(stat -c %g "$OKAPEL_ROOT")
owner_entry=$(getent passwd "$owner_uid" || true)

# The words that put a command under the owner's account: setpriv executes it in place, so
# that a command started in the background keeps the process id that $! gives.
as_owner_prefix=()
if [ "$(id -u)" -eq 0 ] && [ "$owner_uid" -ne 0 ] && [ -n "$owner_entry" ]; then
    as_owner_prefix=(setpriv "--reuid=$owner_uid" "--regid=$owner_gid" --init-groups
        env "HOME=$(echo "$owner_entry" | cut -d: -f6)"
        "USER=$(echo "$owner_entry" | cut -d: -f1)"
        "LOGNAME=$(echo "$owner_entry" | cut -d: -f1)")
fi

# Whether commands run as someone other than the caller.
runs_as_other() {
    [ ${#as_owner_prefix[@]} -gt 0 ]
}

as_owner() {
    "${as_owner_prefix[@]}" "$@"
}

# okapel_build BUILD_DIR [CMAKE_ARGS...] [-- TARGETS...]: configures and builds.
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
