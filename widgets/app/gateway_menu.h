#pragma once
// The "Gateway" menu: back up, restore and compare the connected gateway, and
// open a backup without one. The commands' order is decided by
// norvik::BackupCommands; this menu shows their steps on the window's status
// line, asks its questions through BackupDialogs and MessageBoxes and says how
// they ended.
//
// An opened backup goes to the GatewayState, and the window shows it as it
// would show the gateway: the tree, the list, the views, the firmware dialog,
// and the settings dialogs, whose "Load from device" loads from the backup and
// whose sends are refused.

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "backup/backup_commands.h"
#include "backup/gateway_backup.h"

class BackupDialogs;
class GatewayState;
class MessageBoxes;
class QAction;
class QMenuBar;
class QWidget;
class StatusLine;

class GatewayMenu : public QObject, public norvik::BackupWindow {
    Q_OBJECT
public:
    // `window` is where the boxes and dialogs go, `status` the line its steps show on.
    GatewayMenu(GatewayState& state, QWidget& window, StatusLine& status, MessageBoxes& boxes, BackupDialogs& dialogs,
                norvik::GatewayJobs& jobs);
    ~GatewayMenu() override;

    // The menu, placed after `after` in the bar.
    void addTo(QMenuBar* bar, QAction* after);

    void onBackUp();
    void onRestore();
    void onCompare();
    void onOpenBackup();
    void onCloseBackup();
    void onCancel();
    void onExportReport();

    // Shows the backup at `path` offline; false (after telling the user why)
    // when the file is refused.
    bool openBackupFile(const QString& path);
    bool openBackupFile(const std::string& path);  // the system's bytes
    norvik::BackupCommands& commands() { return commands_; }

    struct Actions {
        QAction* backUp = nullptr;
        QAction* restore = nullptr;
        QAction* compare = nullptr;
        QAction* openBackup = nullptr;
        QAction* closeBackup = nullptr;
        QAction* cancel = nullptr;
        QAction* exportReport = nullptr;
    };
    const Actions& actions() const { return actions_; }

    // norvik::BackupWindow
    void showRunStep(norvik::BackupCommand command, norvik::JobKind step, int index, int count) override;
    void showRunProgress(const norvik::JobProgress& progress) override;
    void endRun(norvik::BackupCommand command) override;
    std::optional<std::string> askSaveBackupPath(const std::string& proposedName) override;
    std::optional<std::string> askOpenBackupPath(norvik::BackupCommand command) override;
    bool confirmRestore(const norvik::GatewayBackup& backup, const norvik::BackupDifferences& differences) override;
    void showComparison(const norvik::GatewayBackup& backup, const norvik::BackupDifferences& differences) override;
    void reportFileProblem(norvik::BackupCommand command, const std::string& path,
                           const norvik::BackupProblem& problem) override;
    void reportRunFailed(norvik::BackupCommand command, const norvik::RunFailure& failure) override;
    void reportRestoreRefused(const norvik::RestoreCheck& check) override;
    void reportBackupSaved(const std::string& path, const norvik::GatewayBackup& backup) override;
    void reportRestored(const norvik::RestoreReport& report) override;
    void exportReport(const norvik::GatewaySnapshot& gateway) override;

private:
    // The guards of the three commands that need the gateway.
    bool gatewayReady(norvik::BackupCommand command);
    norvik::KnownBlocks knownBlocks() const;
    void message(const QString& title, const QString& text);
    void updateActions();

    GatewayState& state_;
    QWidget& window_;
    StatusLine& status_;
    MessageBoxes& boxes_;
    BackupDialogs& dialogs_;
    norvik::BackupCommands commands_;
    Actions actions_;
    int stepIndex_ = 0;
    int stepCount_ = 1;
};
