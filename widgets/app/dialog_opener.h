#pragma once
// The modal dialogs that the main window's menu opens. Each call returns when
// its dialog has closed. The window has already run the guards before it calls
// here. The dialogs read the gateway's state and hand back what they change.

#include "editors/transfer_job.h"
#include "link/gateway_jobs.h"

class GatewayState;
class QDialog;
class QWidget;
class MessageBoxes;

namespace norvik {
class GatewayJobs;
}  // namespace norvik

class DialogOpener {
public:
    virtual ~DialogOpener() = default;

    virtual void openSafeValueDialog(QWidget* parent, norvik::DialogMode mode) = 0;
    virtual void openIpSettingDialog(QWidget* parent, norvik::DialogMode mode) = 0;
    virtual void openDeviceView(QWidget* parent) = 0;
    virtual void openProfibusView(QWidget* parent) = 0;
    virtual void openModbusView(QWidget* parent) = 0;
    // The names a file-name job read, or those the session holds.
    virtual void openFirmwareDialog(QWidget* parent, const norvik::JobResult& fileNames) = 0;
    virtual void openAboutBox(QWidget* parent) = 0;
    virtual void openPortDevicesDialog(QWidget* parent) = 0;
};

// The dialogs as the program shows them. The safe-value, IP-setting and space
// view dialogs are wired in dialog_opener.cpp as they become available.
class DefaultDialogOpener : public DialogOpener {
public:
    DefaultDialogOpener(GatewayState& state, norvik::GatewayJobs& jobs, MessageBoxes& boxes);

    void openSafeValueDialog(QWidget* parent, norvik::DialogMode mode) override;
    void openIpSettingDialog(QWidget* parent, norvik::DialogMode mode) override;
    void openDeviceView(QWidget* parent) override;
    void openProfibusView(QWidget* parent) override;
    void openModbusView(QWidget* parent) override;
    void openFirmwareDialog(QWidget* parent, const norvik::JobResult& fileNames) override;
    void openAboutBox(QWidget* parent) override;
    void openPortDevicesDialog(QWidget* parent) override;

protected:
    // Runs a dialog modally; tests override it to look at the dialog instead.
    virtual int execDialog(QDialog& dialog);

    GatewayState& state_;
    norvik::GatewayJobs& jobs_;
    MessageBoxes& boxes_;
};
