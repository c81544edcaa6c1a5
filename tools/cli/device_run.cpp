#include "device_run.h"

#include "backup/backup_file.h"
#include "backup_words.h"
#include "cli_texts.h"
#include "command_run.h"
#include "model/gateway_text.h"
#include "norvik_version.h"
#include "report/report_csv.h"

namespace norvik::cli {

using nlohmann::json;

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
        report.json["model"] = gatewayTextToUtf8(gateway.config.modelName);
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
    const RunContext context{options, target, link, progress, pdf};
    std::unique_ptr<CommandRun> run;
    switch (options.command) {
    case CommandKind::Info: run = makeInfoRun(context); break;
    case CommandKind::Files: run = makeFilesRun(context); break;
    case CommandKind::SafeValuesGet: run = makeSafeValuesGetRun(context); break;
    case CommandKind::SafeValuesPut: run = makeSafeValuesPutRun(context); break;
    case CommandKind::IpGet: run = makeIpGetRun(context); break;
    case CommandKind::IpPut: run = makeIpPutRun(context); break;
    case CommandKind::Backup: run = makeBackupRun(context); break;
    case CommandKind::Restore: run = makeRestoreRun(context); break;
    case CommandKind::Diff: run = makeDiffRun(context); break;
    case CommandKind::Report: run = makeReportRun(context); break;
    case CommandKind::Show: break;
    }
    if (!run) {
        // show and diff of two files run in main, without a gateway.
        DeviceReport report;
        report.device = target.device;
        report.exit = ExitCode::Usage;
        return report;
    }
    run->execute();
    return run->finish();
}

}  // namespace norvik::cli
