#pragma once
// Entries and messages of the main window that do not live in its code: the
// port entries, and the guards it shares with the settings dialogs.

#include <QtGlobal>
#include <array>

#include "link/link_guards.h"

namespace norvik::window {

// Port-setting entries: names and numbers, the same in every language.
inline constexpr std::array<const char*, 8> kPortEntries{"Com1", "Com2", "Com3", "Com4",
                                                         "Com5", "Com6", "Com7", "Com8"};
inline constexpr std::array<const char*, 7> kBaudEntries{"2400", "4800", "9600", "19200", "38400", "57600", "115200"};

// Parameter list.
inline constexpr int kColumnItemWidth = 200;
inline constexpr int kColumnValueWidth = 228;

// Guards (all titled "Message"). The link guards are
// shared with the settings dialogs.
inline constexpr const char* kGuardNotConnected = guard::kNotConnected;
inline constexpr const char* kGuardLoading = guard::kLoading;
inline constexpr const char* kGuardNoParameter = guard::kNoParameter;
inline constexpr const char* kGuardNoFirmware = guard::kNoFirmware;
inline constexpr const char* kGuardOnlyHx3420 = guard::kOnlyHx3420;

// The main window's boxes in the user's language (context "MainWindow"): the
// guards come from the core as it spells them.
inline constexpr const char* kMessageTitle = QT_TRANSLATE_NOOP("MainWindow", "Message");
inline constexpr std::array<const char*, 5> kGuardTexts{
    QT_TRANSLATE_NOOP("MainWindow", "Error ! Device is not connected yet."),
    QT_TRANSLATE_NOOP("MainWindow", "Error ! It is loading parameter now. Please wait."),
    QT_TRANSLATE_NOOP("MainWindow", "Error ! It is not loaded parameter yet. Please wait."),
    QT_TRANSLATE_NOOP("MainWindow", "Error ! It is not loaded firmware version yet. Please wait."),
    QT_TRANSLATE_NOOP("MainWindow", "Error ! This function is only supported HX-3420."),
};

}  // namespace norvik::window
