#pragma once
// The words of the "Gateway" menu: its commands, the reasons a backup file
// or a restore is refused, the steps on the status line, the reports and the
// difference table. The core says what happened; here it is said.

#include <QCoreApplication>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "backup/backup_commands.h"
#include "backup/backup_diff.h"
#include "backup/gateway_backup.h"

class BackupTexts {
    Q_DECLARE_TR_FUNCTIONS(BackupTexts)
public:
    static QString menuGateway();
    static QString itemBackUp();
    static QString itemRestore();
    static QString itemCompare();
    static QString itemOpenBackup();
    static QString itemCloseBackup();
    static QString itemExportReport();
    static QString fileFilter();

    static QString commandName(norvik::BackupCommand command);
    // The status line while a command asks the gateway: which part is read or sent.
    static QString stepText(norvik::JobKind step);

    static QString problemText(const norvik::BackupProblem& problem);
    static QString failureText(norvik::BackupCommand command, const norvik::RunFailure& failure);
    static QString refusalText(const norvik::RestoreCheck& check);
    static QString restoreReportText(const norvik::RestoreReport& report);
    static QString illegalIpText(const std::optional<norvik::IllegalIpAddress>& illegal);
    static QString savedText(const QString& path, const norvik::GatewayBackup& backup);

    // Window title and status line while a backup is open without a gateway.
    static QString offlineTitle(const QString& caption, const norvik::GatewayBackup& backup);
    static QString offlineStatus(const QString& fileName);
    static QString connectWhileOffline();
    static QString openWhileConnected();
    static QString notWhileOffline();

    // The difference table: a header, and per row where, what, the backup's
    // value, the gateway's, and whether a restore writes it.
    static std::array<QString, 5> tableHeader();
    struct Row {
        std::array<QString, 4> cells;
        bool written;
    };
    static std::vector<Row> differenceRows(const norvik::BackupDifferences& differences);
    static QString differenceSummary(const norvik::BackupDifferences& differences);
};
