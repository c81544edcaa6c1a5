#pragma once
// The core names its colours as 0x00BBGGRR integers, red in the low byte, so that it
// needs no Qt; the windows meet them as QColor only through these two.

#include <QColor>
#include <cstdint>

inline QColor toQColor(uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                  static_cast<int>((bgr >> 16) & 0xFFu));
}

inline uint32_t toCoreColour(const QColor& colour) {
    return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
           (static_cast<uint32_t>(colour.blue()) << 16);
}
