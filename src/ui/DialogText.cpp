#include "ui/DialogText.h"

#include "values/Utf8.h"

#include <QByteArray>

QString DialogTextOf(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string DialogBytesOf(const QString& text, std::size_t maxBytes) {
    const QByteArray utf8 = text.toUtf8();
    const std::string_view bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    return std::string(bytes.substr(0, values::Utf8CutLength(bytes, maxBytes)));
}
