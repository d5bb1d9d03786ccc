#include "ui/DialogText.h"

#include <QByteArray>

QString DialogTextOf(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string DialogBytesOf(const QString& text, std::size_t maxBytes) {
    const QByteArray utf8 = text.toUtf8();
    std::size_t length = std::min(static_cast<std::size_t>(utf8.size()), maxBytes);
    // Back over the continuation bytes (10xxxxxx) of a character cut at the limit, and the
    // byte that began it.
    if (length < static_cast<std::size_t>(utf8.size())) {
        while (length > 0 && (static_cast<unsigned char>(utf8[length]) & 0xC0) == 0x80)
            --length;
    }
    return std::string(utf8.constData(), length);
}
