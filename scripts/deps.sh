#!/bin/sh
# Installs the Debian packages that Okapel needs to build, test and run, when any of them is
# missing: apt-get update first, then only the missing ones, without recommended extras.
# Runs apt-get as root, or through sudo when started by another user. Debian 13 and 12: every
# name is one that both releases have, and version-less where the package carries a version
# (libclang-rt-dev is the release's own default clang's runtimes, as clang is its compiler).
#
# Note: installing the snmpd package (for its agent program, which the demo agent and the
# tests start with their own configuration) also starts Debian's own system agent on
# 127.0.0.1 port 161 on a machine with systemd; scripts/run.sh leaves that agent alone and
# serves the demo agent on another loopback address. snmptrapd, the trap receiver that the
# tests compare the notification log with and the benchmarks measure beside Okapel, is run by
# them on a high port of their own; on a machine with systemd its package starts a service
# on UDP port 162, where Okapel listens for traps, so when this script installs it, it stops
# and disables that service (a receiver the machine had before is left as it was).
set -eu

packages="
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-private-dev qt6-qpa-plugins qt6-wayland libgl-dev libxcb1-dev fonts-dejavu-core fonts-noto-core fonts-cantarell
    libsnmp-dev libssl-dev snmpd snmp netbase
    snmptrapd python3
    googletest libgtest-dev
    xvfb xauth x11vnc
    libcap2-bin
    clang libclang-rt-dev clang-format
    desktop-file-utils appstream shellcheck
    file
"
# What each group is for:
#   compilers and build tools; Qt 6 Widgets, with its platform interface (through which a
#   test turns the toolkit's accessibility events on) and its platform plugins (xcb, offscreen, and
#   wayland, so that a Wayland session shows the window natively, where the placement rules
#   for Wayland hold, rather than through XWayland), and the X11 connection library, through
#   which the window asks the window manager for its frame before it is shown; a font for the offscreen platform, with the other fonts that Debian desktops ship
#   (the dialogs' texts are measured in each); net-snmp's library (and OpenSSL's, with which
#   the tests' scripted SNMPv3 agent signs its messages), agent and command-line
#   tools, with netbase's /etc/hosts, without which a minimal system (a container, a
#   debootstrap root) resolves no `localhost` for the tests; net-snmp's trap receiver and
#   Python, peers of the notification log's tests; GoogleTest; a virtual display and a loopback-only VNC server for machines
#   without a display; setcap, so that Okapel may listen on UDP 162 without root;
#   clang with its sanitizer and fuzzer runtimes, and clang-format; checks for the
#   desktop entry, the AppStream metadata and the package's maintainer script; file, which
#   CPack runs to find the program's libraries when it asks dpkg-shlibdeps for the package's
#   dependencies (build-essential brings dpkg-shlibdeps).

# Installed where the release has them: the tests that need them say so and pass over them
# elsewhere. pysnmp, a second SNMP stack whose notifications the log's tests receive.
optional="python3-pysnmp4"
for package in $optional; do
    candidate=$(apt-cache policy "$package" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    [ -n "$candidate" ] && [ "$candidate" != "(none)" ] && packages="$packages $package"
done

missing=
for package in $packages; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing="$missing $package"
done

if [ -z "$missing" ]; then
    echo "deps: all packages are installed."
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=
elif command -v sudo >/dev/null 2>&1; then
    as_root=sudo
else
    echo "deps: missing packages:$missing" >&2
    echo "deps: run this script as root, or install sudo, to install them." >&2
    exit 1
fi

echo "deps: installing:$missing"
$as_root env DEBIAN_FRONTEND=noninteractive apt-get update
# shellcheck disable=SC2086 # the package list is meant to be split
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
case " $missing " in
*" snmptrapd "*)
    if [ -d /run/systemd/system ]; then
        $as_root systemctl disable --now snmptrapd.socket snmptrapd.service || true
    fi
    ;;
esac
echo "deps: done."
