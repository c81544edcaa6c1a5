// Gateway jobs carried out by the console dialogue against a scripted gateway.
// The receivers run inline and the outcomes arrive through the test's loop,
// so every case runs on this thread alone.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/console_dialogue.h"
#include "link/dialogue_hooks.h"
#include "link/gateway_jobs.h"
#include "serial/console_lines.h"
#include "support/fake_port.h"
#include "support/gateway_blocks.h"
#include "support/recording_ui.h"

namespace norvik {
namespace {

namespace c = console;
using test::FakePort;
using test::RecordingUi;

class ManualClock final : public Clock {
public:
    uint64_t now = 1000;
    uint64_t nowMs() const override { return now; }
};

// What the gateway says on one tick: a line, then raw bytes.
struct Say {
    std::string line;
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> counting(std::size_t n) {
    std::vector<uint8_t> b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 13 + 1);
    return b;
}

struct Rig {
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    FakePort port;
    RecordingUi ui;
    InlineRunner runner;
    ManualClock clock;
    ConsoleDialogue dialogue{session, config, ip, port, ui, ui.hooks(&runner, &clock)};

    void tick(const Say& say = {}) {
        if (!say.line.empty()) port.queueLine(say.line);
        port.queueBytes(say.bytes);
        dialogue.onPollTimer();
        ui.runAllPosted();
    }
    // Connected, parameters and file names loaded (512-byte safe values), idle.
    void ready() {
        dialogue.connect({});
        tick({c::kReplyConnect, {}});
        tick({c::kReplyParameter,
              test::parameterBlock('5', {test::kSystemModuleAt1, test::kWdoModule, test::kWaoModule})});
        tick({c::kReplyParameterFinish, {}});
        tick({c::kReplyConnect, {}});
        tick({c::kReplyFileName, test::fileNameReply({"autoexec.bat"})});
        tick({c::kReplyFileNameFinish, {}});
        port.clearSent();
    }
    // The program's side of the wire: lines as sent, blocks by their size.
    std::vector<std::string> wire() const {
        std::vector<std::string> out;
        for (const FakePort::Sent& s : port.sent())
            out.push_back(s.isBlock ? "<" + std::to_string(s.bytes.size()) + " bytes>" : s.line);
        return out;
    }
};

// Submits through a callback that records by id; the id is known only after submit.
JobId submit(Rig& rig, Job job, std::map<JobId, std::vector<JobResult>>& out, JobProgressHook progress = {}) {
    auto slot = std::make_shared<JobId>(0);
    *slot = rig.dialogue.submit(
        std::move(job), [&out, slot](const JobResult& r) { out[*slot].push_back(r); }, std::move(progress));
    return *slot;
}

TEST(GatewayJobsTest, eachJobKindEndsWithTheOutcomeTheGatewayGives) {
    const std::vector<uint8_t> params = test::parameterBlock('5', {test::kSystemModuleAt1, test::kWdoModule});
    const std::vector<uint8_t> names = test::fileNameReply({"autoexec.bat", "3420V10.bin"});
    const std::vector<uint8_t> safe = counting(512);
    const std::vector<uint8_t> ipBlock = counting(76);
    const std::string prompt = c::kPrompt;
    struct Case {
        const char* name;
        Job job;
        std::vector<Say> gateway;  // after the "connect" reply that starts the job
        JobOutcome outcome;
        GatewayError error;
        std::vector<std::string> wire;  // from the job's command on
        std::vector<uint8_t> raw;
    };
    const std::vector<Case> cases = {
        {"parameters",
         Job::read(JobKind::ReadParameters),
         {{c::kReplyParameter, params}, {c::kReplyParameterFinish, {}}},
         JobOutcome::Done,
         GatewayError::None,
         {c::kLoadParameter, prompt},
         params},
        {"parameters short",
         Job::read(JobKind::ReadParameters),
         {{c::kReplyParameter, std::vector<uint8_t>(params.begin(), params.begin() + 20)},
          {c::kReplyParameterFinish, {}}},
         JobOutcome::BlockIncomplete,
         GatewayError::None,
         {c::kLoadParameter, prompt},
         {}},
        {"file names",
         Job::read(JobKind::ReadFileNames),
         {{c::kReplyFileName, names}, {c::kReplyFileNameFinish, {}}},
         JobOutcome::Done,
         GatewayError::None,
         {c::kLoadFileName, prompt},
         names},
        {"safe values",
         Job::read(JobKind::ReadSafeValues),
         {{c::kReplySafeValue, safe}, {c::kReplySafeValueFinish, {}}},
         JobOutcome::Done,
         GatewayError::None,
         {c::kLoadSafeValue, prompt},
         safe},
        {"safe values unreadable",
         Job::read(JobKind::ReadSafeValues),
         {{c::kReplyReadEepromError, {}}},
         JobOutcome::GatewayError,
         GatewayError::ReadEeprom,
         {c::kLoadSafeValue, prompt},
         {}},
        {"safe values short",
         Job::read(JobKind::ReadSafeValues),
         {{c::kReplySafeValue, counting(100)}, {c::kReplySafeValueFinish, {}}},
         JobOutcome::BlockIncomplete,
         GatewayError::None,
         {c::kLoadSafeValue, prompt},
         {}},
        {"safe values never answered",
         Job::read(JobKind::ReadSafeValues),
         {{}, {}, {}, {}, {}},
         JobOutcome::NoAnswer,
         GatewayError::None,
         {c::kLoadSafeValue, prompt},
         {}},
        {"send safe values",
         Job::sendSafeValues(safe),
         {{c::kReplyReceiveSafeValue, {}}, {c::kReplySafeValueSent, {}}},
         JobOutcome::Done,
         GatewayError::None,
         {c::kSendSafeValue, "<512 bytes>", c::kTransmitEnd, prompt},
         {}},
        {"send safe values not stored",
         Job::sendSafeValues(safe),
         {{c::kReplyReceiveSafeValue, {}}, {c::kReplySaveSafeValueError, {}}},
         JobOutcome::GatewayError,
         GatewayError::SaveFailed,
         {c::kSendSafeValue, "<512 bytes>", c::kTransmitEnd, prompt},
         {}},
        {"send safe values of the wrong size",
         Job::sendSafeValues(counting(976)),
         {{c::kReplyReceiveSafeValue, {}}, {c::kReplyReceiveSafeValueError, {}}},
         JobOutcome::BlockIncomplete,
         GatewayError::None,
         {c::kSendSafeValue, prompt},
         {}},
        {"ip setting",
         Job::read(JobKind::ReadIpSetting),
         {{c::kReplyIpSetting, ipBlock}, {c::kReplyIpSettingFinish, {}}},
         JobOutcome::Done,
         GatewayError::None,
         {c::kLoadIpSetting, prompt},
         ipBlock},
        {"send ip setting",
         Job::sendIpSetting(IpSettingRecord{}),
         {{c::kReplyReceiveIpSetting, {}}, {c::kReplyIpSettingSent, {}}},
         JobOutcome::Done,
         GatewayError::None,
         {c::kSendIpSetting, "<76 bytes>", c::kTransmitEnd, prompt},
         {}},
        {"send ip setting not taken",
         Job::sendIpSetting(IpSettingRecord{}),
         {{c::kReplyReceiveIpSetting, {}}, {c::kReplyReceiveIpSettingError, {}}},
         JobOutcome::GatewayError,
         GatewayError::ReceiveFailed,
         {c::kSendIpSetting, "<76 bytes>", c::kTransmitEnd, prompt},
         {}},
        {"ip setting when the module says it goes",
         Job::read(JobKind::ReadIpSetting),
         {{c::kReplyDisconnect, {}}},
         JobOutcome::LinkLost,
         GatewayError::None,
         {c::kLoadIpSetting},
         {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Rig rig;
        rig.ready();
        std::map<JobId, std::vector<JobResult>> results;
        const JobId id = submit(rig, k.job, results);
        rig.tick({c::kReplyConnect, {}});
        for (const Say& say : k.gateway) rig.tick(say);
        ASSERT_EQ(results[id].size(), 1u) << "ends exactly once";
        const JobResult& r = results[id][0];
        EXPECT_EQ(r.kind, k.job.kind);
        EXPECT_EQ(r.outcome, k.outcome) << jobOutcomeName(r.outcome);
        EXPECT_EQ(r.error, k.error);
        EXPECT_EQ(r.raw, k.raw);
        EXPECT_EQ(rig.wire(), k.wire);
        EXPECT_EQ(rig.dialogue.pendingJobs(), 0u);
        // A few idle ticks later it still has ended once.
        rig.tick({c::kReplyConnect, {}});
        EXPECT_EQ(results[id].size(), 1u);
    }
}

TEST(GatewayJobsTest, jobsRunOneAtATimeInCommandOrder) {
    Rig rig;
    rig.ready();
    std::map<JobId, std::vector<JobResult>> results;
    submit(rig, Job::read(JobKind::ReadIpSetting), results);
    submit(rig, Job::read(JobKind::ReadFileNames), results);
    submit(rig, Job::read(JobKind::ReadSafeValues), results);
    submit(rig, Job::sendSafeValues(counting(512)), results);
    EXPECT_EQ(rig.dialogue.pendingJobs(), 4u);
    // The second "connect" is queued behind the first: it keeps the link and starts nothing.
    for (const Say& say : std::vector<Say>{{c::kReplyConnect, {}},
                                           {c::kReplyConnect, {}},
                                           {c::kReplyReceiveSafeValue, {}},
                                           {c::kReplySafeValueSent, {}},
                                           {c::kReplyConnect, {}},
                                           {c::kReplySafeValue, counting(512)},
                                           {c::kReplySafeValueFinish, {}},
                                           {c::kReplyConnect, {}},
                                           {c::kReplyFileName, test::fileNameReply({"autoexec.bat"})},
                                           {c::kReplyFileNameFinish, {}},
                                           {c::kReplyConnect, {}},
                                           {c::kReplyIpSetting, counting(76)},
                                           {c::kReplyIpSettingFinish, {}}})
        rig.tick(say);
    std::vector<std::string> commands;
    for (const std::string& line : rig.port.sentLines())
        if (line != c::kPrompt && line != c::kTransmitEnd) commands.push_back(line);
    EXPECT_EQ(commands,
              (std::vector<std::string>{c::kSendSafeValue, c::kLoadSafeValue, c::kLoadFileName, c::kLoadIpSetting}));
    ASSERT_EQ(results.size(), 4u);
    for (const auto& [id, ended] : results) {
        ASSERT_EQ(ended.size(), 1u) << id;
        EXPECT_TRUE(ended[0].done()) << id;
    }
    EXPECT_EQ(rig.dialogue.pendingJobs(), 0u);
}

TEST(GatewayJobsTest, everyWayALinkEndsEndsEveryPendingJobOnceAndLater) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> end;
    };
    const std::vector<Case> cases = {
        {"disconnect", [](Rig& r) { r.dialogue.disconnect(); }},
        {"device gone",
         [](Rig& r) {
             r.port.loseDevice(5);
             r.dialogue.onPollTimer();
         }},
        {"module's notice",
         [](Rig& r) {
             r.port.queueLine(c::kReplyDisconnect);
             r.dialogue.onPollTimer();
         }},
        {"module silent",
         [](Rig& r) {
             // The running exchange is given up first, then two silent ticks lose the link.
             for (int i = 0; i < ConsoleDialogue::kExchangeTimeoutTicks + 1; ++i) r.dialogue.onPollTimer();
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Rig rig;
        rig.ready();
        std::map<JobId, std::vector<JobResult>> results;
        const JobId queued = submit(rig, Job::read(JobKind::ReadIpSetting), results);
        const JobId running = submit(rig, Job::sendIpSetting(IpSettingRecord{}), results);
        rig.tick({c::kReplyConnect, {}});
        ASSERT_EQ(rig.port.lastSent(), c::kSendIpSetting);
        k.end(rig);
        EXPECT_TRUE(results.empty()) << "told through the loop, never from inside the call";
        rig.ui.runAllPosted();
        EXPECT_EQ(rig.dialogue.pendingJobs(), 0u);
        for (const JobId id : {running, queued}) {
            ASSERT_EQ(results[id].size(), 1u) << id;
            EXPECT_EQ(results[id][0].outcome, id == running && std::string(k.name) == "module silent"
                                                  ? JobOutcome::NoAnswer
                                                  : JobOutcome::LinkLost);
        }
        EXPECT_EQ(rig.session.linkState, LinkState::NotConnected);
    }
}

TEST(GatewayJobsTest, jobAskedWithThePortClosedEndsLinkLostThroughTheLoop) {
    Rig rig;
    std::map<JobId, std::vector<JobResult>> results;
    const JobId id = submit(rig, Job::read(JobKind::ReadParameters), results);
    EXPECT_TRUE(results.empty());
    rig.ui.runAllPosted();
    ASSERT_EQ(results[id].size(), 1u);
    EXPECT_EQ(results[id][0].outcome, JobOutcome::LinkLost);
    EXPECT_EQ(rig.dialogue.pendingJobs(), 0u);
}

TEST(GatewayJobsTest, cancelledJobNeverPutsALineIntoABlockTheGatewayAwaits) {
    Rig rig;
    rig.ready();
    std::map<JobId, std::vector<JobResult>> results;
    const JobId send = submit(rig, Job::sendSafeValues(counting(512)), results);
    const JobId queued = submit(rig, Job::read(JobKind::ReadIpSetting), results);
    EXPECT_TRUE(rig.dialogue.cancel(queued));
    rig.tick({c::kReplyConnect, {}});
    ASSERT_EQ(rig.port.lastSent(), c::kSendSafeValue);
    EXPECT_TRUE(rig.dialogue.cancel(send));
    EXPECT_FALSE(rig.dialogue.cancel(send)) << "it has ended";
    rig.ui.runAllPosted();
    ASSERT_EQ(results[send].size(), 1u);
    EXPECT_EQ(results[send][0].outcome, JobOutcome::Cancelled);
    ASSERT_EQ(results[queued].size(), 1u);
    EXPECT_EQ(results[queued][0].outcome, JobOutcome::Cancelled);

    // The gateway asks for the block all the same: nothing goes out, not even
    // the prompt, until its own time-out ends the exchange.
    rig.port.clearSent();
    rig.tick({c::kReplyReceiveSafeValue, {}});
    rig.tick();
    rig.tick();
    EXPECT_TRUE(rig.port.sent().empty());
    rig.tick({c::kReplyReceiveSafeValueError, {}});
    EXPECT_EQ(rig.wire(), std::vector<std::string>{c::kPrompt});
    rig.tick({c::kReplyConnect, {}});
    EXPECT_EQ(rig.port.lastSent(), c::kPrompt) << "the cancelled IP load is not asked for";
    EXPECT_EQ(results[send].size(), 1u);
}

TEST(GatewayJobsTest, readReportsProgressAndTimeOnItsOwnThread) {
    Rig rig;
    rig.ready();
    std::map<JobId, std::vector<JobResult>> results;
    std::vector<JobProgress> progress;
    const JobId id =
        submit(rig, Job::read(JobKind::ReadParameters), results, [&](const JobProgress& p) { progress.push_back(p); });
    rig.clock.now += 250;
    rig.tick({c::kReplyConnect, {}});
    const auto block = test::parameterBlock('5', {test::kSystemModuleAt1, test::kWdoModule, test::kWaoModule});
    rig.tick({c::kReplyParameter, block});
    rig.clock.now += 750;
    rig.tick({c::kReplyParameterFinish, {}});
    ASSERT_EQ(results[id].size(), 1u);
    const JobResult& r = results[id][0];
    EXPECT_TRUE(r.done());
    EXPECT_EQ(r.elapsedMs, 1000u);
    ASSERT_TRUE(r.config);
    EXPECT_EQ(r.config->moduleCount, 3);
    EXPECT_EQ(rig.session.parameterBlockRaw, block);
    const auto size = static_cast<uint32_t>(block.size());
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress[0].bytes, 16u);
    EXPECT_EQ(progress[0].total, size);
    EXPECT_EQ(progress[1].bytes, size);
    EXPECT_EQ(progress[1].kind, JobKind::ReadParameters);
}

TEST(GatewayJobsTest, safeValueJobWaitsForTheFileNamesThatSizeItsBlock) {
    Rig rig;
    rig.dialogue.connect({});
    std::map<JobId, std::vector<JobResult>> results;
    const JobId id = submit(rig, Job::read(JobKind::ReadSafeValues), results);
    rig.tick({c::kReplyConnect, {}});
    rig.tick({c::kReplyParameter, test::parameterBlock('5', {test::kSystemModuleAt1, test::kWdoModule})});
    rig.tick({c::kReplyParameterFinish, {}});
    rig.tick({c::kReplyConnect, {}});
    EXPECT_EQ(rig.port.lastSent(), c::kLoadFileName);
    rig.tick({c::kReplyFileName, test::fileNameReply({"autoexec.bat"})});
    rig.tick({c::kReplyFileNameFinish, {}});
    rig.tick({c::kReplyConnect, {}});
    EXPECT_EQ(rig.port.lastSent(), c::kLoadSafeValue);
    rig.tick({c::kReplySafeValue, counting(512)});
    rig.tick({c::kReplySafeValueFinish, {}});
    ASSERT_EQ(results[id].size(), 1u);
    EXPECT_TRUE(results[id][0].done());
    EXPECT_EQ(results[id][0].safeValues, counting(512));
    EXPECT_EQ(rig.session.fileNameReplyRaw, test::fileNameReply({"autoexec.bat"}));
}

}  // namespace
}  // namespace norvik
