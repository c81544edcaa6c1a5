#pragma once
// Texts of the "Port devices" dialog and the "Serial traffic" window. Unlike
// the gateway's 8-bit texts these are UTF-8: they show device paths, which are
// file names.

#include <QtGlobal>

namespace norvik::serialtexts {

// "Port devices" dialog.
inline constexpr const char* kPortDevicesCaption = QT_TRANSLATE_NOOP("PortDevicesDialog", "Port devices");
inline constexpr const char* kPortDevicesIntro =
    QT_TRANSLATE_NOOP("PortDevicesDialog",
                      "Choose the device each Com entry opens. A device picked from the list is kept by its "
                      "/dev/serial/by-id name where it has one, which stays the same whichever USB socket it is in. "
                      "An empty entry opens /dev/ttyS0 to /dev/ttyS7. A serial port on the network (ser2net, a device "
                      "server) is typed as rfc2217://HOST:PORT or socket://HOST:PORT. The choice counts from the next "
                      "Connect.");
inline constexpr const char* kColumnPort = QT_TRANSLATE_NOOP("PortDevicesDialog", "Port");
inline constexpr const char* kColumnDevice = QT_TRANSLATE_NOOP("PortDevicesDialog", "Device");
inline constexpr const char* kColumnDetected = QT_TRANSLATE_NOOP("PortDevicesDialog", "Detected devices");
inline constexpr const char* kColumnOpens = QT_TRANSLATE_NOOP("PortDevicesDialog", "Opens");
inline constexpr const char* kPickPrompt = QT_TRANSLATE_NOOP("PortDevicesDialog", "Pick a detected device");
inline constexpr const char* kNoneDetected = QT_TRANSLATE_NOOP("PortDevicesDialog", "No serial device detected");
inline constexpr const char* kDetectAgain = QT_TRANSLATE_NOOP("PortDevicesDialog", "&Detect again");
// The variable's name, e.g. "set by NORVIK_COM2".
inline constexpr const char* kSetBy = QT_TRANSLATE_NOOP("PortDevicesDialog", "set by %1");
// Port box and status line: "Com2 opens /dev/ttyUSB0".
inline constexpr const char* kOpens = QT_TRANSLATE_NOOP("PortDevicesDialog", "%1 opens %2");
// A device path and where it leads: "/dev/ttyUSB3 (absent)", "/dev/serial/by-id/x (now /dev/ttyUSB0)".
inline constexpr const char* kAbsent = QT_TRANSLATE_NOOP("PortDevicesDialog", "%1 (absent)");
// A network port name that cannot be opened as it is written.
inline constexpr const char* kMalformedAddress =
    QT_TRANSLATE_NOOP("PortDevicesDialog", "%1 (not valid: rfc2217://HOST:PORT or socket://HOST:PORT)");
inline constexpr const char* kResolved = QT_TRANSLATE_NOOP("PortDevicesDialog", "%1 (now %2)");
// A detected adapter's serial number.
inline constexpr const char* kSerialNumber = QT_TRANSLATE_NOOP("PortDevicesDialog", "serial %1");

// "Serial traffic" window.
inline constexpr const char* kTrafficCaption = QT_TRANSLATE_NOOP("SerialTrafficWindow", "Serial traffic");
inline constexpr const char* kColumnTime = QT_TRANSLATE_NOOP("SerialTrafficWindow", "Time");
inline constexpr const char* kColumnDirection = QT_TRANSLATE_NOOP("SerialTrafficWindow", "Direction");
inline constexpr const char* kColumnData = QT_TRANSLATE_NOOP("SerialTrafficWindow", "Data");
inline constexpr const char* kSent = QT_TRANSLATE_NOOP("SerialTrafficWindow", "sent");
inline constexpr const char* kReceived = QT_TRANSLATE_NOOP("SerialTrafficWindow", "received");
inline constexpr const char* kHideKeepAlive = QT_TRANSLATE_NOOP("SerialTrafficWindow", "&Hide prompt and reply");
inline constexpr const char* kPause = QT_TRANSLATE_NOOP("SerialTrafficWindow", "&Pause");
inline constexpr const char* kClear = QT_TRANSLATE_NOOP("SerialTrafficWindow", "C&lear");
inline constexpr const char* kCopy = QT_TRANSLATE_NOOP("SerialTrafficWindow", "&Copy rows");
inline constexpr const char* kSave = QT_TRANSLATE_NOOP("SerialTrafficWindow", "&Save as text\u2026");
inline constexpr const char* kShowBytes = QT_TRANSLATE_NOOP("SerialTrafficWindow", "Show &bytes");
inline constexpr const char* kBytesPane = QT_TRANSLATE_NOOP("SerialTrafficWindow", "Block bytes");
inline constexpr const char* kIncompleteNote =
    QT_TRANSLATE_NOOP("SerialTrafficWindow",
                      "Not all of the block arrived in time: the bytes that did stand at the front, the rest is zero.");
inline constexpr const char* kSaveCaption = QT_TRANSLATE_NOOP("SerialTrafficWindow", "Save serial traffic");
inline constexpr const char* kSaveFilter =
    QT_TRANSLATE_NOOP("SerialTrafficWindow", "Text files (*.txt);;All files (*)");
inline constexpr const char* kSaveFailed =
    QT_TRANSLATE_NOOP("SerialTrafficWindow", "The serial traffic could not be saved:");

}  // namespace norvik::serialtexts
