#pragma once
// Every line exchanged with the gateway's console, exactly as it goes over the
// wire. They are never translated.

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

}  // namespace norvik::console
