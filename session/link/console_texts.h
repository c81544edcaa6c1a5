#pragma once
// Every text the dialogue shows, exactly as the user sees it. The lines of
// the wire are in serial/console_lines.h.

#include "serial/console_lines.h"

namespace norvik::console {

// Status line, link part.
inline constexpr const char* kLinkPortClosed = "Com Port isn't open !";
inline constexpr const char* kLinkPortOpen = "COM Port is Open, no connection to the Module";
inline constexpr const char* kLinkConnected = "Module is connected";
inline constexpr const char* kLinkLost = "No connection to the Module !";
inline constexpr const char* kLinkTimerFailure = "Timer Creat failure";
inline constexpr const char* kLinkOpenErrorFormat = "Open Com Error! Error Code = %u ";
inline constexpr const char* kLinkCloseErrorFormat = "Close Com Error! Error Code = %u ";
// The device went away under an open port (adapter pulled, gateway's pty gone).
inline constexpr const char* kLinkPortLostFormat = "Com Port lost! Error Code = %u ";

// Status line, operation part.
inline constexpr const char* kOpReceiveParameter = "Receive parameter now";
inline constexpr const char* kOpParameterFinish = "Receive parameter finish";
inline constexpr const char* kOpSystemModuleAddressError = "Error ! System module address error!";
inline constexpr const char* kOpSystemModuleMissing = "Error ! System module does not exist!";
inline constexpr const char* kOpParameterIncomplete = "Error ! Parameter block incomplete!";
inline constexpr const char* kOpSendSafeValue = "Send safe value to com now";
inline constexpr const char* kOpSafeValueSent = "Send safe value finish";
inline constexpr const char* kOpSaveSafeValueError = "Save safe value error !";
inline constexpr const char* kOpSendSafeValueError = "Send safe value error !";
inline constexpr const char* kOpReceiveSafeValue = "Receive safe value from com now !";
inline constexpr const char* kOpReceiveSafeValueError = "Receive safe value error !";
inline constexpr const char* kOpSafeValueReceived = "Receive safe value finish";
inline constexpr const char* kOpReadIpSettingError = "Read ip setting error !";
inline constexpr const char* kOpReadSafeValueError = "Read safe value error !";
inline constexpr const char* kOpSendIpSetting = "Send ip setting to com now";
inline constexpr const char* kOpIpSettingSent = "Send ip setting finish";
inline constexpr const char* kOpSaveIpSettingError = "Save ip setting error !";
inline constexpr const char* kOpSendIpSettingError = "Send ip setting error !";
inline constexpr const char* kOpReceiveIpSetting = "Receive ip setting from com now !";
inline constexpr const char* kOpReceiveIpSettingError = "Receive ip setting error !";
inline constexpr const char* kOpIpSettingReceived = "Receive ip setting finish";
inline constexpr const char* kOpReceiveFileName = "Receive file name from com now !";
inline constexpr const char* kOpFileNameFinish = "Receive file name finish";
inline constexpr const char* kOpFileNameError = "Receive file name error";

// Message boxes.
inline constexpr const char* kTitleMessage = "Message";
inline constexpr const char* kTitleError = "Error message";
inline constexpr const char* kOpenErrorBox = "Open Com Error ! Please check Com Port setting";
inline constexpr const char* kAccessErrorBox =
    "The Norvik can not access the module.\n\n Please check the settings, wire and make sure "
    "PROFIBUS Master is online and configured correctly (RUN led is on).";

}  // namespace norvik::console
