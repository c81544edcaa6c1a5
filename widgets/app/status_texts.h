#pragma once
// The words the window shows for the link's states and outcomes: the status
// line's two texts and the dialogue's two boxes. The core reports the state;
// only this layer knows how it reads.

#include <QString>
#include <QtGlobal>
#include <cstdint>

#include "link/link_ui.h"

namespace norvik::status {

inline constexpr const char* kContext = "StatusTexts";

// Link part.
inline constexpr const char* kLinkPortClosed = QT_TRANSLATE_NOOP("StatusTexts", "Com Port isn't open !");
inline constexpr const char* kLinkPortOpen =
    QT_TRANSLATE_NOOP("StatusTexts", "COM Port is Open, no connection to the Module");
inline constexpr const char* kLinkConnected = QT_TRANSLATE_NOOP("StatusTexts", "Module is connected");
inline constexpr const char* kLinkLost = QT_TRANSLATE_NOOP("StatusTexts", "No connection to the Module !");
inline constexpr const char* kLinkTimerFailure = QT_TRANSLATE_NOOP("StatusTexts", "Timer Creat failure");
// %1 is the port's error code.
inline constexpr const char* kLinkOpenError = QT_TRANSLATE_NOOP("StatusTexts", "Open Com Error! Error Code = %1 ");
inline constexpr const char* kLinkCloseError = QT_TRANSLATE_NOOP("StatusTexts", "Close Com Error! Error Code = %1 ");
// The device went away under an open port (adapter pulled, gateway's pty gone).
inline constexpr const char* kLinkPortLost = QT_TRANSLATE_NOOP("StatusTexts", "Com Port lost! Error Code = %1 ");

// Boxes.
inline constexpr const char* kTitleError = QT_TRANSLATE_NOOP("StatusTexts", "Error message");
inline constexpr const char* kOpenErrorBox =
    QT_TRANSLATE_NOOP("StatusTexts", "Open Com Error ! Please check Com Port setting");
inline constexpr const char* kAccessErrorBox =
    QT_TRANSLATE_NOOP("StatusTexts",
                      "The Norvik can not access the module.\n\n Please check the settings, wire and make sure "
                      "PROFIBUS Master is online and configured correctly (RUN led is on).");

// The untranslated text of an operation ("" for none).
const char* operationSource(Operation operation);

QString linkStatusText(LinkStatus status, uint32_t code);
QString operationText(Operation operation);
QString noticeTitle(LinkNotice notice);
QString noticeText(LinkNotice notice);

}  // namespace norvik::status
