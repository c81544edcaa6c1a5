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
    *slot = rig.dialogue.submit(std::move(job), [&out, slot](const JobResult& r) { out[*slot].push_back(r); },
                                std::move(progress));
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
        {"parameters", Job::read(JobKind::ReadParameters),
         {{c::kReplyParameter, params}, {c::kReplyParameterFinish, {}}}, JobOutcome::Done, GatewayError::None,
         {c::kLoadParameter, prompt}, params},
        {"parameters short", Job::read(JobKind::ReadParameters),
         {{c::kReplyParameter, std::vector<uint8_t>(params.begin(), params.begin() + 20)}, {c::kReplyParameterFinish, {}}},
         JobOutcome::BlockIncomplete, GatewayError::None, {c::kLoadParameter, prompt}, {}},
        {"file names", Job::read(JobKind::ReadFileNames),
         {{c::kReplyFileName, names}, {c::kReplyFileNameFinish, {}}}, JobOutcome::Done, GatewayError::None,
         {c::kLoadFileName, prompt}, names},
        {"safe values", Job::read(JobKind::ReadSafeValues),
         {{c::kReplySafeValue, safe}, {c::kReplySafeValueFinish, {}}}, JobOutcome::Done, GatewayError::None,
         {c::kLoadSafeValue, prompt}, safe},
        {"safe values unreadable", Job::read(JobKind::ReadSafeValues), {{c::kReplyReadEepromError, {}}},
         JobOutcome::GatewayError, GatewayError::ReadEeprom, {c::kLoadSafeValue, prompt}, {}},
        {"safe values short", Job::read(JobKind::ReadSafeValues),
         {{c::kReplySafeValue, counting(100)}, {c::kReplySafeValueFinish, {}}}, JobOutcome::BlockIncomplete,
         GatewayError::None, {c::kLoadSafeValue, prompt}, {}},
        {"safe values never answered", Job::read(JobKind::ReadSafeValues), {{}, {}, {}, {}, {}}, JobOutcome::NoAnswer,
         GatewayError::None, {c::kLoadSafeValue, prompt}, {}},
        {"send safe values", Job::sendSafeValues(safe), {{c::kReplyReceiveSafeValue, {}}, {c::kReplySafeValueSent, {}}},
         JobOutcome::Done, GatewayError::None, {c::kSendSafeValue, "<512 bytes>", c::kTransmitEnd, prompt}, {}},
        {"send safe values not stored", Job::sendSafeValues(safe),
         {{c::kReplyReceiveSafeValue, {}}, {c::kReplySaveSafeValueError, {}}}, JobOutcome::GatewayError,
         GatewayError::SaveFailed, {c::kSendSafeValue, "<512 bytes>", c::kTransmitEnd, prompt}, {}},
        {"send safe values not taken", Job::sendSafeValues(safe),
         {{c::kReplyReceiveSafeValue, {}}, {c::kReplyReceiveSafeValueError, {}}}, JobOutcome::GatewayError,
         GatewayError::ReceiveFailed, {c::kSendSafeValue, "<512 bytes>", c::kTransmitEnd, prompt}, {}},
        {"send safe values of the wrong size", Job::sendSafeValues(counting(976)),
         {{c::kReplyReceiveSafeValue, {}}, {c::kReplyReceiveSafeValueError, {}}}, JobOutcome::BlockIncomplete,
         GatewayError::None, {c::kSendSafeValue, prompt}, {}},
        {"ip setting", Job::read(JobKind::ReadIpSetting),
         {{c::kReplyIpSetting, ipBlock}, {c::kReplyIpSettingFinish, {}}}, JobOutcome::Done, GatewayError::None,
         {c::kLoadIpSetting, prompt}, ipBlock},
        {"ip setting unreadable", Job::read(JobKind::ReadIpSetting), {{c::kReplyReadEepromError, {}}},
         JobOutcome::GatewayError, GatewayError::ReadEeprom, {c::kLoadIpSetting, prompt}, {}},
        {"send ip setting", Job::sendIpSetting(IpSettingRecord{}),
         {{c::kReplyReceiveIpSetting, {}}, {c::kReplyIpSettingSent, {}}}, JobOutcome::Done, GatewayError::None,
         {c::kSendIpSetting, "<76 bytes>", c::kTransmitEnd, prompt}, {}},
        {"send ip setting not stored", Job::sendIpSetting(IpSettingRecord{}),
         {{c::kReplyReceiveIpSetting, {}}, {c::kReplySaveIpSettingError, {}}}, JobOutcome::GatewayError,
         GatewayError::SaveFailed, {c::kSendIpSetting, "<76 bytes>", c::kTransmitEnd, prompt}, {}},
        {"ip setting when the module says it goes", Job::read(JobKind::ReadIpSetting), {{c::kReplyDisconnect, {}}},
         JobOutcome::LinkLost, GatewayError::None, {c::kLoadIpSetting}, {}},
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

}  // namespace
}  // namespace norvik
