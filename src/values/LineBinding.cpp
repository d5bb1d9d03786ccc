#include "values/LineBinding.h"

#include <cstring>

namespace {

enum class Held : std::uint8_t { Nothing, Number, Identifier, Bytes };

// What a value of the type holds in its record (SnmpUtilAsnAnyCpy's view of it).
Held HeldBy(BYTE type) {
    switch (type) {
    case ASN_INTEGER:
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        return Held::Number;
    case ASN_OBJECTIDENTIFIER:
        return Held::Identifier;
    case ASN_NULL:
    case SNMP_EXCEPTION_NOSUCHOBJECT:
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return Held::Nothing;
    default:
        return Held::Bytes;
    }
}

template <typename T> void Put(std::string* out, T value) {
    out->append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutIds(std::string* out, const AsnObjectIdentifier& oid) {
    Put(out, oid.idLength);
    if (oid.idLength > 0)
        out->append(reinterpret_cast<const char*>(oid.ids), sizeof(UINT) * oid.idLength);
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
    template <typename T> bool Get(T* value) {
        if (m_bytes.size() < sizeof *value)
            return false;
        std::memcpy(value, m_bytes.data(), sizeof *value);
        m_bytes.remove_prefix(sizeof *value);
        return true;
    }
    template <typename T> bool GetList(std::vector<T>* items) {
        UINT count = 0;
        if (!Get(&count) || m_bytes.size() / sizeof(T) < count)
            return false;
        items->resize(count);
        if (count > 0)
            std::memcpy(items->data(), m_bytes.data(), sizeof(T) * count);
        m_bytes.remove_prefix(sizeof(T) * count);
        return true;
    }
    bool AtEnd() const { return m_bytes.empty(); }

private:
    std::string_view m_bytes;
};

} // namespace

std::string EncodeLineBinding(const SnmpVarBind& binding) {
    std::string out;
    const BYTE type = binding.value.asnType;
    Put(&out, type);
    PutIds(&out, binding.name);
    switch (HeldBy(type)) {
    case Held::Number:
        Put(&out, binding.value.asnValue.unsigned32);
        break;
    case Held::Identifier:
        PutIds(&out, binding.value.asnValue.object);
        break;
    case Held::Bytes: {
        const AsnOctetString& s = binding.value.asnValue.string;
        Put(&out, s.length);
        if (s.length > 0)
            out.append(reinterpret_cast<const char*>(s.stream), s.length);
        break;
    }
    case Held::Nothing:
        break;
    }
    return out;
}

bool CLineBinding::Decode(std::string_view bytes) {
    *this = CLineBinding{};
    Reader in(bytes);
    if (!in.Get(&m_type) || !in.GetList(&m_name))
        return false;
    bool read = true;
    switch (HeldBy(m_type)) {
    case Held::Number:
        read = in.Get(&m_number);
        break;
    case Held::Identifier:
        read = in.GetList(&m_ids);
        break;
    case Held::Bytes:
        read = in.GetList(&m_bytes);
        break;
    case Held::Nothing:
        break;
    }
    if (!read || !in.AtEnd()) {
        *this = CLineBinding{};
        return false;
    }
    m_empty = false;
    return true;
}

SnmpVarBind CLineBinding::View() const {
    SnmpVarBind vb{};
    vb.name = {static_cast<UINT>(m_name.size()), const_cast<UINT*>(m_name.data())};
    vb.value.asnType = m_type;
    switch (HeldBy(m_type)) {
    case Held::Number:
        vb.value.asnValue.unsigned32 = m_number;
        break;
    case Held::Identifier:
        vb.value.asnValue.object = {static_cast<UINT>(m_ids.size()),
                                    const_cast<UINT*>(m_ids.data())};
        break;
    case Held::Bytes:
        vb.value.asnValue.string = {const_cast<BYTE*>(m_bytes.data()),
                                    static_cast<UINT>(m_bytes.size()), FALSE};
        break;
    case Held::Nothing:
        break;
    }
    return vb;
}
