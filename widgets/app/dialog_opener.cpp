#include "app/dialog_opener.h"

#include <memory>

#include "app/about_dialog.h"
#include "gateway/gateway_state.h"
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

DefaultDialogOpener::DefaultDialogOpener(GatewayState& state, norvik::GatewayJobs& jobs, MessageBoxes& boxes)
    : state_(state), jobs_(jobs), boxes_(boxes) {}

int DefaultDialogOpener::execDialog(QDialog& dialog) { return dialog.exec(); }

void DefaultDialogOpener::openSafeValueDialog(QWidget* parent, norvik::DialogMode mode) {
    // "Load from file" asks for its file before the dialog is shown, over the
    // window that opened it; every later box is modal over the dialog.
    QtUserPrompts prompts;
    prompts.setParent(parent);
    // The configuration as it is now: the link may replace the state's while
    // the dialog is open. The session stays the state's, read as it changes.
    const std::shared_ptr<const norvik::GatewayConfig> config = state_.configSnapshot();
    SafeValueDialog dialog(mode, state_.session(), *config, jobs_, prompts, parent);
    prompts.setParent(&dialog);
    execDialog(dialog);
}

void DefaultDialogOpener::openIpSettingDialog(QWidget* parent, norvik::DialogMode mode) {
    // Boxes and file dialogs go over whichever window is modal at the time:
    // the main window while the dialog opens, the dialog once it runs.
    QtUserPrompts prompts;
    const std::shared_ptr<const norvik::GatewayConfig> config = state_.configSnapshot();
    // The dialog edits its own record and hands it back for the next one.
    norvik::IpSettingRecord record = state_.ipSetting();
    IpSettingDialog dialog(mode, state_.session(), *config, jobs_, record, prompts, parent);
    execDialog(dialog);
    state_.keepIpSetting(record);
}

void DefaultDialogOpener::openDeviceView(QWidget* parent) {
    const std::shared_ptr<const norvik::GatewayConfig> config = state_.configSnapshot();
    DeviceSpaceDialog view(*config, parent);
    execDialog(view);
}

void DefaultDialogOpener::openProfibusView(QWidget* parent) {
    const std::shared_ptr<const norvik::GatewayConfig> config = state_.configSnapshot();
    ProfibusSpaceDialog view(*config, parent);
    execDialog(view);
}

void DefaultDialogOpener::openModbusView(QWidget* parent) {
    const std::shared_ptr<const norvik::GatewayConfig> config = state_.configSnapshot();
    ModbusSpaceDialog view(*config, parent);
    execDialog(view);
}

void DefaultDialogOpener::openFirmwareDialog(QWidget* parent, const norvik::JobResult& fileNames) {
    FirmwareDialog dialog(fileNames, parent);
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
