#include "app/dialog_opener.h"

#include "app/about_dialog.h"
#include "firmware/firmware_dialog.h"
#include "app/message_boxes.h"
#include "app/port_devices_dialog.h"
#include "firmware/file_names.h"
#include "link/console_texts.h"
#include "views/device_space_dialog.h"
#include "views/modbus_space_dialog.h"
#include "views/profibus_space_dialog.h"

DefaultDialogOpener::DefaultDialogOpener(norvik::LinkSession& session, norvik::GatewayConfig& config,
                                         norvik::IpSettingRecord& ipSetting, MessageBoxes& boxes)
    : session_(session), config_(config), ipSetting_(ipSetting), boxes_(boxes) {}

int DefaultDialogOpener::execDialog(QDialog& dialog) { return dialog.exec(); }

// The safe-value dialog (NSS) and the IP setting dialog (IPSetting) are opened
// here once they exist: construct the dialog with parent and the shared records
// above, then execDialog(dialog). The IP setting dialog also resets its send
// counter on opening.
void DefaultDialogOpener::openSafeValueDialog(QWidget*) {}
void DefaultDialogOpener::openIpSettingDialog(QWidget*) {}

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
    FirmwareDialog dialog(session_, parent);
    if (dialog.notSupported()) {
        boxes_.showMessage(parent, QLatin1String(norvik::console::kTitleMessage),
                           QLatin1String(norvik::kNotSupportedMessage));
    }
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
