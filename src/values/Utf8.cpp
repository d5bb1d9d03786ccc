#include "values/Utf8.h"

#include <algorithm>

namespace values {

bool ReadUtf8(const std::uint8_t* bytes, std::size_t length, std::size_t* at, char32_t* code) {
    const std::size_t i = *at;
    if (i >= length)
        return false;
    const std::uint8_t lead = bytes[i];
    if (lead < 0x80) {
        *code = lead;
        *at = i + 1;
        return true;
    }
    std::size_t follow = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        follow = 1, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        follow = 2, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        follow = 3, value = lead & 0x07, smallest = 0x10000;
    } else {
        return false;
    }
    if (length - i - 1 < follow)
        return false;
    for (std::size_t k = 1; k <= follow; ++k) {
        if ((bytes[i + k] & 0xC0) != 0x80)
            return false;
        value = (value << 6) | (bytes[i + k] & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return false;
    *code = value;
    *at = i + follow + 1;
    return true;
}

std::size_t WriteUtf8(char32_t code, char* out) {
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

std::size_t Utf8CutLength(std::string_view bytes, std::size_t maxBytes) {
    std::size_t length = std::min(bytes.size(), maxBytes);
    // Back over the continuation bytes (10xxxxxx) of a character cut at the limit, and the
    // byte that began it.
    if (length < bytes.size()) {
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
            --length;
    }
    return length;
}

} // namespace values
