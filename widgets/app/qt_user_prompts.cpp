#include "app/qt_user_prompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "common/text_conversion.h"
#include "link/console_texts.h"

namespace {

// The file names themselves are the system's, so they travel in its own
// 8-bit form, whatever their encoding.
std::optional<std::string> chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

// The settings files' filter as the core spells it, for translation; other
// filters come translated already.
[[maybe_unused]] constexpr const char* kSettingsFileFilter = QT_TRANSLATE_NOOP("QtUserPrompts", "Norvik File (*.ptm)");

void prepare(QFileDialog& dialog, const norvik::FileChoice& choice) {
    dialog.setNameFilter(QCoreApplication::translate("QtUserPrompts", choice.filter.c_str()));
    dialog.setDefaultSuffix(latin1(choice.defaultSuffix));
}

}  // namespace

QWidget* QtUserPrompts::parentWidget() const {
    if (parent_) return parent_;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

void QtUserPrompts::showMessage(std::string_view title, std::string_view text) {
    const bool failure = title == norvik::console::kTitleError;
    // The dialogs hand over their words from tr(), so a translation may go beyond Latin-1.
    QMessageBox box(failure ? QMessageBox::Critical : QMessageBox::Information, utf8(title), utf8(text),
                    QMessageBox::Ok, parentWidget());
    box.exec();
}

std::optional<std::string> QtUserPrompts::openFileName(const norvik::FileChoice& choice) {
    QFileDialog dialog(parentWidget());
    prepare(dialog, choice);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.selectFile(latin1(choice.proposedName));
    return chosen(dialog);
}

std::optional<std::string> QtUserPrompts::saveFileName(const norvik::FileChoice& choice) {
    QFileDialog dialog(parentWidget());
    prepare(dialog, choice);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(latin1(choice.proposedName));
    return chosen(dialog);
}

std::optional<std::string> QtUserPrompts::folderName(const norvik::FileChoice& choice) {
    QFileDialog dialog(parentWidget());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.selectFile(
        QString::fromUtf8(choice.proposedName.data(), static_cast<qsizetype>(choice.proposedName.size())));
    return chosen(dialog);
}
