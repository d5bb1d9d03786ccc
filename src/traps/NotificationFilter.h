// Which notifications of the log a window shows: the words of its filter box and its choice
// of one source or one name. A filter only hides; the log keeps every notification.
//
// The filter box holds terms separated by spaces, every one of which a notification must
// match; a term in double quotes may hold spaces. A term "field:value" looks in one field:
//     source:  the sender with its port, or an SNMPv1 trap's agent address  (source:10.0.0.7)
//     name:    the name or the dotted identifier of snmpTrapOID.0            (name:linkDown)
//     version: "SNMPv1", "SNMPv2c" or "SNMPv3"                               (version:2c)
//     user:    the community or the SNMPv3 user (community: is the same)     (user:public)
//     type:    "Trap" or "Inform"                                            (type:inform)
// Any other term, a word before a colon that names no field included, is looked for in every
// column the log shows. Every comparison finds a part and ignores the case of ASCII letters.
#pragma once

#include "traps/Notification.h"

#include <string>
#include <string_view>
#include <vector>

class CNotificationFilter {
public:
    // Shows every notification.
    CNotificationFilter() = default;
    // The filter box's text; every text is a filter (an empty one shows everything).
    static CNotificationFilter Parse(std::string_view text);

    // The choice beside the box: only the notifications from one sender's address, or of one
    // name, exactly; an empty text chooses none.
    void ChooseSource(std::string address) { m_source = std::move(address); }
    void ChooseName(std::string name) { m_name = std::move(name); }

    // Whether it shows every notification.
    bool ShowsAll() const { return m_terms.empty() && m_source.empty() && m_name.empty(); }
    bool Matches(const CNotification& notification) const;

private:
    enum class Field { Any, Source, Name, Version, User, Type };
    struct Term {
        Field field;
        std::string folded; // lower-case ASCII
        bool timeLike;      // could be part of an arrival time, so that the time is looked at
    };
    bool TermMatches(const Term& term, const CNotification& notification) const;

    std::vector<Term> m_terms;
    std::string m_source;
    std::string m_name;
};

// Whether `text` holds `folded` (lower-case ASCII), the case of ASCII letters ignored.
bool ContainsFolded(std::string_view text, std::string_view folded);
