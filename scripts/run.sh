#!/bin/bash
# scripts/run.sh
#
# Installs what is missing (scripts/deps.sh), builds Okapel in build/ and starts it, with
# the demo agent (scripts/demo-agent) beside it so that there is something to talk to:
#
#  - If an agent already answers SNMPv1 with community "walnut" on 127.0.0.1 port 161, that
#    one is used.
#  - Otherwise the demo agent is started on 127.0.0.1 port 161; when another agent holds
#    that port (Debian's own snmpd, with community "public", after installing the snmpd
#    package on a machine with systemd), on 127.0.0.2 and then 127.0.0.3, the other two
#    addresses that the IP address box offers. Without the right to use port 161 (not
#    root), on a high port of 127.0.0.1. An existing agent is never stopped or changed.
#  - The demo agent is stopped, by its process id, when Okapel ends.
#
# Okapel listens for traps on UDP 162; run as root, this script gives build/okapel the
# capability to do so (setcap cap_net_bind_service=+ep) so that it need not run as root.
#
# Without a display (neither DISPLAY nor WAYLAND_DISPLAY set), Okapel is shown on a virtual
# display (Xvfb) that a VNC server serves on 127.0.0.1 only, and this script says how to
# connect. (Qt's own VNC platform plugin listens on every network interface, so it is not
# used.)
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

say() { echo "okapel: $*"; }

"$OKAPEL_ROOT/scripts/deps.sh"
build=$OKAPEL_ROOT/build
okapel_build "$build" -- okapel okapel_window_size
binary=$build/okapel

state=$(mktemp -d "${TMPDIR:-/tmp}/okapel-run.XXXXXX")
# The demo agent binds its port as root, then runs as the state directory's owner.
if runs_as_other; then
    chown "$owner_uid:$owner_gid" "$state"
fi
agent_started=
xvfb_pid=
vnc_pid=

# shellcheck disable=SC2317 # runs from the EXIT trap
cleanup() {
    set +e
    if [ -n "$agent_started" ]; then
        "$OKAPEL_ROOT/scripts/demo-agent/stop.sh" "$state/agent" &&
            say "demo agent on $agent_started stopped."
    fi
    [ -n "$vnc_pid" ] && kill "$vnc_pid" 2>/dev/null && wait "$vnc_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$state"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# --- The trap port -------------------------------------------------------------------------

if [ "$(id -u)" -eq 0 ] || sudo -n true 2>/dev/null; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo -n)
    if "${as_root[@]}" setcap cap_net_bind_service=+ep "$binary" 2>/dev/null; then
        say "gave build/okapel the capability cap_net_bind_service, so that it listens for traps on UDP 162 without root."
    else
        say "could not give build/okapel the capability cap_net_bind_service (setcap failed; is the file system without extended attributes?). Traps on UDP 162 need root then."
    fi
elif ! getcap "$binary" 2>/dev/null | grep -q cap_net_bind_service; then
    say "to receive traps on UDP 162 without root: sudo setcap cap_net_bind_service=+ep build/okapel"
fi

# --- The agent -------------------------------------------------------------------------------

answers_walnut() {
    env SNMPCONFPATH="$state/client" SNMP_PERSISTENT_DIR="$state/client" \
        snmpget -m '' -v1 -c walnut -t 1 -r 0 "udp:$1" .1.3.6.1.2.1.1.5.0 >/dev/null 2>&1
}

start_demo_agent() { # ADDRESS PORT
    local reason
    if reason=$("$OKAPEL_ROOT/scripts/demo-agent/start.sh" "$1" "$2" "$state/agent" 2>&1); then
        agent_started=$1:$2
        return 0
    fi
    [ -z "$reason" ] || echo "$reason" >"$state/agent-failure"
    return 1
}

mkdir -p "$state/client"
if runs_as_other; then
    mkdir -p "$state/agent"
    chown "$owner_uid:$owner_gid" "$state/agent"
fi
low_port_allowed=
if [ "$(id -u)" -eq 0 ] ||
    [ "$(cat /proc/sys/net/ipv4/ip_unprivileged_port_start 2>/dev/null || echo 1024)" -le 161 ]; then
    low_port_allowed=yes
fi

agent=
for address in 127.0.0.1 127.0.0.2 127.0.0.3; do
    if answers_walnut "$address:161"; then
        agent=$address
        say "an agent with community walnut already answers on $address port 161; Okapel uses it as it is."
        break
    fi
    if [ -z "$low_port_allowed" ]; then
        say "port 161 needs root (sudo scripts/run.sh); the demo agent takes a high port instead."
        break
    fi
    if start_demo_agent "$address" 161; then
        agent=$address
        say "demo agent started on $address port 161 (community walnut, read-write)."
        break
    fi
    if grep -q 'Error opening specified endpoint' "$state/agent-failure" 2>/dev/null; then
        say "port 161 of $address is held by another program (another agent?); it is left alone."
    else
        break
    fi
done
if [ -z "$agent" ]; then
    for port in 1161 16161 26161; do
        if start_demo_agent 127.0.0.1 "$port"; then
            agent=127.0.0.1:$port
            say "demo agent started on 127.0.0.1 port $port (community walnut, read-write)."
            break
        fi
    done
fi
if [ -n "$agent" ]; then
    say "in Okapel: IP address $agent, community walnut, then Open; Get .1.3.6.1.2.1.1.5.0, or Get All from .1.3.6.1.2.1.1."
else
    say "the demo agent could not be started: $(cat "$state/agent-failure" 2>/dev/null || echo 'no reason given')"
    say "Okapel starts without it."
fi

# --- The display -------------------------------------------------------------------------------

# The virtual screen's size: the window's in the font it will be shown in (measured by
# okapel_window_size without a display, with the same fonts), with room around it, and at
# least 1024x768.
virtual_screen_size() {
    local size width=0 height=0
    size=$(as_owner env QT_QPA_PLATFORM=offscreen "$build/okapel_window_size" 2>/dev/null |
        tail -n 1) || true
    if [[ $size =~ ^([0-9]+)x([0-9]+)$ ]]; then
        width=${BASH_REMATCH[1]}
        height=${BASH_REMATCH[2]}
    fi
    width=$((width + 64 > 1024 ? width + 64 : 1024))
    height=$((height + 64 > 768 ? height + 64 : 768))
    echo "${width}x${height}"
}

start_virtual_display() {
    local missing=
    command -v Xvfb >/dev/null 2>&1 || missing="$missing xvfb"
    command -v x11vnc >/dev/null 2>&1 || missing="$missing x11vnc"
    command -v xauth >/dev/null 2>&1 || missing="$missing xauth"
    if [ -n "$missing" ]; then
        say "no display here (DISPLAY and WAYLAND_DISPLAY are unset) and no virtual one can be made: missing packages:$missing."
        say "install them (sudo apt-get install$missing, or sudo scripts/deps.sh), or start this from a desktop session."
        return 1
    fi
    local number auth=$state/Xauthority screen
    screen=$(virtual_screen_size)
    as_owner touch "$auth"
    for number in $(seq 20 99); do
        if [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; then
            continue
        fi
        as_owner xauth -q -f "$auth" add ":$number" . "$(mcookie)"
        "${as_owner_prefix[@]}" Xvfb ":$number" -screen 0 "${screen}x24" -nolisten tcp -auth "$auth" \
            >"$state/xvfb.log" 2>&1 &
        xvfb_pid=$!
        local tries=0
        while [ ! -e "/tmp/.X11-unix/X$number" ] && kill -0 "$xvfb_pid" 2>/dev/null &&
            [ $tries -lt 50 ]; do
            sleep 0.1
            tries=$((tries + 1))
        done
        [ -e "/tmp/.X11-unix/X$number" ] && break
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    done
    if [ -z "$xvfb_pid" ]; then
        say "the virtual display (Xvfb) did not start: $(tail -n 2 "$state/xvfb.log")"
        return 1
    fi
    # The VNC server listens on loopback only and shows the whole virtual screen.
    "${as_owner_prefix[@]}" x11vnc -display ":$number" -auth "$auth" -localhost \
        -listen 127.0.0.1 -noipv6 -autoport 5900 -forever -shared -nopw -quiet \
        >"$state/x11vnc.out" 2>"$state/x11vnc.log" &
    vnc_pid=$!
    local port='' tries=0
    while [ -z "$port" ] && kill -0 "$vnc_pid" 2>/dev/null && [ $tries -lt 100 ]; do
        port=$(sed -n 's/^PORT=//p' "$state/x11vnc.out")
        sleep 0.1
        tries=$((tries + 1))
    done
    if [ -z "$port" ]; then
        say "the VNC server (x11vnc) did not start: $(tail -n 2 "$state/x11vnc.log")"
        return 1
    fi
    export DISPLAY=:$number XAUTHORITY=$auth
    say "no display here, so Okapel runs on a virtual display ($screen) served by VNC on 127.0.0.1 port $port only (no password; loopback only)."
    say "  connect a VNC viewer to 127.0.0.1:$port, e.g. 'vncviewer 127.0.0.1::$port' (Debian package tigervnc-viewer)."
    say "  from another machine: ssh -L $port:127.0.0.1:$port USER@THIS-MACHINE, then view localhost:$port there."
}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    start_virtual_display || exit 1
fi

# On a Wayland session Okapel runs on Qt's Wayland platform, which places the window by the
# Wayland rules: Qt chooses it by itself only where the session says it is a Wayland one
# (XDG_SESSION_TYPE), which a compositor started from a console (sway, weston) does not. X11
# stays the fallback. A platform chosen by the caller is kept.
if [ -n "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    export QT_QPA_PLATFORM='wayland;xcb'
fi

# Qt keeps per-session files there; a session started through sudo or without a login has
# none, and Qt would warn and make one in /tmp.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR=$state/runtime
    as_owner mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

say "starting Okapel; it ends with its Exit button."
status=0
as_owner "$binary" || status=$?
say "Okapel ended."
exit $status
