#pragma once
// Texts of the "Port devices" dialog and the "Serial traffic" window, and of
// the menu items that open them. Unlike the gateway's 8-bit texts these are
// UTF-8: they show device paths, which are file names.

namespace norvik::serialtexts {

// Menu items (Communication, View).
inline constexpr const char* kItemPortDevices = "Port devices…";
inline constexpr const char* kItemSerialTraffic = "Serial traffic";

// "Port devices" dialog; its caption is norvik::kPortDevicesCaption.
inline constexpr const char* kPortDevicesIntro =
    "Choose the device each Com entry opens. A device picked from the list is kept by its "
    "/dev/serial/by-id name where it has one, which stays the same whichever USB socket it is in. "
    "An empty entry opens /dev/ttyS0 to /dev/ttyS7. The choice counts from the next Connect.";
inline constexpr const char* kColumnPort = "Port";
inline constexpr const char* kColumnDevice = "Device";
inline constexpr const char* kColumnDetected = "Detected devices";
inline constexpr const char* kColumnOpens = "Opens";
inline constexpr const char* kPickPrompt = "Pick a detected device";
inline constexpr const char* kNoneDetected = "No serial device detected";
inline constexpr const char* kDetectAgain = "&Detect again";
// Followed by the variable's name, e.g. "set by NORVIK_COM2: ".
inline constexpr const char* kSetByPrefix = "set by ";
// Port box and status line: "Com2 opens /dev/ttyUSB0".
inline constexpr const char* kOpensInfix = " opens ";

// "Serial traffic" window.
inline constexpr const char* kTrafficCaption = "Serial traffic";
inline constexpr const char* kColumnTime = "Time";
inline constexpr const char* kColumnDirection = "Direction";
inline constexpr const char* kColumnData = "Data";
inline constexpr const char* kHideKeepAlive = "&Hide prompt and reply";
inline constexpr const char* kPause = "&Pause";
inline constexpr const char* kClear = "C&lear";
inline constexpr const char* kCopy = "&Copy rows";
inline constexpr const char* kSave = "&Save as text…";
inline constexpr const char* kShowBytes = "Show &bytes";
inline constexpr const char* kBytesPane = "Block bytes";
inline constexpr const char* kIncompleteNote =
    "Not all of the block arrived in time: the bytes that did stand at the front, the rest is zero.";
inline constexpr const char* kSaveCaption = "Save serial traffic";
inline constexpr const char* kSaveFilter = "Text files (*.txt);;All files (*)";
inline constexpr const char* kSaveFailed = "The serial traffic could not be saved:";

}  // namespace norvik::serialtexts
