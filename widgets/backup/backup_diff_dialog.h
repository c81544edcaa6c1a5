#pragma once
// The difference table between a backup and the connected gateway: shown
// before a restore, which the user then confirms or cancels, or on its own
// for "Compare with Backup…".

#include <QDialog>

#include "backup/backup_diff.h"
#include "backup/gateway_backup.h"

class QDialogButtonBox;
class QLabel;
class QTableWidget;

class BackupDiffDialog : public QDialog {
    Q_OBJECT
public:
    enum class Purpose { ConfirmRestore, Compare };

    BackupDiffDialog(Purpose purpose, const norvik::GatewayBackup& backup, const norvik::BackupDifferences& differences,
                     QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }
    QLabel* summary() const { return summary_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};
