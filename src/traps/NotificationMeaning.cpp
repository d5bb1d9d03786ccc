// The notification log's view of the MIB (NotificationMeaning.h). The name table holds no
// module's descriptions or value syntaxes yet, so a value is described as it was sent and no
// notification has a definition.
#include "traps/NotificationMeaning.h"

#include "values/Values.h"

std::string DescribedValueText(const SnmpVarBind& binding) {
    char* text = values::FormatValue(&binding.value);
    std::string described = text ? text : "";
    SnmpUtilMemFree(text);
    return described;
}

NotificationDefinition DefinitionOfNotification(const AsnObjectIdentifier& /*trapOid*/) {
    return {};
}
