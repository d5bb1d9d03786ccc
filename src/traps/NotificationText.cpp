// The texts of one notification for the log's details and its export (NotificationText.h).
#include "traps/NotificationText.h"

#include "traps/NotificationMeaning.h"
#include "values/Values.h"

#include <cstdio>
#include <vector>

std::string ValueTypeName(BYTE type) {
    switch (type) {
    case ASN_INTEGER:
        return "INTEGER";
    case ASN_BITS:
        return "BITS";
    case ASN_OCTETSTRING:
        return "OCTET STRING";
    case ASN_NULL:
        return "NULL";
    case ASN_OBJECTIDENTIFIER:
        return "OBJECT IDENTIFIER";
    case ASN_SEQUENCE:
        return "SEQUENCE";
    case ASN_IPADDRESS:
        return "IpAddress";
    case ASN_COUNTER32:
        return "Counter32";
    case ASN_GAUGE32:
        return "Gauge32";
    case ASN_TIMETICKS:
        return "TimeTicks";
    case ASN_OPAQUE:
        return "Opaque";
    case ASN_COUNTER64:
        return "Counter64";
    case ASN_UINTEGER32:
        return "UInteger32";
    case ASN_UNFIT_ELEMENT:
        return "unreadable";
    default:
        break;
    }
    if (const char* exception = values::ExceptionName(type))
        return exception;
    char text[16];
    std::snprintf(text, sizeof text, "tag 0x%02X", type);
    return text;
}

std::string OidNameText(const AsnObjectIdentifier& oid) {
    char* name = nullptr;
    std::string text;
    if (SnmpMgrOidToStr(&oid, &name) && name)
        text = name;
    else
        text = DottedOid(oid);
    SnmpUtilMemFree(name);
    return text;
}

std::string SentValueText(const AsnAny& value) {
    char* text = values::FormatValue(&value);
    std::string sent = text ? text : "";
    SnmpUtilMemFree(text);
    return sent;
}

std::string CommunityText(const CNotification& notification) {
    const std::string_view bytes = notification.Community();
    std::vector<BYTE> copy(bytes.begin(), bytes.end());
    AsnAny value{};
    value.asnType = ASN_OCTETSTRING;
    value.asnValue.string = AsnOctetString{copy.data(), static_cast<UINT>(copy.size()), FALSE};
    return SentValueText(value);
}

namespace {

std::string OriginLines(const CNotification& n, std::uint64_t number) {
    std::string text = "Notification " + std::to_string(number) + ", arrived " +
                       ArrivalText(n.ArrivalMs()) + "\nFrom " + SourceText(n);
    if (!n.AgentAddressText().empty())
        text += ", agent address " + std::string(n.AgentAddressText());
    text += "\n" + std::string(NotificationVersionText(n.Version())) + " " +
            (n.IsInform() ? "inform" : "trap") +
            (n.Version() == SNMP_MGR_VERSION_3 ? ", user " : ", community ") + CommunityText(n) +
            "\n";
    if (n.NameText().empty())
        text += "Name: none (no snmpTrapOID.0)\n";
    else
        text += "Name: " + std::string(n.NameText()) + " (" + std::string(n.TrapOidText()) + ")\n";
    return text;
}

std::string BindingLines(const CNotificationBindings& bindings) {
    std::string text = "\nBindings (" + std::to_string(bindings.Count()) + "):\n";
    for (std::size_t i = 0; i < bindings.Count(); ++i) {
        const SnmpVarBind& vb = bindings[i];
        text += std::to_string(i + 1) + ". " + OidNameText(vb.name) + " (" + DottedOid(vb.name) +
                "), " + ValueTypeName(vb.value.asnType) + "\n";
        text += "   As sent: " + SentValueText(vb.value) + "\n";
        text += "   As the MIB describes it: " + DescribedValueText(vb) + "\n";
    }
    return text;
}

std::string ObjectsText(const NotificationDefinition& definition) {
    std::string text;
    for (std::size_t i = 0; i < definition.objects.size(); ++i)
        text += (i ? ", " : "") + definition.objects[i];
    return (definition.objects.empty() ? "none" : text) + "\n";
}

std::string DefinitionLines(const CNotification& n, const CNotificationBindings& bindings) {
    const SnmpVarBind* trapOid = nullptr;
    for (std::size_t i = 0; i < bindings.Count() && !trapOid; ++i) {
        if (DottedOid(bindings[i].name) == "1.3.6.1.6.3.1.1.4.1.0" &&
            bindings[i].value.asnType == ASN_OBJECTIDENTIFIER)
            trapOid = &bindings[i];
    }
    if (!trapOid)
        return "";
    const NotificationDefinition definition =
        DefinitionOfNotification(trapOid->value.asnValue.object);
    if (!definition.defined)
        return "\nNo MIB module on this machine defines " + std::string(n.NameText()) + ".\n";
    if (definition.description.empty())
        return "\nDescription: none in the MIB modules read\nObjects: " + ObjectsText(definition);
    std::string text = "\nDescription:\n";
    std::size_t start = 0;
    while (start <= definition.description.size()) {
        const std::size_t end = definition.description.find('\n', start);
        text += "   " + definition.description.substr(start, end - start) + "\n";
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return text + "Objects: " + ObjectsText(definition);
}

} // namespace

std::string NotificationDetailsText(const CNotification& notification, std::uint64_t number) {
    CNotificationBindings bindings;
    notification.Unpack(&bindings);
    return OriginLines(notification, number) + BindingLines(bindings) +
           DefinitionLines(notification, bindings);
}
