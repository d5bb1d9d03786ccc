// The object names that SnmpMgrOidToStr writes and SnmpMgrStrToOid reads: the top of the
// registration tree, the MIB-II objects of RFC 1213 (with the system group of RFC 3418 and
// the interfaces table of RFC 2863) and the SNMPv2 trap objects of RFC 3418. They are
// compiled in because a desktop has no MIB files to read them from.
//
// The tree is built once, on first use, and never changes afterwards, so any number of
// threads may read it at the same time.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <string_view>

namespace mibnames {

// Nodes are numbered 0 .. Count() - 1; kNone stands for "no node" and, as a parent, for the
// root of the tree above ccitt, iso and joint-iso-ccitt.
inline constexpr int kNone = -1;

int Count();
const char* Name(int node);
int Parent(int node);
UINT Arc(int node); // the node's sub-identifier below its parent

// Whether a text may begin at this node (see OidText.cpp): the groups directly below
// mib-2 and the SNMPv2 trap objects.
bool StartsText(int node);

// The child of `parent` (kNone: a root) with sub-identifier `arc`, or kNone.
int ChildByArc(int parent, UINT arc);
// The node of this name anywhere in the tree (names are unique), or kNone.
int Find(std::string_view name);

} // namespace mibnames
