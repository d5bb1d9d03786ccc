// A list line's binding as it arrived, kept beside the line's text (CListBox), so that a
// window that reads the line again (the MIB browser) reads the value, not its text.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <string>
#include <string_view>
#include <vector>

// The binding's bytes as a list keeps them: its name, type and value, nothing shared.
std::string EncodeLineBinding(const SnmpVarBind& binding);

class CLineBinding {
public:
    // Reads what EncodeLineBinding wrote; false (and empty) for anything else.
    bool Decode(std::string_view bytes);
    bool Empty() const { return m_empty; }
    // The binding over this object's own storage: valid while it lives, owned by it.
    SnmpVarBind View() const;

private:
    bool m_empty = true;
    std::vector<UINT> m_name;
    BYTE m_type = ASN_NULL;
    std::uint32_t m_number = 0;
    std::vector<BYTE> m_bytes;
    std::vector<UINT> m_ids;
};
