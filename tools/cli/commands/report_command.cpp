// report: the commissioning report, as PDF or CSV tables.

#include "cli_texts.h"
#include "command_run.h"
#include "norvik_version.h"
#include "report/report_csv.h"

namespace norvik::cli {

namespace {

class ReportRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    void carryOut() override {
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
        write(buildReportContent(source));
    }

    void write(const ReportContent& content) {
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
};

}  // namespace

std::unique_ptr<CommandRun> makeReportRun(const RunContext& context) { return std::make_unique<ReportRun>(context); }

}  // namespace norvik::cli
