// diff FILE: the differences between a backup and the gateway.

#include "cli_texts.h"
#include "command_run.h"

namespace norvik::cli {

namespace {

class DiffRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    bool readInputFirst() override { return readBackupInput(); }

    void carryOut() override {
        const std::optional<GatewaySnapshot> snapshot = readGateway();
        if (!snapshot) return;
        const BackupDifferences differences = compareWithBackup(backupIn_->gateway, *snapshot);
        say(differences.empty() ? texts::kNoDifference : texts::kDifferences);
        showDifferences(differences);
        if (!differences.empty()) report_.exit = worse(report_.exit, ExitCode::Differs);
    }
};

}  // namespace

std::unique_ptr<CommandRun> makeDiffRun(const RunContext& context) { return std::make_unique<DiffRun>(context); }

}  // namespace norvik::cli
