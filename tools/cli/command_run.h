#pragma once
// The shared runner of a command on one gateway: the link opened, the jobs
// run, the failures put in the window's words, the result file written. Each
// command is a subclass in a file of its own and says only what it does once
// the link is up.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "backup/backup_diff.h"
#include "backup/gateway_runs.h"
#include "cli_texts.h"
#include "device_run.h"

namespace norvik::cli {

struct RunContext {
    const CliOptions& options;
    const DeviceTarget& target;
    GatewayLink& link;
    const ProgressReport& progress;
    const PdfWriter& pdf;
};

class CommandRun {
public:
    explicit CommandRun(const RunContext& context);
    virtual ~CommandRun() = default;
    CommandRun(const CommandRun&) = delete;
    CommandRun& operator=(const CommandRun&) = delete;

    // Reads the command's input, opens the link, carries the command out and
    // closes the link again.
    void execute();
    DeviceReport finish();

protected:
    // Input files are read before the link opens: a typing error then costs
    // no wait for the gateway. False ends the run.
    virtual bool readInputFirst() { return true; }
    virtual void carryOut() = 0;

    void fail(ExitCode code, const std::string& message, const std::string& advice = {});
    // Runs one job; a job that does not end in Done has failed the run.
    JobResult run(Job job);
    void failedRun(const RunFailure& failure);
    // Runs the link until `finished`; on an interrupt the run is cancelled.
    template <typename RunT>
    bool drive(RunT& gatewayRun, const bool& finished);
    RunHooks runHooks();

    bool writeOutput(std::span<const uint8_t> bytes);
    // Lines are UTF-8: gateway texts are converted where they are taken.
    void say(const std::string& line) { report_.lines.push_back(line); }
    static std::string g(std::string_view gatewayText);

    // True when the input file is one block of `bytes`; otherwise says why not.
    bool inputIsOneBlock(std::size_t bytes);
    // A file-name reply that broke off leaves the names and the safe-value
    // layout unknown: whatever needs either is refused, not guessed.
    bool namesWhole();
    static std::string illegalIpText(const std::optional<IllegalIpAddress>& illegal);
    // The safe-value commands need the block size, which the file names decide.
    bool safeValuesKnown();
    bool isHx3420();
    // The file names and the firmware they name; `listed` prints each name.
    void describeFiles(bool listed);
    // The whole gateway, as a backup takes it.
    std::optional<GatewaySnapshot> readGateway();
    // The backup file a restore or diff reads.
    bool readBackupInput();
    void showDifferences(const BackupDifferences& differences);
    // The end of a put: the read-back is the same, or these differ.
    void verdict(nlohmann::json differences, const std::vector<std::string>& lines);

    const CliOptions& options_;
    const DeviceTarget& target_;
    GatewayLink& link_;
    const ProgressReport& progress_;
    const PdfWriter& pdf_;
    DeviceReport report_;
    LinkOpening opening_;
    std::optional<GatewayBackup> backupIn_;

private:
    bool opened();
    void failedJob(const JobResult& result);
    JobProgressHook hook(const char* start);
    KnownBlocks knownBlocks() const;
};

// Poll ticks a backup, a restore or a comparison may take in all: each of its
// jobs ends by itself long before, so this only bounds a gateway that keeps
// the link alive but never finishes an exchange.
inline constexpr int kRunTicks = 120;

template <typename RunT>
bool CommandRun::drive(RunT& gatewayRun, const bool& finished) {
    gatewayRun.start();
    if (link_.runUntil([&] { return finished; }, kRunTicks)) return true;
    gatewayRun.cancel();
    if (link_.interrupted()) report_.exit = ExitCode::Interrupted;
    else fail(ExitCode::NoAnswer, texts::kNoAnswer);
    return false;
}

// When a report is made, as the window prints it.
std::string localTimeNow();

// One per command; each lives in a file of its own.
std::unique_ptr<CommandRun> makeInfoRun(const RunContext& context);
std::unique_ptr<CommandRun> makeFilesRun(const RunContext& context);
std::unique_ptr<CommandRun> makeSafeValuesGetRun(const RunContext& context);
std::unique_ptr<CommandRun> makeSafeValuesPutRun(const RunContext& context);
std::unique_ptr<CommandRun> makeIpGetRun(const RunContext& context);
std::unique_ptr<CommandRun> makeIpPutRun(const RunContext& context);
std::unique_ptr<CommandRun> makeBackupRun(const RunContext& context);
std::unique_ptr<CommandRun> makeRestoreRun(const RunContext& context);
std::unique_ptr<CommandRun> makeDiffRun(const RunContext& context);
std::unique_ptr<CommandRun> makeReportRun(const RunContext& context);

}  // namespace norvik::cli
