// What the MIB modules on the machine say of a notification and of its values: the one place
// where the notification log's details and its export learn it, so that both say the same.
// Any thread may call these: an export runs off the window's thread.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <string>
#include <vector>

// The binding's value as the MIB describes it (its object's labels, hints and units).
std::string DescribedValueText(const SnmpVarBind& binding);

// A notification's definition in the modules read (or among the built-in names, which keep
// no descriptions): its DESCRIPTION and the names of its OBJECTS (an SMIv1 trap's
// VARIABLES); `defined` false, with both empty, where none defines it.
struct NotificationDefinition {
    bool defined = false;
    std::string description;
    std::vector<std::string> objects;
};
NotificationDefinition DefinitionOfNotification(const AsnObjectIdentifier& trapOid);
