// files: the firmware's file names.

#include "cli_texts.h"
#include "command_run.h"

namespace norvik::cli {

namespace {

class FilesRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    void carryOut() override {
        describeFiles(true);
        if (!namesWhole()) return;
        if (!opening_.fileNamesRead) fail(ExitCode::GatewayError, texts::kFirmwareNotSupported);
    }
};

}  // namespace

std::unique_ptr<CommandRun> makeFilesRun(const RunContext& context) { return std::make_unique<FilesRun>(context); }

}  // namespace norvik::cli
