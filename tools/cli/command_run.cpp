#include "command_run.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "backup/backup_file.h"
#include "backup/gateway_json.h"
#include "backup_words.h"
#include "block_files.h"
#include "link/link_guards.h"
#include "model/atomic_file.h"
#include "model/gateway_text.h"
#include "serial/port_devices.h"

namespace norvik::cli {

using nlohmann::json;

namespace {

const char* phaseOf(JobKind kind) {
    switch (kind) {
    case JobKind::ReadParameters: return "parameters";
    case JobKind::ReadFileNames: return "file names";
    case JobKind::ReadSafeValues: return "reading safe values";
    case JobKind::SendSafeValues: return "sending safe values";
    case JobKind::ReadIpSetting: return "reading IP setting";
    case JobKind::SendIpSetting: return "sending IP setting";
    }
    return "";
}

constexpr const char* kPhaseOfOpen = "connecting";

const char* jobErrorText(const JobResult& result) {
    namespace c = texts;
    const bool incomplete = result.outcome == JobOutcome::BlockIncomplete;
    switch (result.kind) {
    case JobKind::ReadParameters: return c::kParameterIncomplete;
    case JobKind::ReadFileNames: return c::kFileNameError;
    case JobKind::ReadSafeValues: return incomplete ? c::kReceiveSafeValueError : c::kReadSafeValueError;
    case JobKind::ReadIpSetting: return incomplete ? c::kReceiveIpSettingError : c::kReadIpSettingError;
    case JobKind::SendSafeValues:
        return result.error == GatewayError::SaveFailed ? c::kSaveSafeValueError : c::kSendSafeValueError;
    case JobKind::SendIpSetting:
        return result.error == GatewayError::SaveFailed ? c::kSaveIpSettingError : c::kSendIpSettingError;
    }
    return "";
}

}  // namespace

std::string localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

CommandRun::CommandRun(const RunContext& context)
    : options_(context.options),
      target_(context.target),
      link_(context.link),
      progress_(context.progress),
      pdf_(context.pdf) {
    report_.device = target_.device;
    report_.json["device"] = target_.device;
    report_.json["command"] = commandName(options_.command);
}

DeviceReport CommandRun::finish() {
    report_.json["exit_code"] = exitStatus(report_.exit);
    report_.json["outcome"] = outcomeName(report_.exit);
    return std::move(report_);
}

void CommandRun::execute() {
    if (!readInputFirst()) return;
    opening_ = link_.open(target_.settings, hook(kPhaseOfOpen));
    if (!opened()) return;
    report_.json["model"] = gatewayTextToUtf8(opening_.config.modelName);
    carryOut();
    link_.close();
}

void CommandRun::fail(ExitCode code, const std::string& message, const std::string& advice) {
    report_.exit = worse(report_.exit, code);
    report_.errors.push_back(message);
    json error{{"message", message}};
    if (!advice.empty()) {
        report_.errors.push_back(advice);
        error["advice"] = advice;
    }
    report_.json["error"] = error;
}

bool CommandRun::opened() {
    switch (opening_.outcome) {
    case LinkOpenOutcome::Ready: return true;
    case LinkOpenOutcome::PortError: {
        const std::string advice =
            openErrorAdvice(target_.device, opening_.openError, {}, norvik::OpenAdviceFor::CommandLine);
        fail(ExitCode::PortError, texts::kOpenError, advice);
        report_.json["error"]["errno"] = opening_.openError;
        return false;
    }
    case LinkOpenOutcome::NoAnswer: fail(ExitCode::NoAnswer, texts::kAccessError); break;
    case LinkOpenOutcome::Incomplete: fail(ExitCode::GatewayError, texts::kParameterIncomplete); break;
    case LinkOpenOutcome::Interrupted: report_.exit = ExitCode::Interrupted; break;
    }
    link_.close();
    return false;
}

void CommandRun::failedJob(const JobResult& result) {
    switch (result.outcome) {
    case JobOutcome::Done: return;
    case JobOutcome::Cancelled: report_.exit = ExitCode::Interrupted; return;
    case JobOutcome::NoAnswer: fail(ExitCode::NoAnswer, texts::kNoAnswer); return;
    case JobOutcome::LinkLost: fail(ExitCode::NoAnswer, texts::kLinkLost); return;
    case JobOutcome::BlockIncomplete:
    case JobOutcome::GatewayError: fail(ExitCode::GatewayError, jobErrorText(result)); return;
    case JobOutcome::Refused: fail(ExitCode::FileError, illegalIpText(result.illegalIp)); return;
    }
}

std::string CommandRun::illegalIpText(const std::optional<IllegalIpAddress>& illegal) {
    if (!illegal || !illegal->remoteRow) return texts::kLocalIpIllegal;
    char text[64];
    std::snprintf(text, sizeof text, texts::kRemoteIpIllegal, *illegal->remoteRow + 1);
    return text;
}

bool CommandRun::inputIsOneBlock(std::size_t bytes) {
    const std::optional<BlockFileRefusal> refusal = blockFileRefusal(options_.inputFile, bytes);
    if (refusal) fail(ExitCode::FileError, refusal->message, refusal->advice);
    return !refusal;
}

bool CommandRun::namesWhole() {
    if (!opening_.fileNamesIncomplete) return true;
    fail(ExitCode::GatewayError, texts::kFileNameError, texts::kLayoutUndecided);
    return false;
}

JobProgressHook CommandRun::hook(const char* start) {
    if (!progress_) return {};
    progress_(start, -1);
    return [this](const JobProgress& p) {
        const int percent = p.total == 0 ? -1 : static_cast<int>(uint64_t{p.bytes} * 100u / p.total);
        progress_(phaseOf(p.kind), percent);
    };
}

JobResult CommandRun::run(Job job) {
    const JobKind kind = job.kind;
    JobResult result = link_.run(std::move(job), hook(phaseOf(kind)));
    failedJob(result);
    return result;
}

RunHooks CommandRun::runHooks() {
    RunHooks hooks;
    if (!progress_) return hooks;
    hooks.stepStarted = [this](JobKind step, int, int) { progress_(phaseOf(step), -1); };
    hooks.progress = [this](const JobProgress& p) {
        progress_(phaseOf(p.kind), p.total == 0 ? -1 : static_cast<int>(uint64_t{p.bytes} * 100u / p.total));
    };
    return hooks;
}

void CommandRun::failedRun(const RunFailure& failure) {
    if (!failure.problem.ok()) {
        fail(ExitCode::GatewayError, backupProblemText(failure.problem));
        return;
    }
    JobResult result;
    result.kind = failure.step;
    result.outcome = failure.outcome;
    result.error = failure.error;
    result.illegalIp = failure.illegalIp;
    failedJob(result);
}

bool CommandRun::writeOutput(std::span<const uint8_t> bytes) {
    if (!writeFileAtomically(target_.outputPath, bytes)) {
        fail(ExitCode::FileError, texts::kFileCreateError, texts::kFilePrefix + target_.outputPath);
        return false;
    }
    report_.json["file"] = target_.outputPath;
    say(texts::kWrittenTo + target_.outputPath);
    return true;
}

std::string CommandRun::g(std::string_view gatewayText) { return gatewayTextToUtf8(gatewayText); }

bool CommandRun::safeValuesKnown() {
    if (!namesWhole()) return false;
    if (opening_.fileNamesRead) return true;
    fail(ExitCode::GatewayError, guard::kNoFirmware);
    return false;
}

bool CommandRun::isHx3420() {
    if (opening_.config.modelName == kModelHx3420) return true;
    fail(ExitCode::GatewayError, guard::kOnlyHx3420);
    return false;
}

void CommandRun::describeFiles(bool listed) {
    json files =
        gatewayFilesJson(opening_.fileNamesRead, opening_.fileNames, opening_.fileCount, opening_.safeValueLayout);
    if (opening_.fileNamesIncomplete) {
        files["incomplete"] = true;
        files["safe_value_bytes"] = nullptr;
    }
    report_.json["files"] = std::move(files);
    if (!opening_.fileNamesRead) {
        say(opening_.fileNamesIncomplete ? texts::kFileNameError : texts::kFirmwareNotSupported);
        return;
    }
    const FirmwareDisplay firmware =
        selectFirmwareFile(FirmwareQueryState::Received, opening_.fileNames, opening_.fileCount);
    say(std::string(texts::kLabelFirmwareName) + " " + g(firmware.firmwareName));
    say(std::string(texts::kLabelVersion) + " " + g(firmware.version));
    say(std::string(texts::kLabelFileCount) + " " + firmware.fileCountText);
    if (listed)
        for (std::size_t i = 0; i < opening_.fileCount && i < kFileNameSlots; ++i) say("  " + g(opening_.fileNames[i]));
}

KnownBlocks CommandRun::knownBlocks() const {
    KnownBlocks known;
    known.parameters = opening_.parameterBlock;
    // Names the gateway did not give are taken as unavailable: a firmware
    // that does not know the query is backed up without them.
    known.fileNames = opening_.fileNamesRead ? std::optional<std::vector<uint8_t>>(opening_.fileNameReply)
                                             : std::optional<std::vector<uint8_t>>();
    return known;
}

std::optional<GatewaySnapshot> CommandRun::readGateway() {
    if (!namesWhole()) return std::nullopt;
    std::optional<GatewaySnapshot> snapshot;
    std::optional<RunFailure> failure;
    bool finished = false;
    GatewayReadRun gatewayRun(link_.jobs(), knownBlocks(), runHooks(),
                              [&](std::optional<GatewaySnapshot> s, std::optional<RunFailure> f) {
                                  snapshot = std::move(s);
                                  failure = std::move(f);
                                  finished = true;
                              });
    if (!drive(gatewayRun, finished)) return std::nullopt;
    if (failure) {
        failedRun(*failure);
        return std::nullopt;
    }
    return snapshot;
}

bool CommandRun::readBackupInput() {
    BackupReadResult read = readBackupFile(options_.inputFile);
    if (!read.backup) {
        fail(ExitCode::FileError, backupProblemText(read.problem), texts::kFilePrefix + options_.inputFile);
        return false;
    }
    backupIn_ = std::move(read.backup);
    return true;
}

void CommandRun::showDifferences(const BackupDifferences& differences) {
    report_.json["differences"] = differencesJson(differences);
    for (const std::string& line : differenceLines(differences)) say(line);
}

void CommandRun::verdict(json differences, const std::vector<std::string>& lines) {
    const bool same = differences.empty();
    report_.json["verified"] = same;
    report_.json["differences"] = std::move(differences);
    if (same) {
        say(texts::kReadBackSame);
        return;
    }
    say(texts::kReadBackDiffers);
    for (const std::string& line : lines) say(line);
    fail(ExitCode::Differs, texts::kHoldsOther);
}

}  // namespace norvik::cli
