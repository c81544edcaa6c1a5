// safe-values get: the safe-value block into a .ptm file.

#include "command_run.h"

namespace norvik::cli {

namespace {

class SafeValuesGetRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    void carryOut() override {
        if (!safeValuesKnown()) return;
        const JobResult read = run(Job::read(JobKind::ReadSafeValues));
        if (!read.done()) return;
        report_.json["safe_value_bytes"] = read.safeValues.size();
        say("Safe values read: " + std::to_string(read.safeValues.size()) + " bytes");
        writeOutput(read.safeValues);
    }
};

}  // namespace

std::unique_ptr<CommandRun> makeSafeValuesGetRun(const RunContext& context) {
    return std::make_unique<SafeValuesGetRun>(context);
}

}  // namespace norvik::cli
