#!/bin/sh
# stop.sh STATEDIR
#
# Stops the demo agent that start.sh started with this STATEDIR, by the process id in its
# pid file, and only when that process is still snmpd (a stale pid file must not make us
# signal some unrelated process that got the number since). Waits until it is gone.
set -eu

[ $# -eq 1 ] || { echo "usage: stop.sh STATEDIR" >&2; exit 2; }
pidfile=$1/snmpd.pid
[ -f "$pidfile" ] || exit 0
pid=$(cat "$pidfile")
case $pid in
'' | *[!0-9]*) rm -f "$pidfile"; exit 0 ;;
esac

if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = snmpd ]; then
    kill -TERM "$pid" 2>/dev/null || true
    tries=0
    while kill -0 "$pid" 2>/dev/null; do
        tries=$((tries + 1))
        if [ $tries -eq 50 ]; then
            kill -KILL "$pid" 2>/dev/null || true
        elif [ $tries -gt 60 ]; then
            echo "demo agent: process $pid does not end" >&2
            exit 1
        fi
        sleep 0.1
    done
fi
rm -f "$pidfile"
