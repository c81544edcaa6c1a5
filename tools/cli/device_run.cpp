#include "device_run.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "firmware/file_names.h"
#include "ipsetting/ip_setting.h"
#include "backup/backup_file.h"
#include "backup/gateway_runs.h"
#include "backup_words.h"
#include "block_files.h"
#include "cli_texts.h"
#include "link/link_guards.h"
#include "model/atomic_file.h"
#include "model/module_types.h"
#include "model/parameter_rows.h"
#include "norvik_version.h"
#include "report/report_content.h"
#include "report/report_csv.h"
#include "safevalue/safe_value.h"
#include "serial/port_devices.h"
#include "spaces/modbus_space.h"

namespace norvik::cli {

using nlohmann::json;

std::string latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

namespace {

// When a report is made, as the window prints it.
std::string localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

// Poll ticks a backup, a restore or a comparison may take in all: each of its
// jobs ends by itself long before, so this only bounds a gateway that keeps
// the link alive but never finishes an exchange.
constexpr int kRunTicks = 120;

// The run of one command: fills the report as it goes.
class Run {
public:
    Run(const CliOptions& options, const DeviceTarget& target, GatewayLink& link, const ProgressReport& progress,
        const PdfWriter& pdf)
        : options_(options), target_(target), link_(link), progress_(progress), pdf_(pdf) {
        report_.device = target.device;
        report_.json["device"] = target.device;
        report_.json["command"] = commandName(options.command);
    }

    DeviceReport finish() {
        report_.json["exit_code"] = exitStatus(report_.exit);
        report_.json["outcome"] = outcomeName(report_.exit);
        return std::move(report_);
    }

    void execute() {
        if (!readInputFirst()) return;
        opening_ = link_.open(target_.settings, hook(phaseOfOpen()));
        if (!opened()) return;
        report_.json["model"] = latin1ToUtf8(opening_.config.modelName);
        switch (options_.command) {
        case CommandKind::Info: info(); break;
        case CommandKind::Files: files(); break;
        case CommandKind::SafeValuesGet: safeValuesGet(); break;
        case CommandKind::SafeValuesPut: safeValuesPut(); break;
        case CommandKind::IpGet: ipGet(); break;
        case CommandKind::IpPut: ipPut(); break;
        case CommandKind::Report: report(); break;
        case CommandKind::Backup: backup(); break;
        case CommandKind::Restore: restore(); break;
        case CommandKind::Diff: diff(); break;
        }
        link_.close();
    }

private:
    // --- failures ------------------------------------------------------------

    void fail(ExitCode code, const std::string& message, const std::string& advice = {}) {
        report_.exit = worse(report_.exit, code);
        report_.errors.push_back(message);
        json error{{"message", message}};
        if (!advice.empty()) {
            report_.errors.push_back(advice);
            error["advice"] = advice;
        }
        report_.json["error"] = error;
    }

    bool opened() {
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

    // A job that did not end in Done: the exit code and the window's words for it.
    void failedJob(const JobResult& result) {
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

    static std::string illegalIpText(const std::optional<IllegalIpAddress>& illegal) {
        if (!illegal || !illegal->remoteRow) return texts::kLocalIpIllegal;
        char text[64];
        std::snprintf(text, sizeof text, texts::kRemoteIpIllegal, *illegal->remoteRow + 1);
        return text;
    }

    static const char* jobErrorText(const JobResult& result) {
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

    // --- progress ------------------------------------------------------------

    static const char* phaseOf(JobKind kind) {
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

    static const char* phaseOfOpen() { return "connecting"; }

    JobProgressHook hook(const char* start) {
        if (!progress_) return {};
        progress_(start, -1);
        return [this](const JobProgress& p) {
            const int percent = p.total == 0 ? -1 : static_cast<int>(uint64_t{p.bytes} * 100u / p.total);
            progress_(phaseOf(p.kind), percent);
        };
    }

    JobResult run(Job job) {
        const JobKind kind = job.kind;
        JobResult result = link_.run(std::move(job), hook(phaseOf(kind)));
        failedJob(result);
        return result;
    }

    // --- files ---------------------------------------------------------------

    // Input files are read before the link opens: a typing error then costs
    // no wait for the gateway.
    bool readInputFirst() {
        if (options_.command == CommandKind::Restore || options_.command == CommandKind::Diff) {
            BackupReadResult read = readBackupFile(options_.inputFile);
            if (!read.backup) {
                fail(ExitCode::FileError, backupProblemText(read.problem), texts::kFilePrefix + options_.inputFile);
                return false;
            }
            backupIn_ = std::move(read.backup);
        }
        if (options_.command == CommandKind::IpPut) {
            if (!inputIsOneBlock(kIpSettingBlockBytes)) return false;
            if (!readIpSettingFile(options_.inputFile, ipToSend_)) {
                fail(ExitCode::FileError, texts::kFileOpenError, texts::kFilePrefix + options_.inputFile);
                return false;
            }
        }
        return true;
    }

    // True when the input file is one block of `bytes`; otherwise says why not.
    bool inputIsOneBlock(std::size_t bytes) {
        const std::optional<BlockFileRefusal> refusal = blockFileRefusal(options_.inputFile, bytes);
        if (refusal) fail(ExitCode::FileError, refusal->message, refusal->advice);
        return !refusal;
    }

    bool writeOutput(std::span<const uint8_t> bytes) {
        if (!writeFileAtomically(target_.outputPath, bytes)) {
            fail(ExitCode::FileError, texts::kFileCreateError, texts::kFilePrefix + target_.outputPath);
            return false;
        }
        report_.json["file"] = target_.outputPath;
        say(texts::kWrittenTo + target_.outputPath);
        return true;
    }

    // Lines are UTF-8: gateway texts are converted where they are taken.
    void say(const std::string& line) { report_.lines.push_back(line); }
    static std::string g(std::string_view gatewayText) { return latin1ToUtf8(gatewayText); }

    // --- commands ------------------------------------------------------------

    void info() {
        const GatewayConfig& config = opening_.config;
        json parameters = json::object();
        parameters["role"] = config.role == ModbusRole::Master ? "master" : "slave";
        parameters["format"] = config.modbusFormat == ModbusFormat::Rtu     ? "rtu"
                               : config.modbusFormat == ModbusFormat::Ascii ? "ascii"
                                                                            : "tcp";
        parameters["slave_device_id"] = config.slaveDeviceId;
        parameters["stop_mode"] = config.stopMode;
        parameters["byte_order"] = config.byteOrder;
        parameters["output_data_mode"] = config.outputDataMode;
        parameters["poll_interval_ms"] = config.pollIntervalMs;
        parameters["timeout_ms"] = config.timeoutMs;
        parameters["module_count"] = config.moduleCount;
        parameters["tcp_connect_count"] = config.tcpConnectCount;
        parameters["system_module"] = config.systemModuleStatus == SystemModuleStatus::Present   ? "present"
                                      : config.systemModuleStatus == SystemModuleStatus::Missing ? "missing"
                                                                                                 : "misplaced";
        report_.json["parameters"] = parameters;

        say(g(config.modelName));
        for (const ParameterRow& row : gatewayRows(config, config.modelName))
            say("  " + row.label + ": " + g(row.value));

        json modules = json::array();
        for (int n = 1; n <= config.moduleCount; ++n) {
            const ModuleEntry& m = config.modules[static_cast<std::size_t>(n)];
            json module{{"number", n}};
            if (m.deviceId == kSystemModuleId) {
                module["type"] = "system";
            } else {
                module["type"] = moduleTypeText(static_cast<uint8_t>(m.type), config.role);
                module["device_id"] = m.deviceId;
                module["profibus_base"] = m.profibusBase;
                module["internal_base"] = m.internalBase;
                module["data_length"] = m.dataLength;
                module["coil_count"] = m.coilCount;
                module["modbus_start"] = m.modbusStart;
                module["word_swap"] = m.wordSwap;
                module["tcp_index"] = m.tcpIndex;
            }
            if (const auto run = modbusModuleAddresses(config, n); run && run->count > 0) {
                const uint32_t last = run->first + run->count - 1;
                module["modbus"] = {{"area", modbusAreaKey(modbusAreaOf(run->kind))},
                                    {"first", run->first},
                                    {"last", last},
                                    {"count", run->count},
                                    {"first_register", modbusRegisterText(run->kind, run->first)},
                                    {"last_register", modbusRegisterText(run->kind, last)}};
            }
            modules.push_back(std::move(module));
            say(moduleNodeName(n));
            for (const ParameterRow& row : moduleRows(config, n)) say("  " + row.label + ": " + g(row.value));
        }
        report_.json["modules"] = std::move(modules);
        describeFiles(false);
        namesWhole();
    }

    // The file names and the firmware they name; `listed` prints each name.
    void describeFiles(bool listed) {
        json files{{"read", opening_.fileNamesRead}, {"count", opening_.fileCount}};
        json names = json::array();
        for (std::size_t i = 0; i < opening_.fileCount && i < kFileNameSlots; ++i)
            names.push_back(latin1ToUtf8(opening_.fileNames[i]));
        files["names"] = std::move(names);
        files["safe_value_bytes"] = safeValueBlockBytes(opening_.safeValueLayout);
        if (opening_.fileNamesIncomplete) {
            files["incomplete"] = true;
            files["safe_value_bytes"] = nullptr;
        }
        if (!opening_.fileNamesRead) {
            report_.json["files"] = std::move(files);
            say(opening_.fileNamesIncomplete ? texts::kFileNameError : texts::kFirmwareNotSupported);
            return;
        }
        const FirmwareDisplay firmware =
            selectFirmwareFile(FirmwareQueryState::Received, opening_.fileNames, opening_.fileCount);
        files["firmware"] = latin1ToUtf8(firmware.firmwareName);
        files["version"] = latin1ToUtf8(firmware.version);
        report_.json["files"] = std::move(files);
        say(std::string(texts::kLabelFirmwareName) + " " + g(firmware.firmwareName));
        say(std::string(texts::kLabelVersion) + " " + g(firmware.version));
        say(std::string(texts::kLabelFileCount) + " " + firmware.fileCountText);
        if (listed)
            for (std::size_t i = 0; i < opening_.fileCount && i < kFileNameSlots; ++i)
                say("  " + g(opening_.fileNames[i]));
    }

    void files() {
        describeFiles(true);
        if (!namesWhole()) return;
        if (!opening_.fileNamesRead) fail(ExitCode::GatewayError, texts::kFirmwareNotSupported);
    }

    // A file-name reply that broke off leaves the names and the safe-value
    // layout unknown: whatever needs either is refused, not guessed.
    bool namesWhole() {
        if (!opening_.fileNamesIncomplete) return true;
        fail(ExitCode::GatewayError, texts::kFileNameError, texts::kLayoutUndecided);
        return false;
    }

    // The safe-value commands need the block size, which the file names decide.
    bool safeValuesKnown() {
        if (!namesWhole()) return false;
        if (opening_.fileNamesRead) return true;
        fail(ExitCode::GatewayError, guard::kNoFirmware);
        return false;
    }

    bool isHx3420() {
        if (opening_.config.modelName == kModelHx3420) return true;
        fail(ExitCode::GatewayError, guard::kOnlyHx3420);
        return false;
    }

    void safeValuesGet() {
        if (!safeValuesKnown()) return;
        const JobResult read = run(Job::read(JobKind::ReadSafeValues));
        if (!read.done()) return;
        report_.json["safe_value_bytes"] = read.safeValues.size();
        say("Safe values read: " + std::to_string(read.safeValues.size()) + " bytes");
        writeOutput(read.safeValues);
    }

    void safeValuesPut() {
        if (!safeValuesKnown()) return;
        const SafeValueLayout layout = opening_.safeValueLayout;
        if (!inputIsOneBlock(safeValueBlockBytes(layout))) return;
        SafeValueTable table;
        const SafeValueFileResult loaded = loadSafeValueFile(options_.inputFile, layout, table);
        if (loaded != SafeValueFileResult::Ok) {
            const std::string why = loaded == SafeValueFileResult::TooShort
                                        ? "The file holds fewer than the " +
                                              std::to_string(safeValueBlockBytes(layout)) +
                                              " bytes this gateway's safe values take."
                                        : texts::kFilePrefix + options_.inputFile;
            fail(ExitCode::FileError, texts::kFileOpenError, why);
            return;
        }
        const std::optional<SafeValueBlock> block = encodeSafeValueBlock(table, layout);
        if (!block) {
            fail(ExitCode::FileError, texts::kFileOpenError, texts::kFilePrefix + options_.inputFile);
            return;
        }
        const JobResult sent = run(Job::sendSafeValues(*block));
        if (!sent.done()) return;
        say(texts::kSafeValueSent);
        if (options_.noVerify) return;
        const JobResult back = run(Job::read(JobKind::ReadSafeValues));
        if (!back.done()) return;
        compareSafeValues(*block, back.safeValues, layout);
    }

    void compareSafeValues(const SafeValueBlock& sent, const std::vector<uint8_t>& read, SafeValueLayout layout) {
        const std::optional<SafeValueTable> want = decodeSafeValueBlock(sent, layout);
        const std::optional<SafeValueTable> got = decodeSafeValueBlock(read, layout);
        json differences = json::array();
        std::vector<std::string> lines;
        auto bits = [&](const char* area, const std::vector<SafeBit>& a, const std::vector<SafeBit>& b) {
            for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
                if (a[i] != b[i]) {
                    differences.push_back(
                        {{"area", area}, {"index", i}, {"sent", safeBitText(a[i])}, {"read", safeBitText(b[i])}});
                    lines.push_back(std::string("  ") + area + " " + std::to_string(i) + ": sent " + safeBitText(a[i]) +
                                    ", read " + safeBitText(b[i]));
                }
        };
        auto words = [&](const char* area, const std::vector<SafeWord>& a, const std::vector<SafeWord>& b) {
            for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
                if (a[i] != b[i]) {
                    differences.push_back(
                        {{"area", area}, {"index", i}, {"sent", safeWordText(a[i])}, {"read", safeWordText(b[i])}});
                    lines.push_back(std::string("  ") + area + " " + std::to_string(i) + ": sent " +
                                    safeWordText(a[i]) + ", read " + safeWordText(b[i]));
                }
        };
        if (!want || !got) {
            differences.push_back({{"area", "block"}, {"sent", sent.size()}, {"read", read.size()}});
            lines.push_back("  block: sent " + std::to_string(sent.size()) + " bytes, read " +
                            std::to_string(read.size()));
        } else {
            bits("do", want->do_, got->do_);
            bits("di", want->di, got->di);
            words("ao", want->ao, got->ao);
            words("ai", want->ai, got->ai);
        }
        verdict(std::move(differences), lines);
    }

    void verdict(json differences, const std::vector<std::string>& lines) {
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

    void ipGet() {
        if (!isHx3420()) return;
        const JobResult read = run(Job::read(JobKind::ReadIpSetting));
        if (!read.done()) return;
        report_.json["ip_setting"] = ipJson(read.ipSetting);
        sayIp(read.ipSetting);
        const IpSettingBlock block = encodeIpSettingBlock(read.ipSetting);
        writeOutput(read.raw.size() == kIpSettingBlockBytes ? std::span<const uint8_t>(read.raw)
                                                            : std::span<const uint8_t>(block));
    }

    static std::string dotted(const Ipv4& a) {
        return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
               std::to_string(a[3]);
    }

    static json ipJson(const IpSettingRecord& r) {
        json remotes = json::array();
        for (const RemoteIpEntry& e : r.remotes)
            remotes.push_back({{"address", dotted(e.address)},
                               {"timeout_ms", e.timeoutValueMs},
                               {"reconnect_ms", e.reconnectTimeMs}});
        return {{"local_ip", dotted(r.localIp)},
                {"subnet_mask", dotted(r.subnetMask)},
                {"gateway", dotted(r.gateway)},
                {"remotes", std::move(remotes)}};
    }

    void sayIp(const IpSettingRecord& r) {
        say("Local IP: " + dotted(r.localIp));
        say("Subnet mask: " + dotted(r.subnetMask));
        say("Gateway: " + dotted(r.gateway));
        for (std::size_t i = 0; i < r.remotes.size(); ++i) {
            const RemoteIpEntry& e = r.remotes[i];
            say("Remote " + std::to_string(i + 1) + ": " + dotted(e.address) + ", time-out " +
                std::to_string(e.timeoutValueMs) + " ms, reconnect " + std::to_string(e.reconnectTimeMs) + " ms");
        }
    }

    void ipPut() {
        if (!isHx3420()) return;
        const JobResult sent = run(Job::sendIpSetting(ipToSend_));
        if (!sent.done()) return;
        say(texts::kIpSettingSent);
        if (options_.noVerify) return;
        const JobResult back = run(Job::read(JobKind::ReadIpSetting));
        if (!back.done()) return;
        json differences = json::array();
        std::vector<std::string> lines;
        const json want = ipJson(ipToSend_);
        const json got = ipJson(back.ipSetting);
        for (const char* field : {"local_ip", "subnet_mask", "gateway"})
            if (want[field] != got[field]) {
                differences.push_back({{"field", field}, {"sent", want[field]}, {"read", got[field]}});
                lines.push_back(std::string("  ") + field + ": sent " + want[field].get<std::string>() + ", read " +
                                got[field].get<std::string>());
            }
        for (std::size_t i = 0; i < kRemoteIpEntries; ++i)
            for (const char* field : {"address", "timeout_ms", "reconnect_ms"}) {
                const json& a = want["remotes"][i][field];
                const json& b = got["remotes"][i][field];
                if (a == b) continue;
                const std::string name = "remotes[" + std::to_string(i + 1) + "]." + field;
                differences.push_back({{"field", name}, {"sent", a}, {"read", b}});
                lines.push_back("  " + name + ": sent " + a.dump() + ", read " + b.dump());
            }
        verdict(std::move(differences), lines);
    }

    // --- backup, diff, restore -------------------------------------------------

    // What the link learnt while it came up, so that the run does not ask again.
    KnownBlocks knownBlocks() const {
        KnownBlocks known;
        known.parameters = opening_.parameterBlock;
        // Names the gateway did not give are taken as unavailable: a firmware
        // that does not know the query is backed up without them.
        known.fileNames = opening_.fileNamesRead ? std::optional<std::vector<uint8_t>>(opening_.fileNameReply)
                                                 : std::optional<std::vector<uint8_t>>();
        return known;
    }

    RunHooks runHooks() {
        RunHooks hooks;
        if (!progress_) return hooks;
        hooks.stepStarted = [this](JobKind step, int, int) { progress_(phaseOf(step), -1); };
        hooks.progress = [this](const JobProgress& p) {
            progress_(phaseOf(p.kind), p.total == 0 ? -1 : static_cast<int>(uint64_t{p.bytes} * 100u / p.total));
        };
        return hooks;
    }

    void failedRun(const RunFailure& failure) {
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

    // Runs the link until `finished`; on an interrupt the run is cancelled.
    template <typename RunT>
    bool drive(RunT& run, const bool& finished) {
        run.start();
        if (link_.runUntil([&] { return finished; }, kRunTicks)) return true;
        run.cancel();
        if (link_.interrupted()) report_.exit = ExitCode::Interrupted;
        else fail(ExitCode::NoAnswer, texts::kNoAnswer);
        return false;
    }

    std::optional<GatewaySnapshot> readGateway() {
        if (!namesWhole()) return std::nullopt;
        std::optional<GatewaySnapshot> snapshot;
        std::optional<RunFailure> failure;
        bool finished = false;
        GatewayReadRun run(link_.jobs(), knownBlocks(), runHooks(),
                           [&](std::optional<GatewaySnapshot> s, std::optional<RunFailure> f) {
                               snapshot = std::move(s);
                               failure = std::move(f);
                               finished = true;
                           });
        if (!drive(run, finished)) return std::nullopt;
        if (failure) {
            failedRun(*failure);
            return std::nullopt;
        }
        return snapshot;
    }

    void backup() {
        const std::optional<GatewaySnapshot> snapshot = readGateway();
        if (!snapshot) return;
        const GatewayBackup backup{backupOriginNow(target_.device, target_.settings.baud), *snapshot};
        const BackupProblem problem = writeBackupFile(target_.outputPath, backup);
        if (!problem.ok()) {
            fail(ExitCode::FileError, backupProblemText(problem), texts::kFilePrefix + target_.outputPath);
            return;
        }
        report_.json["file"] = target_.outputPath;
        report_.json["blocks"] = blocksJson(snapshot->blocks);
        say(texts::kBackedUpTo + target_.outputPath);
    }

    static json blocksJson(const GatewayBlocks& b) {
        return {{"parameters", b.parameters.size()},
                {"file_names", b.fileNames ? json(b.fileNames->size()) : json(nullptr)},
                {"safe_values", b.safeValues.size()},
                {"ip_setting", b.ipSetting ? json(b.ipSetting->size()) : json(nullptr)}};
    }

    void showDifferences(const BackupDifferences& differences) {
        report_.json["differences"] = differencesJson(differences);
        for (const std::string& line : differenceLines(differences)) say(line);
    }

    void diff() {
        const std::optional<GatewaySnapshot> snapshot = readGateway();
        if (!snapshot) return;
        const BackupDifferences differences = compareWithBackup(backupIn_->gateway, *snapshot);
        say(differences.empty() ? texts::kNoDifference : texts::kDifferences);
        showDifferences(differences);
        if (!differences.empty()) report_.exit = worse(report_.exit, ExitCode::Differs);
    }

    void restore() {
        const std::optional<GatewaySnapshot> snapshot = readGateway();
        if (!snapshot) return;
        const RestoreCheck check = checkRestore(backupIn_->gateway, *snapshot);
        if (!check.allowed()) {
            fail(ExitCode::GatewayError, restoreRefusalText(check));
            return;
        }
        if (options_.dryRun) {
            const BackupDifferences differences = compareWithBackup(backupIn_->gateway, *snapshot);
            say(differences.writableEqual() ? texts::kRestoreChangesNothing : texts::kRestoreWouldChange);
            showDifferences(differences);
            return;
        }
        if (options_.noVerify) {
            if (const std::optional<IllegalIpAddress> illegal = restoreRefusal(backupIn_->gateway)) {
                fail(ExitCode::FileError, illegalIpText(illegal));
                say(texts::kNothingChanged);
                return;
            }
            const RestorePlan plan = restorePlan(backupIn_->gateway);
            if (!run(Job::sendSafeValues(plan.safeValues)).done()) return;
            say(texts::kSafeValueSent);
            if (plan.ipSetting) {
                if (!run(Job::sendIpSetting(*plan.ipSetting)).done()) {
                    say(texts::kOnlySafeValuesRestored);
                    return;
                }
                say(texts::kIpSettingSent);
            }
            return;
        }
        std::optional<RestoreReport> outcome;
        bool finished = false;
        RestoreRun restoreRun(link_.jobs(), backupIn_->gateway, *snapshot, runHooks(), [&](const RestoreReport& r) {
            outcome = r;
            finished = true;
        });
        if (!drive(restoreRun, finished)) return;
        report_.json["safe_values_sent"] = outcome->safeValuesSent;
        report_.json["ip_setting_sent"] = outcome->ipSettingSent;
        report_.json["verified"] = outcome->verified;
        if (outcome->failure) {
            failedRun(*outcome->failure);
            sayWhatWasSent(*outcome);
            return;
        }
        if (outcome->verified) {
            say(texts::kRestoreVerified);
            return;
        }
        say(texts::kReadBackDiffers);
        showDifferences(outcome->differences);
        fail(ExitCode::Differs, texts::kHoldsOther);
    }

    // A restore that stopped: what each block came to, as far as the gateway said.
    void sayWhatWasSent(const RestoreReport& r) {
        static constexpr const char* kStates[] = {"not-sent", "acknowledged", "unconfirmed"};
        const auto line = [](SendState state, const char* notSent, const char* stored, const char* unconfirmed) {
            return state == SendState::NotSent ? notSent : state == SendState::Acknowledged ? stored : unconfirmed;
        };
        report_.json["safe_values"] = kStates[static_cast<int>(r.safeValueSend)];
        say(line(r.safeValueSend, texts::kSafeValuesNotSent, texts::kSafeValuesStored, texts::kSafeValuesUnconfirmed));
        if (r.hasIpSetting) {
            report_.json["ip_setting"] = kStates[static_cast<int>(r.ipSettingSend)];
            say(line(r.ipSettingSend, texts::kIpSettingNotSent, texts::kIpSettingStored, texts::kIpSettingUnconfirmed));
        }
        report_.json["may_have_changed"] = r.mayHaveChanged();
        say(r.mayHaveChanged() ? texts::kCompareOnceBack : texts::kNothingChanged);
    }

    // --- report --------------------------------------------------------------

    void report() {
        ReportSource source;
        source.config = opening_.config;
        source.fileNames = opening_.fileNames;
        source.fileCount = opening_.fileCount;
        source.originKind = ReportOrigin::Port;
        source.origin = target_.device;
        source.date = localTimeNow();
        source.norvikVersion = NORVIK_VERSION;
        if (!namesWhole()) return;
        if (opening_.fileNamesRead) {
            const JobResult read = run(Job::read(JobKind::ReadSafeValues));
            if (!read.done()) return;
            source.safeValues = ReportSafeValues{opening_.safeValueLayout, read.safeValues};
        } else {
            // Their size is not known without the file names.
            say(texts::kReportWithoutSafeValues);
        }
        if (opening_.config.modelName == kModelHx3420) {
            const JobResult read = run(Job::read(JobKind::ReadIpSetting));
            if (!read.done()) return;
            source.ipSetting = read.ipSetting;
        }
        writeReport(buildReportContent(source));
    }

    void writeReport(const ReportContent& content) {
        const std::string& path = target_.outputPath;
        if (options_.csv) {
            const CsvWriteOutcome written = writeReportCsvFolder(path, content);
            if (!written.ok) {
                fail(ExitCode::FileError, written.foreignEntry ? texts::kNotReportFolder : texts::kCannotWrite,
                     texts::kFilePrefix + written.failedPath);
                return;
            }
            report_.json["file"] = path;
            report_.json["tables"] = written.written;
            say(texts::kWrittenTo + path + " (" + std::to_string(written.written.size()) + " tables)");
            return;
        }
        if (!pdf_ || !pdf_(path, content)) {
            fail(ExitCode::FileError, texts::kCannotWrite, texts::kFilePrefix + path);
            return;
        }
        report_.json["file"] = path;
        say(texts::kWrittenTo + path);
    }

    const CliOptions& options_;
    const DeviceTarget& target_;
    GatewayLink& link_;
    const ProgressReport& progress_;
    const PdfWriter& pdf_;
    DeviceReport report_;
    LinkOpening opening_;
    IpSettingRecord ipToSend_{};
    std::optional<GatewayBackup> backupIn_;
};

}  // namespace

DeviceReport reportFromBackup(const CliOptions& options, const PdfWriter& pdf) {
    DeviceReport report;
    report.device = options.fromBackup;
    report.json = {{"backup", options.fromBackup}, {"command", commandName(options.command)}};
    auto fail = [&](const std::string& message, const std::string& file) {
        report.exit = ExitCode::FileError;
        report.errors = {message, texts::kFilePrefix + file};
        report.json["error"] = {{"message", message}};
    };
    const BackupReadResult read = readBackupFile(options.fromBackup);
    if (!read.backup) {
        fail(backupProblemText(read.problem), options.fromBackup);
    } else {
        const GatewaySnapshot& gateway = read.backup->gateway;
        ReportSource source;
        source.config = gateway.config;
        source.fileNames = gateway.fileNames;
        source.fileCount = gateway.fileCount;
        source.safeValues = ReportSafeValues{gateway.blocks.safeValueLayout, gateway.blocks.safeValues};
        source.ipSetting = gateway.ipSetting;
        source.originKind = ReportOrigin::BackupFile;
        source.origin = options.fromBackup;
        source.date = localTimeNow();
        source.norvikVersion = NORVIK_VERSION;
        const ReportContent content = buildReportContent(source);
        report.json["model"] = latin1ToUtf8(gateway.config.modelName);
        if (options.csv) {
            const CsvWriteOutcome written = writeReportCsvFolder(options.output, content);
            if (!written.ok)
                fail(written.foreignEntry ? texts::kNotReportFolder : texts::kCannotWrite, written.failedPath);
            else report.json["tables"] = written.written;
        } else if (!pdf || !pdf(options.output, content)) {
            fail(texts::kCannotWrite, options.output);
        }
        if (report.exit == ExitCode::Done) {
            report.json["file"] = options.output;
            report.lines.push_back(texts::kWrittenTo + options.output);
        }
    }
    report.json["exit_code"] = exitStatus(report.exit);
    report.json["outcome"] = outcomeName(report.exit);
    return report;
}

DeviceReport runOnDevice(const CliOptions& options, const DeviceTarget& target, GatewayLink& link,
                         const ProgressReport& progress, const PdfWriter& pdf) {
    Run run(options, target, link, progress, pdf);
    run.execute();
    return run.finish();
}

}  // namespace norvik::cli
