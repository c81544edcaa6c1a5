#include "app/status_texts.h"

#include <QCoreApplication>

namespace norvik::status {

namespace {

QString translated(const char* source) { return QCoreApplication::translate(kContext, source); }

}  // namespace

const char* operationSource(Operation operation) {
    switch (operation) {
    case Operation::None: return "";
    case Operation::ReceiveParameter: return QT_TRANSLATE_NOOP("StatusTexts", "Receive parameter now");
    case Operation::ParameterFinish: return QT_TRANSLATE_NOOP("StatusTexts", "Receive parameter finish");
    case Operation::SystemModuleAddressError:
        return QT_TRANSLATE_NOOP("StatusTexts", "Error ! System module address error!");
    case Operation::SystemModuleMissing:
        return QT_TRANSLATE_NOOP("StatusTexts", "Error ! System module does not exist!");
    case Operation::ParameterIncomplete: return QT_TRANSLATE_NOOP("StatusTexts", "Error ! Parameter block incomplete!");
    case Operation::SendSafeValue: return QT_TRANSLATE_NOOP("StatusTexts", "Send safe value to com now");
    case Operation::SafeValueSent: return QT_TRANSLATE_NOOP("StatusTexts", "Send safe value finish");
    case Operation::SaveSafeValueError: return QT_TRANSLATE_NOOP("StatusTexts", "Save safe value error !");
    case Operation::SendSafeValueError: return QT_TRANSLATE_NOOP("StatusTexts", "Send safe value error !");
    case Operation::ReceiveSafeValue: return QT_TRANSLATE_NOOP("StatusTexts", "Receive safe value from com now !");
    case Operation::ReceiveSafeValueError: return QT_TRANSLATE_NOOP("StatusTexts", "Receive safe value error !");
    case Operation::SafeValueReceived: return QT_TRANSLATE_NOOP("StatusTexts", "Receive safe value finish");
    case Operation::ReadSafeValueError: return QT_TRANSLATE_NOOP("StatusTexts", "Read safe value error !");
    case Operation::SendIpSetting: return QT_TRANSLATE_NOOP("StatusTexts", "Send ip setting to com now");
    case Operation::IpSettingSent: return QT_TRANSLATE_NOOP("StatusTexts", "Send ip setting finish");
    case Operation::SaveIpSettingError: return QT_TRANSLATE_NOOP("StatusTexts", "Save ip setting error !");
    case Operation::SendIpSettingError: return QT_TRANSLATE_NOOP("StatusTexts", "Send ip setting error !");
    case Operation::ReceiveIpSetting: return QT_TRANSLATE_NOOP("StatusTexts", "Receive ip setting from com now !");
    case Operation::ReceiveIpSettingError: return QT_TRANSLATE_NOOP("StatusTexts", "Receive ip setting error !");
    case Operation::IpSettingReceived: return QT_TRANSLATE_NOOP("StatusTexts", "Receive ip setting finish");
    case Operation::ReadIpSettingError: return QT_TRANSLATE_NOOP("StatusTexts", "Read ip setting error !");
    case Operation::ReceiveFileName: return QT_TRANSLATE_NOOP("StatusTexts", "Receive file name from com now !");
    case Operation::FileNameFinish: return QT_TRANSLATE_NOOP("StatusTexts", "Receive file name finish");
    case Operation::FileNameError: return QT_TRANSLATE_NOOP("StatusTexts", "Receive file name error");
    }
    return "";
}

QString linkStatusText(LinkStatus status, uint32_t code) {
    switch (status) {
    case LinkStatus::PortClosed: return translated(kLinkPortClosed);
    case LinkStatus::PortOpen: return translated(kLinkPortOpen);
    case LinkStatus::Connected: return translated(kLinkConnected);
    case LinkStatus::Lost: return translated(kLinkLost);
    case LinkStatus::TimerFailure: return translated(kLinkTimerFailure);
    case LinkStatus::OpenError: return translated(kLinkOpenError).arg(code);
    case LinkStatus::CloseError: return translated(kLinkCloseError).arg(code);
    case LinkStatus::PortLost: return translated(kLinkPortLost).arg(code);
    }
    return {};
}

QString operationText(Operation operation) {
    const char* source = operationSource(operation);
    return *source ? translated(source) : QString();
}

QString noticeTitle(LinkNotice) { return translated(kTitleError); }

QString noticeText(LinkNotice notice) {
    return translated(notice == LinkNotice::OpenError ? kOpenErrorBox : kAccessErrorBox);
}

}  // namespace norvik::status
