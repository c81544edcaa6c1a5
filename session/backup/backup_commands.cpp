#include "backup/backup_commands.h"

#include <ctime>
#include <utility>

#include "backup/backup_file.h"

namespace norvik {

namespace {

// The backup is named for the day the user sees on the wall clock.
std::chrono::year_month_day localDay(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return std::chrono::year_month_day{std::chrono::year{local.tm_year + 1900},
                                       std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                       std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
}

}  // namespace

BackupCommands::BackupCommands(GatewayJobs& jobs, BackupWindow& window) : jobs_(jobs), window_(window) {}

BackupCommands::~BackupCommands() = default;

bool BackupCommands::begin(BackupCommand command) {
    if (command_) return false;
    endedRead_.reset();
    endedRestore_.reset();
    command_ = command;
    backup_.reset();
    return true;
}

void BackupCommands::end() {
    const std::optional<BackupCommand> ended = command_;
    command_.reset();
    if (ended) window_.endRun(*ended);
}

RunHooks BackupCommands::hooks() {
    RunHooks hooks;
    hooks.stepStarted = [this](JobKind step, int index, int count) {
        if (command_) window_.showRunStep(*command_, step, index, count);
    };
    hooks.progress = [this](const JobProgress& progress) { window_.showRunProgress(progress); };
    return hooks;
}

bool BackupCommands::backUp(KnownBlocks known, std::string port, uint32_t baud) {
    if (!begin(BackupCommand::BackUp)) return false;
    port_ = std::move(port);
    baud_ = baud;
    readGateway(std::move(known));
    return true;
}

bool BackupCommands::restore(KnownBlocks known) {
    return readBackupThenGateway(BackupCommand::Restore, std::move(known));
}

bool BackupCommands::compare(KnownBlocks known) {
    return readBackupThenGateway(BackupCommand::Compare, std::move(known));
}

// Restore and Compare: the backup the user picks, then the gateway to set beside it.
bool BackupCommands::readBackupThenGateway(BackupCommand command, KnownBlocks known) {
    if (!begin(command)) return false;
    const std::optional<std::string> path = window_.askOpenBackupPath(command);
    if (!path) {
        end();
        return true;
    }
    BackupReadResult read = readBackupFile(*path);
    if (!read.backup) {
        end();
        window_.reportFileProblem(command, *path, read.problem);
        return true;
    }
    backup_ = std::move(read.backup);
    readGateway(std::move(known));
    return true;
}

bool BackupCommands::report(KnownBlocks known) {
    if (!begin(BackupCommand::Report)) return false;
    readGateway(std::move(known));
    return true;
}

void BackupCommands::readGateway(KnownBlocks known) {
    read_ = std::make_unique<GatewayReadRun>(
        jobs_, std::move(known), hooks(),
        [this](std::optional<GatewaySnapshot> snapshot, std::optional<RunFailure> failure) {
            endedRead_ = std::move(read_);
            onGatewayRead(std::move(snapshot), std::move(failure));
        });
    read_->start();
}

void BackupCommands::onGatewayRead(std::optional<GatewaySnapshot> snapshot, std::optional<RunFailure> failure) {
    const BackupCommand command = *command_;
    if (failure) {
        end();
        window_.reportRunFailed(command, *failure);
        return;
    }
    lastRead_ = std::move(snapshot);
    switch (command) {
    case BackupCommand::BackUp: return saveBackup();
    case BackupCommand::Compare: {
        end();
        const BackupDifferences differences = compareWithBackup(backup_->gateway, *lastRead_);
        window_.showComparison(*backup_, differences);
        return;
    }
    case BackupCommand::Restore: return startRestore();
    case BackupCommand::Report:
        end();
        window_.exportReport(*lastRead_);
        return;
    }
}

void BackupCommands::saveBackup() {
    // Every block is in: what is left is the user's and the disk's.
    end();
    const auto now = std::chrono::system_clock::now();
    const GatewayBackup backup{backupOriginNow(port_, baud_, now), *lastRead_};
    const std::optional<std::string> path =
        window_.askSaveBackupPath(proposedBackupFileName(backup.gateway.config.modelName, localDay(now)));
    if (!path) return;
    const BackupProblem written = writeBackupFile(*path, backup);
    if (!written.ok()) {
        window_.reportFileProblem(BackupCommand::BackUp, *path, written);
        return;
    }
    window_.reportBackupSaved(*path, backup);
}

void BackupCommands::startRestore() {
    const RestoreCheck check = checkRestore(backup_->gateway, *lastRead_);
    if (!check.allowed()) {
        end();
        window_.reportRestoreRefused(check);
        return;
    }
    const BackupDifferences differences = compareWithBackup(backup_->gateway, *lastRead_);
    if (!window_.confirmRestore(*backup_, differences)) {
        end();
        return;
    }
    // The link may have ended while the question was open; the first job
    // then ends at once with LinkLost and nothing is sent.
    restore_ =
        std::make_unique<RestoreRun>(jobs_, backup_->gateway, *lastRead_, hooks(), [this](const RestoreReport& report) {
            endedRestore_ = std::move(restore_);
            end();
            window_.reportRestored(report);
        });
    restore_->start();
}

void BackupCommands::cancel() {
    if (read_) {
        read_->cancel();
    } else if (restore_) {
        restore_->cancel();
    }
}

}  // namespace norvik
