#include "firmware/firmware_dialog.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

// An edit field is named by its caption, since its text is what it holds; a
// static value is read by its text, so it keeps no name of its own and the
// caption stays its label.
QLabel* addRow(QGridLayout* grid, int row, const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption);
    label->setBuddy(field);
    if (!qobject_cast<QLabel*>(field)) field->setAccessibleName(caption);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    return label;
}

norvik::FirmwareQueryState queryOf(const norvik::JobResult& fileNames) {
    return fileNames.done() ? norvik::FirmwareQueryState::Received : norvik::FirmwareQueryState::ReceiveError;
}

}  // namespace

FirmwareDialog::FirmwareDialog(norvik::FirmwareQueryState query, const norvik::FileNameList& names, uint8_t fileCount,
                               QWidget* parent)
    : QDialog(parent),
      nameEdit_(new QLineEdit),
      versionEdit_(new QLineEdit),
      countText_(new QLabel(QStringLiteral("0"))) {
    setWindowTitle(tr("Firmware Information"));
    setModal(true);

    auto* grid = new QGridLayout(this);
    addRow(grid, 0, tr("Firmware name :"), nameEdit_);
    addRow(grid, 1, tr("Version :"), versionEdit_);
    addRow(grid, 2, tr("File count :"), countText_);
    countText_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    grid->setColumnMinimumWidth(1, fontMetrics().averageCharWidth() * 24);

    fill(norvik::selectFirmwareFile(query, names, fileCount));
    setFixedSize(sizeHint());
}

FirmwareDialog::FirmwareDialog(const norvik::JobResult& fileNames, QWidget* parent)
    : FirmwareDialog(queryOf(fileNames), fileNames.fileNames, fileNames.fileCount, parent) {}

void FirmwareDialog::fill(const norvik::FirmwareDisplay& shown) {
    notSupported_ = shown.notSupported;
    if (notSupported_) return;
    // File names are 8-bit texts from the gateway, not UTF-8.
    nameEdit_->setText(shown.firmwareFound ? QString::fromLatin1(shown.firmwareName) : tr("Not Find Firmware"));
    versionEdit_->setText(QString::fromLatin1(shown.version));
    countText_->setText(QString::fromLatin1(shown.fileCountText));
}

bool FirmwareDialog::shows(const norvik::JobResult& fileNames) {
    // Only a reply that came, whole or not, says something about the module.
    return fileNames.outcome == norvik::JobOutcome::Done || fileNames.outcome == norvik::JobOutcome::BlockIncomplete;
}

QString FirmwareDialog::notSupportedText() { return tr("This module is not support Get Firmware version Command !"); }

QString FirmwareDialog::messageTitle() { return tr("Message"); }

void FirmwareDialog::keyPressEvent(QKeyEvent* event) {
    // The dialog has no buttons; Enter closes it as Escape does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
