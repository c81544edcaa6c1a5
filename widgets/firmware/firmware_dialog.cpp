#include "firmware/firmware_dialog.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "firmware/file_names.h"
#include "link/link_session.h"

namespace {

// An edit field is named by its caption, since its text is what it holds; a
// static value is read by its text, so it keeps no name of its own and the
// caption stays its label.
QLabel* addRow(QGridLayout* grid, int row, const char* caption, QWidget* field) {
    auto* label = new QLabel(QLatin1String(caption));
    label->setBuddy(field);
    if (!qobject_cast<QLabel*>(field)) field->setAccessibleName(QLatin1String(caption));
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    return label;
}

}  // namespace

FirmwareDialog::FirmwareDialog(const norvik::LinkSession& session, QWidget* parent)
    : QDialog(parent),
      nameEdit_(new QLineEdit),
      versionEdit_(new QLineEdit),
      countText_(new QLabel(QStringLiteral("0"))) {
    setWindowTitle(QLatin1String(norvik::kFirmwareCaption));
    setModal(true);

    auto* grid = new QGridLayout(this);
    addRow(grid, 0, norvik::kLabelFirmwareName, nameEdit_);
    addRow(grid, 1, norvik::kLabelVersion, versionEdit_);
    addRow(grid, 2, norvik::kLabelFileCount, countText_);
    countText_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    grid->setColumnMinimumWidth(1, fontMetrics().averageCharWidth() * 24);

    const norvik::FirmwareDisplay shown =
        norvik::selectFirmwareFile(session.firmwareState(), session.firmwareFileNames, session.fileCount);
    notSupported_ = shown.notSupported;
    if (!notSupported_) {
        // File names are 8-bit texts from the gateway, not UTF-8.
        nameEdit_->setText(QString::fromLatin1(shown.firmwareName));
        versionEdit_->setText(QString::fromLatin1(shown.version));
        countText_->setText(QString::fromLatin1(shown.fileCountText));
    }
    setFixedSize(sizeHint());
}

void FirmwareDialog::keyPressEvent(QKeyEvent* event) {
    // The dialog has no buttons; Enter closes it as Escape does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
