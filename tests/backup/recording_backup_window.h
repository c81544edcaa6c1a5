#pragma once
// A window for BackupCommands that answers every question at once, as the
// test set it up, and keeps every report.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backup/backup_commands.h"

namespace norvik::test {

// Answers every question as the test sets it up and keeps every report.
struct RecordingBackupWindow : BackupWindow {
    std::optional<std::string> savePath;
    std::optional<std::string> openPath;
    bool confirm = true;

    std::vector<std::pair<JobKind, int>> steps;
    int ends = 0;
    std::optional<std::string> proposed;
    std::optional<BackupDifferences> confirmed;
    std::optional<BackupDifferences> compared;
    std::optional<BackupProblem> fileProblem;
    std::optional<RunFailure> runFailure;
    std::optional<RestoreCheck> refused;
    std::optional<std::string> saved;
    std::optional<RestoreReport> restored;

    void showRunStep(BackupCommand, JobKind step, int, int count) override { steps.emplace_back(step, count); }
    void showRunProgress(const JobProgress&) override {}
    void endRun(BackupCommand) override { ++ends; }
    std::optional<std::string> askSaveBackupPath(const std::string& name) override {
        proposed = name;
        return savePath;
    }
    std::optional<std::string> askOpenBackupPath(BackupCommand) override { return openPath; }
    bool confirmRestore(const GatewayBackup&, const BackupDifferences& d) override {
        confirmed = d;
        return confirm;
    }
    void showComparison(const GatewayBackup&, const BackupDifferences& d) override { compared = d; }
    void reportFileProblem(BackupCommand, const std::string&, const BackupProblem& p) override { fileProblem = p; }
    void reportRunFailed(BackupCommand, const RunFailure& f) override { runFailure = f; }
    void reportRestoreRefused(const RestoreCheck& c) override { refused = c; }
    void reportBackupSaved(const std::string& path, const GatewayBackup&) override { saved = path; }
    void reportRestored(const RestoreReport& r) override { restored = r; }
};

}  // namespace norvik::test
