#pragma once
// Every line exchanged with the gateway's console, and every text the dialogue
// shows, exactly as the gateway and the user see them.

namespace norvik::console {

inline constexpr const char* kPrompt = "KESTRA--r4460k>";

// Commands.
inline constexpr const char* kLoadParameter = "LOAD--PARAMETER";
inline constexpr const char* kLoadFileName = "LOAD--FILE_NAME";
inline constexpr const char* kSendSafeValue = "SEND_SAFE_VALUE";
inline constexpr const char* kLoadSafeValue = "LOAD_SAFE_VALUE";
inline constexpr const char* kSendIpSetting = "SEND_IP_SETTING";
inline constexpr const char* kLoadIpSetting = "LOAD_IP_SETTING";
inline constexpr const char* kTransmitEnd = "transmit_end";

// Replies, in the order they are matched.
inline constexpr const char* kReplyConnect = "KESTRA--r4460k> connect";
inline constexpr const char* kReplyParameter = "send parameter to com";
inline constexpr const char* kReplyParameterFinish = "send parameter to com finish";
inline constexpr const char* kReplyReceiveSafeValue = "receive safe value";
inline constexpr const char* kReplySafeValueSent = "receive_safe_value finish";
inline constexpr const char* kReplySaveSafeValueError = "save_safe_value error!";
inline constexpr const char* kReplyReceiveSafeValueError = "receive_safe_value error!";
inline constexpr const char* kReplySafeValue = "send safe value to com";
inline constexpr const char* kReplySafeValueFinish = "send safe value to com finish";
inline constexpr const char* kReplyReadEepromError = "read eeprom error!";
inline constexpr const char* kReplyReceiveIpSetting = "receive ip setting";
inline constexpr const char* kReplyIpSettingSent = "receive_ip_setting finish";
inline constexpr const char* kReplySaveIpSettingError = "save_ip_setting error!";
inline constexpr const char* kReplyReceiveIpSettingError = "receive_ip_setting error!";
inline constexpr const char* kReplyIpSetting = "send ip setting to com";
inline constexpr const char* kReplyIpSettingFinish = "send ip setting to com finish";
inline constexpr const char* kReplyFileName = "send file name to com";
inline constexpr const char* kReplyFileNameFinish = "send file name to com finish";
inline constexpr const char* kReplyDisconnect = "KESTRA--r4460k> disconnect";

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
