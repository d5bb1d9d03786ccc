#include "support/Identifiers.h"

std::string Dotted(const Ids& ids) {
    std::string text;
    for (std::size_t i = 0; i < ids.size(); ++i)
        text += (i ? "." : "") + std::to_string(ids[i]);
    return text;
}

std::string LeadingDotted(const Ids& ids) {
    std::string text;
    for (std::uint32_t id : ids)
        text += "." + std::to_string(id);
    return text;
}
