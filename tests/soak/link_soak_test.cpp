// Norvik's core against a gateway that misbehaves at random for minutes: the
// real port, the worker threads and the dialogue must come through silence,
// garbage, disconnect notices, over-long lines, noise lines, a boot banner and
// blocks cut short (also by less than the line after them), and be
// back in step with the gateway once it behaves again, without a thread, a
// descriptor or memory left behind. Runs only when NORVIK_SOAK_SECONDS is set
// (CI gives it two minutes); NORVIK_SOAK_SEED repeats a run.

#include <dirent.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "link/console_dialogue.h"
#include "link/link_session.h"
#include "model/gateway_config.h"
#include "safevalue/safe_value_layout.h"
#include "support/counting_port.h"
#include "support/gatesim_process.h"
#include "support/recording_ui.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own count; its header is not shipped with every compiler.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace norvik {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::size_t entriesIn(const char* folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

// Bytes the program holds on its heap now.
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

class Soak {
public:
    Soak(int chaosMs, uint32_t seed)
        : sim_(NORVIK_GATESIM, {"--banner", "--chaos", std::to_string(seed), "--chaos-percent", "12", "--chaos-for-ms",
                                std::to_string(chaosMs), "--finish-delay-ms", "20", "--block-timeout-ms", "2000"}),
          random_(seed) {
        ::setenv("NORVIK_COM1", sim_.slavePath().c_str(), 1);
        dialogue_ = std::make_unique<ConsoleDialogue>(session, config, ip, port_, ui_, ui_.hooks());
    }
    ~Soak() {
        if (session.portOpen) dialogue_->disconnect();
    }

    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;

    void connect() {
        PortSettings settings;
        settings.baud = 115200;
        dialogue_->connect(settings);
    }
    void disconnect() { dialogue_->disconnect(); }
    bool busy() const { return dialogue_->workerBusy(); }
    // A job of `kind` has been asked for and has not ended yet.
    bool pending(JobKind kind) const { return outstanding_[static_cast<std::size_t>(kind)] > 0; }
    bool anyPending() const {
        return std::any_of(outstanding_.begin(), outstanding_.end(), [](int n) { return n > 0; });
    }

    // One poll tick, a little faster than the window's, with the worker's
    // notice delivered as its event loop would.
    ::testing::AssertionResult tick() {
        std::this_thread::sleep_for(25ms);
        dialogue_->onPollTimer();
        dialogue_->onAnimationTimer();
        while (dialogue_->workerBusy()) {
            if (!ui_.runPosted(15s)) return ::testing::AssertionFailure() << "a worker never ended";
        }
        ui_.runAllPosted();
        return ::testing::AssertionSuccess();
    }

    // What a user does meanwhile: asks for transfers and the firmware names.
    void userActs() {
        if (!session.portOpen || !session.parameterLoaded) return;
        // One transfer of a kind at a time, as the dialogs ask.
        const bool safeFree = !pending(JobKind::SendSafeValues) && !pending(JobKind::ReadSafeValues);
        const bool ipFree = !pending(JobKind::SendIpSetting) && !pending(JobKind::ReadIpSetting);
        switch (random_() % 6) {
        case 0:
            if (!session.firmwareAutoQuery && safeFree) {
                ask(Job::sendSafeValues(
                    std::vector<uint8_t>(safeValueBlockBytes(session.safeValueLayout), uint8_t(random_()))));
            }
            break;
        case 1:
            if (!session.firmwareAutoQuery && safeFree) ask(Job::read(JobKind::ReadSafeValues));
            break;
        case 2:
            if (ipFree) {
                IpSettingRecord record;
                setDefaultIpSetting(record);
                ask(Job::sendIpSetting(record));
            }
            break;
        case 3:
            if (ipFree) ask(Job::read(JobKind::ReadIpSetting));
            break;
        case 4:
            if (!pending(JobKind::ReadFileNames)) ask(Job::read(JobKind::ReadFileNames));
            break;
        default: break;
        }
    }

    uint32_t draw() { return random_(); }

private:
    void ask(Job job) {
        const auto slot = static_cast<std::size_t>(job.kind);
        ++outstanding_[slot];
        dialogue_->submit(std::move(job), [this, slot](const JobResult&) { --outstanding_[slot]; });
    }

    std::array<int, 6> outstanding_{};
    test::GatesimProcess sim_;
    test::CountingPort port_;
    test::RecordingUi ui_;
    std::mt19937 random_;
    std::unique_ptr<ConsoleDialogue> dialogue_;
};

TEST(LinkSoak, comesThroughAGatewayThatMisbehavesAtRandom) {
    const char* secondsText = std::getenv("NORVIK_SOAK_SECONDS");
    if (secondsText == nullptr) GTEST_SKIP() << "set NORVIK_SOAK_SECONDS to run the soak";
    const int seconds = std::max(20, std::atoi(secondsText));
    const char* seedText = std::getenv("NORVIK_SOAK_SEED");
    const auto seed = static_cast<uint32_t>(seedText ? std::strtoul(seedText, nullptr, 10) : std::time(nullptr));
    std::cout << "soak: " << seconds << " s, NORVIK_SOAK_SEED=" << seed << std::endl;

    const std::size_t descriptorsBefore = entriesIn("/proc/self/fd");
    const std::size_t threadsBefore = entriesIn("/proc/self/task");
    const int chaosMs = (seconds - 15) * 1000;
    {
        Soak soak(chaosMs, seed);
        soak.connect();
        ASSERT_TRUE(soak.session.portOpen);

        const auto chaosEnd = Clock::now() + std::chrono::milliseconds(chaosMs);
        const auto settled = Clock::now() + std::chrono::milliseconds(chaosMs / 3);
        std::size_t heapAtThird = 0;
        unsigned ticks = 0, reconnects = 0, loads = 0;
        while (Clock::now() < chaosEnd) {
            ASSERT_TRUE(soak.tick()) << "after " << ticks << " ticks";
            ++ticks;
            if (soak.session.parameterLoaded) ++loads;
            if (soak.draw() % 40 == 0) soak.userActs();
            if (soak.draw() % 400 == 0) {
                // The user pulls the plug in software and connects again.
                soak.disconnect();
                soak.connect();
                ASSERT_TRUE(soak.session.portOpen);
                ++reconnects;
            }
            if (heapAtThird == 0 && Clock::now() >= settled) heapAtThird = heapInUse();
        }
        std::cout << "soak: " << ticks << " ticks, " << reconnects << " reconnects" << std::endl;
        ASSERT_GT(loads, 0u) << "the link never got as far as a parameter block";

        // The gateway behaves again: the link must come back and every
        // request end, one way or the other.
        const auto bound = Clock::now() + 60s;
        const auto inStep = [&] {
            const LinkSession& s = soak.session;
            return s.linkState == LinkState::Connected && s.parameterLoaded && !s.firmwareAutoQuery &&
                   !soak.anyPending() && !soak.busy();
        };
        while (!inStep() && Clock::now() < bound) ASSERT_TRUE(soak.tick());
        EXPECT_TRUE(inStep()) << "link state " << static_cast<int>(soak.session.linkState);
        EXPECT_TRUE(soak.config.blockComplete);
        EXPECT_EQ(soak.config.modelName, kModelHx3420);
        // The block the gateway holds now is whole and of its size.
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(soak.tick());
        EXPECT_EQ(soak.session.linkState, LinkState::Connected);

        const std::size_t heapAtEnd = heapInUse();
        EXPECT_LT(heapAtEnd, heapAtThird + 4u * 1024u * 1024u)
            << "heap grew from " << heapAtThird << " to " << heapAtEnd << " bytes";
        soak.disconnect();
    }
    EXPECT_EQ(entriesIn("/proc/self/fd"), descriptorsBefore);
    EXPECT_EQ(entriesIn("/proc/self/task"), threadsBefore);
}

}  // namespace
}  // namespace norvik
