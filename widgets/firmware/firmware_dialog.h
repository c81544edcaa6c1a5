#pragma once
// "Firmware Information": the firmware file the gateway holds, its version and
// the number of files. Everything is decided when the dialog is made, from a
// file-name list held or from the end of a job that read one.

#include <QDialog>
#include <QString>
#include <optional>

#include "firmware/file_names.h"
#include "link/gateway_jobs.h"

class QLabel;
class QLineEdit;

class FirmwareDialog : public QDialog {
    Q_OBJECT
public:
    // The list as the query left it; a reply that did not parse shows nothing.
    FirmwareDialog(norvik::FirmwareQueryState query, const norvik::FileNameList& names, uint8_t fileCount,
                   QWidget* parent = nullptr);
    // The names a file-name job read; a reply that came but did not parse
    // shows nothing.
    FirmwareDialog(const norvik::JobResult& fileNames, QWidget* parent = nullptr);

    // Whether a file-name job's end is shown at all: a job the link took with
    // it, or one cancelled, opens no dialog.
    static bool shows(const norvik::JobResult& fileNames);
    // The box the caller shows before a dialog whose reply did not parse.
    static QString notSupportedText();
    static QString messageTitle();

    // The last reply did not parse: the fields stay empty and the caller
    // shows the "not support" box before the dialog.
    bool notSupported() const { return notSupported_; }

    QLineEdit* firmwareNameEdit() const { return nameEdit_; }
    QLineEdit* versionEdit() const { return versionEdit_; }
    QLabel* fileCountText() const { return countText_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill(const norvik::FirmwareDisplay& shown);

    QLineEdit* nameEdit_;
    QLineEdit* versionEdit_;
    QLabel* countText_;
    bool notSupported_ = false;
};
