#include "app/dialog_opener.h"

#include "app/about_dialog.h"
#include "firmware/firmware_dialog.h"
#include "app/message_boxes.h"
#include "app/port_devices_dialog.h"
#include "app/qt_user_prompts.h"
#include "firmware/file_names.h"
#include "ipsetting/ip_setting_dialog.h"
#include "link/console_texts.h"
#include "safevalue/safe_value_dialog.h"
#include "views/device_space_dialog.h"
#include "views/modbus_space_dialog.h"
#include "views/profibus_space_dialog.h"

DefaultDialogOpener::DefaultDialogOpener(norvik::LinkSession& session, norvik::GatewayConfig& config,
                                         norvik::IpSettingRecord& ipSetting, norvik::GatewayJobs& jobs,
                                         MessageBoxes& boxes)
    : session_(session), config_(config), ipSetting_(ipSetting), jobs_(jobs), boxes_(boxes) {}

int DefaultDialogOpener::execDialog(QDialog& dialog) { return dialog.exec(); }

void DefaultDialogOpener::openSafeValueDialog(QWidget* parent, norvik::DialogMode mode) {
    // "Load from file" asks for its file before the dialog is shown, over the
    // window that opened it; every later box is modal over the dialog.
    QtUserPrompts prompts;
    prompts.setParent(parent);
    SafeValueDialog dialog(mode, session_, config_, jobs_, prompts, parent);
    prompts.setParent(&dialog);
    execDialog(dialog);
}

void DefaultDialogOpener::openIpSettingDialog(QWidget* parent, norvik::DialogMode mode) {
    // Boxes and file dialogs go over whichever window is modal at the time:
    // the main window while the dialog opens, the dialog once it runs.
    QtUserPrompts prompts;
    IpSettingDialog dialog(mode, session_, config_, jobs_, ipSetting_, prompts, parent);
    execDialog(dialog);
}

void DefaultDialogOpener::openDeviceView(QWidget* parent) {
    DeviceSpaceDialog view(config_, parent);
    execDialog(view);
}

void DefaultDialogOpener::openProfibusView(QWidget* parent) {
    ProfibusSpaceDialog view(config_, parent);
    execDialog(view);
}

void DefaultDialogOpener::openModbusView(QWidget* parent) {
    ModbusSpaceDialog view(config_, parent);
    execDialog(view);
}

void DefaultDialogOpener::openFirmwareDialog(QWidget* parent) {
    FirmwareDialog dialog(session_.firmwareState(), session_.firmwareFileNames, session_.fileCount, parent);
    if (dialog.notSupported())
        boxes_.showMessage(parent, FirmwareDialog::messageTitle(), FirmwareDialog::notSupportedText());
    execDialog(dialog);
}

void DefaultDialogOpener::openAboutBox(QWidget* parent) {
    AboutDialog about(parent);
    execDialog(about);
}

void DefaultDialogOpener::openPortDevicesDialog(QWidget* parent) {
    PortDevicesDialog dialog(parent);
    execDialog(dialog);
}
