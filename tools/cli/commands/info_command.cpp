// info: model, parameters and modules, and the firmware the file names name.

#include "backup/gateway_json.h"
#include "command_run.h"
#include "model/parameter_rows.h"

namespace norvik::cli {

namespace {

class InfoRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    void carryOut() override {
        const GatewayConfig& config = opening_.config;
        const nlohmann::json described = gatewayConfigJson(config);
        for (const char* member : {"parameters", "rows", "modules"}) report_.json[member] = described[member];
        say(g(config.modelName));
        for (const ParameterRow& row : gatewayRows(config, config.modelName))
            say("  " + row.label + ": " + g(row.value));
        for (int n = 1; n <= config.moduleCount; ++n) {
            say(moduleNodeName(n));
            for (const ParameterRow& row : moduleRows(config, n)) say("  " + row.label + ": " + g(row.value));
        }
        describeFiles(false);
    }
};

}  // namespace

std::unique_ptr<CommandRun> makeInfoRun(const RunContext& context) { return std::make_unique<InfoRun>(context); }

}  // namespace norvik::cli
