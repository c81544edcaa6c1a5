// ip get: the IP setting block (HX-3420) into a .ptm file.

#include "backup/gateway_json.h"
#include "command_run.h"
#include "ip_lines.h"

namespace norvik::cli {

namespace {

class IpGetRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    void carryOut() override {
        if (!isHx3420()) return;
        const JobResult read = run(Job::read(JobKind::ReadIpSetting));
        if (!read.done()) return;
        report_.json["ip_setting"] = ipSettingJson(read.ipSetting);
        for (const std::string& line : ipSettingLines(read.ipSetting)) say(line);
        const IpSettingBlock block = encodeIpSettingBlock(read.ipSetting);
        writeOutput(read.raw.size() == kIpSettingBlockBytes ? std::span<const uint8_t>(read.raw)
                                                            : std::span<const uint8_t>(block));
    }
};

}  // namespace

std::unique_ptr<CommandRun> makeIpGetRun(const RunContext& context) { return std::make_unique<IpGetRun>(context); }

}  // namespace norvik::cli
