// The whole link against norvik-gatesim on a pseudo-terminal: the real termios
// port, real worker threads, the simulator as the gateway.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "link/console_dialogue.h"
#include "link/console_texts.h"
#include "link/link_session.h"
#include "serial/termios_port.h"
#include "model/gateway_config.h"
#include "support/counting_port.h"
#include "support/gatesim_process.h"
#include "support/gateway_ticks.h"
#include "support/recording_ui.h"

namespace norvik {
namespace {

namespace c = console;
using namespace std::chrono_literals;
using test::GatesimProcess;
using test::RecordingUi;

using test::CountingPort;

class LinkEndToEnd : public ::testing::Test {
public:
    std::unique_ptr<GatesimProcess> sim;
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    CountingPort port;
    RecordingUi ui;
    std::unique_ptr<ConsoleDialogue> dialogue;
    test::JobLog jobs;

    // By default the finish line follows its block at once, as a busy gateway's would.
    void start(std::vector<std::string> simArgs = {}, uint32_t baud = 2400, int finishDelayMs = 20) {
        simArgs.insert(simArgs.begin(), {"--finish-delay-ms", std::to_string(finishDelayMs)});
        sim = std::make_unique<GatesimProcess>(NORVIK_GATESIM, simArgs);
        port.restartCount();  // a test may start a second gateway, which has heard nothing yet
        ::setenv("NORVIK_COM1", sim->slavePath().c_str(), 1);
        dialogue = std::make_unique<ConsoleDialogue>(session, config, ip, port, ui, ui.hooks());
        PortSettings settings;
        settings.baud = baud;  // a pty ignores it; the slow rate gives generous time-outs
        dialogue->connect(settings);
        ASSERT_TRUE(session.portOpen) << ui.linkStatus;
    }
    void TearDown() override {
        if (dialogue && session.portOpen) dialogue->disconnect();
        dialogue.reset();
    }

    bool awaitGateway(std::chrono::milliseconds bound = 10s) {
        return test::awaitGateway(*sim, port.linesSent(), bound);
    }

    // Waits until the wire log holds this entry.
    bool awaitLogEntry(const std::string& entry, std::chrono::milliseconds bound = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (!logHas(entry)) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    enum class Gateway { Answers, Silent };

    // One tick as the poll timer gives it, with the worker's notice delivered
    // the way the window's event loop would. A gateway known to be silent gets
    // a short pause instead of the wait for its answer.
    void tick(Gateway gateway = Gateway::Answers) {
        if (gateway != Gateway::Answers || !test::awaitAnswer(*sim, port, *dialogue)) std::this_thread::sleep_for(40ms);
        ASSERT_TRUE(test::pollOnce(*dialogue, session, ui));
    }
    bool tickUntil(const std::function<bool()>& done, int maxTicks = 40) {
        for (int i = 0; i < maxTicks; ++i) {
            if (done()) return true;
            tick();
        }
        return done();
    }
    JobId ask(Job job) { return jobs.ask(*dialogue, std::move(job)); }
    bool ended(JobKind kind, JobOutcome outcome = JobOutcome::Done) const { return jobs.endedWith(kind, outcome); }
    void loadAndQueryNames() {
        ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded && !session.firmwareAutoQuery; }))
            << int(ui.linkStatus) << " / " << int(ui.operation);
    }
    long countLog(const std::string& entry) const {
        const auto lines = sim->logLines();
        return std::count(lines.begin(), lines.end(), entry);
    }
    bool logHas(const std::string& entry) const {
        const auto lines = sim->logLines();
        return std::find(lines.begin(), lines.end(), entry) != lines.end();
    }
};

TEST_F(LinkEndToEnd, connectLoadsTheDemoAndKeepsTheLinkAlive) {
    start();
    loadAndQueryNames();
    EXPECT_EQ(ui.linkStatus, LinkStatus::Connected);
    EXPECT_TRUE(ui.moduleLamp);
    EXPECT_EQ(ui.rebuilds, 1);
    EXPECT_TRUE(ui.ipMenuEnabled);
    EXPECT_TRUE(ui.notices.empty());

    // The demo HX-3420: a system module at position 1 and six modules.
    EXPECT_EQ(config.modelName, "HX-3420");
    EXPECT_EQ(config.moduleCount, 7);
    EXPECT_EQ(config.systemModuleStatus, SystemModuleStatus::Present);
    EXPECT_EQ(config.modules[1].deviceId, 0xFF);
    EXPECT_EQ(config.modules[2].deviceId, 1);
    EXPECT_EQ(config.modules[2].coilCount, 16u);
    EXPECT_EQ(config.modules[4].modbusStart, 100u);
    EXPECT_EQ(config.modules[6].wordSwap, 1);
    EXPECT_EQ(config.modules[6].tcpIndex, 2);
    EXPECT_EQ(config.gatewayValueText[0], "Master");
    EXPECT_EQ(config.gatewayValueText[8], "7");

    EXPECT_EQ(session.fileCount, 2);
    EXPECT_EQ(session.firmwareFileNames[0], "autoexec.bat");
    EXPECT_EQ(session.firmwareFileNames[1], "3420V10.bin");
    EXPECT_TRUE(session.fileNamesReceived);
    EXPECT_EQ(session.safeValueLayout, SafeValueLayout::Block512);

    for (int i = 0; i < 3; ++i) tick();
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_EQ(session.missCount, 0);
    EXPECT_TRUE(logHas("RX LINE LOAD--PARAMETER"));
    EXPECT_TRUE(logHas("RX LINE LOAD--FILE_NAME"));
}

TEST_F(LinkEndToEnd, linkIsLostAfterTwoSilentTicksAndRegained) {
    start();
    loadAndQueryNames();  // up to the file-name finish line; the prompt goes out
    // Its connect reply is the last thing the gateway says before it stops.
    ASSERT_TRUE(awaitGateway());
    ASSERT_EQ(::kill(sim->pid(), SIGSTOP), 0);
    tick(Gateway::Silent);
    ASSERT_EQ(session.missCount, 0);
    tick(Gateway::Silent);
    EXPECT_EQ(session.linkState, LinkState::Connected);  // one miss is not a loss
    EXPECT_EQ(session.missCount, 1);
    EXPECT_TRUE(ui.moduleLamp);
    tick(Gateway::Silent);
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
    EXPECT_FALSE(ui.moduleLamp);
    EXPECT_EQ(ui.linkStatus, LinkStatus::Lost);
    EXPECT_EQ(config.moduleCount, 0);
    EXPECT_TRUE(ui.notices.empty());  // the module had answered: no access box

    ASSERT_EQ(::kill(sim->pid(), SIGCONT), 0);
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded && !session.firmwareAutoQuery; }));
    EXPECT_EQ(config.moduleCount, 7);
    EXPECT_TRUE(ui.moduleLamp);
}

// The block size follows the firmware names the gateway lists, on both sides
// of the wire: a size mismatch would leave the gateway waiting for bytes.
struct SafeValueCase {
    const char* name;
    const char* description;  // nullptr: the built-in demo
    SafeValueLayout layout;
    std::size_t blockBytes;
};

void PrintTo(const SafeValueCase& c, std::ostream* os) { *os << c.name; }

class SafeValueRoundTrip : public LinkEndToEnd, public ::testing::WithParamInterface<SafeValueCase> {
protected:
    void TearDown() override {
        LinkEndToEnd::TearDown();
        if (!configPath.empty()) std::filesystem::remove(configPath);
    }
    std::string configPath;
};

TEST_P(SafeValueRoundTrip, blockIsSentAndReadBackByteForByte) {
    const auto& c = GetParam();
    std::vector<std::string> args;
    if (c.description != nullptr) {
        configPath = (std::filesystem::temp_directory_path() /
                      ("e2e-gateway-" + std::to_string(::getpid()) + "-" + c.name + ".json"))
                         .string();
        std::ofstream(configPath) << c.description;
        args = {"--config", configPath};
    }
    start(args);
    loadAndQueryNames();
    EXPECT_EQ(session.safeValueLayout, c.layout);
    std::vector<uint8_t> block(c.blockBytes);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 13 + 7);
    block[3] = '\n';
    block[4] = '\r';
    block[5] = 0;
    ask(Job::sendSafeValues(block));
    ASSERT_TRUE(tickUntil([&] { return ended(JobKind::SendSafeValues); })) << ui.operation;
    EXPECT_EQ(ui.operation, Operation::SafeValueSent);

    ask(Job::read(JobKind::ReadSafeValues));
    ASSERT_TRUE(tickUntil([&] { return ended(JobKind::ReadSafeValues); })) << ui.operation;
    EXPECT_EQ(jobs.last(JobKind::ReadSafeValues)->safeValues, block);
    EXPECT_EQ(jobs.last(JobKind::ReadSafeValues)->safeValueLayout, c.layout);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

INSTANTIATE_TEST_SUITE_P(LinkEndToEnd, SafeValueRoundTrip,
                         ::testing::Values(SafeValueCase{"demoWith512Bytes", nullptr, SafeValueLayout::Block512, 512},
                                           SafeValueCase{"firmwareV13With976Bytes",
                                                         R"({"model": "HX-3420", "system_module": {"position": 1},
                                        "modules": [{"device_id": 1, "type": 0, "data_length": 2}],
                                        "file_names": ["autoexec.bat", "3420V13.bin"]})",
                                                         SafeValueLayout::Block976, 976}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(LinkEndToEnd, ipSettingBlockIsSentAndReadBackByteForByte) {
    start();
    loadAndQueryNames();
    setDefaultIpSetting(ip);
    ip.localIp = {10, 0, 13, 10};
    ip.remotes[7].timeoutValueMs = 0x0A0D;  // "\n\r" on the wire
    ip.remotes[2].reconnectTimeMs = 65535;
    const IpSettingBlock sent = encodeIpSettingBlock(ip);
    ask(Job::sendIpSetting(ip));
    ASSERT_TRUE(tickUntil([&] { return ended(JobKind::SendIpSetting); }));

    ask(Job::read(JobKind::ReadIpSetting));
    ASSERT_TRUE(tickUntil([&] { return ended(JobKind::ReadIpSetting); }));
    EXPECT_EQ(encodeIpSettingBlock(jobs.last(JobKind::ReadIpSetting)->ipSetting), sent);
}

// --- one command per exchange ---------------------------------------------------

// What the gateway received between a command and the line it ended its
// answer with: nothing but the block and "transmit_end" of a send.
std::vector<std::string> receivedDuring(const std::vector<std::string>& log, const std::string& command,
                                        const std::string& last) {
    std::vector<std::string> during;
    bool in = false;
    for (const auto& l : log) {
        if (l == "RX LINE " + command) {
            in = true;
        } else if (in && l == "TX LINE " + last) {
            break;
        } else if (in && l.starts_with("RX ") && !l.starts_with("RX STORED ")) {
            // What the simulator keeps of a block is its own note, not traffic.
            during.push_back(l.starts_with("RX BLOCK ") ? "RX BLOCK" : l);
        }
    }
    return during;
}

struct DoubledConnectCase {
    const char* name;
    const char* answerTwice;  // the prompt whose connect reply the command follows
    const char* command;
    const char* last;  // the gateway's last line of the exchange
    // The job that asks; none for the loads every Connect makes.
    std::function<std::optional<Job>()> job;
    std::function<bool(const LinkSession&)> done;  // for those
};

void PrintTo(const DoubledConnectCase& c, std::ostream* os) { *os << c.name; }

class DoubledConnect : public LinkEndToEnd, public ::testing::WithParamInterface<DoubledConnectCase> {};

std::vector<uint8_t> safeValuePattern() {
    std::vector<uint8_t> block(512);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 29 + 3);
    return block;
}

const auto kNoJob = [] { return std::optional<Job>(); };
const auto defaultIpSend = [] {
    IpSettingRecord record;
    setDefaultIpSetting(record);
    return std::optional(Job::sendIpSetting(record));
};

// The gateway answers one prompt twice. The command goes out once, and a
// block sent to the gateway arrives whole, followed by "transmit_end" only.
TEST_P(DoubledConnect, commandGoesOutOnceAndItsBlockIntact) {
    const auto& k = GetParam();
    start({"--answer-twice", k.answerTwice});
    loadAndQueryNames();
    const std::optional<Job> job = k.job();
    if (job) ask(*job);
    ASSERT_TRUE(tickUntil([&] { return job ? ended(job->kind) : k.done(session); })) << ui.operation;
    for (int i = 0; i < 3; ++i) tick();
    const auto log = sim->logLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), std::string("RX LINE ") + k.command), 1);
    const auto during = receivedDuring(log, k.command, k.last);
    if (std::string_view(k.command).starts_with("SEND_")) {
        EXPECT_EQ(during, (std::vector<std::string>{"RX BLOCK", "RX LINE transmit_end"}));
    } else {
        EXPECT_TRUE(during.empty()) << during.front();
    }
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_EQ(session.missCount, 0);
    EXPECT_EQ(config.moduleCount, 7);
    if (std::string_view(k.command) == c::kSendSafeValue) {
        ask(Job::read(JobKind::ReadSafeValues));
        ASSERT_TRUE(tickUntil([&] { return ended(JobKind::ReadSafeValues); }));
        EXPECT_EQ(jobs.last(JobKind::ReadSafeValues)->safeValues, safeValuePattern());
    }
}

INSTANTIATE_TEST_SUITE_P(
    LinkEndToEnd, DoubledConnect,
    ::testing::Values(
        DoubledConnectCase{"loadParameter", "1", c::kLoadParameter, c::kReplyParameterFinish, kNoJob,
                           [](const LinkSession& s) { return s.parameterLoaded; }},
        DoubledConnectCase{"loadFileName", "2", c::kLoadFileName, c::kReplyFileNameFinish, kNoJob,
                           [](const LinkSession& s) { return s.fileNamesReceived; }},
        DoubledConnectCase{"sendSafeValue", "3", c::kSendSafeValue, c::kReplySafeValueSent,
                           [] { return std::optional(Job::sendSafeValues(safeValuePattern())); }, nullptr},
        DoubledConnectCase{"loadSafeValue", "3", c::kLoadSafeValue, c::kReplySafeValueFinish,
                           [] { return std::optional(Job::read(JobKind::ReadSafeValues)); }, nullptr},
        DoubledConnectCase{"sendIpSetting", "3", c::kSendIpSetting, c::kReplyIpSettingSent, defaultIpSend, nullptr},
        DoubledConnectCase{"loadIpSetting", "3", c::kLoadIpSetting, c::kReplyIpSettingFinish,
                           [] { return std::optional(Job::read(JobKind::ReadIpSetting)); }, nullptr}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The case as it was seen: the gateway is slow for a tick, Norvik prompts
// again, both prompts are answered, and the safe values must be stored as sent.
TEST_F(LinkEndToEnd, slowGatewayStoresTheSafeValuesUnshifted) {
    // Lines 1 to 4: prompt, LOAD--PARAMETER, prompt, LOAD--FILE_NAME; the
    // answer to the fifth, a prompt, comes late.
    start({"--pause-at", "5", "--pause-ms", "1500"});
    loadAndQueryNames();    // up to the file-name finish: the fifth line, a prompt, goes out
    tick(Gateway::Silent);  // no answer yet: the prompt goes out again
    ASSERT_EQ(session.missCount, 1);
    // Asked for now, the send follows the first of the two answers.
    ask(Job::sendSafeValues(safeValuePattern()));
    ASSERT_TRUE(tickUntil([&] { return ended(JobKind::SendSafeValues); }));
    const auto log = sim->logLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "RX LINE SEND_SAFE_VALUE"), 1);
    EXPECT_GE(std::count(log.begin(), log.end(), "TX LINE KESTRA--r4460k> connect"), 4) << "both prompts answered";

    ask(Job::read(JobKind::ReadSafeValues));
    ASSERT_TRUE(tickUntil([&] { return ended(JobKind::ReadSafeValues); }));
    EXPECT_EQ(jobs.last(JobKind::ReadSafeValues)->safeValues, safeValuePattern());
}

// --- short and late blocks --------------------------------------------------------

struct BrokenBlockCase {
    const char* name;
    std::vector<std::string> fault;
    uint32_t baud;
    // The job that asks for the block (none for the two the link asks for by itself).
    std::optional<JobKind> job;
    // True once the load has ended with its error.
    std::function<bool(const LinkEndToEnd&)> failed;
    Operation errorText;
    const char* finish;
};

void PrintTo(const BrokenBlockCase& c, std::ostream* os) { *os << c.name; }

class BrokenBlock : public LinkEndToEnd, public ::testing::WithParamInterface<BrokenBlockCase> {};

// Whether the block breaks off or comes after its time-out, its exchange ends
// at once with its error, nothing of it is installed, what is left of it is
// dropped without a miss, and the link carries on.
TEST_P(BrokenBlock, endsItsExchangeWithItsErrorAndTheLinkCarriesOn) {
    const auto& k = GetParam();
    start(k.fault, k.baud);
    setDefaultIpSetting(ip);
    ip.localIp = {10, 1, 2, 3};
    const IpSettingRecord ipBefore = ip;
    if (k.job) {
        loadAndQueryNames();
        ask(Job::read(*k.job));
    }
    ASSERT_TRUE(tickUntil([&] { return k.failed(*this); })) << ui.operation;
    EXPECT_EQ(ui.operation, k.errorText);
    EXPECT_FALSE(dialogue->animating());
    EXPECT_EQ(ip, ipBefore) << "a failed receive leaves the IP record alone";
    EXPECT_TRUE(session.safeValueBytes.empty());

    // Once the gateway has said all it had to, the exchange ends at the next
    // tick, without a miss: the receive gave its finish line back, or the
    // rest of the block was dropped up to it.
    ASSERT_TRUE(awaitLogEntry(std::string("TX LINE ") + k.finish));
    ASSERT_TRUE(tickUntil([&] { return !dialogue->exchangeOpen(); }, 1)) << "the exchange hangs on";
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_EQ(session.missCount, 0);
    EXPECT_EQ(ui.operation, k.errorText) << "the finish line does not hide the error";
    EXPECT_TRUE(ui.notices.empty());
}

const auto kSafeValueFailed = [](const LinkEndToEnd& t) {
    return t.ended(JobKind::ReadSafeValues, JobOutcome::BlockIncomplete);
};
const auto kIpSettingFailed = [](const LinkEndToEnd& t) {
    return t.ended(JobKind::ReadIpSetting, JobOutcome::BlockIncomplete);
};
const auto kParameterFailed = [](const LinkEndToEnd& t) { return t.ui.operation == Operation::ParameterIncomplete; };
const auto kFileNamesFailed = [](const LinkEndToEnd& t) { return t.ui.operation == Operation::FileNameError; };
const std::optional<JobKind> kLoadSafeValues = JobKind::ReadSafeValues;
const std::optional<JobKind> kLoadIpSetting = JobKind::ReadIpSetting;

INSTANTIATE_TEST_SUITE_P(LinkEndToEnd, BrokenBlock,
                         ::testing::Values(BrokenBlockCase{"shortParameterBlock",
                                                           {"--truncate-parameter-block", "30"},
                                                           2400,
                                                           std::nullopt,
                                                           kParameterFailed,
                                                           Operation::ParameterIncomplete,
                                                           c::kReplyParameterFinish},
                                           BrokenBlockCase{"shortFileNameReply",
                                                           {"--truncate-file-name-reply", "30"},
                                                           2400,
                                                           std::nullopt,
                                                           kFileNamesFailed,
                                                           Operation::FileNameError,
                                                           c::kReplyFileNameFinish},
                                           BrokenBlockCase{"shortSafeValueBlock",
                                                           {"--truncate-safe-block", "100"},
                                                           2400,
                                                           kLoadSafeValues,
                                                           kSafeValueFailed,
                                                           Operation::ReceiveSafeValueError,
                                                           c::kReplySafeValueFinish},
                                           BrokenBlockCase{"shortIpSettingBlock",
                                                           {"--truncate-ip-block", "10"},
                                                           2400,
                                                           kLoadIpSetting,
                                                           kIpSettingFailed,
                                                           Operation::ReceiveIpSettingError,
                                                           c::kReplyIpSettingFinish},
                                           BrokenBlockCase{"lateParameterBlock",
                                                           {"--late-block-ms", "1500", "--late-block-of", "parameter"},
                                                           115200,
                                                           std::nullopt,
                                                           kParameterFailed,
                                                           Operation::ParameterIncomplete,
                                                           c::kReplyParameterFinish},
                                           BrokenBlockCase{"lateFileNameReply",
                                                           {"--late-block-ms", "1500", "--late-block-of", "file-names"},
                                                           115200,
                                                           std::nullopt,
                                                           kFileNamesFailed,
                                                           Operation::FileNameError,
                                                           c::kReplyFileNameFinish},
                                           BrokenBlockCase{"lateSafeValueBlock",
                                                           {"--late-block-ms", "1500", "--late-block-of", "safe"},
                                                           115200,
                                                           kLoadSafeValues,
                                                           kSafeValueFailed,
                                                           Operation::ReceiveSafeValueError,
                                                           c::kReplySafeValueFinish},
                                           BrokenBlockCase{"lateIpSettingBlock",
                                                           {"--late-block-ms", "1500", "--late-block-of", "ip"},
                                                           115200,
                                                           kLoadIpSetting,
                                                           kIpSettingFailed,
                                                           Operation::ReceiveIpSettingError,
                                                           c::kReplyIpSettingFinish}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A block short by fewer bytes than the console line after it, or by a few
// more: the line's head must not stand in for its last bytes. Each cut of each
// block ends with the block's error, installs nothing, and the command went
// out once, with nothing sent to the gateway until its finish line.
struct CutBlock {
    const char* name;  // the simulator's name of the block
    const char* command;
    std::optional<JobKind> job;
    std::function<bool(const LinkEndToEnd&)> failed;
    Operation errorText;
    const char* finish;
};

const CutBlock kCutBlocks[] = {
    {"parameter", c::kLoadParameter, std::nullopt, kParameterFailed, Operation::ParameterIncomplete,
     c::kReplyParameterFinish},
    {"file-names", c::kLoadFileName, std::nullopt, kFileNamesFailed, Operation::FileNameError, c::kReplyFileNameFinish},
    {"safe", c::kLoadSafeValue, kLoadSafeValues, kSafeValueFailed, Operation::ReceiveSafeValueError,
     c::kReplySafeValueFinish},
    {"ip", c::kLoadIpSetting, kLoadIpSetting, kIpSettingFailed, Operation::ReceiveIpSettingError,
     c::kReplyIpSettingFinish},
};

class ShortBlockCut : public LinkEndToEnd, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(ShortBlockCut, endsWithItsErrorAndInstallsNothing) {
    const CutBlock& k = kCutBlocks[std::get<0>(GetParam())];
    const int cut = std::get<1>(GetParam());
    // The finish line right behind its block, as a gateway sends it: the
    // receive of a block's last bytes finds the line's head there.
    start({"--short-block-by", std::to_string(cut), "--short-block-of", k.name}, 115200, 0);
    setDefaultIpSetting(ip);
    const IpSettingRecord ipBefore = ip;
    if (k.command != std::string_view(c::kLoadParameter)) {
        ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    }
    if (k.job) {
        loadAndQueryNames();
        ask(Job::read(*k.job));
    }
    const int rebuildsBefore = ui.rebuilds;
    ASSERT_TRUE(tickUntil([&] { return k.failed(*this); })) << ui.operation;
    EXPECT_EQ(ui.operation, k.errorText);
    EXPECT_EQ(ui.rebuilds, rebuildsBefore) << "a tree built from the finish line";
    EXPECT_EQ(ip, ipBefore);
    EXPECT_TRUE(session.safeValueBytes.empty());
    // Names that came whole before the reply broke off may stand; none made up from the line.
    for (const std::string& name : session.firmwareFileNames)
        EXPECT_TRUE(name.empty() || name == "autoexec.bat" || name == "3420V10.bin") << name;

    ASSERT_TRUE(awaitLogEntry(std::string("TX LINE ") + k.finish));
    ASSERT_TRUE(tickUntil([&] { return !dialogue->exchangeOpen(); }, 1)) << "the exchange hangs on";
    EXPECT_EQ(session.missCount, 0);
    EXPECT_EQ(ui.operation, k.errorText);
    const auto log = sim->logLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), std::string("RX LINE ") + k.command), 1);
    const auto during = receivedDuring(log, k.command, k.finish);
    EXPECT_TRUE(during.empty()) << during.front();
}

// Each finish line is 30 or 31 bytes with its "\r\n"; a few cuts beyond it too.
INSTANTIATE_TEST_SUITE_P(LinkEndToEnd, ShortBlockCut,
                         ::testing::Combine(::testing::Range(0, 4), ::testing::Range(1, 35)), [](const auto& testInfo) {
                             std::string name = kCutBlocks[std::get<0>(testInfo.param)].name;
                             std::erase(name, '-');
                             return name + "By" + std::to_string(std::get<1>(testInfo.param));
                         });

TEST_F(LinkEndToEnd, gatewayReadErrorEndsAsReadError) {
    start({"--reply-error", "read-safe"});
    loadAndQueryNames();
    ask(Job::read(JobKind::ReadSafeValues));
    ASSERT_TRUE(tickUntil([&] { return ended(JobKind::ReadSafeValues, JobOutcome::GatewayError); }));
    EXPECT_EQ(jobs.last(JobKind::ReadSafeValues)->error, GatewayError::ReadEeprom);
    EXPECT_EQ(ui.operation, Operation::ReadSafeValueError);
}

// Both loads asked for: the safe values go first, and the gateway's read error
// belongs to whichever load it answers, not to the IP load merely queued.
struct ReadErrorCase {
    const char* name;
    const char* fault;
    JobOutcome safeValueEnd;
    JobOutcome ipSettingEnd;
    Operation errorText;
};

void PrintTo(const ReadErrorCase& c, std::ostream* os) { *os << c.name; }

class LinkReadError : public LinkEndToEnd, public ::testing::WithParamInterface<ReadErrorCase> {};

TEST_P(LinkReadError, goesToTheLoadItAnswers) {
    const auto& c = GetParam();
    start({"--reply-error", c.fault});
    loadAndQueryNames();
    ask(Job::read(JobKind::ReadSafeValues));
    ask(Job::read(JobKind::ReadIpSetting));
    ASSERT_TRUE(tickUntil([&] { return jobs.count() == 2; }));
    EXPECT_EQ(jobs.last(JobKind::ReadSafeValues)->outcome, c.safeValueEnd);
    EXPECT_EQ(jobs.last(JobKind::ReadIpSetting)->outcome, c.ipSettingEnd);
    EXPECT_EQ(std::count(ui.operations.begin(), ui.operations.end(), c.errorText), 1);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

INSTANTIATE_TEST_SUITE_P(LinkEndToEnd, LinkReadError,
                         ::testing::Values(ReadErrorCase{"safeValues", "read-safe", JobOutcome::GatewayError,
                                                         JobOutcome::Done, Operation::ReadSafeValueError},
                                           ReadErrorCase{"ipSetting", "read-ip", JobOutcome::Done,
                                                         JobOutcome::GatewayError, Operation::ReadIpSettingError}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(LinkEndToEnd, garbageRepliesShowTheAccessBoxOnce) {
    start({"--garbage"});
    for (int i = 0; i < 4; ++i) tick();
    ASSERT_EQ(ui.notices.size(), 1u);
    EXPECT_EQ(ui.notices[0], LinkNotice::AccessError);
    EXPECT_EQ(ui.linkStatus, LinkStatus::PortOpen);
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
}

TEST_F(LinkEndToEnd, overlongLineIsSkippedAndTheNextLineIsIntact) {
    start({"--overlong-line", "3000"});
    tick();  // the long line, cut and drained up to its end, then the connect reply
    EXPECT_EQ(session.linkState, LinkState::Connected);
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    EXPECT_EQ(config.moduleCount, 7);
    EXPECT_TRUE(ui.notices.empty());
}

// A gateway that says more than one line per reply: its banner, noise, blank
// lines. Every line that has come is read each tick, so it is connected and
// loaded in as many ticks as a quiet one, and no command goes out twice.
TEST_F(LinkEndToEnd, chattyGatewayLoadsAsFastAsAQuietOne) {
    const auto ticksToLoad = [&](std::vector<std::string> args) {
        start(std::move(args), 115200);
        int ticks = 0;
        while (!(session.parameterLoaded && !session.firmwareAutoQuery) && ticks < 40) {
            tick();
            ++ticks;
        }
        EXPECT_EQ(countLog("RX LINE LOAD--PARAMETER"), 1);
        EXPECT_EQ(countLog("RX LINE LOAD--FILE_NAME"), 1);
        EXPECT_EQ(session.missCount, 0);
        EXPECT_TRUE(ui.notices.empty());
        dialogue->disconnect();
        return ticks;
    };
    const int quiet = ticksToLoad({});
    EXPECT_EQ(ticksToLoad({"--banner", "--noise-lines", "3"}), quiet);
    EXPECT_EQ(ticksToLoad({"--blank-lines", "1"}), quiet);
    EXPECT_EQ(ticksToLoad({"--banner", "--noise-lines", "2", "--blank-lines", "2"}), quiet);
}

TEST_F(LinkEndToEnd, truncatedParameterBlockIsReportedIncomplete) {
    // The finish line comes well after the worker has given up waiting for the
    // rest (396 ms at this rate).
    start({"--truncate-parameter-block", "40"}, 115200, 1500);
    ASSERT_TRUE(tickUntil([&] { return ui.operation == Operation::ParameterIncomplete; }));
    EXPECT_EQ(ui.rebuilds, 0) << "no module of a short block stands in the tree";
    EXPECT_FALSE(dialogue->animating());
    // The finish line ends the exchange, and the next connect asks again.
    ASSERT_TRUE(tickUntil([&] { return countLog("RX LINE LOAD--PARAMETER") == 2; }));
    EXPECT_FALSE(session.parameterLoaded);
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_EQ(ui.operation, Operation::ParameterIncomplete);
}

// 20 bytes of the block, its finish line a second later: at 2400 baud the
// record receive still waits then, and must give the line back, not decode it.
TEST_F(LinkEndToEnd, finishLineAfterAShortParameterBlockIsReadAsALine) {
    start({"--truncate-parameter-block", "20"}, 2400, 1000);
    // Without its finish line the exchange would wait out its time-out first.
    ASSERT_TRUE(tickUntil([&] { return countLog("RX LINE LOAD--PARAMETER") == 2; }, 4));
    EXPECT_EQ(ui.operation, Operation::ParameterIncomplete);
    EXPECT_EQ(ui.rebuilds, 0);
    EXPECT_EQ(config.moduleCount, 0);
    EXPECT_FALSE(session.parameterLoaded);
    EXPECT_EQ(session.missCount, 0) << "the finish line was taken as a reply";
}

TEST_F(LinkEndToEnd, disconnectNoticeClearsTheTreeAndTheLinkComesBack) {
    // Connect replies 1 to 3 bring the parameter block, the file-name query and
    // one keep-alive; the fourth prompt gets the notice.
    start({"--send-disconnect-after", "3"});
    ASSERT_TRUE(tickUntil([&] { return ui.clears > 0; }));
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
    EXPECT_FALSE(ui.moduleLamp);
    EXPECT_EQ(ui.linkStatus, LinkStatus::Lost);
    EXPECT_EQ(config.moduleCount, 0);
    // Unlike a lost link, the notice leaves the file names as they are known.
    EXPECT_FALSE(session.firmwareAutoQuery);
    EXPECT_TRUE(session.fileNamesReceived);

    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    EXPECT_EQ(config.moduleCount, 7);
    EXPECT_TRUE(ui.moduleLamp);
    EXPECT_EQ(ui.rebuilds, 2);
    for (int i = 0; i < 3; ++i) tick();
    const auto lines = sim->logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "RX LINE LOAD--FILE_NAME"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "RX LINE LOAD--PARAMETER"), 2);
}

TEST_F(LinkEndToEnd, fileNameReplyThatDoesNotParseDecidesNothingAndIsAskedAgain) {
    start({"--bad-file-name-reply"});
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded && countLog("RX LINE LOAD--FILE_NAME") == 2; }));
    EXPECT_FALSE(session.fileNamesReceived);
    EXPECT_EQ(ui.operation, Operation::FileNameError);
    // A reply that came but did not parse is no firmware without the query:
    // the layout stays unknown and the automatic query is asked again.
    EXPECT_TRUE(session.firmwareAutoQuery);
    // The rest of each reply and its finish line are dropped: the link holds.
    for (int i = 0; i < 4; ++i) tick();
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_EQ(ui.linkStatus, LinkStatus::Connected);
}

TEST_F(LinkEndToEnd, unacknowledgedFileNameQueryIsAskedAgainAndTheLinkHolds) {
    start({"--ignore-file-name"});
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    // Each query is given its time; then the prompt, a connect reply, and the
    // query again. The one silent tick after the time-out is one miss only.
    ASSERT_TRUE(tickUntil([&] { return countLog("RX LINE LOAD--FILE_NAME") == 3; }));
    EXPECT_TRUE(session.firmwareAutoQuery);
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_TRUE(ui.moduleLamp);
    EXPECT_TRUE(ui.notices.empty());
    // Nothing went out between a query and its time-out.
    const auto lines = sim->logLines();
    int sinceQuery = -1;
    for (const auto& l : lines) {
        if (l == "RX LINE LOAD--FILE_NAME") {
            sinceQuery = 0;
        } else if (l.starts_with("RX ") && sinceQuery >= 0) {
            EXPECT_EQ(l, "RX LINE KESTRA--r4460k>");
            sinceQuery = -1;
        }
    }
}

// At 2400 baud a 512-byte block may take 2.5 s to come; Disconnect must not
// wait for it.
TEST_F(LinkEndToEnd, disconnectCutsAWithheldBlockShortAtOnce) {
    start({"--late-block-ms", "3000", "--late-block-of", "safe"});
    loadAndQueryNames();
    ask(Job::read(JobKind::ReadSafeValues));
    const unsigned receivesBefore = port.blockReceives();
    // Tick by hand so the worker is still waiting for its block when we disconnect.
    for (int i = 0; i < 10 && !dialogue->workerBusy(); ++i) {
        awaitGateway();
        dialogue->onPollTimer();
    }
    ASSERT_TRUE(dialogue->workerBusy());
    // The worker has begun to wait for the block; a wait cut before it
    // starts ends it as well.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (port.blockReceives() == receivesBefore && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_GT(port.blockReceives(), receivesBefore);
    dialogue->disconnect();
    // Disconnect did not wait the block out: the gateway has not even sent it.
    EXPECT_FALSE(logHas("TX LINE send safe value to com finish"));
    EXPECT_FALSE(session.portOpen);
    EXPECT_FALSE(dialogue->workerRunning());
    EXPECT_EQ(ui.linkStatus, LinkStatus::PortClosed);
    const auto notice = ui.takePosted(1s);
    ASSERT_TRUE(notice);
    notice();  // arrives after the link ended: ignored
    ui.runAllPosted();
    EXPECT_TRUE(ended(JobKind::ReadSafeValues, JobOutcome::LinkLost));
    EXPECT_EQ(jobs.count(), 1u);

    // The old exchange's block and finish line must not stand in for a new
    // load: let them go out before the port opens again (Connect drops what
    // came before).
    ASSERT_TRUE(awaitLogEntry("TX LINE send safe value to com finish"));

    // Connect again on the same simulator: the whole sequence runs.
    PortSettings again;
    again.baud = 2400;
    dialogue->connect(again);
    ASSERT_TRUE(session.portOpen);
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    EXPECT_EQ(ui.rebuilds, 2);
    EXPECT_EQ(config.moduleCount, 7);
    EXPECT_EQ(ui.operation, Operation::ParameterFinish);
}

// Disconnect right after the gateway acknowledged a send, before a tick read
// the acknowledgement: the block still goes out whole, and the next Connect's
// first prompt is answered instead of vanishing into the gateway's block.
struct AckedSendCase {
    const char* name;
    const char* command;
    const char* verdict;  // the gateway's line once it has the block
    std::function<std::optional<Job>()> job;
};

void PrintTo(const AckedSendCase& c, std::ostream* os) { *os << c.name; }

class DisconnectAfterAck : public LinkEndToEnd, public ::testing::WithParamInterface<AckedSendCase> {};

TEST_P(DisconnectAfterAck, writesTheBlockBeforeThePortCloses) {
    const auto& k = GetParam();
    start({}, 115200);
    loadAndQueryNames();
    ask(*k.job());
    for (int i = 0; i < 10 && countLog(std::string("RX LINE ") + k.command) == 0; ++i) {
        tick();
        ASSERT_TRUE(awaitGateway());  // then the acknowledgement waits, unread
    }
    dialogue->disconnect();
    EXPECT_FALSE(session.portOpen);
    ASSERT_TRUE(awaitLogEntry(std::string("TX LINE ") + k.verdict)) << "the gateway never got its block";
    EXPECT_EQ(receivedDuring(sim->logLines(), k.command, k.verdict),
              (std::vector<std::string>{"RX BLOCK", "RX LINE transmit_end"}));

    port.restartCount();
    PortSettings again;
    again.baud = 115200;
    dialogue->connect(again);
    tick();
    EXPECT_EQ(session.linkState, LinkState::Connected) << "the first prompt went into a block";
    EXPECT_TRUE(ui.notices.empty());
}

INSTANTIATE_TEST_SUITE_P(
    LinkEndToEnd, DisconnectAfterAck,
    ::testing::Values(AckedSendCase{"safeValues", c::kSendSafeValue, c::kReplySafeValueSent,
                                    [] { return std::optional(Job::sendSafeValues(safeValuePattern())); }},
                      AckedSendCase{"ipSetting", c::kSendIpSetting, c::kReplyIpSettingSent, defaultIpSend}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The gateway's process dies (an adapter pulled): the port closes as
// Disconnect would, and Connect works again once it is back on the same link.
TEST_F(LinkEndToEnd, gatewayKilledClosesThePortAndConnectWorksAfterItsRestart) {
    const std::string link = ::testing::TempDir() + "norvik-e2e-gateway-" + std::to_string(::getpid());
    start({"--link", link});
    ::setenv("NORVIK_COM1", link.c_str(), 1);
    ASSERT_TRUE(awaitGateway());  // heard before the close, so that the count of lines sent holds
    dialogue->disconnect();
    dialogue->connect(PortSettings{1, 2400, 8, Parity::None, 0});
    ASSERT_TRUE(session.portOpen) << ui.linkStatus;
    loadAndQueryNames();

    ASSERT_EQ(::kill(sim->pid(), SIGKILL), 0);
    sim->stop();
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < 2 && session.portOpen; ++i) tick(Gateway::Silent);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_FALSE(session.portOpen);
    EXPECT_EQ(ui.linkStatus, LinkStatus::PortLost);
    EXPECT_EQ(ui.linkCode, 5u);
    EXPECT_FALSE(ui.portLamp);
    EXPECT_FALSE(ui.moduleLamp);
    EXPECT_TRUE(ui.connectEnabled);
    EXPECT_FALSE(ui.disconnectEnabled);
    EXPECT_TRUE(ui.portBoxesEnabled);
    EXPECT_FALSE(ui.pollTimerRunning);
    EXPECT_EQ(config.moduleCount, 0);

    sim = std::make_unique<GatesimProcess>(NORVIK_GATESIM,
                                           std::vector<std::string>{"--link", link, "--finish-delay-ms", "20"});
    port.restartCount();
    dialogue->connect(PortSettings{1, 2400, 8, Parity::None, 0});
    ASSERT_TRUE(session.portOpen) << ui.linkStatus;
    loadAndQueryNames();
    EXPECT_EQ(config.moduleCount, 7);
    EXPECT_EQ(ui.linkStatus, LinkStatus::Connected);
}

TEST_F(LinkEndToEnd, realOneSecondTimerBringsTheLinkUp) {
    start({}, 115200);
    // Ticks at the window's own pace, one a second.
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < 5 && !session.parameterLoaded; ++i) {
        next += 1s;
        std::this_thread::sleep_until(next);
        ASSERT_TRUE(test::pollOnce(*dialogue, session, ui));
    }
    EXPECT_TRUE(session.parameterLoaded);
    EXPECT_EQ(config.moduleCount, 7);
}

}  // namespace
}  // namespace norvik
