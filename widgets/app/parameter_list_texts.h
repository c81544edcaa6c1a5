#pragma once
// The words of the parameter list that the gateway's block does not spell:
// the item labels and the value words. The list shows them translated; numbers,
// addresses, model names and Modbus terms (Master, RTU, WDO) stay as they are.

#include <QtGlobal>
#include <cstddef>

namespace norvik::window {

inline constexpr const char* kParameterListContext = "ParameterList";

// The first kParameterListItemCount texts are the items (first column), the rest values.
inline constexpr std::size_t kParameterListItemCount = 20;
inline constexpr const char* kParameterListTexts[] = {
    // Items of the gateway node.
    QT_TRANSLATE_NOOP("ParameterList", "Modbus Type"),
    QT_TRANSLATE_NOOP("ParameterList", "Modbus Format"),
    QT_TRANSLATE_NOOP("ParameterList", "I/O Value for Stop Mode"),
    QT_TRANSLATE_NOOP("ParameterList", "Byte Order"),
    QT_TRANSLATE_NOOP("ParameterList", "Output Data Mode"),
    QT_TRANSLATE_NOOP("ParameterList", "Modbus Device ID (S)"),
    QT_TRANSLATE_NOOP("ParameterList", "Poll interval time (M)"),
    QT_TRANSLATE_NOOP("ParameterList", "Time out value (M)"),
    QT_TRANSLATE_NOOP("ParameterList", "Module count"),
    QT_TRANSLATE_NOOP("ParameterList", "Tcp connect num (T)(M)"),
    // Items of a module node.
    QT_TRANSLATE_NOOP("ParameterList", "Modbus Device ID (M)"),
    QT_TRANSLATE_NOOP("ParameterList", "Profibus base addr.(byte)"),
    QT_TRANSLATE_NOOP("ParameterList", "Internal base addr.(word/bit)"),
    QT_TRANSLATE_NOOP("ParameterList", "Data Length(byte)"),
    QT_TRANSLATE_NOOP("ParameterList", "NO. of Relay/Coil (M)"),
    QT_TRANSLATE_NOOP("ParameterList", "Modbus start addr.(word/bit) (M)"),
    QT_TRANSLATE_NOOP("ParameterList", "Change Word Order"),
    QT_TRANSLATE_NOOP("ParameterList", "Tcp connect index (T)(M)"),
    QT_TRANSLATE_NOOP("ParameterList", "Module ID"),
    QT_TRANSLATE_NOOP("ParameterList", "Module Type"),
    // Value words.
    QT_TRANSLATE_NOOP("ParameterList", "System Module"),
    QT_TRANSLATE_NOOP("ParameterList", "Retain Last Value"),
    QT_TRANSLATE_NOOP("ParameterList", "Switch Safe Value"),
    QT_TRANSLATE_NOOP("ParameterList", "Little Endian (Intel format)"),
    QT_TRANSLATE_NOOP("ParameterList", "Big Endian (Motorola  format)"),
    QT_TRANSLATE_NOOP("ParameterList", "Manual"),
    QT_TRANSLATE_NOOP("ParameterList", "Auto"),
    QT_TRANSLATE_NOOP("ParameterList", "Enable"),
    QT_TRANSLATE_NOOP("ParameterList", "Disable"),
};

}  // namespace norvik::window
