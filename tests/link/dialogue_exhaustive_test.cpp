// Every way of answering, six answers deep, for each kind of exchange: the
// dialogue, brought to idle prompts with parameters and file names loaded, is
// given one job, and the model gateway answers what the dialogue says next
// (the command, its prompts, the verdict on a sent block) with a sequence of
// six behaviours, then correctly. Each run must keep the gateway's checks,
// end its job exactly once, hand over only what the gateway holds, and come
// back to idle prompts with nothing left unread within a bound.
//
// The behaviours: answer, silence, a stray line then the answer, the answer
// twice, a late block, a disconnect notice, and a block short by 1 to 30
// bytes (a lone line cut by as many). The first two answers take each of the
// 36 on its own; the last four take "short" as one behaviour whose cut goes
// round 1..30 over the short answers met at that depth, which still meets
// every cut at every depth: 36 * 36 * 7^4 sequences per kind.
//
// A run asks for its answers one at a time and stops at idle prompts, so it
// decides every sequence that starts with the answers it took (equal answers
// give equal runs: one thread, the test's clock); those are counted as
// covered, not run again.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "link/console_texts.h"
#include "link/gateway_jobs.h"
#include "support/dialogue_gateway.h"

namespace norvik {
namespace {

using namespace test;

constexpr std::size_t kDepth = 6;
constexpr uint8_t kMaxCut = 30;
constexpr std::array<Twist, 6> kWholeTwists = {Twist::None,  Twist::Silence, Twist::Noise,
                                               Twist::Twice, Twist::Late,    Twist::Notice};
// The first answers take every cut on its own; after them, "short" is one
// behaviour whose cut goes round 1..kMaxCut over the short answers met there.
constexpr std::size_t kEveryCutDepth = 2;
constexpr uint8_t kShort = kWholeTwists.size();
constexpr std::size_t alphabet(std::size_t position) {
    return kWholeTwists.size() + (position < kEveryCutDepth ? kMaxCut : 1);
}
// Ticks from the job's submission to idle prompts: six answers that each cost
// an exchange's time-out and a reload after a notice fit many times over.
constexpr int kMaxTicks = 200;
constexpr int kMaxPrefixTicks = 40;
constexpr int kMaxFailuresShown = 5;

// One answer per position: its behaviour and, for a short one, its cut.
using Sequence = std::array<uint8_t, kDepth>;
using Cuts = std::array<uint8_t, kDepth>;

std::string describe(const Sequence& seq, const Cuts& cuts, std::size_t used) {
    static constexpr const char* kNames[] = {"answer", "silence", "noise", "twice", "late", "notice"};
    std::string s;
    for (std::size_t i = 0; i < used; ++i) {
        if (!s.empty()) s += ", ";
        s += seq[i] >= kShort ? "short " + std::to_string(cuts[i]) : kNames[seq[i]];
    }
    return s + (used < kDepth ? " (then answers)" : "");
}

// The cut of each short answer. Runs that share the answers up to a position
// share its cut, so that a run decides every sequence that starts as it did.
class CutPlan {
public:
    // Before a run: the positions whose answers so far differ from the last run's.
    void next(const Sequence& seq) {
        std::size_t same = 0;
        while (!first_ && same < kDepth && seq[same] == last_[same]) ++same;
        fresh_ = first_ ? 0 : same;
        first_ = false;
        last_ = seq;
    }
    // The cut at `position`, which the run has just reached.
    uint8_t at(std::size_t position, uint8_t symbol) {
        if (position < kEveryCutDepth) {
            cuts_[position] = static_cast<uint8_t>(symbol - kShort + 1);
        } else if (position >= fresh_) {
            cuts_[position] = static_cast<uint8_t>(1 + turn_[position]++ % kMaxCut);
        }
        met_[position][cuts_[position] - 1] = true;
        return cuts_[position];
    }
    const Cuts& cuts() const { return cuts_; }
    // How many of the cuts were met at `position`.
    std::size_t metAt(std::size_t position) const {
        return static_cast<std::size_t>(std::count(met_[position].begin(), met_[position].end(), true));
    }

private:
    bool first_ = true;
    Sequence last_{};
    std::size_t fresh_ = 0;
    Cuts cuts_{};
    std::array<unsigned, kDepth> turn_{};
    std::array<std::array<bool, kMaxCut>, kDepth> met_{};
};

// Answers correctly but for the shapes the sequence gives, once armed.
class SequenceFate final : public GatewayFate {
public:
    SequenceFate(const Sequence& seq, CutPlan& cuts) : seq_(seq), cuts_(cuts) {}
    void arm() { armed_ = true; }
    std::size_t used() const { return used_; }

    Shape shape() override {
        if (!armed_ || used_ == kDepth) return {};
        const std::size_t p = used_++;
        if (seq_[p] < kShort) return {kWholeTwists[seq_[p]], 0};
        return {Twist::Short, cuts_.at(p, seq_[p])};
    }
    PromptReply promptReply() override { return PromptReply::Connect; }
    bool missesCommand() override { return false; }
    std::size_t blockBytes(std::size_t size) override { return size; }
    Verdict verdict() override { return Verdict::Finished; }
    Delivery delivery(std::size_t, bool) override { return {}; }

private:
    const Sequence& seq_;
    CutPlan& cuts_;
    bool armed_ = false;
    std::size_t used_ = 0;
};

struct Kind {
    const char* name;
    JobKind job;
    // What a read that is done must hand over, byte for byte; null for a send.
    const std::vector<uint8_t>& (*block)();
    DialoguePace pace = DialoguePace::Tick;
};

// For gtest's messages.
void PrintTo(const Kind& kind, std::ostream* os) { *os << kind.name; }

Job jobOf(JobKind kind) {
    if (kind == JobKind::SendSafeValues) return Job::sendSafeValues(sentSafeValues());
    if (kind == JobKind::SendIpSetting) return Job::sendIpSetting(sentIpSetting());
    return Job::read(kind);
}

// Connected with parameters and file names, nothing under way, nothing unread,
// and a prompt the only thing said this tick.
bool idle(const DialogueRig& rig) {
    const auto said = rig.gateway.unseen();
    return rig.session.linkState == LinkState::Connected && rig.session.parameterLoaded &&
           !rig.session.firmwareAutoQuery && !rig.rules.exchangeOpen() && !rig.rules.workerBusy() &&
           rig.rules.pendingJobs() == 0 && rig.gateway.quiet() && rig.port.pendingBytes() == 0 && said.size() == 1 &&
           !said[0].isBlock && said[0].line == console::kPrompt;
}

struct SequenceRun {
    std::size_t used = 0;  // behaviours the gateway asked for
    int ticks = 0;
    std::string broken;
    std::optional<JobOutcome> outcome;
};

SequenceRun runSequence(const Kind& kind, const Sequence& seq, CutPlan& cuts) {
    SequenceRun run;
    SequenceFate fate(seq, cuts);
    DialogueRig rig(
        fate,
        [&run](const char* what) {
            if (run.broken.empty()) run.broken = what;
        },
        kind.pace);
    rig.connect();
    bool ready = false;
    while (!ready && rig.tick < kMaxPrefixTicks) {
        rig.beginTick();
        rig.poll();
        ready = idle(rig);
        rig.endTick();
    }
    if (!ready) run.broken = "the dialogue did not reach idle prompts against a correct gateway";

    int ends = 0;
    JobResult result;
    rig.rules.submit(jobOf(kind.job), [&](const JobResult& r) {
        if (++ends > 1) run.broken = "a job ended twice";
        result = r;
    });
    fate.arm();
    bool done = false;
    for (; !done && run.broken.empty() && run.ticks < kMaxTicks; ++run.ticks) {
        rig.beginTick();
        rig.poll();
        done = ends == 1 && idle(rig);
        if (!done) rig.endTick();
    }
    run.used = fate.used();
    if (!run.broken.empty()) return run;
    if (!done) {
        run.broken = ends == 0 ? "the job never ended" : "the dialogue never came back to idle prompts";
        return run;
    }
    run.outcome = result.outcome;
    // Success only for what the gateway really holds or stored.
    if (result.done() && kind.block && result.raw != kind.block())
        run.broken = "a read was done with other bytes than the gateway's";
    if (result.done() && !kind.block && rig.gateway.blocksStored() == 0)
        run.broken = "a send was done that the gateway never stored";
    return run;
}

class DialogueExhaustiveTest : public ::testing::TestWithParam<Kind> {};

TEST_P(DialogueExhaustiveTest, everySequenceOfSixAnswersKeepsTheWireSoundAndEndsItsJob) {
    const Kind& kind = GetParam();
    uint64_t all = 1;
    for (std::size_t i = 0; i < kDepth; ++i) all *= alphabet(i);

    Sequence seq{};
    CutPlan cuts;
    uint64_t covered = 0;
    uint64_t runs = 0;
    int longest = 0;
    int failures = 0;
    while (true) {
        cuts.next(seq);
        const SequenceRun run = runSequence(kind, seq, cuts);
        ++runs;
        longest = std::max(longest, run.ticks);
        if (runs == 1) {
            EXPECT_TRUE(run.outcome == JobOutcome::Done)
                << "against a correct gateway: " << (run.outcome ? jobOutcomeName(*run.outcome) : run.broken);
        }
        if (!run.broken.empty()) {
            ADD_FAILURE() << run.broken << " after " << run.ticks
                          << " ticks; answers: " << describe(seq, cuts.cuts(), run.used);
            if (++failures == kMaxFailuresShown) break;
        }
        // Every sequence that starts with the answers this run took runs as it did.
        const std::size_t used = std::max<std::size_t>(run.used, 1);
        uint64_t decided = 1;
        for (std::size_t i = used; i < kDepth; ++i) decided *= alphabet(i);
        covered += decided;
        std::size_t p = used;
        while (p > 0 && ++seq[p - 1] == alphabet(p - 1)) seq[--p] = 0;
        if (p == 0) break;
        std::fill(seq.begin() + static_cast<std::ptrdiff_t>(p), seq.end(), 0);
    }
    if (failures == 0) {
        EXPECT_EQ(covered, all);
    }
    std::string met;
    for (std::size_t i = 0; i < kDepth; ++i) {
        if (failures == 0) {
            EXPECT_EQ(cuts.metAt(i), kMaxCut) << "cuts met at answer " << i + 1;
        }
        met += (i ? "," : "") + std::to_string(cuts.metAt(i));
    }
    std::cout << kind.name << ": " << covered << " of " << all << " sequences of " << kDepth << " answers, in " << runs
              << " runs of at most " << longest << " ticks; cuts met at each answer: " << met << "\n";
    RecordProperty("sequences", std::to_string(covered));
    RecordProperty("runs", std::to_string(runs));
}

const Kind kKinds[] = {
    {"loadParameter", JobKind::ReadParameters, modelParameterBlock},
    {"loadFileName", JobKind::ReadFileNames, modelFileNameReply},
    {"loadSafeValue", JobKind::ReadSafeValues, modelSafeValues},
    {"loadIpSetting", JobKind::ReadIpSetting, modelIpSettingBlock},
    {"sendSafeValue", JobKind::SendSafeValues, nullptr},
    {"sendIpSetting", JobKind::SendIpSetting, nullptr},
    // As answered: the lines are read as they come, and no command waits for a tick.
    {"loadParameterAsAnswered", JobKind::ReadParameters, modelParameterBlock, DialoguePace::AsAnswered},
    {"loadFileNameAsAnswered", JobKind::ReadFileNames, modelFileNameReply, DialoguePace::AsAnswered},
    {"loadSafeValueAsAnswered", JobKind::ReadSafeValues, modelSafeValues, DialoguePace::AsAnswered},
    {"loadIpSettingAsAnswered", JobKind::ReadIpSetting, modelIpSettingBlock, DialoguePace::AsAnswered},
    {"sendSafeValueAsAnswered", JobKind::SendSafeValues, nullptr, DialoguePace::AsAnswered},
    {"sendIpSettingAsAnswered", JobKind::SendIpSetting, nullptr, DialoguePace::AsAnswered},
};

INSTANTIATE_TEST_SUITE_P(EachExchange, DialogueExhaustiveTest, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace norvik
