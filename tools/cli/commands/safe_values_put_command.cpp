// safe-values put: a .ptm file sent, read back and compared point by point.

#include "cli_texts.h"
#include "command_run.h"
#include "safevalue/safe_value.h"

namespace norvik::cli {

namespace {

using nlohmann::json;

const char* areaKey(DeviceArea area) {
    switch (area) {
    case DeviceArea::DO: return "do";
    case DeviceArea::DI: return "di";
    case DeviceArea::AO: return "ao";
    case DeviceArea::AI: return "ai";
    }
    return "?";
}

class SafeValuesPutRun final : public CommandRun {
public:
    using CommandRun::CommandRun;

private:
    void carryOut() override {
        if (!safeValuesKnown()) return;
        const SafeValueLayout layout = opening_.safeValueLayout;
        if (!inputIsOneBlock(safeValueBlockBytes(layout))) return;
        SafeValueTable table;
        const SafeValueFileResult loaded = loadSafeValueFile(options_.inputFile, layout, table);
        if (loaded != SafeValueFileResult::Ok) {
            const std::string why = loaded == SafeValueFileResult::TooShort
                                        ? "The file holds fewer than the " +
                                              std::to_string(safeValueBlockBytes(layout)) +
                                              " bytes this gateway's safe values take."
                                        : texts::kFilePrefix + options_.inputFile;
            fail(ExitCode::FileError, texts::kFileOpenError, why);
            return;
        }
        const std::optional<SafeValueBlock> block = encodeSafeValueBlock(table, layout);
        if (!block) {
            fail(ExitCode::FileError, texts::kFileOpenError, texts::kFilePrefix + options_.inputFile);
            return;
        }
        const JobResult sent = run(Job::sendSafeValues(*block));
        if (!sent.done()) return;
        say(texts::kSafeValueSent);
        if (options_.noVerify) return;
        const JobResult back = run(Job::read(JobKind::ReadSafeValues));
        if (!back.done()) return;
        compare(*block, back.safeValues, layout);
    }

    // The read-back against what was sent, by the backup's difference code.
    void compare(const SafeValueBlock& sent, const std::vector<uint8_t>& read, SafeValueLayout layout) {
        json differences = json::array();
        std::vector<std::string> lines;
        if (read.size() < safeValueBlockBytes(layout)) {
            differences.push_back({{"area", "block"}, {"sent", sent.size()}, {"read", read.size()}});
            lines.push_back("  block: sent " + std::to_string(sent.size()) + " bytes, read " +
                            std::to_string(read.size()));
        }
        for (const SafeValueDifference& d : compareSafeValueBlocks(sent, layout, read, layout)) {
            differences.push_back(
                {{"area", areaKey(d.area)}, {"index", d.index}, {"sent", d.backupValue}, {"read", d.gatewayValue}});
            lines.push_back(std::string("  ") + areaKey(d.area) + " " + std::to_string(d.index) + ": sent " +
                            d.backupValue + ", read " + d.gatewayValue);
        }
        verdict(std::move(differences), lines);
    }
};

}  // namespace

std::unique_ptr<CommandRun> makeSafeValuesPutRun(const RunContext& context) {
    return std::make_unique<SafeValuesPutRun>(context);
}

}  // namespace norvik::cli
