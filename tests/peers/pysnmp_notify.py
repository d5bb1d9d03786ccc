"""Sends one notification with pysnmp to a receiver on loopback, for the notification log's
tests: python3 pysnmp_notify.py KIND PORT, KIND one of v1-trap, v2c-trap, v2c-inform. Exits
0 once sent (an inform once answered), 1 otherwise."""
import sys

from pysnmp.hlapi import (CommunityData, ContextData, Counter32, Integer, IpAddress,
                          ObjectIdentifier, ObjectIdentity, ObjectType, OctetString,
                          SnmpEngine, TimeTicks, UdpTransportTarget, sendNotification)

kind, port = sys.argv[1], int(sys.argv[2])
bindings = [
    ObjectType(ObjectIdentity("1.3.6.1.2.1.1.3.0"), TimeTicks(5151)),
    ObjectType(ObjectIdentity("1.3.6.1.6.3.1.1.4.1.0"),
               ObjectIdentifier("1.3.6.1.6.3.1.1.5.3" if kind != "v2c-inform" else "1.3.6.1.6.3.1.1.5.4")),
    ObjectType(ObjectIdentity("1.3.6.1.2.1.2.2.1.1.4"), Integer(4)),
    ObjectType(ObjectIdentity("1.3.6.1.2.1.2.2.1.2.4"), OctetString("ge-0/0/4")),
    ObjectType(ObjectIdentity("1.3.6.1.4.1.99.2"), IpAddress("10.0.0.44")),
    ObjectType(ObjectIdentity("1.3.6.1.4.1.99.3"), Counter32(4000000000)),
]
community = CommunityData("pysnmp", mpModel=0 if kind == "v1-trap" else 1)
target = UdpTransportTarget(("127.0.0.1", port), timeout=3, retries=1)
notify = "inform" if kind == "v2c-inform" else "trap"
error, status, _, _ = next(sendNotification(SnmpEngine(), community, target, ContextData(),
                                            notify, bindings))
if error or status:
    print(error or status.prettyPrint(), file=sys.stderr)
    sys.exit(1)
