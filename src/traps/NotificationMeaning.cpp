// The notification log's view of the MIB (NotificationMeaning.h): the value texts of the MIB
// formatter (values/MibValues.h) and the definitions the name table in force holds, each call
// taking the table once.
#include "traps/NotificationMeaning.h"

#include "snmpapi/MibDefinitions.h"
#include "snmpapi/MibNames.h"
#include "values/MibValues.h"

std::string DescribedValueText(const SnmpVarBind& binding) {
    char* text = values::DescribeValue(&binding);
    std::string described = text ? text : "";
    SnmpUtilMemFree(text);
    return described;
}

NotificationDefinition DefinitionOfNotification(const AsnObjectIdentifier& trapOid) {
    const std::shared_ptr<const mibnames::Table> names = mibnames::Current();
    UINT covered = 0;
    const int node = names->Deepest(trapOid.ids, trapOid.idLength, &covered);
    if (node == mibnames::kNone || covered != trapOid.idLength)
        return {};
    // A NOTIFICATION-TYPE, or an SMIv1 TRAP-TYPE at the identifier RFC 3584 gives it, which
    // net-snmp's parser keeps as an object without a syntax but with its DESCRIPTION and
    // VARIABLES; a plain OBJECT IDENTIFIER has neither.
    const mibnames::Definition* definition = names->DefinitionOf(node);
    const bool notification =
        definition && (definition->kind == mibnames::Kind::Notification ||
                       definition->kind == mibnames::Kind::Trap ||
                       (definition->kind == mibnames::Kind::Value &&
                        definition->syntax == mibnames::Syntax::None &&
                        (!definition->description.empty() || !definition->objects.empty())));
    if (!notification)
        return {};
    NotificationDefinition found;
    found.defined = true;
    found.description = std::string(definition->description);
    for (std::string_view object : definition->objects)
        found.objects.emplace_back(object);
    return found;
}
