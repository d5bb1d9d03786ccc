// The dialog's texts as bytes. What the program shows and what it reads from its boxes are
// UTF-8: the desktop's encoding, and that of the text values agents send (a value shown as
// text is valid UTF-8), so that a text a Get shows is what the operator reads and goes back
// byte for byte with a Set. ASCII, the texts of every name, identifier and number, reads as
// ever.
#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

// Bytes to show; a byte sequence that is no UTF-8 shows the replacement character.
QString DialogTextOf(std::string_view bytes);
inline QString DialogTextOf(const char* bytes) {
    return DialogTextOf(std::string_view(bytes ? bytes : ""));
}

// A box's text as bytes, at most `maxBytes` of them, cut before a character that would not
// fit whole.
std::string DialogBytesOf(const QString& text, std::size_t maxBytes);
