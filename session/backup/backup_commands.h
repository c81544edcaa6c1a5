#pragma once
// What the "Gateway" menu's commands decide, without a window: the order of
// reads, questions, checks and sends of a backup, a restore and a comparison.
// The window answers the questions and picks the words for every report.
//
//   Back Up:  read the gateway ─▶ ask for a file ─▶ write it
//   Report:   read the gateway ─▶ hand the read to the report
//   Compare:  ask for a backup ─▶ read it ─▶ read the gateway ─▶ show the differences
//   Restore:  ask for a backup ─▶ read it ─▶ read the gateway ─▶ refuse another kind
//             ─▶ confirm the differences ─▶ send, read back, compare ─▶ report
//
// Nothing is sent before the user confirms, and nothing written before the
// gateway has given every block. cancel() ends a command at once.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "backup/backup_diff.h"
#include "backup/gateway_backup.h"
#include "backup/gateway_runs.h"
#include "link/gateway_jobs.h"

namespace norvik {

enum class BackupCommand : uint8_t { BackUp, Restore, Compare, Report };

class BackupWindow {
public:
    virtual ~BackupWindow() = default;

    // The status line and progress bar while a command asks the gateway.
    virtual void showRunStep(BackupCommand command, JobKind step, int index, int count) = 0;
    virtual void showRunProgress(const JobProgress& progress) = 0;
    // The command has ended, however: the status line may return to the link's.
    virtual void endRun(BackupCommand command) = 0;

    // The file dialogs: a path, or nothing when the user cancelled.
    virtual std::optional<std::string> askSaveBackupPath(const std::string& proposedName) = 0;
    virtual std::optional<std::string> askOpenBackupPath(BackupCommand command) = 0;

    // The difference table: as a question before a restore (true: go ahead),
    // or to be looked at.
    virtual bool confirmRestore(const GatewayBackup& backup, const BackupDifferences& differences) = 0;
    virtual void showComparison(const GatewayBackup& backup, const BackupDifferences& differences) = 0;

    virtual void reportFileProblem(BackupCommand command, const std::string& path, const BackupProblem& problem) = 0;
    virtual void reportRunFailed(BackupCommand command, const RunFailure& failure) = 0;
    virtual void reportRestoreRefused(const RestoreCheck& check) = 0;
    virtual void reportBackupSaved(const std::string& path, const GatewayBackup& backup) = 0;
    virtual void reportRestored(const RestoreReport& report) = 0;
    // The gateway as a report command read it, every block in.
    virtual void exportReport(const GatewaySnapshot& gateway) = 0;
};

class BackupCommands {
public:
    BackupCommands(GatewayJobs& jobs, BackupWindow& window);
    ~BackupCommands();
    BackupCommands(const BackupCommands&) = delete;
    BackupCommands& operator=(const BackupCommands&) = delete;

    // Each starts a command; false, doing nothing, while another one runs.
    // `known` are the blocks the window already holds; `port` and `baud`
    // describe the link for the backup's record.
    bool backUp(KnownBlocks known, std::string port, uint32_t baud);
    bool restore(KnownBlocks known);
    bool compare(KnownBlocks known);
    bool report(KnownBlocks known);

    // Ends the running command at once: the window hears endRun and a
    // Cancelled failure, no file is written and nothing more is sent.
    void cancel();
    bool running() const { return command_.has_value(); }
    std::optional<BackupCommand> command() const { return command_; }

    // The gateway's state as the last command read it (before a restore's sends).
    const std::optional<GatewaySnapshot>& lastRead() const { return lastRead_; }

private:
    bool begin(BackupCommand command);
    bool readBackupThenGateway(BackupCommand command, KnownBlocks known);
    void readGateway(KnownBlocks known);
    void onGatewayRead(std::optional<GatewaySnapshot> snapshot, std::optional<RunFailure> failure);
    void saveBackup();
    void startRestore();
    void end();
    RunHooks hooks();

    GatewayJobs& jobs_;
    BackupWindow& window_;
    std::optional<BackupCommand> command_;
    std::string port_;
    uint32_t baud_ = 0;
    std::optional<GatewayBackup> backup_;  // the file a restore or compare works from
    std::optional<GatewaySnapshot> lastRead_;
    std::unique_ptr<GatewayReadRun> read_;
    std::unique_ptr<RestoreRun> restore_;
    // A run that has just called back is kept until the next command, so it
    // is never destroyed from inside its own call.
    std::unique_ptr<GatewayReadRun> endedRead_;
    std::unique_ptr<RestoreRun> endedRestore_;
};

}  // namespace norvik
