#pragma once
// Captions, entries and messages of the main window and its small dialogs,
// exactly as the user sees them.

#include <array>

#include "link/link_guards.h"

namespace norvik::window {

inline constexpr const char* kCaption = "Norvik";

// Port-setting boxes.
inline constexpr const char* kGroupPortSetting = "Com Port Setting";
inline constexpr const char* kLabelPort = "Port :";
inline constexpr const char* kLabelBaud = "Baudrate :";
inline constexpr const char* kLabelParity = "Parity :";
inline constexpr const char* kLabelDataBit = "Data bit :";
inline constexpr const char* kLabelStopBit = "Stop bit :";
inline constexpr std::array<const char*, 8> kPortEntries{"Com1", "Com2", "Com3", "Com4",
                                                         "Com5", "Com6", "Com7", "Com8"};
inline constexpr std::array<const char*, 7> kBaudEntries{"2400", "4800", "9600", "19200",
                                                         "38400", "57600", "115200"};
inline constexpr std::array<const char*, 3> kParityEntries{"None", "Odd", "Even"};
inline constexpr const char* kDataBitEntry = "8 databit";
inline constexpr const char* kStopBitEntry = "1 stopbit";

// Lamps.
inline constexpr const char* kLabelModuleLamp = "Module   State :";
inline constexpr const char* kLabelPortLamp = "Com Port State :";
inline constexpr const char* kLampRed = "red";
inline constexpr const char* kLampGreen = "green";

// Parameter list.
inline constexpr const char* kColumnItem = "Item";
inline constexpr const char* kColumnValue = "Value (State)";
inline constexpr int kColumnItemWidth = 200;
inline constexpr int kColumnValueWidth = 228;

// Menu.
inline constexpr const char* kMenuCommunication = "Communication";
inline constexpr const char* kItemConnect = "Connect";
inline constexpr const char* kItemDisconnect = "Disconnect";
inline constexpr const char* kItemExit = "Exit";
inline constexpr const char* kMenuIpSetting = "IP setting";
inline constexpr const char* kMenuSafeValue = "Safe value setting";
inline constexpr const char* kItemNewSetting = "New setting";
inline constexpr const char* kItemLoadFromFile = "Load from file";
inline constexpr const char* kItemLoadFromDevice = "Load from device";
inline constexpr const char* kMenuView = "View";
inline constexpr const char* kItemViewDevice = "Space configuration in device";
inline constexpr const char* kItemViewProfibus = "Space configuration in profibus";
inline constexpr const char* kItemViewModbus = "Space configuration in modbus";
inline constexpr const char* kMenuHelp = "Help";
inline constexpr const char* kItemFirmware = "Get Firmware Version From Module";
inline constexpr const char* kItemAbout = "About Norvik";

// Guards and the exit question (all titled "Message"). The link guards are
// shared with the settings dialogs.
inline constexpr const char* kGuardNotConnected = guard::kNotConnected;
inline constexpr const char* kGuardLoading = guard::kLoading;
inline constexpr const char* kGuardNoParameter = guard::kNoParameter;
inline constexpr const char* kGuardNoFirmware = guard::kNoFirmware;
inline constexpr const char* kGuardOnlyHx3420 = guard::kOnlyHx3420;
inline constexpr const char* kExitQuestion = "Exit Norvik";

// About box.
inline constexpr const char* kAboutCaption = "About Norvik";
// Followed by the program's version.
inline constexpr const char* kAboutVersionPrefix = "Norvik Version ";
inline constexpr const char* kOk = "OK";

}  // namespace norvik::window
