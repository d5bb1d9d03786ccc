// The notification log's filter (NotificationFilter.h). It runs once for each notification
// as it arrives, and over the whole log when the operator changes it, so it reads the texts
// the notification keeps and makes no text of its own but the arrival time, and that only
// for a term that could be part of one.
#include "traps/NotificationFilter.h"

#include <algorithm>
#include <cctype>

namespace {

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Folded(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Fold);
    return out;
}

// The terms of the box: split at spaces outside double quotes, the quotes taken away.
std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
            if (any && !word.empty())
                words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

// What an arrival time's text ("2026-03-04 13:07:09.042") is made of.
bool TimeLike(std::string_view folded) {
    return std::all_of(folded.begin(), folded.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '-' || c == ':' || c == '.' || c == ' ';
    });
}

} // namespace

bool ContainsFolded(std::string_view text, std::string_view folded) {
    if (folded.empty())
        return true;
    return std::search(text.begin(), text.end(), folded.begin(), folded.end(),
                       [](char a, char b) { return Fold(a) == b; }) != text.end();
}

CNotificationFilter CNotificationFilter::Parse(std::string_view text) {
    struct Prefix {
        const char* word;
        Field field;
    };
    static constexpr Prefix kPrefixes[] = {
        {"source:", Field::Source}, {"name:", Field::Name},      {"version:", Field::Version},
        {"user:", Field::User},     {"community:", Field::User}, {"type:", Field::Type},
    };
    CNotificationFilter filter;
    for (const std::string& word : Words(text)) {
        Term term{Field::Any, Folded(word), false};
        for (const Prefix& prefix : kPrefixes) {
            if (term.folded.starts_with(prefix.word)) {
                term.field = prefix.field;
                term.folded.erase(0, std::char_traits<char>::length(prefix.word));
                break;
            }
        }
        term.timeLike = TimeLike(term.folded);
        filter.m_terms.push_back(std::move(term));
    }
    return filter;
}

bool CNotificationFilter::TermMatches(const Term& term, const CNotification& n) const {
    const std::string_view needle = term.folded;
    const auto source = [&] {
        return ContainsFolded(SourceText(n), needle) ||
               ContainsFolded(n.AgentAddressText(), needle);
    };
    const auto name = [&] {
        // An identifier is often written with a leading dot; the dotted text has none.
        const std::string_view dotless = needle.starts_with('.') ? needle.substr(1) : needle;
        return ContainsFolded(n.NameText(), needle) || ContainsFolded(n.TrapOidText(), dotless);
    };
    const auto version = [&] {
        return ContainsFolded(NotificationVersionText(n.Version()), needle);
    };
    const auto user = [&] { return ContainsFolded(n.Community(), needle); };
    const auto type = [&] { return ContainsFolded(NotificationKindText(n), needle); };
    switch (term.field) {
    case Field::Source:
        return source();
    case Field::Name:
        return name();
    case Field::Version:
        return version();
    case Field::User:
        return user();
    case Field::Type:
        return type();
    case Field::Any:
        break;
    }
    return source() || name() || version() || user() || type() ||
           ContainsFolded(n.BindingsShort(), needle) ||
           (term.timeLike && ContainsFolded(ArrivalText(n.ArrivalMs()), needle));
}

bool CNotificationFilter::Matches(const CNotification& notification) const {
    if (!m_source.empty() && notification.SenderText() != m_source)
        return false;
    if (!m_name.empty() && notification.NameText() != m_name)
        return false;
    return std::all_of(m_terms.begin(), m_terms.end(),
                       [&](const Term& term) { return TermMatches(term, notification); });
}
