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
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "link/console_dialogue.h"
#include "link/console_texts.h"
#include "link/link_session.h"
#include "link/termios_port.h"
#include "model/gateway_config.h"
#include "support/gatesim_process.h"
#include "support/recording_ui.h"

namespace norvik {
namespace {

namespace c = console;
using namespace std::chrono_literals;
using test::GatesimProcess;
using test::RecordingUi;

// The real port, counting the lines it sends so that a test can tell when the
// gateway has had all of them.
class CountingPort : public SerialPort {
public:
    uint16_t openPort(const PortSettings& settings) override { return port_.openPort(settings); }
    uint32_t closePort(uint8_t p) override { return port_.closePort(p); }
    void sendLine(uint8_t p, std::string_view text) override {
        port_.sendLine(p, text);
        ++linesSent_;
    }
    void sendBlock(uint8_t p, std::span<const uint8_t> bytes) override { port_.sendBlock(p, bytes); }
    std::string receiveLine(uint8_t p, uint16_t timeoutMs) override { return port_.receiveLine(p, timeoutMs); }
    BlockReceipt receiveBlock(uint8_t p, std::span<uint8_t> buffer, uint16_t timeoutMs) override {
        return port_.receiveBlock(p, buffer, timeoutMs);
    }
    void cancelWaits() override { port_.cancelWaits(); }
    void resumeWaits() override { port_.resumeWaits(); }
    uint32_t deviceError() const override { return port_.deviceError(); }
    unsigned linesSent() const { return linesSent_; }

private:
    TermiosSerialPort port_;
    std::atomic<unsigned> linesSent_{0};
};

class LinkEndToEnd : public ::testing::Test {
protected:
    std::unique_ptr<GatesimProcess> sim;
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    CountingPort port;
    RecordingUi ui;
    std::unique_ptr<ConsoleDialogue> dialogue;

    // By default the finish line follows its block at once, as a busy gateway's would.
    void start(std::vector<std::string> simArgs = {}, uint32_t baud = 2400, int finishDelayMs = 20) {
        simArgs.insert(simArgs.begin(), {"--finish-delay-ms", std::to_string(finishDelayMs)});
        sim = std::make_unique<GatesimProcess>(NORVIK_GATESIM, simArgs);
        ::setenv("NORVIK_COM1", sim->slavePath().c_str(), 1);
        dialogue = std::make_unique<ConsoleDialogue>(session, config, ip, port, ui);
        PortSettings settings;
        settings.baud = baud;  // a pty ignores it; the slow rate gives generous time-outs
        dialogue->connect(settings);
        ASSERT_TRUE(session.portOpen) << ui.linkText;
    }
    void TearDown() override {
        if (dialogue && session.portOpen) dialogue->disconnect();
        dialogue.reset();
    }

    // True once the simulator has read every line Norvik sent and has written
    // what it answers at once. A line read at 2400 baud waits only 150 ms, so on
    // a loaded machine a fixed pause before the tick would sometimes not be
    // enough; this waits for the gateway itself, up to `bound`.
    bool awaitGateway(std::chrono::milliseconds bound = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (true) {
            const auto lines = sim->logLines();
            const auto received = std::count_if(lines.begin(), lines.end(),
                                                [](const std::string& l) { return l.starts_with("RX LINE "); });
            const bool answered = lines.empty() || !lines.back().starts_with("RX ");
            if (static_cast<unsigned>(received) >= port.linesSent() && answered) return true;
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
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
        if (gateway == Gateway::Answers) awaitGateway();
        else std::this_thread::sleep_for(40ms);
        dialogue->onPollTimer();
        if (session.workerBusy) {
            const auto ticket = ui.takeWorkerDone(10s);
            ASSERT_TRUE(ticket.has_value()) << "worker did not finish";
            dialogue->onWorkerDone(*ticket);
        }
    }
    bool tickUntil(const std::function<bool()>& done, int maxTicks = 40) {
        for (int i = 0; i < maxTicks; ++i) {
            if (done()) return true;
            tick();
        }
        return done();
    }
    void loadAndQueryNames() {
        ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded && !session.firmwareAutoQuery; }))
            << ui.linkText << " / " << ui.operationText;
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
    EXPECT_EQ(ui.linkText, c::kLinkConnected);
    EXPECT_TRUE(ui.moduleLamp);
    EXPECT_EQ(ui.rebuilds, 1);
    EXPECT_TRUE(ui.ipMenuEnabled);
    EXPECT_TRUE(ui.messages.empty());

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
    EXPECT_EQ(session.firmwareState(), FirmwareQueryState::Received);
    EXPECT_EQ(session.safeValueLayout, 1u);
    EXPECT_EQ(ui.firmwareDialogs, 0);

    for (int i = 0; i < 3; ++i) tick();
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_EQ(session.missCount, 0);
    EXPECT_TRUE(logHas("RX LINE LOAD--PARAMETER"));
    EXPECT_TRUE(logHas("RX LINE LOAD--FILE_NAME"));
}

TEST_F(LinkEndToEnd, linkIsLostAfterTwoSilentTicksAndRegained) {
    start();
    loadAndQueryNames();
    tick();  // the file-name finish line; the prompt goes out
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
    EXPECT_EQ(ui.linkText, c::kLinkLost);
    EXPECT_EQ(config.moduleCount, 0);
    EXPECT_TRUE(ui.messages.empty());  // the module had answered: no access box

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
    uint32_t layout;
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
    session.safeValueBytes = block;
    session.safeValueTransfer = TransferState::SendRequested;
    ASSERT_TRUE(tickUntil([&] { return session.safeValueTransfer == TransferState::SendFinished; }))
        << ui.operationText;
    EXPECT_EQ(ui.operationText, "Send safe value finish");

    session.safeValueBytes.clear();
    session.safeValueTransfer = TransferState::LoadRequested;
    ASSERT_TRUE(tickUntil([&] { return session.safeValueTransfer == TransferState::ReceiveFinished; }))
        << ui.operationText;
    EXPECT_EQ(session.safeValueBytes, block);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

INSTANTIATE_TEST_SUITE_P(
    LinkEndToEnd, SafeValueRoundTrip,
    ::testing::Values(SafeValueCase{"demoWith512Bytes", nullptr, 1, 512},
                      SafeValueCase{"firmwareV13With976Bytes",
                                    R"({"model": "HX-3420", "system_module": {"position": 1},
                                        "modules": [{"device_id": 1, "type": 0, "data_length": 2}],
                                        "file_names": ["autoexec.bat", "3420V13.bin"]})",
                                    0, 976}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(LinkEndToEnd, ipSettingBlockIsSentAndReadBackByteForByte) {
    start();
    loadAndQueryNames();
    setDefaultIpSetting(ip);
    ip.localIp = {10, 0, 13, 10};
    ip.remotes[7].timeoutValueMs = 0x0A0D;  // "\n\r" on the wire
    ip.remotes[2].reconnectTimeMs = 65535;
    const IpSettingBlock sent = encodeIpSettingBlock(ip);
    session.ipSettingTransfer = TransferState::SendRequested;
    ASSERT_TRUE(tickUntil([&] { return session.ipSettingTransfer == TransferState::SendFinished; }));

    ip = {};
    session.ipSettingTransfer = TransferState::LoadRequested;
    ASSERT_TRUE(tickUntil([&] { return session.ipSettingTransfer == TransferState::ReceiveFinished; }));
    EXPECT_EQ(encodeIpSettingBlock(ip), sent);
}

TEST_F(LinkEndToEnd, truncatedSafeValueBlockEndsAsReceiveError) {
    start({"--truncate-safe-block", "100"});
    loadAndQueryNames();
    session.safeValueTransfer = TransferState::LoadRequested;
    ASSERT_TRUE(tickUntil([&] { return session.safeValueTransfer == TransferState::ReceiveError; }));
    // The worker waited for the missing bytes and took the gateway's "finish"
    // line in with them; the link carries on and the error stands.
    for (int i = 0; i < 4; ++i) tick();
    EXPECT_EQ(session.safeValueTransfer, TransferState::ReceiveError);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

TEST_F(LinkEndToEnd, gatewayReadErrorEndsAsReadError) {
    start({"--reply-error", "read-safe"});
    loadAndQueryNames();
    session.safeValueTransfer = TransferState::LoadRequested;
    ASSERT_TRUE(tickUntil([&] { return session.safeValueTransfer == TransferState::ReadError; }));
    EXPECT_EQ(ui.operationText, "Read safe value error !");
}

// Both loads pending: the safe values go first, and the gateway's read error
// belongs to whichever load it answers, not to the IP load merely pending.
struct ReadErrorCase {
    const char* name;
    const char* fault;
    TransferState safeValueEnd;
    TransferState ipSettingEnd;
    const char* errorText;
};

void PrintTo(const ReadErrorCase& c, std::ostream* os) { *os << c.name; }

class LinkReadError : public LinkEndToEnd, public ::testing::WithParamInterface<ReadErrorCase> {};

TEST_P(LinkReadError, goesToTheLoadItAnswers) {
    const auto& c = GetParam();
    start({"--reply-error", c.fault});
    loadAndQueryNames();
    session.safeValueTransfer = TransferState::LoadRequested;
    session.ipSettingTransfer = TransferState::LoadRequested;
    ASSERT_TRUE(tickUntil([&] {
        return session.safeValueTransfer != TransferState::LoadRequested &&
               session.ipSettingTransfer != TransferState::LoadRequested;
    }));
    EXPECT_EQ(session.safeValueTransfer, c.safeValueEnd);
    EXPECT_EQ(session.ipSettingTransfer, c.ipSettingEnd);
    EXPECT_EQ(std::count(ui.operationTexts.begin(), ui.operationTexts.end(), std::string(c.errorText)), 1);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

INSTANTIATE_TEST_SUITE_P(
    LinkEndToEnd, LinkReadError,
    ::testing::Values(ReadErrorCase{"safeValues", "read-safe", TransferState::ReadError, TransferState::ReceiveFinished,
                                    c::kOpReadSafeValueError},
                      ReadErrorCase{"ipSetting", "read-ip", TransferState::ReceiveFinished, TransferState::ReadError,
                                    c::kOpReadIpSettingError}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(LinkEndToEnd, garbageRepliesShowTheAccessBoxOnce) {
    start({"--garbage"});
    for (int i = 0; i < 4; ++i) tick();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, c::kAccessErrorBox);
    EXPECT_EQ(ui.linkText, c::kLinkPortOpen);
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
}

TEST_F(LinkEndToEnd, overlongLineCostsOneTickAndTheNextLineIsIntact) {
    start({"--overlong-line", "3000"});
    tick();  // the long line, cut and drained up to its end: no known reply
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
    EXPECT_EQ(ui.messages.size(), 1u);  // the module has not answered yet
    tick();
    EXPECT_EQ(session.linkState, LinkState::Connected);
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    EXPECT_EQ(config.moduleCount, 7);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(LinkEndToEnd, truncatedParameterBlockIsReportedIncomplete) {
    // The finish line comes well after the worker has given up waiting for the
    // rest (396 ms at this rate).
    start({"--truncate-parameter-block", "40"}, 115200, 1500);
    ASSERT_TRUE(tickUntil([&] { return ui.operationText == c::kOpParameterIncomplete; }));
    EXPECT_EQ(ui.rebuilds, 0) << "no module of a short block stands in the tree";
    EXPECT_FALSE(session.animating);
    // The finish line ends the exchange, and the next connect asks again.
    ASSERT_TRUE(tickUntil([&] { return countLog("RX LINE LOAD--PARAMETER") == 2; }));
    EXPECT_FALSE(session.parameterLoaded);
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_EQ(ui.operationText, c::kOpParameterIncomplete);
}

// 20 bytes of the block, its finish line a second later: at 2400 baud the
// record receive still waits then, and must give the line back, not decode it.
TEST_F(LinkEndToEnd, finishLineAfterAShortParameterBlockIsReadAsALine) {
    start({"--truncate-parameter-block", "20"}, 2400, 1000);
    // Without its finish line the exchange would wait out its time-out first.
    ASSERT_TRUE(tickUntil([&] { return countLog("RX LINE LOAD--PARAMETER") == 2; }, 4));
    EXPECT_EQ(ui.operationText, c::kOpParameterIncomplete);
    EXPECT_EQ(ui.rebuilds, 0);
    EXPECT_EQ(config.moduleCount, 0);
    EXPECT_FALSE(session.parameterLoaded);
    EXPECT_EQ(session.missCount, 0) << "the finish line was taken as a reply";
    EXPECT_EQ(std::count(ui.operationTexts.begin(), ui.operationTexts.end(), std::string(c::kOpReceiveParameter)), 2);
}

TEST_F(LinkEndToEnd, disconnectNoticeClearsTheTreeAndTheLinkComesBack) {
    // Connect replies 1 to 3 bring the parameter block, the file-name query and
    // one keep-alive; the fourth prompt gets the notice.
    start({"--send-disconnect-after", "3"});
    ASSERT_TRUE(tickUntil([&] { return ui.clears > 0; }));
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
    EXPECT_FALSE(ui.moduleLamp);
    EXPECT_EQ(ui.linkText, c::kLinkLost);
    EXPECT_EQ(config.moduleCount, 0);
    // Unlike a lost link, the notice leaves the file names as they are known.
    EXPECT_FALSE(session.firmwareAutoQuery);
    EXPECT_EQ(session.firmwareState(), FirmwareQueryState::Received);

    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    EXPECT_EQ(config.moduleCount, 7);
    EXPECT_TRUE(ui.moduleLamp);
    EXPECT_EQ(ui.rebuilds, 2);
    for (int i = 0; i < 3; ++i) tick();
    const auto lines = sim->logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "RX LINE LOAD--FILE_NAME"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "RX LINE LOAD--PARAMETER"), 2);
}

TEST_F(LinkEndToEnd, fileNameReplyThatDoesNotParseEndsTheAutomaticQueryWithoutADialog) {
    start({"--bad-file-name-reply"});
    loadAndQueryNames();
    EXPECT_EQ(session.firmwareState(), FirmwareQueryState::ReceiveError);
    EXPECT_EQ(ui.operationText, c::kOpFileNameError);
    EXPECT_EQ(ui.firmwareDialogs, 0);
    EXPECT_EQ(session.safeValueLayout, 1u);
    // The rest of the reply and its finish line arrive as one unknown line:
    // a single miss, and the query is not asked again.
    for (int i = 0; i < 4; ++i) tick();
    EXPECT_EQ(session.linkState, LinkState::Connected);
    EXPECT_EQ(ui.linkText, c::kLinkConnected);
    const auto lines = sim->logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "RX LINE LOAD--FILE_NAME"), 1);
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
    EXPECT_TRUE(ui.messages.empty());
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

TEST_F(LinkEndToEnd, disconnectWaitsForAWorkerStillReceiving) {
    // Only the first block is late: the parameter worker gives up on the header
    // long before it comes, so every later block has to come at once.
    start({"--late-block-ms", "1000", "--late-blocks", "1"});
    ASSERT_TRUE(tickUntil([&] { return session.linkState == LinkState::Connected; }));
    // Tick by hand so the worker is still waiting for its block when we disconnect.
    for (int i = 0; i < 10 && !session.workerBusy; ++i) {
        awaitGateway();
        dialogue->onPollTimer();
    }
    ASSERT_TRUE(session.workerBusy);
    dialogue->disconnect();
    EXPECT_FALSE(session.portOpen);
    EXPECT_FALSE(dialogue->workerRunning());
    const auto ticket = ui.takeWorkerDone(1s);
    ASSERT_TRUE(ticket.has_value());
    dialogue->onWorkerDone(*ticket);  // arrives after the link ended: ignored
    EXPECT_EQ(ui.rebuilds, 0);
    EXPECT_FALSE(session.parameterLoaded);

    // The old exchange's "finish" line must not stand in for a new load: let
    // it go out before the port opens again (Connect drops what came before).
    ASSERT_TRUE(awaitLogEntry("TX LINE send parameter to com finish"));

    // Connect again on the same simulator: the whole sequence runs.
    PortSettings again;
    again.baud = 2400;
    dialogue->connect(again);
    ASSERT_TRUE(session.portOpen);
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    EXPECT_EQ(ui.rebuilds, 1);
    EXPECT_EQ(config.moduleCount, 7);
    EXPECT_TRUE(config.blockComplete);
    EXPECT_EQ(ui.operationText, "Receive parameter finish");
}

TEST_F(LinkEndToEnd, pulledDeviceLosesTheLinkWithoutHanging) {
    start();
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    EXPECT_TRUE(GatesimProcess::endedCleanly(sim->stop()));
    const auto begin = std::chrono::steady_clock::now();
    tick(Gateway::Silent);
    tick(Gateway::Silent);
    tick(Gateway::Silent);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
    dialogue->disconnect();
    EXPECT_FALSE(session.portOpen);
}

TEST_F(LinkEndToEnd, realOneSecondTimerBringsTheLinkUp) {
    start({}, 115200);
    // Ticks at the window's own pace, one a second.
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < 5 && !session.parameterLoaded; ++i) {
        next += 1s;
        std::this_thread::sleep_until(next);
        dialogue->onPollTimer();
        if (session.workerBusy) {
            const auto ticket = ui.takeWorkerDone(10s);
            ASSERT_TRUE(ticket.has_value()) << "worker did not finish";
            dialogue->onWorkerDone(*ticket);
        }
    }
    EXPECT_TRUE(session.parameterLoaded);
    EXPECT_EQ(config.moduleCount, 7);
}

}  // namespace
}  // namespace norvik
