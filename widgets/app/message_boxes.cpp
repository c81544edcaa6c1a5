#include "app/message_boxes.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "app/status_texts.h"

namespace {

// The error title in the language it is shown in: the box's icon follows it.
bool isFailure(const QString& title) {
    return title == QCoreApplication::translate(norvik::status::kContext, norvik::status::kTitleError);
}

}  // namespace

void QtMessageBoxes::showMessage(QWidget* parent, const QString& title, const QString& text) {
    const bool failure = isFailure(title);
    QMessageBox box(failure ? QMessageBox::Critical : QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtMessageBoxes::showDetailedMessage(QWidget* parent, const QString& title, const QString& text,
                                         const QString& informative) {
    const bool failure = isFailure(title);
    QMessageBox box(failure ? QMessageBox::Critical : QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    // Device paths and commands are not markup, and the user may want to copy the command.
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(informative);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

std::unique_ptr<QMessageBox> exitQuestion(QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::Warning, QCoreApplication::translate("MessageBoxes", "Message"),
        QCoreApplication::translate("MessageBoxes", "Exit Norvik"), QMessageBox::Ok | QMessageBox::Cancel, parent);
    // An accidental Enter must not end a session that may be mid-transfer.
    box->setDefaultButton(QMessageBox::Cancel);
    box->setEscapeButton(QMessageBox::Cancel);
    return box;
}

bool QtMessageBoxes::confirmExit(QWidget* parent) { return exitQuestion(parent)->exec() == QMessageBox::Ok; }
