#include "file_commands.h"

#include "backup/backup_diff.h"
#include "backup/backup_file.h"
#include "backup/backup_text.h"
#include "backup_words.h"
#include "cli_texts.h"
#include "model/gateway_text.h"

namespace norvik::cli {

namespace {

std::optional<GatewayBackup> readOrFail(const std::string& path, DeviceReport& report) {
    BackupReadResult read = readBackupFile(path);
    if (read.backup) return std::move(read.backup);
    const std::string message = backupProblemText(read.problem);
    report.exit = worse(report.exit, ExitCode::FileError);
    report.errors.push_back(message);
    report.errors.push_back(texts::kFilePrefix + path);
    report.json["error"] = {{"message", message}, {"file", path}};
    return std::nullopt;
}

DeviceReport finished(DeviceReport report) {
    report.json["exit_code"] = exitStatus(report.exit);
    report.json["outcome"] = outcomeName(report.exit);
    return report;
}

}  // namespace

DeviceReport showBackup(const std::string& path) {
    DeviceReport report;
    report.device = path;
    report.json = {{"command", "show"}, {"file", path}};
    if (const auto backup = readOrFail(path, report)) {
        const std::string text = backupText(*backup);
        nlohmann::json lines = nlohmann::json::array();
        for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            report.lines.push_back(text.substr(start, end - start));
            lines.push_back(report.lines.back());
        }
        report.json["model"] = gatewayTextToUtf8(backup->gateway.config.modelName);
        report.json["lines"] = std::move(lines);
    }
    return finished(std::move(report));
}

DeviceReport diffBackups(const std::string& first, const std::string& second) {
    DeviceReport report;
    report.device = first;
    report.json = {{"command", "diff"}, {"backup", first}, {"other", second}};
    const auto a = readOrFail(first, report);
    const auto b = readOrFail(second, report);
    if (a && b) {
        const BackupDifferences differences = compareWithBackup(a->gateway, b->gateway);
        report.lines.push_back(differences.empty() ? texts::kNoDifference : texts::kDifferences);
        for (const std::string& line : differenceLines(differences)) report.lines.push_back(line);
        report.json["differences"] = differencesJson(differences);
        if (!differences.empty()) report.exit = ExitCode::Differs;
    }
    return finished(std::move(report));
}

}  // namespace norvik::cli
