// Lines a gateway says between a block and its finish line, after a block that
// came whole or 1 to 34 bytes short: each load is refused as incomplete or
// hands over exactly the gateway's block, never one made up from the lines.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/gateway_jobs.h"
#include "support/dialogue_gateway.h"

namespace norvik {
namespace {

using namespace test;

constexpr std::string_view kNoise[] = {"kestra: status 1", "kestra: status 2", "kestra: status 3"};
constexpr std::string_view kBlank[] = {"", "", ""};
constexpr std::size_t kMaxCut = 34;
constexpr int kMaxTicks = 60;

// A correct gateway until armed; then every load's block comes `cut` bytes
// short with `stray` between it and its finish line.
class StrayFate final : public GatewayFate {
public:
    StrayFate(std::size_t cut, std::span<const std::string_view> stray) : cut_(cut), stray_(stray) {}
    bool armed = false;

    Shape shape() override { return {}; }
    PromptReply promptReply() override { return PromptReply::Connect; }
    bool missesCommand() override { return false; }
    std::size_t blockBytes(std::size_t size) override { return armed ? size - std::min(size, cut_) : size; }
    Verdict verdict() override { return Verdict::Finished; }
    Delivery delivery(std::size_t, bool) override { return {}; }
    std::span<const std::string_view> strayLines() override {
        return armed ? stray_ : std::span<const std::string_view>();
    }

private:
    std::size_t cut_;
    std::span<const std::string_view> stray_;
};

struct Load {
    const char* name;
    JobKind job;
    const std::vector<uint8_t>& (*block)();
};

struct Talk {
    const char* name;
    std::span<const std::string_view> lines;
};

std::size_t wireBytes(std::span<const std::string_view> lines) {
    std::size_t n = 0;
    for (const std::string_view l : lines) n += l.size() + 2;
    return n;
}

TEST(BlockTail, aLineBetweenABlockAndItsFinishLineRefusesTheBlock) {
    const Load loads[] = {{"parameters", JobKind::ReadParameters, modelParameterBlock},
                          {"file names", JobKind::ReadFileNames, modelFileNameReply},
                          {"safe values", JobKind::ReadSafeValues, modelSafeValues},
                          {"IP setting", JobKind::ReadIpSetting, modelIpSettingBlock}};
    const Talk talks[] = {{"noise", kNoise}, {"blank", kBlank}, {"none", {}}};
    for (const Load& load : loads) {
        for (const Talk& talk : talks) {
            for (std::size_t cut = 0; cut <= kMaxCut; ++cut) {
                // Stray lines that make up exactly the bytes a block lacks leave
                // a whole block and its finish line on the wire: no receiver can
                // tell them from block bytes. Among these cases only three blank
                // lines do, at a cut of 6; a file-name reply still refuses them
                // (a name holds no line end).
                const bool indistinguishable = cut > 0 && cut == wireBytes(talk.lines);
                if (indistinguishable && load.job != JobKind::ReadFileNames) continue;
                SCOPED_TRACE(std::string(load.name) + ", " + talk.name + " lines, cut " + std::to_string(cut));
                std::string broken;
                StrayFate fate(cut, talk.lines);
                DialogueRig rig(fate, [&broken](const char* what) {
                    if (broken.empty()) broken = what;
                });
                rig.connect();
                for (int t = 0; t < kMaxTicks && !(rig.session.parameterLoaded && !rig.session.firmwareAutoQuery);
                     ++t) {
                    rig.beginTick();
                    rig.poll();
                    rig.endTick();
                }
                ASSERT_FALSE(rig.session.firmwareAutoQuery);

                std::optional<JobResult> result;
                rig.rules.submit(Job::read(load.job), [&result](const JobResult& r) { result = r; });
                fate.armed = true;
                for (int t = 0; t < kMaxTicks && !result; ++t) {
                    rig.beginTick();
                    rig.poll();
                    rig.endTick();
                }
                ASSERT_TRUE(result);
                EXPECT_EQ(broken, "");
                const bool intact = cut == 0 && talk.lines.empty();
                if (intact) {
                    EXPECT_EQ(result->outcome, JobOutcome::Done);
                } else {
                    EXPECT_EQ(result->outcome, JobOutcome::BlockIncomplete);
                }
                if (result->done()) {
                    EXPECT_EQ(result->raw, load.block());
                }
            }
        }
    }
}

}  // namespace
}  // namespace norvik
