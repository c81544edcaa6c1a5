// The safe-value dialog against norvik-gatesim: a new setting is sent, the
// simulator keeps it byte for byte, and a dialog opened to load from the
// device shows every cell as it was. The real port, console dialogue and
// worker threads carry the block; the test ticks the dialogue and the
// dialog's transfer timer itself.

#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "grid/grid_widget.h"
#include "ipsetting/ip_setting.h"
#include "link/console_dialogue.h"
#include "link/link_guards.h"
#include "serial/termios_port.h"
#include "safevalue/safe_value_dialog.h"
#include "support/counting_port.h"
#include "support/gatesim_process.h"
#include "support/gateway_ticks.h"
#include "support/recording_prompts.h"
#include "support/recording_ui.h"

namespace norvik {
namespace {

using namespace std::chrono_literals;
using Button = SafeValueDialog::Button;
using test::GatesimProcess;
using Bytes = std::vector<uint8_t>;

using test::CountingPort;

struct Case {
    const char* name;
    const char* description;  // nullptr: the built-in demo
    SafeValueLayout layout;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SafeValueEndToEnd : public ::testing::TestWithParam<Case> {
protected:
    std::string configPath;
    std::unique_ptr<GatesimProcess> sim;
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    CountingPort port;
    test::RecordingUi ui;
    test::RecordingPrompts prompts;
    std::unique_ptr<ConsoleDialogue> dialogue;

    void SetUp() override {
        std::vector<std::string> args{"--finish-delay-ms", "20"};
        if (GetParam().description) {
            configPath = (std::filesystem::temp_directory_path() /
                          ("sv-e2e-" + std::to_string(::getpid()) + "-" + GetParam().name + ".json"))
                             .string();
            std::ofstream(configPath) << GetParam().description;
            args.insert(args.end(), {"--config", configPath});
        }
        sim = std::make_unique<GatesimProcess>(NORVIK_GATESIM, args);
        ::setenv("NORVIK_COM1", sim->slavePath().c_str(), 1);
        dialogue = std::make_unique<ConsoleDialogue>(session, config, ip, port, ui, ui.hooks());
        PortSettings settings;
        settings.baud = 2400;  // a pty ignores it; the slow rate gives generous time-outs
        dialogue->connect(settings);
        ASSERT_TRUE(session.portOpen) << ui.linkStatus;
    }
    void TearDown() override {
        if (dialogue && session.portOpen) dialogue->disconnect();
        dialogue.reset();
        if (!configPath.empty()) std::filesystem::remove(configPath);
    }

    bool awaitGateway(std::chrono::milliseconds bound = 10s) {
        return test::awaitGateway(*sim, port.linesSent(), bound);
    }
    // One poll tick, the worker's notice delivered as the window's loop would.
    void tick() {
        ASSERT_TRUE(test::awaitAnswer(*sim, port, *dialogue));
        ASSERT_TRUE(test::pollOnce(*dialogue, session, ui));
    }
    bool tickUntil(const std::function<bool()>& done, int maxTicks = 40) {
        for (int i = 0; i < maxTicks && !done(); ++i) tick();
        return done();
    }
    // Both timers once a second: the dialogue's poll, then the dialog's transfer tick.
    bool runTransferUntilItsBox(SafeValueDialog& dialog) {
        const std::size_t boxes = prompts.shown.size();
        return tickUntil([&] {
            if (prompts.shown.size() > boxes) return true;
            dialog.onTransferTimer();
            return prompts.shown.size() > boxes;
        });
    }
    std::string storedSafeValues() const {
        std::string stored;
        for (const std::string& line : sim->logLines())
            if (line.starts_with("RX STORED SAFE_VALUE ")) stored = line;
        return stored;
    }
};

// The block as the grids show it, built from the cell texts alone.
Bytes blockFromCells(SafeValueDialog& dialog, SafeValueLayout layout) {
    const std::size_t n = safeValueBlockBytes(layout) / 4;
    Bytes block(4 * n, 0);
    const std::pair<SafeGrid, std::size_t> areas[] = {
        {SafeGrid::Di, 0}, {SafeGrid::Do, n}, {SafeGrid::Ai, 2 * n}, {SafeGrid::Ao, 3 * n}};
    for (const auto& [g, offset] : areas) {
        GridWidget& grid = dialog.grid(g);
        for (int r = 1; r < grid.rowCount(); ++r) {
            if (isDigitalGrid(g)) {
                for (int bit = 0; bit < 8; ++bit)
                    if (grid.text(r, bit + 1).toStdString() == "H")
                        block[offset + static_cast<std::size_t>(r - 1)] |= static_cast<uint8_t>(1 << bit);
            } else {
                const unsigned word = static_cast<unsigned>(std::stoul(grid.text(r, 1).toStdString(), nullptr, 16));
                block[offset + 2 * static_cast<std::size_t>(r - 1)] = static_cast<uint8_t>(word & 0xFF);
                block[offset + 2 * static_cast<std::size_t>(r - 1) + 1] = static_cast<uint8_t>(word >> 8);
            }
        }
    }
    return block;
}

std::string hex(const Bytes& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 0x0F];
    }
    return out;
}

std::vector<std::string> allTexts(SafeValueDialog& dialog) {
    std::vector<std::string> texts;
    for (SafeGrid g : kSafeGrids) {
        GridWidget& grid = dialog.grid(g);
        for (int r = 0; r < grid.rowCount(); ++r)
            for (int c = 0; c < grid.columnCount(); ++c) texts.push_back(grid.text(r, c).toStdString());
    }
    return texts;
}

TEST_P(SafeValueEndToEnd, newSettingSentAndLoadedBackShowsEveryCell) {
    const SafeValueLayout layout = GetParam().layout;
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded && !session.firmwareAutoQuery; }))
        << ui.linkStatus << " / " << ui.operation;
    ASSERT_EQ(session.safeValueLayout, layout);
    ASSERT_EQ(safeValueOpenGuardMessage(session), nullptr);

    std::vector<std::string> sentTexts;
    Bytes sent;
    {
        SafeValueDialog dialog(DialogMode::NewSetting, session, config, *dialogue, prompts);
        // A pattern no default and no shifted area could reproduce, put in
        // the way the grids hand the user's double-clicks and typing over.
        for (SafeGrid g : kSafeGrids) {
            GridWidget& grid = dialog.grid(g);
            for (int r = 1; r < grid.rowCount(); ++r) {
                if (isDigitalGrid(g)) {
                    for (int c = 1; c <= 8; ++c)
                        if ((r * 8 + c + static_cast<int>(g)) % 3 == 0) emit grid.cellDoubleClicked(r, c);
                } else {
                    char word[5];
                    std::snprintf(word, sizeof word, "%04x", (r * 0x0A0D + static_cast<int>(g) * 0x1111) & 0xFFFF);
                    ASSERT_TRUE(grid.setTextAsUser(r, 1, QString::fromLatin1(word))) << word;
                }
            }
        }
        sent = blockFromCells(dialog, layout);
        sentTexts = allTexts(dialog);

        dialog.button(Button::SaveToDevice)->click();
        ASSERT_EQ(dialogue->pendingJobs(), 1u);
        ASSERT_TRUE(runTransferUntilItsBox(dialog)) << ui.operation;
        EXPECT_EQ(prompts.texts().back(), "Save Safe Value Finish.");
        EXPECT_TRUE(dialog.button(Button::SaveToDevice)->isEnabled());
    }
    EXPECT_EQ(storedSafeValues(), "RX STORED SAFE_VALUE " + std::to_string(sent.size()) + " " + hex(sent));

    SafeValueDialog loaded(DialogMode::LoadFromDevice, session, config, *dialogue, prompts);
    ASSERT_TRUE(runTransferUntilItsBox(loaded)) << ui.operation;
    EXPECT_EQ(prompts.texts().back(), "Receive Safe Value finish .");
    EXPECT_EQ(allTexts(loaded), sentTexts);
    EXPECT_EQ(blockFromCells(loaded, layout), sent);
    EXPECT_EQ(session.linkState, LinkState::Connected);
}

INSTANTIATE_TEST_SUITE_P(Gatesim, SafeValueEndToEnd,
                         ::testing::Values(Case{"demoWith512Bytes", nullptr, SafeValueLayout::Block512},
                                           Case{"firmwareV13With976Bytes",
                                                R"({"model": "HX-3420", "system_module": {"position": 1},
                               "modules": [{"device_id": 1, "type": 0, "data_length": 2}],
                               "file_names": ["autoexec.bat", "3420V13.bin"]})",
                                                SafeValueLayout::Block976}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace norvik
