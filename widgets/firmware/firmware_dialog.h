#pragma once
// "Firmware Information": the firmware file the gateway holds, its version and
// the number of files. Everything is decided when the dialog is made.

#include <QDialog>

class QLabel;
class QLineEdit;

namespace norvik {
struct LinkSession;
}

class FirmwareDialog : public QDialog {
    Q_OBJECT
public:
    FirmwareDialog(const norvik::LinkSession& session, QWidget* parent = nullptr);

    // The last reply did not parse: the fields stay empty and the caller
    // shows the "not support" box before the dialog.
    bool notSupported() const { return notSupported_; }

    QLineEdit* firmwareNameEdit() const { return nameEdit_; }
    QLineEdit* versionEdit() const { return versionEdit_; }
    QLabel* fileCountText() const { return countText_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* nameEdit_;
    QLineEdit* versionEdit_;
    QLabel* countText_;
    bool notSupported_ = false;
};
