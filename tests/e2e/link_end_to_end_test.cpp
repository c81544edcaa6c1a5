// The whole link against norvik-gatesim on a pseudo-terminal: the real termios
// port, real worker threads, the simulator as the gateway.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
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

class LinkEndToEnd : public ::testing::Test {
protected:
    std::unique_ptr<GatesimProcess> sim;
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    TermiosSerialPort port;
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

    // One tick as the poll timer gives it, with the worker's notice delivered
    // the way the window's event loop would.
    void tick() {
        std::this_thread::sleep_for(40ms);  // the gateway's turn to answer
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
    ASSERT_EQ(::kill(sim->pid(), SIGSTOP), 0);
    tick();
    tick();
    tick();
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

TEST_F(LinkEndToEnd, safeValueBlockIsSentAndReadBackByteForByte) {
    start();
    loadAndQueryNames();
    std::vector<uint8_t> block(512);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 13 + 7);
    block[3] = '\n';
    block[4] = '\r';
    block[5] = 0;
    session.safeValueBytes = block;
    session.safeValueTransfer = Transfer::SendRequested;
    ASSERT_TRUE(tickUntil([&] { return session.safeValueTransfer == Transfer::SendFinished; }))
        << ui.operationText;
    EXPECT_EQ(ui.operationText, "Send safe value finish");

    session.safeValueBytes.clear();
    session.safeValueTransfer = Transfer::LoadRequested;
    ASSERT_TRUE(tickUntil([&] { return session.safeValueTransfer == Transfer::ReceiveFinished; }))
        << ui.operationText;
    EXPECT_EQ(session.safeValueBytes, block);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

TEST_F(LinkEndToEnd, ipSettingBlockIsSentAndReadBackByteForByte) {
    start();
    loadAndQueryNames();
    setDefaultIpSetting(ip);
    ip.localIp = {10, 0, 13, 10};
    ip.remotes[7].timeoutValueMs = 0x0A0D;  // "\n\r" on the wire
    ip.remotes[2].reconnectTimeMs = 65535;
    const IpSettingBlock sent = encodeIpSettingBlock(ip);
    session.ipSettingTransfer = Transfer::SendRequested;
    ASSERT_TRUE(tickUntil([&] { return session.ipSettingTransfer == Transfer::SendFinished; }));

    ip = {};
    session.ipSettingTransfer = Transfer::LoadRequested;
    ASSERT_TRUE(tickUntil([&] { return session.ipSettingTransfer == Transfer::ReceiveFinished; }));
    EXPECT_EQ(encodeIpSettingBlock(ip), sent);
}

TEST_F(LinkEndToEnd, truncatedSafeValueBlockEndsAsReceiveError) {
    start({"--truncate-safe-block", "100"});
    loadAndQueryNames();
    session.safeValueTransfer = Transfer::LoadRequested;
    ASSERT_TRUE(tickUntil([&] { return session.safeValueTransfer == Transfer::ReceiveError; }));
    // The worker waited for the missing bytes and took the gateway's "finish"
    // line in with them; the link carries on and the error stands.
    for (int i = 0; i < 4; ++i) tick();
    EXPECT_EQ(session.safeValueTransfer, Transfer::ReceiveError);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

TEST_F(LinkEndToEnd, gatewayReadErrorEndsAsReadError) {
    start({"--reply-error", "read-safe"});
    loadAndQueryNames();
    session.safeValueTransfer = Transfer::LoadRequested;
    ASSERT_TRUE(tickUntil([&] { return session.safeValueTransfer == Transfer::ReadError; }));
    EXPECT_EQ(ui.operationText, "Read safe value error !");
}

TEST_F(LinkEndToEnd, garbageRepliesShowTheAccessBoxOnce) {
    start({"--garbage"});
    for (int i = 0; i < 4; ++i) tick();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, c::kAccessErrorBox);
    EXPECT_EQ(ui.linkText, c::kLinkPortOpen);
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
}

TEST_F(LinkEndToEnd, truncatedParameterBlockIsReportedIncomplete) {
    // The finish line comes after the worker has given up waiting for the rest.
    start({"--truncate-parameter-block", "40"}, 115200, 700);
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    EXPECT_EQ(ui.operationText, c::kOpParameterIncomplete);
}

TEST_F(LinkEndToEnd, disconnectNoticeClearsTheTree) {
    start({"--send-disconnect-after", "3"});
    ASSERT_TRUE(tickUntil([&] { return ui.clears > 0; }));
    EXPECT_EQ(session.linkState, LinkState::NotConnected);
    EXPECT_FALSE(ui.moduleLamp);
    EXPECT_EQ(config.moduleCount, 0);
}

TEST_F(LinkEndToEnd, disconnectWaitsForAWorkerStillReceiving) {
    start({"--late-block-ms", "600"});
    ASSERT_TRUE(tickUntil([&] { return session.linkState == LinkState::Connected; }));
    // Tick by hand so the worker is still waiting for its block when we disconnect.
    for (int i = 0; i < 10 && !session.workerBusy; ++i) {
        std::this_thread::sleep_for(40ms);
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

    // Connect again on the same simulator: the whole sequence runs.
    dialogue->connect({});
    ASSERT_TRUE(session.portOpen);
    EXPECT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
}

TEST_F(LinkEndToEnd, pulledDeviceLosesTheLinkWithoutHanging) {
    start();
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded; }));
    sim->stop();
    const auto begin = std::chrono::steady_clock::now();
    tick();
    tick();
    tick();
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
        if (session.workerBusy) dialogue->onWorkerDone(*ui.takeWorkerDone(10s));
    }
    EXPECT_TRUE(session.parameterLoaded);
    EXPECT_EQ(config.moduleCount, 7);
}

}  // namespace
}  // namespace norvik
