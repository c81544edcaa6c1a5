// The IP-setting dialog's rules against norvik-gatesim: what the user puts in
// "New setting" and sends with "Save to Device" is what the gateway stores, and
// what "Load from device" then shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "editors/ip_setting_editor.h"
#include "link/console_dialogue.h"
#include "link/link_session.h"
#include "serial/termios_port.h"
#include "model/gateway_config.h"
#include "support/fake_ip_setting_view.h"
#include "support/counting_port.h"
#include "support/gatesim_process.h"
#include "support/gateway_ticks.h"
#include "support/recording_prompts.h"
#include "support/recording_ui.h"

namespace norvik {
namespace {

using namespace std::chrono_literals;
using test::FakeIpSettingView;
using test::GatesimProcess;
using test::RecordingPrompts;
using test::RecordingUi;
using Strings = std::vector<std::string>;

using test::CountingPort;

std::string hex(const IpSettingBlock& block) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const uint8_t b : block) {
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
    }
    return text;
}

class IpSettingEndToEnd : public ::testing::Test {
protected:
    std::unique_ptr<GatesimProcess> sim;
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord record;
    CountingPort port;
    RecordingUi ui;
    std::unique_ptr<ConsoleDialogue> dialogue;

    void start(Strings simArgs = {}) {
        simArgs.insert(simArgs.begin(), {"--finish-delay-ms", "20"});
        sim = std::make_unique<GatesimProcess>(NORVIK_GATESIM, simArgs);
        ::setenv("NORVIK_COM1", sim->slavePath().c_str(), 1);
        dialogue = std::make_unique<ConsoleDialogue>(session, config, record, port, ui, ui.hooks());
        PortSettings settings;
        settings.baud = 2400;  // a pty ignores it; the slow rate gives generous time-outs
        dialogue->connect(settings);
        ASSERT_TRUE(session.portOpen) << ui.linkStatus;
        ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded && !session.firmwareAutoQuery; }))
            << int(ui.linkStatus) << " / " << int(ui.operation);
    }
    void TearDown() override {
        if (dialogue && session.portOpen) dialogue->disconnect();
        dialogue.reset();
    }

    bool awaitGateway(std::chrono::milliseconds bound = 10s) {
        return test::awaitGateway(*sim, port.linesSent(), bound);
    }
    // One poll tick of the main window, the worker's notice delivered as the
    // event loop would.
    void tick() {
        ASSERT_TRUE(test::awaitAnswer(*sim, port, *dialogue));
        ASSERT_TRUE(test::pollOnce(*dialogue, session, ui));
    }
    bool tickUntil(const std::function<bool()>& done, int maxTicks = 40) {
        for (int i = 0; i < maxTicks && !done(); ++i) tick();
        return done();
    }

    // A dialog opening: the menu command's codes, then the editor's opening.
    struct Opening {
        RecordingPrompts prompts;
        FakeIpSettingView view;
        std::unique_ptr<IpSettingEditor> editor;
    };
    std::unique_ptr<Opening> open(DialogMode mode) {
        auto opening = std::make_unique<Opening>();
        opening->editor = std::make_unique<IpSettingEditor>(mode, session, config, *dialogue, record, opening->prompts,
                                                            opening->view);
        opening->view.editor = opening->editor.get();
        opening->editor->open();
        return opening;
    }
    // Both timers run until the dialog has reported its result.
    void runUntilReported(Opening& opening) {
        for (int i = 0; i < 20 && opening.view.told.empty(); ++i) {
            tick();
            opening.editor->onTransferTick();
        }
    }
};

TEST_F(IpSettingEndToEnd, newSettingSentIsStoredAndLoadedBack) {
    ASSERT_NO_FATAL_FAILURE(start());
    auto dialog = open(DialogMode::NewSetting);
    FakeIpSettingView& fields = dialog->view;
    fields.addresses[kLocalIpField] = {10, 0, 13, 10};  // "\n\r" in the block
    fields.addresses[remoteIpField(7)] = {172, 16, 0, 8};
    fields.type(timeoutEdit(7), "2573");  // 0x0A0D
    fields.type(reconnectEdit(2), "65535");
    IpSettingRecord expected;
    setDefaultIpSetting(expected);
    expected.localIp = {10, 0, 13, 10};
    expected.remotes[7].address = {172, 16, 0, 8};
    expected.remotes[7].timeoutValueMs = 2573;
    expected.remotes[2].reconnectTimeMs = 65535;

    dialog->editor->saveToDevice();
    ASSERT_EQ(dialogue->pendingJobs(), 1u);
    runUntilReported(*dialog);

    EXPECT_EQ(dialog->view.told, std::vector<EditorMessage>{EditorMessage::SendFinished});
    EXPECT_TRUE(dialog->view.saveToDeviceEnabled);
    const std::vector<std::string> log = sim->logLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "RX STORED IP_SETTING 76 " + hex(encodeIpSettingBlock(expected))),
              log.end());
    dialog.reset();

    record = IpSettingRecord{};
    auto again = open(DialogMode::LoadFromDevice);
    EXPECT_FALSE(again->view.saveToDeviceEnabled);
    runUntilReported(*again);

    EXPECT_EQ(again->view.told, std::vector<EditorMessage>{EditorMessage::ReceiveFinished});
    EXPECT_EQ(record, expected);
    EXPECT_EQ(again->view.addresses[kLocalIpField], (Ipv4{10, 0, 13, 10}));
    EXPECT_EQ(again->view.addresses[remoteIpField(7)], (Ipv4{172, 16, 0, 8}));
    EXPECT_EQ(again->view.times[timeoutEdit(7)], "2573");
    EXPECT_EQ(again->view.times[reconnectEdit(2)], "65535");
    EXPECT_EQ(again->view.times[timeoutEdit(0)], "1500");
    EXPECT_TRUE(again->view.saveToDeviceEnabled);
}

TEST_F(IpSettingEndToEnd, gatewayThatCannotSaveIsReported) {
    ASSERT_NO_FATAL_FAILURE(start({"--reply-error", "save-ip"}));

    auto dialog = open(DialogMode::NewSetting);
    dialog->editor->saveToDevice();
    runUntilReported(*dialog);
    EXPECT_EQ(dialog->view.told, std::vector<EditorMessage>{EditorMessage::SaveError});
    EXPECT_EQ(dialogue->pendingJobs(), 0u);
}

}  // namespace
}  // namespace norvik
