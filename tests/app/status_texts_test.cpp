// The words the window shows for each state of the link, checked once here.

#include "app/status_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace norvik {
namespace {

TEST(StatusTexts, everyStateReadsAsBefore) {
    const std::vector<std::pair<QString, std::string>> texts = {
        {status::linkStatusText(LinkStatus::PortClosed, 0), "Com Port isn't open !"},
        {status::linkStatusText(LinkStatus::PortOpen, 0), "COM Port is Open, no connection to the Module"},
        {status::linkStatusText(LinkStatus::Connected, 0), "Module is connected"},
        {status::linkStatusText(LinkStatus::Lost, 0), "No connection to the Module !"},
        {status::linkStatusText(LinkStatus::TimerFailure, 0), "Timer Creat failure"},
        {status::linkStatusText(LinkStatus::OpenError, 2), "Open Com Error! Error Code = 2 "},
        {status::linkStatusText(LinkStatus::CloseError, 5), "Close Com Error! Error Code = 5 "},
        {status::linkStatusText(LinkStatus::PortLost, 4294967295u), "Com Port lost! Error Code = 4294967295 "},
        {status::operationText(Operation::None), ""},
        {status::operationText(Operation::ReceiveParameter), "Receive parameter now"},
        {status::operationText(Operation::ParameterFinish), "Receive parameter finish"},
        {status::operationText(Operation::SystemModuleAddressError), "Error ! System module address error!"},
        {status::operationText(Operation::SystemModuleMissing), "Error ! System module does not exist!"},
        {status::operationText(Operation::ParameterIncomplete), "Error ! Parameter block incomplete!"},
        {status::operationText(Operation::SendSafeValue), "Send safe value to com now"},
        {status::operationText(Operation::SafeValueSent), "Send safe value finish"},
        {status::operationText(Operation::SaveSafeValueError), "Save safe value error !"},
        {status::operationText(Operation::SendSafeValueError), "Send safe value error !"},
        {status::operationText(Operation::ReceiveSafeValue), "Receive safe value from com now !"},
        {status::operationText(Operation::ReceiveSafeValueError), "Receive safe value error !"},
        {status::operationText(Operation::SafeValueReceived), "Receive safe value finish"},
        {status::operationText(Operation::ReadSafeValueError), "Read safe value error !"},
        {status::operationText(Operation::SendIpSetting), "Send ip setting to com now"},
        {status::operationText(Operation::IpSettingSent), "Send ip setting finish"},
        {status::operationText(Operation::SaveIpSettingError), "Save ip setting error !"},
        {status::operationText(Operation::SendIpSettingError), "Send ip setting error !"},
        {status::operationText(Operation::ReceiveIpSetting), "Receive ip setting from com now !"},
        {status::operationText(Operation::ReceiveIpSettingError), "Receive ip setting error !"},
        {status::operationText(Operation::IpSettingReceived), "Receive ip setting finish"},
        {status::operationText(Operation::ReadIpSettingError), "Read ip setting error !"},
        {status::operationText(Operation::ReceiveFileName), "Receive file name from com now !"},
        {status::operationText(Operation::FileNameFinish), "Receive file name finish"},
        {status::operationText(Operation::FileNameError), "Receive file name error"},
        {status::noticeTitle(LinkNotice::OpenError), "Error message"},
        {status::noticeTitle(LinkNotice::AccessError), "Error message"},
        {status::noticeText(LinkNotice::OpenError), "Open Com Error ! Please check Com Port setting"},
        {status::noticeText(LinkNotice::AccessError),
         "The Norvik can not access the module.\n\n Please check the settings, wire and make sure PROFIBUS Master "
         "is online and configured correctly (RUN led is on)."},
    };
    for (const auto& [shown, expected] : texts) EXPECT_EQ(shown.toStdString(), expected);
}

}  // namespace
}  // namespace norvik
