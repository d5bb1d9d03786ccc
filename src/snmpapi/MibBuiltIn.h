// The names and definitions that Okapel knows without any MIB module (MibBuiltIn.cpp).
#pragma once

#include "snmpapi/MibDefinitions.h"
#include "snmpapi/SnmpApi.h"

#include <span>

namespace mibnames {

struct BuiltInRow {
    const char* name;
    const char* parent; // null for the roots
    UINT arc;
    const char* module; // the module that defines it; null for the roots
    Definition definition;
};

// Parents before their children.
std::span<const BuiltInRow> BuiltInRows();

} // namespace mibnames
