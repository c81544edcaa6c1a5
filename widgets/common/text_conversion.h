#pragma once
// The core keeps its texts as bytes: console lines and the gateway's names are
// Latin-1, as the gateway sends them; paths and the words of the core's own
// messages are UTF-8. Every window turns them into QString here, and nowhere else.

#include <QString>
#include <string_view>

inline QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
