// info: model, parameters and modules, and the firmware the file names name.

#include "backup/gateway_json.h"
#include "command_run.h"
#include "model/parameter_rows.h"
#include "report/report_content.h"
#include "spaces/modbus_space.h"

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
        for (nlohmann::json& module : report_.json["modules"]) {
            const int n = module["number"];
            if (const auto addresses = modbusModuleAddresses(config, n); addresses && addresses->count > 0) {
                const uint32_t last = addresses->first + addresses->count - 1;
                module["modbus"] = {{"area", modbusAreaKey(modbusAreaOf(addresses->kind))},
                                    {"first", addresses->first},
                                    {"last", last},
                                    {"count", addresses->count},
                                    {"first_register", modbusRegisterText(addresses->kind, addresses->first)},
                                    {"last_register", modbusRegisterText(addresses->kind, last)}};
            }
        }
        say(g(config.modelName));
        for (const ParameterRow& row : gatewayRows(config, config.modelName))
            say("  " + row.label + ": " + g(row.value));
        for (int n = 1; n <= config.moduleCount; ++n) {
            say(moduleNodeName(n));
            for (const ParameterRow& row : moduleRows(config, n)) say("  " + row.label + ": " + g(row.value));
        }
        describeFiles(false);
        namesWhole();
    }
};

}  // namespace

std::unique_ptr<CommandRun> makeInfoRun(const RunContext& context) { return std::make_unique<InfoRun>(context); }

}  // namespace norvik::cli
