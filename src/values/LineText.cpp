#include "values/LineText.h"

#include "snmpapi/MibNames.h"
#include "values/MibValues.h"
#include "values/Values.h"

#include <algorithm>
#include <cstdio>

namespace values {

namespace {

std::string Numbers(const AsnObjectIdentifier& oid, bool leadingDot) {
    std::string text;
    char digits[16];
    for (UINT i = 0; i < oid.idLength; ++i) {
        const int n = std::snprintf(digits, sizeof digits, i == 0 && !leadingDot ? "%u" : ".%u",
                                    static_cast<unsigned>(oid.ids[i]));
        text.append(digits, static_cast<size_t>(n));
    }
    return text;
}

std::string AsSent(const AsnAny& value) {
    char* text = FormatValue(&value);
    std::string line = text ? text : "";
    SnmpUtilMemFree(text);
    return line;
}

} // namespace

std::string LineValueText(const SnmpVarBind& binding, const LineTexts& texts) {
    const bool identifier = binding.value.asnType == ASN_OBJECTIDENTIFIER;
    if (identifier && texts.identifiersAsNames) {
        const AsnObjectIdentifier& oid = binding.value.asnValue.object;
        return DescribedIdentifier(*mibnames::Current(), oid.ids, oid.idLength);
    }
    if (!texts.valuesAsDescribed)
        return AsSent(binding.value);
    if (identifier)
        return Numbers(binding.value.asnValue.object, true);
    std::string text = DescribedValue(*mibnames::Current(), binding.name, binding.value);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string LineIdentifierText(const AsnObjectIdentifier& name, const LineTexts& texts) {
    if (!texts.identifiersAsNames)
        return Numbers(name, true);
    return DescribedIdentifier(*mibnames::Current(), name.ids, name.idLength);
}

} // namespace values
