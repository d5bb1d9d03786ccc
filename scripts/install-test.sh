#!/bin/bash
# scripts/install-test.sh RELEASE DEB [ROOT]
#
# Proves the Debian package as a user meets it, by hand (it is slow, so it is not part of
# the test command), on one Debian release, RELEASE (bookworm for Debian 12, trixie for
# Debian 13): DEB must have been built on that release (its version ends in +deb12 or
# +deb13, as the build records it). In a fresh root of RELEASE (made with debootstrap when
# ROOT holds no system yet; a directory under /var/tmp by default), it installs DEB with
# `apt-get install ./okapel_*.deb`, so that apt resolves the package's dependencies from that
# release, shows what the package did at install (postinst's output, the capability of
# /usr/bin/okapel), starts `okapel` as an ordinary user on a virtual display (Xvfb), sends one
# SNMPv1 trap with net-snmp's snmptrap, and reads the trap window's lines back through the
# accessibility tree (AT-SPI), as a screen reader would.
# Run as root. Every process it starts is stopped by its process id; the root's mounts are
# undone at the end. Build the package on RELEASE first:
# cmake --build build --target okapel && (cd build && cpack -G DEB)
set -euo pipefail

usage="usage: install-test.sh RELEASE DEB [ROOT]   (RELEASE: bookworm or trixie)"
release=${1:?$usage}
deb=${2:?$usage}
root=${3:-/var/tmp/okapel-install-$release}
[ -f "$deb" ] || { echo "install-test: $deb: no such file" >&2; exit 2; }
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
mirror=http://deb.debian.org/debian
display=:87
user=okapel-desk

[ "$(id -u)" -eq 0 ] || { echo "install-test: run as root" >&2; exit 1; }
for tool in debootstrap chroot dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "install-test: $tool is missing" >&2; exit 1; }
done

step() { echo; echo "=== $*"; }

if [ ! -f "$root/etc/debian_version" ]; then
    step "debootstrap $release into $root"
    debootstrap --variant=minbase "$release" "$root" "$mirror" >/dev/null
fi
# What the root is, and what the package was built on, from their own records.
os_field() { sed -n "s/^$1=\"\{0,1\}\([^\"]*\)\"\{0,1\}\$/\1/p" "$root/etc/os-release"; }
root_release=$(os_field VERSION_CODENAME)
root_version=$(os_field VERSION_ID)
if [ "$root_release" != "$release" ]; then
    echo "install-test: $root holds Debian ${root_release:-of no known release}, not $release" >&2
    exit 1
fi
deb_version=$(dpkg-deb -f "$deb" Version)
if [ "${deb_version##*+deb}" != "$root_version" ]; then
    echo "install-test: $(basename "$deb") (version $deb_version) was not built on $release" \
        "(Debian $root_version): build the package on $release and prove that one" >&2
    exit 1
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"

mounted=()
# shellcheck disable=SC2317 # runs from the EXIT trap
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[$i]}" || true
    done
}
trap cleanup EXIT
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount --bind /dev "$root/dev" && mounted+=("$root/dev")
mount --bind /dev/pts "$root/dev/pts" && mounted+=("$root/dev/pts")
mount -t sysfs sysfs "$root/sys" && mounted+=("$root/sys")
mount -t tmpfs tmpfs "$root/tmp" && mounted+=("$root/tmp")
chmod 1777 "$root/tmp"

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"; }

step "Debian $(cat "$root/etc/debian_version") ($release) in $root"
echo "package: $(basename "$deb"), version $deb_version"
echo "depends: $(dpkg-deb -f "$deb" Depends)"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
# What the test itself needs: a virtual display, the trap sender, and the accessibility
# bus with a client to read it.
in_root apt-get install -y -qq --no-install-recommends \
    xvfb xauth snmp dbus dbus-x11 at-spi2-core python3-pyatspi >/dev/null

step "apt-get install ./$(basename "$deb")"
# --reinstall: in a root that has the package already, its maintainer script runs again.
in_root sh -c "cd /tmp && apt-get install -y --reinstall --no-install-recommends ./$(basename "$deb")" 2>&1 |
    grep -v '^\(Reading\|Building\|Selecting\|Preparing\|Unpacking\|(Reading\)' || true

step "what the package did at install"
in_root getcap /usr/bin/okapel
# shellcheck disable=SC2016 # expanded inside the root
in_root sh -c 'dpkg -L okapel | while read -r f; do [ -f "$f" ] && echo "$f"; done'
in_root grep -m2 "^License:" /usr/share/doc/okapel/copyright
in_root grep -o '<project_license>.*</project_license>' \
    /usr/share/metainfo/io.github.okapel.Okapel.metainfo.xml

in_root sh -c "id -u $user >/dev/null 2>&1 || useradd -m $user"
uid=$(in_root id -u "$user")
in_root install -d -m 700 -o "$user" -g "$user" "/run/user/$uid"
cat >"$root/tmp/read-trap-window.py" <<'PY'
# Reads Okapel's lists through AT-SPI: the application, its lists, and their lines. The walk
# list and the trap window are tables of one column (a screen reader then says how many lines
# they hold without reading each), the combo boxes' drop-down lists are lists.
import sys, time
import pyatspi

def lists(node, found):
    try:
        if node.getRoleName() in ("list", "table"):
            found.append(node)
        for i in range(node.childCount):
            lists(node.getChildAtIndex(i), found)
    except Exception:
        pass
    return found

deadline = time.time() + 30
app = None
while time.time() < deadline and app is None:
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        candidate = desktop.getChildAtIndex(i)
        if candidate is not None and candidate.name.lower() == "okapel":
            app = candidate
    time.sleep(0.5)
if app is None:
    print("okapel is not in the accessibility tree")
    sys.exit(1)
want = int(sys.argv[1]) if len(sys.argv) > 1 else 0
while time.time() < deadline:
    found = lists(app, [])
    trap = [l for l in found if l.name == "Trap Window"]
    if trap and trap[0].childCount >= want:
        break
    time.sleep(0.5)
print("application:", app.name, "role:", app.getRoleName())
for l in found:
    print("list: name=%r role=%s children=%d" % (l.name, l.getRoleName(), l.childCount))
    for i in range(l.childCount):
        item = l.getChildAtIndex(i)
        states = item.getState()
        print("  child %d: role=%s selected=%s name=%r" % (
            i, item.getRoleName(), states.contains(pyatspi.STATE_SELECTED), item.name))
sys.exit(0 if trap and trap[0].childCount >= want else 1)
PY
cat >"$root/tmp/session.sh" <<EOF
#!/bin/bash
# As $user: a display, a session bus, Okapel as started from the desktop menu, one trap.
set -u
cd
Xvfb $display -screen 0 1280x1024x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
xvfb=\$!
sleep 1
export DISPLAY=$display
eval "\$(dbus-launch --sh-syntax)"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
okapel >/tmp/okapel.log 2>&1 &
okapel=\$!
for i in \$(seq 150); do
    grep -q ':00A2 ' /proc/net/udp && break
    sleep 0.2
done
echo "okapel (pid \$okapel, uid \$(id -u)) listens on:"
awk 'NR > 1 && \$2 ~ /:00A2\$/ { print "  UDP " \$2 " (port 162), uid " \$8 }' /proc/net/udp
echo "its capabilities: \$(grep CapEff /proc/\$okapel/status)"
snmptrap -v1 -c public 127.0.0.1 .1.3.6.1.4.1.15 127.0.0.1 6 1 '' \
    .1.3.6.1.4.1.15.0.0.2 s "hello from snmptrap"
echo "snmptrap sent: enterprise .1.3.6.1.4.1.15, specific 1, .1.3.6.1.4.1.15.0.0.2 = \"hello from snmptrap\""
python3 /tmp/read-trap-window.py 3
status=\$?
kill \$okapel
wait \$okapel 2>/dev/null
kill \$DBUS_SESSION_BUS_PID \$xvfb
wait \$xvfb 2>/dev/null
echo "okapel's own output:"; sed 's/^/  /' /tmp/okapel.log
exit \$status
EOF
chmod 755 "$root/tmp/session.sh" "$root/tmp/read-trap-window.py"

step "okapel as $user under Xvfb, one trap, the trap window read through AT-SPI"
set +e
in_root setpriv --reuid="$user" --regid="$user" --init-groups \
    env HOME="/home/$user" USER="$user" XDG_RUNTIME_DIR="/run/user/$uid" /tmp/session.sh
status=$?
set -e
# What the session bus started for the accessibility tree ends with the bus; anything
# still running inside the root is stopped here, by its process id, before the unmounting.
for proc in /proc/[0-9]*; do
    if [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ]; then
        kill "${proc#/proc/}" 2>/dev/null || true
    fi
done
step "result: $([ $status -eq 0 ] && echo PASS || echo FAIL)"
exit $status
