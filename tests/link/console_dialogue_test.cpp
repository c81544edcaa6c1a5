// The console dialogue driven tick by tick against a scripted gateway.

#include "link/console_dialogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "link/console_texts.h"
#include "link/link_session.h"
#include "model/gateway_config.h"
#include "support/recording_ui.h"
#include "support/fake_port.h"
#include "support/gateway_blocks.h"

namespace norvik {
namespace {

namespace c = console;
using test::FakePort;
using test::fileNameReply;
using test::kSystemModuleAt1;
using test::kWaoModule;
using test::kWdoModule;
using test::parameterBlock;
using test::RecordingUi;

class ConsoleDialogueTest : public ::testing::Test {
protected:
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    FakePort port;
    RecordingUi ui;
    ConsoleDialogue dialogue{session, config, ip, port, ui, ui.hooks()};

    // Whatever a test did, the view the rules keep is what the window was told.
    void TearDown() override {
        const LinkView& v = dialogue.view();
        EXPECT_EQ(v.status, ui.linkStatus);
        EXPECT_EQ(v.statusCode, ui.linkCode);
        EXPECT_EQ(v.operation, ui.operation);
        EXPECT_EQ(v.progress, ui.progress);
        EXPECT_EQ(std::pair(v.portLamp, v.moduleLamp), std::pair(ui.portLamp, ui.moduleLamp));
        EXPECT_EQ(std::pair(v.connectEnabled, v.disconnectEnabled), std::pair(ui.connectEnabled, ui.disconnectEnabled));
        EXPECT_EQ(std::pair(v.ipSettingMenu, v.portBoxesEnabled), std::pair(ui.ipMenuEnabled, ui.portBoxesEnabled));
        if (!ui.notices.empty()) {
            EXPECT_EQ(v.notice, ui.notices.back());
        }
    }

    void connect(uint32_t baud = 115200) {
        PortSettings s;
        s.baud = baud;
        dialogue.connect(s);
    }
    // One poll tick on which the gateway sends `line` (empty = silence) and
    // then `block`.
    void tick(const std::string& line = {}, std::span<const uint8_t> block = {}) {
        if (!line.empty()) port.queueLine(line);
        port.queueBytes(block);
        dialogue.onPollTimer();
    }
    // Runs what the worker and the dialogue post until the worker's notice is in.
    void deliverWorkerDone() {
        while (dialogue.workerBusy()) ASSERT_TRUE(ui.runPosted()) << "worker never finished";
        ui.runAllPosted();
    }
    // Connect and load a parameter block for `model`, up to the first prompt after it.
    void connectAndLoad(char model = '5') {
        connect();
        tick(c::kReplyConnect);
        tick(c::kReplyParameter, parameterBlock(model, {kSystemModuleAt1, kWdoModule, kWaoModule}));
        deliverWorkerDone();
        tick(c::kReplyParameterFinish);
    }
    // Jobs asked in the test and how each ended, as the test's loop hands them over.
    std::vector<JobResult> ended;
    JobId ask(Job job) {
        return dialogue.submit(std::move(job), [this](const JobResult& r) { ended.push_back(r); });
    }
    // A job of `kind` with a block of the 512-byte layout when it sends one.
    static Job jobOf(JobKind kind) {
        if (kind == JobKind::SendSafeValues) return Job::sendSafeValues(std::vector<uint8_t>(512, 0x5A));
        if (kind == JobKind::SendIpSetting) {
            IpSettingRecord record;
            setDefaultIpSetting(record);
            return Job::sendIpSetting(record);
        }
        return Job::read(kind);
    }
    // How the last job of `kind` has ended so far.
    std::optional<JobResult> endOf(JobKind kind) {
        ui.runAllPosted();
        for (auto it = ended.rbegin(); it != ended.rend(); ++it)
            if (it->kind == kind) return *it;
        return std::nullopt;
    }
    std::optional<JobOutcome> outcomeOf(JobKind kind) {
        const auto r = endOf(kind);
        return r ? std::optional(r->outcome) : std::nullopt;
    }
    // The automatic file-name query after the block.
    void answerAutoQuery(const std::vector<std::string>& names) {
        tick(c::kReplyConnect);
        ASSERT_EQ(port.lastSent(), c::kLoadFileName);
        tick(c::kReplyFileName, fileNameReply(names));
        deliverWorkerDone();
        tick(c::kReplyFileNameFinish);
    }
};

TEST_F(ConsoleDialogueTest, consoleTextsAreTheGatewaysOwn) {
    EXPECT_STREQ(c::kPrompt, "KESTRA--r4460k>");
    EXPECT_STREQ(c::kReplyConnect, "KESTRA--r4460k> connect");
}

TEST_F(ConsoleDialogueTest, connectOpensThePortAndSendsThePrompt) {
    PortSettings s;
    s.port = 3;
    s.baud = 9600;
    s.parity = Parity::Odd;
    dialogue.connect(s);
    ASSERT_EQ(port.opened.size(), 1u);
    EXPECT_EQ(port.opened[0].port, 3);
    EXPECT_EQ(port.opened[0].parity, Parity::Odd);
    EXPECT_TRUE(session.portOpen);
    EXPECT_TRUE(ui.portLamp);
    EXPECT_FALSE(ui.portBoxesEnabled);
    EXPECT_FALSE(ui.connectEnabled);
    EXPECT_TRUE(ui.disconnectEnabled);
    EXPECT_TRUE(ui.pollTimerRunning);
    EXPECT_EQ(ui.linkStatus, LinkStatus::PortOpen);
    EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kPrompt});
    tick();
    EXPECT_EQ(port.lastLineTimeout(), 60);  // 9600 baud: (1 + 1) * 30 ms
}

TEST_F(ConsoleDialogueTest, failedOpenShowsTheCodeAndChangesNothingElse) {
    port.openCode = 2;
    PortSettings s;
    s.baud = 2400;
    dialogue.connect(s);
    EXPECT_EQ(ui.linkStatus, LinkStatus::OpenError);
    EXPECT_EQ(ui.linkCode, 2u);
    ASSERT_EQ(ui.notices.size(), 1u);
    EXPECT_EQ(ui.notices[0], LinkNotice::OpenError);
    EXPECT_FALSE(session.portOpen);
    EXPECT_TRUE(ui.portBoxesEnabled);
    EXPECT_FALSE(ui.pollTimerRunning);
    EXPECT_EQ(session.baud, 2400u);  // kept for the next try
    EXPECT_TRUE(port.sentLines().empty());
}

TEST_F(ConsoleDialogueTest, missingTimerIsReportedAndTheLinkGoesOn) {
    ui.pollTimerAvailable = false;
    connect();
    EXPECT_EQ(ui.linkStatus, LinkStatus::TimerFailure);
    EXPECT_TRUE(session.portOpen);
}

TEST_F(ConsoleDialogueTest, silentGatewayShowsTheAccessBoxOncePerConnect) {
    connect();
    tick();
    tick();
    tick();
    ASSERT_EQ(ui.notices.size(), 1u);
    EXPECT_EQ(ui.notices[0], LinkNotice::AccessError);
    EXPECT_EQ(ui.linkStatus, LinkStatus::PortOpen);
    EXPECT_EQ(port.sentLines().size(), 4u);  // the prompt on connect and every tick
    EXPECT_EQ(session.missCount, 0);         // misses count only while connected

    dialogue.disconnect();
    connect();
    tick("garbage");
    EXPECT_EQ(ui.notices.size(), 2u);
}

TEST_F(ConsoleDialogueTest, noAccessBoxOnceTheModuleHasAnswered) {
    connect();
    tick(c::kReplyConnect);
    for (int i = 0; i < 2 * ConsoleDialogue::kExchangeTimeoutTicks; ++i) tick();
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
    EXPECT_TRUE(ui.notices.empty());
}

TEST_F(ConsoleDialogueTest, fullSequenceFromConnectToKeepAlive) {
    connect();
    tick(c::kReplyConnect);
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_TRUE(ui.moduleLamp);
    EXPECT_EQ(ui.linkStatus, LinkStatus::Connected);
    EXPECT_EQ(port.lastSent(), c::kLoadParameter);

    tick(c::kReplyParameter, parameterBlock('5', {kSystemModuleAt1, kWdoModule, kWaoModule}));
    EXPECT_EQ(session.linkState, LinkState::LoadingParameters);
    EXPECT_EQ(ui.operation, Operation::ReceiveParameter);
    EXPECT_TRUE(dialogue.workerBusy());
    EXPECT_TRUE(dialogue.animating());
    deliverWorkerDone();
    EXPECT_FALSE(dialogue.workerBusy());
    EXPECT_EQ(ui.rebuilds, 0) << "shown when its finish line confirms it";
    EXPECT_EQ(port.blockTimeouts(), (std::vector<uint16_t>{16, 396}));

    tick(c::kReplyParameterFinish);
    EXPECT_EQ(ui.rebuilds, 1);
    EXPECT_EQ(config.modelName, "HX-3420");
    EXPECT_EQ(config.moduleCount, 3);
    EXPECT_TRUE(session.parameterLoaded);
    EXPECT_FALSE(dialogue.animating());
    EXPECT_TRUE(ui.ipMenuEnabled);
    EXPECT_EQ(ui.operation, Operation::ParameterFinish);
    EXPECT_EQ(port.lastSent(), c::kPrompt);

    answerAutoQuery({"autoexec.bat", "3420V10.bin"});
    EXPECT_FALSE(session.firmwareAutoQuery);
    EXPECT_TRUE(session.fileNamesReceived);
    EXPECT_EQ(session.fileCount, 2);
    EXPECT_EQ(session.firmwareFileNames[1], "3420V10.bin");
    EXPECT_EQ(ui.operation, Operation::FileNameFinish);

    port.clearSent();
    tick(c::kReplyConnect);
    tick(c::kReplyConnect);
    EXPECT_EQ(port.sentLines(), (std::vector<std::string>{c::kPrompt, c::kPrompt}));
}

TEST_F(ConsoleDialogueTest, parameterFinishReportsTheSystemModuleCheck) {
    struct Case {
        std::array<uint8_t, 12> first;
        Operation text;
    };
    std::array<uint8_t, 12> at2 = kSystemModuleAt1;
    at2[8] = 2;
    for (const Case& k :
         {Case{kSystemModuleAt1, Operation::ParameterFinish}, Case{at2, Operation::SystemModuleAddressError},
          Case{kWdoModule, Operation::SystemModuleMissing}}) {
        LinkSession s;
        GatewayConfig g;
        IpSettingRecord r;
        FakePort p;
        RecordingUi u;
        ConsoleDialogue d(s, g, r, p, u, u.hooks());
        d.connect({});
        p.queueLine(c::kReplyConnect);
        d.onPollTimer();
        p.queueLine(c::kReplyParameter);
        p.queueBytes(parameterBlock('4', {k.first, kWaoModule, kWdoModule}));
        d.onPollTimer();
        while (d.workerBusy()) ASSERT_TRUE(u.runPosted());
        p.queueLine(c::kReplyParameterFinish);
        d.onPollTimer();
        EXPECT_EQ(u.operation, k.text);
        EXPECT_FALSE(u.ipMenuEnabled);  // HX-3410
    }
}

TEST_F(ConsoleDialogueTest, incompleteParameterBlockIsReportedAtFinish) {
    connect();
    tick(c::kReplyConnect);
    auto block = parameterBlock('5', {kSystemModuleAt1, kWdoModule, kWaoModule});
    block.resize(16 + 12 + 5);
    tick(c::kReplyParameter, block);
    deliverWorkerDone();
    tick(c::kReplyParameterFinish);
    EXPECT_EQ(ui.operation, Operation::ParameterIncomplete);
}

TEST_F(ConsoleDialogueTest, secondMissInARowLosesTheLink) {
    connectAndLoad();
    answerAutoQuery({"3420V10.bin"});
    tick();
    EXPECT_EQ(session.missCount, 1);
    EXPECT_EQ(session.linkState, LinkState::Connected);
    tick(c::kReplyConnect);
    EXPECT_EQ(session.missCount, 0);
    tick("unexpected line");
    EXPECT_EQ(session.linkState, LinkState::Connected);
    session.safeValueLayout = SafeValueLayout::Block976;
    ui.clears = ui.resets = 0;
    tick();
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
    EXPECT_FALSE(session.parameterLoaded);
    EXPECT_EQ(config.moduleCount, 0);
    EXPECT_FALSE(ui.moduleLamp);
    EXPECT_TRUE(ui.portLamp);
    EXPECT_EQ(ui.linkStatus, LinkStatus::Lost);
    EXPECT_EQ(ui.operation, Operation::None);
    EXPECT_TRUE(session.firmwareAutoQuery);
    EXPECT_FALSE(session.fileNamesReceived);
    EXPECT_EQ(session.safeValueLayout, SafeValueLayout::Block512);
    EXPECT_EQ(ui.clears, 1);
    EXPECT_EQ(ui.resets, 1);
    EXPECT_EQ(port.lastSent(), c::kPrompt);

    // Regained: the whole sequence starts again with the parameter block.
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kLoadParameter);
    EXPECT_TRUE(ui.moduleLamp);
}

TEST_F(ConsoleDialogueTest, quietStatesNeitherPromptNorCountAMiss) {
    connectAndLoad();
    answerAutoQuery({});
    struct Case {
        const char* name;
        std::function<std::optional<JobId>()> set;
    };
    const std::vector<Case> cases = {
        {"loading",
         [&] {
             session.linkState = LinkState::LoadingParameters;
             return std::optional<JobId>();
         }},
        {"safe send", [&] { return std::optional(ask(jobOf(JobKind::SendSafeValues))); }},
        {"safe load", [&] { return std::optional(ask(jobOf(JobKind::ReadSafeValues))); }},
    };
    for (const auto& k : cases) {
        tick(c::kReplyConnect);
        session.linkState = LinkState::Connected;
        const std::optional<JobId> job = k.set();
        port.clearSent();
        tick();
        tick();
        EXPECT_TRUE(port.sentLines().empty()) << k.name;
        EXPECT_EQ(session.missCount, 0) << k.name;
        EXPECT_TRUE(session.parameterLoaded) << k.name;
        if (job) dialogue.cancel(*job);
    }
}

TEST_F(ConsoleDialogueTest, pendingSafeValueRequestQuietsAtMostTenTicks) {
    connectAndLoad();
    answerAutoQuery({});
    ask(jobOf(JobKind::SendSafeValues));
    port.clearSent();
    for (int i = 0; i < 10; ++i) tick();
    EXPECT_TRUE(port.sentLines().empty());
    tick();
    EXPECT_EQ(port.sentLines().size(), 1u);
    EXPECT_EQ(session.missCount, 1);
    tick();
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
}

TEST_F(ConsoleDialogueTest, staleSafeValueRequestDoesNotQuietAFreshConnect) {
    ask(jobOf(JobKind::ReadSafeValues));  // asked of no link: it ends at once
    connect();
    tick();
    EXPECT_EQ(port.sentLines().size(), 2u);
    EXPECT_EQ(ui.notices.size(), 1u);
    EXPECT_EQ(outcomeOf(JobKind::ReadSafeValues), JobOutcome::LinkLost);
}

TEST_F(ConsoleDialogueTest, ipRequestsDoNotQuietThePoll) {
    connectAndLoad();
    answerAutoQuery({});
    ask(jobOf(JobKind::ReadIpSetting));
    tick();
    EXPECT_EQ(session.missCount, 1);
    tick();
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
}

TEST_F(ConsoleDialogueTest, commandRulePrecedence) {
    using K = JobKind;
    struct Case {
        std::vector<JobKind> jobs;
        bool autoQuery;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {{K::SendIpSetting, K::ReadFileNames, K::SendSafeValues}, false, c::kSendSafeValue},
        {{K::SendIpSetting, K::ReadSafeValues}, false, c::kLoadSafeValue},
        // The safe values wait for the layout the first file-name reply tells.
        {{K::SendIpSetting, K::SendSafeValues}, true, c::kLoadFileName},
        {{K::ReadIpSetting, K::ReadFileNames}, false, c::kLoadFileName},
        {{K::ReadIpSetting, K::SendIpSetting}, false, c::kSendIpSetting},
        {{K::ReadIpSetting}, false, c::kLoadIpSetting},
        {{}, false, c::kPrompt},
    };
    // Each case from a fresh link: a command opens an exchange, and no second
    // command goes out while it is under way.
    for (const auto& k : cases) {
        connectAndLoad();
        session.firmwareAutoQuery = k.autoQuery;
        for (const JobKind kind : k.jobs) ask(jobOf(kind));
        tick(c::kReplyConnect);
        EXPECT_EQ(port.lastSent(), k.expected);
        dialogue.disconnect();
    }
    connectAndLoad();
    session.parameterLoaded = false;
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kLoadParameter);
}

TEST_F(ConsoleDialogueTest, safeValueSendSendsTheBlockThenTransmitEnd) {
    connectAndLoad();
    answerAutoQuery({"3420V10.bin"});
    std::vector<uint8_t> block(512, 0xA5);
    block[0] = 1;
    ask(Job::sendSafeValues(block));
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kSendSafeValue);
    port.clearSent();
    tick(c::kReplyReceiveSafeValue);
    ASSERT_EQ(port.sentBlocks().size(), 1u);
    EXPECT_EQ(port.sentBlocks()[0], block);
    EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kTransmitEnd});
    EXPECT_EQ(ui.operation, Operation::SendSafeValue);
    EXPECT_TRUE(dialogue.animating());
    tick(c::kReplySafeValueSent);
    EXPECT_EQ(outcomeOf(JobKind::SendSafeValues), JobOutcome::Done);
    EXPECT_FALSE(dialogue.animating());
    EXPECT_EQ(port.lastSent(), c::kPrompt);
}

TEST_F(ConsoleDialogueTest, safeValueBlockOfTheWrongSizeIsNotSent) {
    connectAndLoad();
    answerAutoQuery({"3420V13.bin"});  // 976-byte layout
    ASSERT_EQ(session.safeValueLayout, SafeValueLayout::Block976);
    ask(Job::sendSafeValues(std::vector<uint8_t>(512, 0)));
    tick(c::kReplyConnect);
    port.clearSent();
    tick(c::kReplyReceiveSafeValue);
    EXPECT_TRUE(port.sentBlocks().empty());
    EXPECT_TRUE(port.sentLines().empty());
    EXPECT_EQ(outcomeOf(JobKind::SendSafeValues), JobOutcome::BlockIncomplete);
    EXPECT_EQ(ui.operation, Operation::SendSafeValueError);
}

TEST_F(ConsoleDialogueTest, verdictRepliesEndTheirSends) {
    connectAndLoad();
    answerAutoQuery({});
    struct Case {
        JobKind job;
        const char* asked;
        const char* reply;
        JobOutcome outcome;
        GatewayError error;
        Operation text;
    };
    const char* safe = c::kReplyReceiveSafeValue;
    const char* ipAsk = c::kReplyReceiveIpSetting;
    const std::vector<Case> cases = {
        {JobKind::SendSafeValues, safe, c::kReplySaveSafeValueError, JobOutcome::GatewayError, GatewayError::SaveFailed,
         Operation::SaveSafeValueError},
        {JobKind::SendSafeValues, safe, c::kReplyReceiveSafeValueError, JobOutcome::GatewayError,
         GatewayError::ReceiveFailed, Operation::SendSafeValueError},
        {JobKind::SendIpSetting, ipAsk, c::kReplyIpSettingSent, JobOutcome::Done, GatewayError::None,
         Operation::IpSettingSent},
        {JobKind::SendIpSetting, ipAsk, c::kReplySaveIpSettingError, JobOutcome::GatewayError, GatewayError::SaveFailed,
         Operation::SaveIpSettingError},
        {JobKind::SendIpSetting, ipAsk, c::kReplyReceiveIpSettingError, JobOutcome::GatewayError,
         GatewayError::ReceiveFailed, Operation::SendIpSettingError},
    };
    for (const auto& k : cases) {
        ask(jobOf(k.job));
        tick(c::kReplyConnect);
        tick(k.asked);
        tick(k.reply);
        const auto end = endOf(k.job);
        ASSERT_TRUE(end) << k.reply;
        EXPECT_EQ(end->outcome, k.outcome) << k.reply;
        EXPECT_EQ(end->error, k.error) << k.reply;
        EXPECT_EQ(ui.operation, k.text) << k.reply;
        EXPECT_FALSE(dialogue.animating()) << k.reply;
        EXPECT_EQ(port.lastSent(), c::kPrompt) << k.reply;
        ended.clear();
    }
}

// A prompt asked for while a tick reads (here by a send's verdict) goes out
// once every line that had come is read, so that none of those lines can be
// taken for its answer, and a gateway that answers at once is heard on the
// next tick with no miss counted.
TEST_F(ConsoleDialogueTest, aPromptAskedForWhileReadingGoesOutBehindTheLinesThatHadCome) {
    connectAndLoad();
    answerAutoQuery({});
    ask(jobOf(JobKind::SendIpSetting));
    tick(c::kReplyConnect);
    tick(c::kReplyReceiveIpSetting);
    port.clearSent();
    port.queueLine(c::kReplyIpSettingSent);
    port.queueLine("echo of something");
    tick();
    ASSERT_EQ(port.sentLines(), std::vector<std::string>{c::kPrompt});
    EXPECT_EQ(port.sent().front().consumedBefore, port.consumedBytes());
    tick(c::kReplyConnect);
    EXPECT_EQ(session.missCount, 0);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

TEST_F(ConsoleDialogueTest, safeValueLoadHandsOverTheReceivedBlock) {
    connectAndLoad();
    answerAutoQuery({});
    session.safeValueBytes.clear();
    ask(jobOf(JobKind::ReadSafeValues));
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kLoadSafeValue);
    std::vector<uint8_t> block(512);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
    tick(c::kReplySafeValue, block);
    EXPECT_EQ(ui.operation, Operation::ReceiveSafeValue);
    deliverWorkerDone();
    tick(c::kReplySafeValueFinish);
    const auto end = endOf(JobKind::ReadSafeValues);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->outcome, JobOutcome::Done);
    EXPECT_EQ(end->safeValues, block);
    EXPECT_EQ(session.safeValueBytes, block);  // what a report of the link shows
    EXPECT_EQ(ui.operation, Operation::SafeValueReceived);
    dialogue.disconnect();
    connect();
    EXPECT_TRUE(session.safeValueBytes.empty()) << "a new link shows no block of the last";
}

TEST_F(ConsoleDialogueTest, truncatedBlocksLeaveReceiveErrorAfterFinish) {
    connectAndLoad();
    answerAutoQuery({});
    ask(jobOf(JobKind::ReadSafeValues));
    tick(c::kReplyConnect);
    tick(c::kReplySafeValue, std::vector<uint8_t>(100, 1));
    deliverWorkerDone();
    EXPECT_EQ(outcomeOf(JobKind::ReadSafeValues), JobOutcome::BlockIncomplete);
    tick(c::kReplySafeValueFinish);
    EXPECT_EQ(outcomeOf(JobKind::ReadSafeValues), JobOutcome::BlockIncomplete);
    EXPECT_EQ(ended.size(), 1u) << "a job ends once";

    ask(jobOf(JobKind::ReadIpSetting));
    tick(c::kReplyConnect);
    tick(c::kReplyIpSetting, std::vector<uint8_t>(10, 1));
    deliverWorkerDone();
    tick(c::kReplyIpSettingFinish);
    EXPECT_EQ(outcomeOf(JobKind::ReadIpSetting), JobOutcome::BlockIncomplete);
}

TEST_F(ConsoleDialogueTest, ipSettingSendAndLoad) {
    connectAndLoad();
    answerAutoQuery({});
    setDefaultIpSetting(ip);
    ask(Job::sendIpSetting(ip));
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kSendIpSetting);
    port.clearSent();
    tick(c::kReplyReceiveIpSetting);
    const auto blocks = port.sentBlocks();
    ASSERT_EQ(blocks.size(), 1u);
    ASSERT_EQ(blocks[0].size(), 76u);
    const std::vector<uint8_t> expectedStart = {0xC0, 0xA8, 0xFF, 0x01, 0xFF, 0xFF, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(blocks[0].begin(), blocks[0].begin() + 8), expectedStart);
    EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kTransmitEnd});
    tick(c::kReplyIpSettingSent);
    EXPECT_EQ(outcomeOf(JobKind::SendIpSetting), JobOutcome::Done);

    const IpSettingBlock sent = encodeIpSettingBlock(ip);
    ask(jobOf(JobKind::ReadIpSetting));
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kLoadIpSetting);
    tick(c::kReplyIpSetting, sent);
    deliverWorkerDone();
    tick(c::kReplyIpSettingFinish);
    const auto end = endOf(JobKind::ReadIpSetting);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->outcome, JobOutcome::Done);
    EXPECT_EQ(encodeIpSettingBlock(end->ipSetting), sent);
}

TEST_F(ConsoleDialogueTest, readEepromErrorGoesToTheLoadSentLast) {
    connectAndLoad();
    answerAutoQuery({});
    // An IP load is pending, but the safe-value load went out last.
    ask(jobOf(JobKind::ReadIpSetting));
    ask(jobOf(JobKind::ReadSafeValues));
    tick(c::kReplyConnect);
    ASSERT_EQ(port.lastSent(), c::kLoadSafeValue);
    tick(c::kReplyReadEepromError);
    const auto safe = endOf(JobKind::ReadSafeValues);
    ASSERT_TRUE(safe);
    EXPECT_EQ(safe->error, GatewayError::ReadEeprom);
    EXPECT_FALSE(endOf(JobKind::ReadIpSetting));
    EXPECT_EQ(ui.operation, Operation::ReadSafeValueError);

    tick(c::kReplyConnect);
    ASSERT_EQ(port.lastSent(), c::kLoadIpSetting);
    tick(c::kReplyReadEepromError);
    const auto ipEnd = endOf(JobKind::ReadIpSetting);
    ASSERT_TRUE(ipEnd);
    EXPECT_EQ(ipEnd->error, GatewayError::ReadEeprom);
    EXPECT_EQ(ui.operation, Operation::ReadIpSettingError);
}

TEST_F(ConsoleDialogueTest, readEepromErrorWithoutALoadFollowsTheQueuedIpLoad) {
    connectAndLoad();
    const JobId queuedIp = ask(jobOf(JobKind::ReadIpSetting));
    tick(c::kReplyReadEepromError);
    EXPECT_EQ(ui.operation, Operation::ReadIpSettingError);
    // No command of ours asked: the queued job is still to run.
    EXPECT_FALSE(endOf(JobKind::ReadIpSetting));
    dialogue.cancel(queuedIp);
    tick(c::kReplyReadEepromError);
    EXPECT_EQ(ui.operation, Operation::ReadSafeValueError);
}

TEST_F(ConsoleDialogueTest, fileNameJobEndsWithTheNamesAndChoosesTheLayout) {
    connectAndLoad();
    answerAutoQuery({"3420V10.bin"});
    EXPECT_EQ(session.safeValueLayout, SafeValueLayout::Block512);
    ask(jobOf(JobKind::ReadFileNames));
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kLoadFileName);
    tick(c::kReplyFileName, fileNameReply({"3420V10.bin", "3420V13.bin"}));
    deliverWorkerDone();
    EXPECT_FALSE(endOf(JobKind::ReadFileNames)) << "the finish line confirms the reply";
    EXPECT_EQ(session.firmwareFileNames[1], "") << "and the names with it";
    tick(c::kReplyFileNameFinish);
    EXPECT_EQ(session.safeValueLayout, SafeValueLayout::Block976);  // the later slot decides
    const auto end = endOf(JobKind::ReadFileNames);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->outcome, JobOutcome::Done);
    EXPECT_EQ(end->fileNames[1], "3420V13.bin");
    EXPECT_EQ(end->safeValueLayout, SafeValueLayout::Block976);
}

TEST_F(ConsoleDialogueTest, failedFileNameReplyKeepsItsErrorText) {
    connectAndLoad();
    tick(c::kReplyConnect);
    const std::string bad = "File_XX=\x01";
    tick(c::kReplyFileName, std::vector<uint8_t>(bad.begin(), bad.end()));
    deliverWorkerDone();
    EXPECT_FALSE(session.fileNamesReceived);
    EXPECT_EQ(ui.operation, Operation::FileNameError);
    EXPECT_TRUE(session.firmwareAutoQuery);
    tick(c::kReplyFileNameFinish);
    EXPECT_EQ(ui.operation, Operation::FileNameError);
}

TEST_F(ConsoleDialogueTest, brokenFileNameReplyDecidesNoLayoutAndIsAskedAgain) {
    connectAndLoad();
    ask(jobOf(JobKind::ReadSafeValues));
    tick(c::kReplyConnect);
    ASSERT_EQ(port.lastSent(), c::kLoadFileName);
    // A firmware of the large layout, whose reply breaks off in the name that says so.
    std::vector<uint8_t> reply = fileNameReply({"autoexec.bat", "3420V13.bin"});
    reply.resize(reply.size() - 5);
    tick(c::kReplyFileName, reply);
    deliverWorkerDone();
    tick(c::kReplyFileNameFinish);
    EXPECT_EQ(ui.operation, Operation::FileNameError);
    EXPECT_EQ(session.firmwareFileNames[0], "") << "no name of a broken reply is kept";
    EXPECT_TRUE(session.firmwareAutoQuery) << "the layout is still to be learnt";
    EXPECT_FALSE(outcomeOf(JobKind::ReadSafeValues));
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kLoadFileName) << "asked again before any safe value";
}

TEST_F(ConsoleDialogueTest, menuPressedWhileAFailedReplyIsReceivedStillReportsTheFailure) {
    connectAndLoad();
    answerAutoQuery({"3420V10.bin"});
    ask(jobOf(JobKind::ReadFileNames));
    tick(c::kReplyConnect);
    const std::string bad = "File_NO=\x0C";
    tick(c::kReplyFileName, std::vector<uint8_t>(bad.begin(), bad.end()));
    const auto notice = ui.takePosted();
    ASSERT_TRUE(notice);
    // The worker has ended, its notice is still queued, and the user asks again.
    ask(jobOf(JobKind::ReadFileNames));
    notice();
    EXPECT_FALSE(session.fileNamesReceived);
    EXPECT_EQ(ui.operation, Operation::FileNameError);
    ASSERT_EQ(ended.size(), 0u);
    ui.runAllPosted();
    ASSERT_EQ(ended.size(), 1u) << "the second question is still to go out";
    EXPECT_EQ(ended[0].outcome, JobOutcome::BlockIncomplete);
}

TEST_F(ConsoleDialogueTest, gatewayThatNeverAnswersTheFileNameQueryIsAskedAgain) {
    connectAndLoad();
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kLoadFileName);
    port.clearSent();
    // A reply queued behind the first keeps the link alive but asks nothing.
    tick(c::kReplyConnect);
    for (int i = 1; i < ConsoleDialogue::kExchangeTimeoutTicks; ++i) tick();
    EXPECT_TRUE(port.sentLines().empty());
    EXPECT_EQ(session.missCount, 0);
    tick();  // the exchange is given up: the prompt, and one miss
    EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kPrompt});
    EXPECT_EQ(session.missCount, 1);
    tick(c::kReplyConnect);
    EXPECT_EQ(port.lastSent(), c::kLoadFileName);
    EXPECT_TRUE(session.firmwareAutoQuery);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

TEST_F(ConsoleDialogueTest, disconnectNoticeClearsTheViewButKeepsTheFirmwareState) {
    connectAndLoad();
    answerAutoQuery({"3420V13.bin"});
    ask(jobOf(JobKind::ReadSafeValues));
    ui.clears = ui.resets = 0;
    tick(c::kReplyDisconnect);
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
    EXPECT_FALSE(session.parameterLoaded);
    EXPECT_EQ(config.moduleCount, 0);
    EXPECT_EQ(outcomeOf(JobKind::ReadSafeValues), JobOutcome::LinkLost);
    EXPECT_FALSE(ui.moduleLamp);
    EXPECT_EQ(ui.linkStatus, LinkStatus::Lost);
    EXPECT_EQ(ui.clears, 1);
    EXPECT_EQ(ui.resets, 1);
    EXPECT_TRUE(session.fileNamesReceived);
    EXPECT_FALSE(session.firmwareAutoQuery);
    EXPECT_EQ(session.safeValueLayout, SafeValueLayout::Block976);
    EXPECT_EQ(config.modelName, "HX-3420");  // texts of the last block stay
}

TEST_F(ConsoleDialogueTest, disconnectResetsTheLinkAndEndsItsJobs) {
    connectAndLoad();
    ask(jobOf(JobKind::SendIpSetting));
    dialogue.disconnect();
    EXPECT_EQ(port.closes, 1);
    EXPECT_FALSE(session.portOpen);
    EXPECT_FALSE(ui.portLamp);
    EXPECT_FALSE(ui.moduleLamp);
    EXPECT_TRUE(ui.connectEnabled);
    EXPECT_FALSE(ui.disconnectEnabled);
    EXPECT_TRUE(ui.portBoxesEnabled);
    EXPECT_FALSE(ui.pollTimerRunning);
    EXPECT_FALSE(ui.animationTimerRunning);
    EXPECT_EQ(ui.progress, 0);
    EXPECT_EQ(ui.linkStatus, LinkStatus::PortClosed);
    EXPECT_EQ(outcomeOf(JobKind::SendIpSetting), JobOutcome::LinkLost);
    EXPECT_EQ(config.moduleCount, 0);
}

// Disconnect after a send command: the block goes out only to a gateway that
// has acknowledged it, whether or not a tick has read the acknowledgement.
TEST_F(ConsoleDialogueTest, disconnectWritesTheBlockOfAnAcknowledgedSendOnly) {
    for (const bool acknowledged : {false, true}) {
        connectAndLoad();
        answerAutoQuery({});
        setDefaultIpSetting(ip);
        ask(Job::sendIpSetting(ip));
        tick(c::kReplyConnect);
        ASSERT_EQ(port.lastSent(), c::kSendIpSetting);
        port.clearSent();
        port.queueLine(c::kReplyConnect);  // a doubled reply ahead of the answer
        if (acknowledged) port.queueLine(c::kReplyReceiveIpSetting);
        dialogue.disconnect();
        EXPECT_FALSE(session.portOpen);
        if (acknowledged) {
            ASSERT_EQ(port.sentBlocks().size(), 1u);
            EXPECT_EQ(port.sentBlocks()[0].size(), kIpSettingBlockBytes);
            EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kTransmitEnd});
        } else {
            EXPECT_TRUE(port.sent().empty());
        }
    }
}

TEST_F(ConsoleDialogueTest, failedCloseLeavesTheConnectionAsItWas) {
    connectAndLoad();
    port.closeCode = 5;
    dialogue.disconnect();
    EXPECT_EQ(ui.linkStatus, LinkStatus::CloseError);
    EXPECT_EQ(ui.linkCode, 5u);
    EXPECT_TRUE(session.portOpen);
    EXPECT_TRUE(session.parameterLoaded);
    EXPECT_TRUE(ui.pollTimerRunning);
}

TEST_F(ConsoleDialogueTest, disconnectCutsARunningWorkerShortAndDropsItsNotice) {
    connect();
    tick(c::kReplyConnect);
    port.holdBlocks();  // the gateway withholds the block: released only by a cancel
    tick(c::kReplyParameter);
    ASSERT_TRUE(dialogue.workerRunning());
    tick();  // the worker owns the port: nothing is read or sent
    EXPECT_EQ(port.lineReads(), 2);
    dialogue.disconnect();
    EXPECT_FALSE(dialogue.workerRunning());
    EXPECT_FALSE(dialogue.workerBusy());
    EXPECT_EQ(port.closes, 1);
    EXPECT_FALSE(port.waitsCancelled()) << "the port is usable again after the close";
    const auto notice = ui.takePosted();
    ASSERT_TRUE(notice);
    notice();  // late notice of an ended link
    EXPECT_EQ(ui.rebuilds, 0);
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
}

// The notice of a worker cut short by Disconnect may still be queued when the
// next Connect has started another: it must not take the new worker's place.
TEST_F(ConsoleDialogueTest, noticeOfAWorkerFromBeforeAReconnectIsIgnored) {
    connect();
    tick(c::kReplyConnect);
    port.holdBlocks();
    tick(c::kReplyParameter);
    dialogue.disconnect();
    const auto staleNotice = ui.takePosted();
    ASSERT_TRUE(staleNotice);

    connect();
    tick(c::kReplyConnect);
    port.holdBlocks();
    tick(c::kReplyParameter, parameterBlock('5', {kSystemModuleAt1, kWdoModule, kWaoModule}));
    ASSERT_TRUE(dialogue.workerBusy());
    staleNotice();
    EXPECT_TRUE(dialogue.workerBusy()) << "the new worker still owns the port";
    EXPECT_EQ(ui.rebuilds, 0);
    EXPECT_EQ(session.linkState, LinkState::LoadingParameters);

    port.release();
    deliverWorkerDone();
    tick(c::kReplyParameterFinish);
    EXPECT_EQ(ui.rebuilds, 1);
    EXPECT_EQ(config.moduleCount, 3);
}

TEST_F(ConsoleDialogueTest, animationRunsAndStopsWithinOneStep) {
    connect();
    tick(c::kReplyConnect);
    port.holdBlocks();
    tick(c::kReplyParameter);
    ASSERT_TRUE(dialogue.animating());
    std::vector<int> seen;
    for (int i = 0; i < 11; ++i) {
        dialogue.onAnimationTimer();
        seen.push_back(ui.progress);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
    port.release();  // nothing comes: the block fails and the animation stops
    deliverWorkerDone();
    ASSERT_FALSE(dialogue.animating());
    ui.animationTimerRunning = true;
    dialogue.onAnimationTimer();
    EXPECT_EQ(ui.progress, 0);
    EXPECT_FALSE(ui.animationTimerRunning);
}

// The firmware dialog opens modally from a job's end: the ticks go on behind it.
TEST_F(ConsoleDialogueTest, ticksRunWhileTheFirmwareDialogIsOpen) {
    connectAndLoad();
    answerAutoQuery({});
    int ticksDuringDialog = 0;
    dialogue.submit(jobOf(JobKind::ReadFileNames), [&](const JobResult&) {
        port.clearSent();
        tick(c::kReplyConnect);
        EXPECT_EQ(port.lastSent(), c::kPrompt);
        ++ticksDuringDialog;
    });
    tick(c::kReplyConnect);
    tick(c::kReplyFileName, fileNameReply({"3420V10.bin"}));
    deliverWorkerDone();
    tick(c::kReplyFileNameFinish);
    ui.runAllPosted();
    EXPECT_EQ(ticksDuringDialog, 1);
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_EQ(session.fileCount, 1);
}

// --- exchanges ---------------------------------------------------------------

// A slow gateway answers two prompts at once. The first connect starts the
// exchange; the one queued behind it must not send the command again.
TEST_F(ConsoleDialogueTest, connectQueuedBehindAnotherStartsNoSecondCommand) {
    struct Case {
        const char* command;
        std::function<void()> request;
    };
    const std::vector<Case> cases = {
        {c::kLoadParameter, [&] { session.parameterLoaded = false; }},
        {c::kSendSafeValue, [&] { ask(jobOf(JobKind::SendSafeValues)); }},
        {c::kLoadSafeValue, [&] { ask(jobOf(JobKind::ReadSafeValues)); }},
        {c::kLoadFileName, [&] { ask(jobOf(JobKind::ReadFileNames)); }},
        {c::kSendIpSetting, [&] { ask(jobOf(JobKind::SendIpSetting)); }},
        {c::kLoadIpSetting, [&] { ask(jobOf(JobKind::ReadIpSetting)); }},
    };
    for (const Case& k : cases) {
        connectAndLoad();
        answerAutoQuery({"3420V10.bin"});
        k.request();
        port.clearSent();
        port.queueLine(c::kReplyConnect);
        tick(c::kReplyConnect);
        tick();
        EXPECT_EQ(port.sentLines(), std::vector<std::string>{k.command}) << k.command;
        EXPECT_TRUE(dialogue.exchangeOpen()) << k.command;
        EXPECT_EQ(session.missCount, 0) << k.command;
        dialogue.disconnect();
    }
}

// A "connect" read after this tick's prompt answers an older prompt: it is
// read at once and starts nothing, so a doubled reply leaves no later reply a
// tick behind for good.
TEST_F(ConsoleDialogueTest, doubledConnectIsReadAtOnceAndStartsNothing) {
    connectAndLoad();
    answerAutoQuery({"3420V10.bin"});
    port.clearSent();
    port.queueLine(c::kReplyConnect);
    tick(c::kReplyConnect);
    EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kPrompt});
    EXPECT_EQ(port.pendingBytes(), 0u);

    ask(jobOf(JobKind::ReadIpSetting));
    port.clearSent();
    tick(c::kReplyConnect);
    EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kLoadIpSetting});
}

// After a send command the gateway may already wait for our block: neither a
// prompt on a silent tick nor a command may go out until it has answered.
TEST_F(ConsoleDialogueTest, nothingGoesOutWhileASendCommandAwaitsItsAnswer) {
    connectAndLoad();
    answerAutoQuery({"3420V10.bin"});
    ask(Job::sendSafeValues(std::vector<uint8_t>(512, 0x11)));
    tick(c::kReplyConnect);
    port.clearSent();
    for (int i = 1; i < ConsoleDialogue::kExchangeTimeoutTicks; ++i) tick(i == 2 ? "garbage" : "");
    EXPECT_TRUE(port.sent().empty());
    tick(c::kReplyReceiveSafeValue);
    const auto sent = port.sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].isBlock);
    EXPECT_EQ(sent[1].line, c::kTransmitEnd);
    // A doubled announcement gets no second block.
    tick(c::kReplyReceiveSafeValue);
    EXPECT_EQ(port.sent().size(), 2u);
    tick(c::kReplySafeValueSent);
    EXPECT_EQ(outcomeOf(JobKind::SendSafeValues), JobOutcome::Done);
    EXPECT_EQ(port.lastSent(), c::kPrompt);
    EXPECT_FALSE(dialogue.exchangeOpen());
}

// The gateway asks for a block no command of ours is waiting for (after its
// disconnect notice): no block, and quiet until its verdict.
TEST_F(ConsoleDialogueTest, blockAskedForAfterTheDisconnectNoticeIsWithheld) {
    connectAndLoad();
    answerAutoQuery({});
    ask(jobOf(JobKind::SendIpSetting));
    tick(c::kReplyConnect);
    ASSERT_EQ(port.lastSent(), c::kSendIpSetting);
    tick(c::kReplyDisconnect);
    port.clearSent();
    tick(c::kReplyReceiveIpSetting);
    tick();
    tick();
    EXPECT_TRUE(port.sent().empty());
    tick(c::kReplyReceiveIpSettingError);
    EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kPrompt});
}

// --- short and late blocks ----------------------------------------------------

struct ShortBlockCase {
    const char* name;
    std::optional<JobKind> job;  // none: the load after Connect
    const char* announce;
    std::size_t bytesSent;  // of the whole block
    const char* finish;
    Operation errorText;
};

// A block that breaks off with its finish line right behind: the receive takes
// the line in place of the missing bytes and hands it back.
TEST_F(ConsoleDialogueTest, shortBlockEndsItsExchangeWithItsErrorAtOnce) {
    const std::vector<ShortBlockCase> cases = {
        {"parameter", std::nullopt, c::kReplyParameter, 16 + 12 + 12 + 7, c::kReplyParameterFinish,
         Operation::ParameterIncomplete},
        {"safe values", JobKind::ReadSafeValues, c::kReplySafeValue, 400, c::kReplySafeValueFinish,
         Operation::ReceiveSafeValueError},
        {"ip setting", JobKind::ReadIpSetting, c::kReplyIpSetting, 20, c::kReplyIpSettingFinish,
         Operation::ReceiveIpSettingError},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        ended.clear();
        connectAndLoad();
        answerAutoQuery({"3420V10.bin"});
        setDefaultIpSetting(ip);
        const IpSettingRecord ipBefore = ip;
        session.safeValueBytes.clear();
        const int rebuildsBefore = ui.rebuilds;
        if (k.job) {
            ask(jobOf(*k.job));
        } else {
            session.parameterLoaded = false;
        }
        tick(c::kReplyConnect);
        std::vector<uint8_t> block = parameterBlock(
            '5', {kSystemModuleAt1, kWdoModule, kWaoModule, kWdoModule, kWaoModule, kWdoModule, kWaoModule});
        block.resize(std::max<std::size_t>(block.size(), 512), 0x33);
        block.resize(k.bytesSent);
        port.queueLine(k.announce);
        port.queueBytes(block);
        port.queueLine(k.finish);
        port.clearSent();
        tick();
        deliverWorkerDone();

        EXPECT_EQ(ui.operation, k.errorText);
        EXPECT_FALSE(dialogue.animating());
        EXPECT_FALSE(dialogue.exchangeOpen()) << "the finish line was read as a line";
        EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kPrompt});
        EXPECT_EQ(ui.rebuilds, rebuildsBefore);
        EXPECT_EQ(ip, ipBefore);
        EXPECT_TRUE(session.safeValueBytes.empty());
        if (k.job) {
            EXPECT_EQ(outcomeOf(*k.job), JobOutcome::BlockIncomplete);
        } else {
            EXPECT_FALSE(session.parameterLoaded);
            tick(c::kReplyConnect);
            EXPECT_EQ(port.lastSent(), c::kLoadParameter) << "a short block is asked for again";
        }
        dialogue.disconnect();
    }
}

// A block short by less than its finish line: the line's head fills it. The
// rest of the line shows it, before anything of the block is installed.
TEST_F(ConsoleDialogueTest, blockShortByLessThanItsFinishLineIsNeverInstalled) {
    connectAndLoad();
    answerAutoQuery({"3420V10.bin"});
    setDefaultIpSetting(ip);
    const IpSettingRecord before = ip;
    ask(jobOf(JobKind::ReadIpSetting));
    tick(c::kReplyConnect);
    port.queueLine(c::kReplyIpSetting);
    port.queueBytes(std::vector<uint8_t>(70, 0x44));
    port.queueLine(c::kReplyIpSettingFinish);
    tick();
    deliverWorkerDone();
    EXPECT_EQ(outcomeOf(JobKind::ReadIpSetting), JobOutcome::BlockIncomplete);
    EXPECT_EQ(ui.operation, Operation::ReceiveIpSettingError);
    EXPECT_EQ(ip, before);
    EXPECT_FALSE(dialogue.exchangeOpen()) << "the finish line was given back whole";
    EXPECT_EQ(port.lastSent(), c::kPrompt);

    // The same for a file-name reply: no name is made up from the line.
    tick(c::kReplyConnect);
    ask(jobOf(JobKind::ReadFileNames));
    tick(c::kReplyConnect);
    port.queueLine(c::kReplyFileName);
    port.queueBytes(std::string("File_NO=\x01") + "File_Name=3420V1");
    port.queueLine(c::kReplyFileNameFinish);
    tick();
    deliverWorkerDone();
    EXPECT_EQ(outcomeOf(JobKind::ReadFileNames), JobOutcome::BlockIncomplete);
    EXPECT_FALSE(session.fileNamesReceived);
    EXPECT_EQ(session.firmwareFileNames[0], "3420V10.bin");
    EXPECT_EQ(session.safeValueLayout, SafeValueLayout::Block512);
    EXPECT_EQ(session.missCount, 0);
}

// A block that comes after its time-out: the error at once, and its bytes,
// when they come, are dropped up to the finish line without a miss.
TEST_F(ConsoleDialogueTest, restOfALateBlockIsDroppedUpToItsFinishLine) {
    connectAndLoad();
    answerAutoQuery({});
    ask(jobOf(JobKind::ReadSafeValues));
    tick(c::kReplyConnect);
    port.queueLine(c::kReplySafeValue);
    port.pause();
    tick();
    deliverWorkerDone();
    EXPECT_EQ(outcomeOf(JobKind::ReadSafeValues), JobOutcome::BlockIncomplete);
    EXPECT_EQ(ui.operation, Operation::ReceiveSafeValueError);
    EXPECT_FALSE(dialogue.animating());

    std::vector<uint8_t> late(512);
    for (std::size_t i = 0; i < late.size(); ++i) late[i] = static_cast<uint8_t>(i * 37);
    port.queueBytes(late);
    port.queueLine(c::kReplySafeValueFinish);
    port.clearSent();
    tick();
    EXPECT_FALSE(dialogue.exchangeOpen());
    EXPECT_EQ(session.missCount, 0);
    EXPECT_EQ(port.sentLines(), std::vector<std::string>{c::kPrompt});
    EXPECT_EQ(ended.size(), 1u) << "a job ends once";
    EXPECT_EQ(ui.operation, Operation::ReceiveSafeValueError);
    EXPECT_TRUE(session.safeValueBytes.empty());
}

TEST_F(ConsoleDialogueTest, finishWithoutAnyBlockIsNoSuccess) {
    connectAndLoad();
    answerAutoQuery({});
    ask(jobOf(JobKind::ReadSafeValues));
    tick(c::kReplyConnect);
    // The announcement was lost on the line; the finish is all that came.
    tick(c::kReplySafeValueFinish);
    EXPECT_EQ(outcomeOf(JobKind::ReadSafeValues), JobOutcome::BlockIncomplete);
    tick(c::kReplySafeValueFinish);  // doubled: its exchange is over
    EXPECT_EQ(ended.size(), 1u);
}

// --- ends ---------------------------------------------------------------------

TEST_F(ConsoleDialogueTest, vanishedDeviceClosesThePortAndSaysWhy) {
    struct Case {
        const char* name;
        bool duringWorker;
    };
    for (const Case k : {Case{"between ticks", false}, Case{"while a worker waits", true}}) {
        SCOPED_TRACE(k.name);
        connectAndLoad();
        const int closesBefore = port.closes;
        if (k.duringWorker) {
            port.holdBlocks();
            tick(c::kReplyConnect);
            tick(c::kReplyFileName);
            port.loseDevice(ENXIO);
            deliverWorkerDone();
            port.release();
        } else {
            port.loseDevice(ENXIO);
            tick();
        }
        EXPECT_FALSE(session.portOpen);
        EXPECT_EQ(port.closes, closesBefore + 1);
        EXPECT_EQ(ui.linkStatus, LinkStatus::PortLost);
        EXPECT_EQ(ui.linkCode, 6u);
        EXPECT_FALSE(ui.portLamp);
        EXPECT_FALSE(ui.moduleLamp);
        EXPECT_TRUE(ui.connectEnabled);
        EXPECT_FALSE(ui.disconnectEnabled);
        EXPECT_TRUE(ui.portBoxesEnabled);
        EXPECT_FALSE(ui.pollTimerRunning);
        EXPECT_FALSE(dialogue.workerBusy());
        EXPECT_FALSE(dialogue.workerRunning());
        EXPECT_EQ(config.moduleCount, 0);
        connect();  // plugged in again
        EXPECT_TRUE(session.portOpen);
        EXPECT_EQ(ui.linkStatus, LinkStatus::PortOpen);
        dialogue.disconnect();
    }
}

TEST_F(ConsoleDialogueTest, windowEndCutsAWorkerShortAndLeavesThePortOpen) {
    connect();
    tick(c::kReplyConnect);
    port.holdBlocks();
    tick(c::kReplyParameter);
    ASSERT_TRUE(dialogue.workerRunning());
    dialogue.finishWorker();
    EXPECT_FALSE(dialogue.workerRunning());
    EXPECT_FALSE(dialogue.workerBusy());
    EXPECT_EQ(port.closes, 0);
    EXPECT_FALSE(port.waitsCancelled());
    port.release();
}

}  // namespace
}  // namespace norvik
