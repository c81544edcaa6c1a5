#pragma once
// The modal questions of the "Gateway" menu: the file dialogs and the
// difference table. Tests put their own answers in place of these, so no
// test waits on a modal dialog.

#include <QString>
#include <optional>

#include "backup/backup_diff.h"
#include "backup/gateway_backup.h"

class QWidget;

class BackupDialogs {
public:
    virtual ~BackupDialogs() = default;
    // A path, or nothing when the user cancelled.
    virtual std::optional<QString> saveBackupPath(QWidget* parent, const QString& proposedName) = 0;
    virtual std::optional<QString> openBackupPath(QWidget* parent, const QString& caption) = 0;
    // True when the user chose to restore.
    virtual bool confirmRestore(QWidget* parent, const norvik::GatewayBackup& backup,
                                const norvik::BackupDifferences& differences) = 0;
    virtual void showComparison(QWidget* parent, const norvik::GatewayBackup& backup,
                                const norvik::BackupDifferences& differences) = 0;
};

class QtBackupDialogs : public BackupDialogs {
public:
    std::optional<QString> saveBackupPath(QWidget* parent, const QString& proposedName) override;
    std::optional<QString> openBackupPath(QWidget* parent, const QString& caption) override;
    bool confirmRestore(QWidget* parent, const norvik::GatewayBackup& backup,
                        const norvik::BackupDifferences& differences) override;
    void showComparison(QWidget* parent, const norvik::GatewayBackup& backup,
                        const norvik::BackupDifferences& differences) override;
};
