#!/bin/bash
# scripts/screenshot.sh [MAIN.png [ABOUT.png]]
#
# Makes the README's pictures of the main window and of the About box over it
# (docs/okapel-main.png and docs/okapel-about.png unless told otherwise): builds okapel_screenshot (tools/Screenshot.cpp) in build/, starts the demo
# agent, and grabs the real dialog on Qt's offscreen platform after an Open, a Get of
# sysName (.1.3.6.1.2.1.1.5.0) and a Get All of the system group (.1.3.6.1.2.1.1).
# The agent takes 127.0.0.1 port 161 when it can (so that the picture shows the preset
# address), and a high port otherwise; it is stopped by its process id at the end.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

output=${1:-$OKAPEL_ROOT/docs/okapel-main.png}
output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")
about=${2:-$(dirname "$output")/okapel-about.png}

"$OKAPEL_ROOT/scripts/deps.sh"
build=$OKAPEL_ROOT/build
okapel_build "$build" -- okapel_screenshot

state=$(mktemp -d "${TMPDIR:-/tmp}/okapel-screenshot.XXXXXX")
# shellcheck disable=SC2317 # runs from the EXIT trap
cleanup() {
    "$OKAPEL_ROOT/scripts/demo-agent/stop.sh" "$state/agent"
    rm -rf "$state"
}
trap cleanup EXIT

agent=
for candidate in 127.0.0.1:161 127.0.0.1:16161 127.0.0.1:26161; do
    if "$OKAPEL_ROOT/scripts/demo-agent/start.sh" "${candidate%:*}" "${candidate#*:}" \
        "$state/agent" 2>/dev/null; then
        agent=$candidate
        break
    fi
done
if [ -z "$agent" ]; then
    echo "screenshot: the demo agent could not be started" >&2
    exit 1
fi
[ "${agent#*:}" = 161 ] && agent=${agent%:*}

QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$state \
    "$build/okapel_screenshot" "$output" "agent=$agent" community=walnut open \
    get=.1.3.6.1.2.1.1.5.0 walk=.1.3.6.1.2.1.1
echo "screenshot: wrote $output (agent $agent)"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$state "$build/okapel_screenshot" "$about" about
echo "screenshot: wrote $about"
