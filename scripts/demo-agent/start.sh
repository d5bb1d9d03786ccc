#!/bin/sh
# start.sh ADDRESS PORT STATEDIR
#
# Starts the demo agent: net-snmp's snmpd with the project's configuration only (no system
# configuration, no MIB files), listening on udp:ADDRESS:PORT, where ADDRESS must be an
# IPv4 loopback address (127.x.x.x). Everything the agent writes stays in STATEDIR (made
# when missing): its log (snmpd.log), its process id (snmpd.pid), its persistent data and
# the values of the enterprise objects. Returns once the agent answers an SNMPv1 Get with
# community "walnut"; exits non-zero with the reason on stderr when it cannot start (the
# port taken, no right to bind it, ...). stop.sh STATEDIR stops it. Configuration lines in
# STATEDIR/local.conf, when there is one, are read after the project's (the tests give
# further communities there).
#
# Run as root with a STATEDIR owned by another user, snmpd binds the port as root and then
# drops to that user, so that only the bind needs the privilege.
set -eu

here=$(cd "$(dirname "$0")" && pwd)

fail() {
    echo "demo agent: $*" >&2
    exit 1
}

[ $# -eq 3 ] || fail "usage: start.sh ADDRESS PORT STATEDIR"
address=$1
port=$2
state=$3

case $address in
127.*.*.*) ;;
*) fail "refusing $address: the demo agent listens on loopback (127.x.x.x) only" ;;
esac
case $address in
*[!0-9.]* | *..* | *.) fail "not an IPv4 address: $address" ;;
esac
case $port in
'' | *[!0-9]* | ??????*) fail "not a port: $port" ;;
esac
if [ "$port" -lt 1 ] || [ "$port" -gt 65535 ]; then
    fail "not a port: $port"
fi

command -v snmpd >/dev/null 2>&1 || fail "snmpd is not installed (Debian package snmpd; scripts/deps.sh installs it)"
command -v snmpget >/dev/null 2>&1 || fail "snmpget is not installed (Debian package snmp; scripts/deps.sh installs it)"

mkdir -p "$state"
state=$(cd "$state" && pwd)
# snmpd splits its -c list at commas and a "pass" command line at blanks outside quotes
# and ends it at '#' or ';'; such paths cannot be handed to it faithfully.
case $state$here in
*[,\"\#\;]*) fail "the paths $here and $state must not contain , \" # or ;" ;;
esac
pidfile=$state/snmpd.pid
if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    fail "an agent of $state is already running (pid $(cat "$pidfile"))"
fi
rm -f "$pidfile"
mkdir -p "$state/persist" "$state/values" "$state/client"

# The pass line needs the script's absolute path, so it is written for each run; /bin/sh
# runs it, so that a checkout on a noexec mount works too.
printf 'pass .1.3.6.1.4.1.15 /bin/sh "%s/okapel-pass"\n' "$here" >"$state/pass.conf"
configs="$here/snmpd.conf,$state/pass.conf"
# Lines of this run's own (the tests' further communities), when STATEDIR holds them.
[ -f "$state/local.conf" ] && configs="$configs,$state/local.conf"

# Drop to the owner of the state directory when started as root for someone else.
set --
owner=$(stat -c %u "$state")
if [ "$(id -u)" -eq 0 ] && [ "$owner" -ne 0 ]; then
    set -- -u "$owner" -g "$(stat -c %g "$state")"
    chown -R "$owner:$(stat -c %g "$state")" "$state/persist" "$state/values" "$state/client"
fi

# -C: no default configuration files; -m '': no MIB files (none are needed to serve, and
# Debian ships only a few, which would fill the log with complaints); -I -smux: no SMUX
# listener on TCP 199. snmpd forks into the background once its port is open, and exits
# with an error here when it cannot open it.
if ! env SNMPCONFPATH="$state/persist" SNMP_PERSISTENT_DIR="$state/persist" \
    OKAPEL_DEMO_STATE="$state/values" \
    snmpd -C -c "$configs" -m '' -I -smux \
    -Lf "$state/snmpd.log" -p "$pidfile" "$@" "udp:$address:$port"; then
    reason=$(grep -v -e "^NET-SNMP version" -e "^Created directory" "$state/snmpd.log" 2>/dev/null | tail -n 3 || true)
    fail "snmpd could not start on udp:$address:$port: ${reason:-see $state/snmpd.log}"
fi

# Wait (up to about ten seconds) until it answers.
tries=0
while :; do
    if env SNMPCONFPATH="$state/client" SNMP_PERSISTENT_DIR="$state/client" \
        snmpget -m '' -v1 -c walnut -t 0.2 -r 0 -On "udp:$address:$port" \
        .1.3.6.1.2.1.1.5.0 >/dev/null 2>&1; then
        exit 0
    fi
    tries=$((tries + 1))
    if [ ! -f "$pidfile" ] || ! kill -0 "$(cat "$pidfile")" 2>/dev/null; then
        [ $tries -lt 5 ] || fail "snmpd ended early; see $state/snmpd.log"
    fi
    if [ $tries -ge 50 ]; then
        "$here/stop.sh" "$state" >/dev/null 2>&1 || true
        fail "snmpd did not answer on udp:$address:$port; see $state/snmpd.log"
    fi
    sleep 0.2
done
