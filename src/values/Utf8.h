// UTF-8 (RFC 3629), the one encoding of every text Okapel reads or writes: the agents' text
// values, the dialog's boxes and the passphrases typed for SNMPv3 keys. One reading and one
// writing of it, so that what one part takes for a character every other part does too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace values {

// Reads the character that starts at bytes[*at] and moves *at past it. False, with *at
// unchanged, for what is no UTF-8 there: a stray continuation byte, a sequence cut short, an
// overlong form, a surrogate, or a code point beyond U+10FFFF.
bool ReadUtf8(const std::uint8_t* bytes, std::size_t length, std::size_t* at, char32_t* code);

// Writes `code` (at most U+10FFFF) as its 1 to 4 bytes at `out`; returns how many.
std::size_t WriteUtf8(char32_t code, char* out);

// The length of the longest start of `bytes` of at most `maxBytes` that cuts no character:
// a character that would not fit whole is left out with all its bytes.
std::size_t Utf8CutLength(std::string_view bytes, std::size_t maxBytes);

} // namespace values
