#pragma once
// Conversions between the program's byte strings and the window's text.
#include <QByteArray>
#include <QString>
#include <string>

#include "util/TextCodec.h"

namespace varnolt::window_text {

// UTF-8 bytes as text.
inline QString FromBytes(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Text from the settings file or the news service, for display.
inline QString Display(const std::string& bytes) {
    return FromBytes(DecodeForDisplay(bytes));
}

// Text as UTF-8 bytes.
inline std::string ToBytes(const QString& s) {
    QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

}  // namespace varnolt::window_text
