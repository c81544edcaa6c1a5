#include "backup/backup_dialogs.h"

#include <QFileDialog>

#include "backup/backup_diff_dialog.h"
#include "backup/backup_file.h"
#include "backup/backup_texts.h"

std::optional<QString> QtBackupDialogs::saveBackupPath(QWidget* parent, const QString& proposedName) {
    QFileDialog dialog(parent, BackupTexts::itemBackUp().remove(QLatin1Char('&')), proposedName,
                       BackupTexts::fileFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QLatin1String(norvik::kBackupFileExtension));
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> QtBackupDialogs::openBackupPath(QWidget* parent, const QString& caption) {
    const QString path = QFileDialog::getOpenFileName(parent, caption, QString(), BackupTexts::fileFilter());
    if (path.isEmpty()) return std::nullopt;
    return path;
}

bool QtBackupDialogs::confirmRestore(QWidget* parent, const norvik::GatewayBackup& backup,
                                     const norvik::BackupDifferences& differences) {
    BackupDiffDialog dialog(BackupDiffDialog::Purpose::ConfirmRestore, backup, differences, parent);
    return dialog.exec() == QDialog::Accepted;
}

void QtBackupDialogs::showComparison(QWidget* parent, const norvik::GatewayBackup& backup,
                                     const norvik::BackupDifferences& differences) {
    BackupDiffDialog dialog(BackupDiffDialog::Purpose::Compare, backup, differences, parent);
    dialog.exec();
}
