// The one UTF-8 reading and writing of value texts, box texts and passphrases (RFC 3629):
// the boundaries of each sequence length, and every form that is no UTF-8.
#include "values/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(Utf8, EachCharacterReadsBackAsItWasWritten) {
    // The first and the last code point of each sequence length, and one in the middle.
    for (char32_t code : {U'\0', U'A', U'\x7F', U'\x80', U'\xE9', U'\x7FF', U'\x800', U'\x20AC',
                          U'\xD7FF', U'\xE000', U'\xFFFF', U'\x10000', U'\x1F600', U'\x10FFFF'}) {
        char written[4] = {};
        const std::size_t length = values::WriteUtf8(code, written);
        EXPECT_EQ(length, code < 0x80 ? 1u : code < 0x800 ? 2u : code < 0x10000 ? 3u : 4u);
        std::size_t at = 0;
        char32_t read = 0;
        ASSERT_TRUE(values::ReadUtf8(reinterpret_cast<const std::uint8_t*>(written), length, &at,
                                     &read))
            << static_cast<unsigned>(code);
        EXPECT_EQ(read, code);
        EXPECT_EQ(at, length);
    }
}

TEST(Utf8, WhatIsNoUtf8IsRefusedWhereItStands) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"a stray continuation byte", "\x80"},
        {"a lead byte of five", "\xF8\x88\x80\x80\x80"},
        {"a sequence cut short", "\xE2\x82"},
        {"a sequence broken by ASCII", "\xE2\x41\xAC"},
        {"an overlong slash", "\xC0\xAF"},
        {"an overlong three-byte NUL", "\xE0\x80\x80"},
        {"an overlong four-byte form", "\xF0\x8F\xBF\xBF"},
        {"the first surrogate", "\xED\xA0\x80"},
        {"the last surrogate", "\xED\xBF\xBF"},
        {"past U+10FFFF", "\xF4\x90\x80\x80"},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = Bytes(c.bytes);
        std::size_t at = 0;
        char32_t code = 0;
        EXPECT_FALSE(values::ReadUtf8(bytes.data(), bytes.size(), &at, &code)) << c.name;
        EXPECT_EQ(at, 0u) << c.name;
    }
}

TEST(Utf8, ACutNeverSplitsACharacter) {
    struct Case {
        std::string bytes;
        std::size_t maxBytes;
        std::size_t length;
    };
    const std::string euro = "\xE2\x82\xAC"; // three bytes
    const Case cases[] = {
        {"abc", 5, 3},                 // room for all
        {"abc", 2, 2},                 // ASCII cut anywhere
        {"a" + euro, 4, 4},            // the character just fits
        {"a" + euro, 3, 1},            // one byte short: left out whole
        {"a" + euro, 2, 1},            // two bytes short
        {euro + euro, 5, 3},           // the second character left out
        {euro, 0, 0},                  // no room at all
        {"\xF0\x9F\x98\x80" "b", 4, 4} // a four-byte character, then a cut before b
    };
    for (const Case& c : cases)
        EXPECT_EQ(values::Utf8CutLength(c.bytes, c.maxBytes), c.length)
            << c.bytes.size() << " bytes at most " << c.maxBytes;
}

} // namespace
