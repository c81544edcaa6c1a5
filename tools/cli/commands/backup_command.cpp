// backup: the whole gateway into a .norvik file, or handed to the history.

#include "backup/backup_file.h"
#include "backup_words.h"
#include "cli_texts.h"
#include "command_run.h"

namespace norvik::cli {

namespace {

using nlohmann::json;

json blocksJson(const GatewayBlocks& b) {
    return {{"parameters", b.parameters.size()},
            {"file_names", b.fileNames ? json(b.fileNames->size()) : json(nullptr)},
            {"safe_values", b.safeValues.size()},
            {"ip_setting", b.ipSetting ? json(b.ipSetting->size()) : json(nullptr)}};
}

class BackupRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    void carryOut() override {
        const std::optional<GatewaySnapshot> snapshot = readGateway();
        if (!snapshot) return;
        const GatewayBackup backup{backupOriginNow(target_.device, target_.settings.baud), *snapshot};
        report_.json["blocks"] = blocksJson(snapshot->blocks);
        if (options_.history) {
            // The history writes and commits the files of all gateways together.
            report_.backup = backup;
            return;
        }
        const BackupProblem problem = writeBackupFile(target_.outputPath, backup);
        if (!problem.ok()) {
            fail(ExitCode::FileError, backupProblemText(problem), texts::kFilePrefix + target_.outputPath);
            return;
        }
        report_.json["file"] = target_.outputPath;
        say(texts::kBackedUpTo + target_.outputPath);
    }
};

}  // namespace

std::unique_ptr<CommandRun> makeBackupRun(const RunContext& context) { return std::make_unique<BackupRun>(context); }

}  // namespace norvik::cli
