#pragma once
// "IP Setting": the HX-3420's local IP address, mask and gateway and its
// eight remote addresses with their times. The rules live in
// IpSettingEditor; this dialog shows its fields and forwards their events.

#include <QDialog>
#include <array>

#include "editors/ip_setting_editor.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTimer;
class IpAddressEdit;

class IpSettingDialog : public QDialog, private norvik::IpSettingView {
    Q_OBJECT
public:
    // Opens in `mode`; "Load from file" asks for its file before the dialog
    // is first shown. Transfers are asked of `jobs`.
    IpSettingDialog(norvik::DialogMode mode, const norvik::LinkSession& session, const norvik::GatewayConfig& config,
                    norvik::GatewayJobs& jobs, norvik::IpSettingRecord& record, norvik::UserPrompts& prompts,
                    QWidget* parent = nullptr);

    // The words of a message as this dialog shows it.
    static QString messageText(norvik::EditorMessage message);
    // The label under which each field and edit is shown and read out
    // ("I P (3) : Time out value (ms) :" for the third row's time-out).
    static QString fieldLabel(std::size_t field);
    static QString timeEditLabel(std::size_t edit);

    // The transfer timer's tick, once a second while a request is pending.
    void onTransferTimer();
    QTimer* transferTimer() const { return transferTimer_; }

    IpAddressEdit* ipField(std::size_t field) const { return ipFields_.at(field); }
    QLineEdit* timeEdit(std::size_t edit) const { return timeEdits_.at(edit); }
    QPushButton* saveToFileButton() const { return saveToFile_; }
    QPushButton* saveToDeviceButton() const { return saveToDevice_; }
    QGroupBox* localGroup() const { return localGroup_; }
    QGroupBox* remoteGroup() const { return remoteGroup_; }

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // norvik::IpSettingView
    norvik::Ipv4 address(std::size_t field) const override;
    void showAddress(std::size_t field, const norvik::Ipv4& address) override;
    std::string timeText(std::size_t edit) const override;
    void showTimeText(std::size_t edit, const std::string& text) override;
    void setSaveToDeviceEnabled(bool enabled) override;
    bool startTransferTimer() override;
    void stopTransferTimer() override;
    void tell(norvik::EditorMessage message) override;

    void buildLocalGroup();
    void buildRemoteGroup();

    norvik::UserPrompts& prompts_;
    norvik::IpSettingEditor editor_;
    std::array<IpAddressEdit*, norvik::kIpFieldCount> ipFields_{};
    std::array<QLineEdit*, norvik::kTimeEditCount> timeEdits_{};
    QGroupBox* localGroup_ = nullptr;
    QGroupBox* remoteGroup_ = nullptr;
    QPushButton* saveToFile_ = nullptr;
    QPushButton* saveToDevice_ = nullptr;
    QTimer* transferTimer_ = nullptr;
};
