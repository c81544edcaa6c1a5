// ip put: an IP setting .ptm file sent (HX-3420), read back and compared field by field.

#include "backup/backup_text.h"
#include "cli_texts.h"
#include "command_run.h"

namespace norvik::cli {

namespace {

using nlohmann::json;

// The JSON has always given the remotes' times as numbers.
json fieldValue(IpField field, const std::string& text) {
    const bool time = field == IpField::RemoteTimeout || field == IpField::RemoteReconnect;
    return time && !text.empty() ? json(std::stoul(text)) : json(text);
}

class IpPutRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    bool readInputFirst() override {
        if (!inputIsOneBlock(kIpSettingBlockBytes)) return false;
        if (readIpSettingFile(options_.inputFile, toSend_)) return true;
        fail(ExitCode::FileError, texts::kFileOpenError, texts::kFilePrefix + options_.inputFile);
        return false;
    }

    void carryOut() override {
        if (!isHx3420()) return;
        const JobResult sent = run(Job::sendIpSetting(toSend_));
        if (!sent.done()) return;
        say(texts::kIpSettingSent);
        if (options_.noVerify) return;
        const JobResult back = run(Job::read(JobKind::ReadIpSetting));
        if (!back.done()) return;
        json differences = json::array();
        std::vector<std::string> lines;
        for (const IpDifference& d : compareIpSettings(toSend_, back.ipSetting)) {
            const std::string name = ipFieldName(d.field, d.remote);
            const json a = fieldValue(d.field, d.backupValue), b = fieldValue(d.field, d.gatewayValue);
            differences.push_back({{"field", name}, {"sent", a}, {"read", b}});
            lines.push_back("  " + name + ": sent " + d.backupValue + ", read " + d.gatewayValue);
        }
        verdict(std::move(differences), lines);
    }

    IpSettingRecord toSend_{};
};

}  // namespace

std::unique_ptr<CommandRun> makeIpPutRun(const RunContext& context) { return std::make_unique<IpPutRun>(context); }

}  // namespace norvik::cli
