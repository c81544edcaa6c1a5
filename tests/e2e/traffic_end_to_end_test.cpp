// The traffic log of a real link against norvik-gatesim: what Norvik says it
// sent and received must be what the simulator's own wire log says it received
// and sent.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "link/console_dialogue.h"
#include "link/link_session.h"
#include "serial/termios_port.h"
#include "serial/traffic_log.h"
#include "model/gateway_config.h"
#include "model/parameter_block.h"
#include "safevalue/safe_value_layout.h"
#include "link/console_texts.h"
#include "support/gatesim_process.h"
#include "support/gateway_ticks.h"
#include "support/recording_ui.h"

namespace norvik {
namespace {

using namespace std::chrono_literals;
using test::GatesimProcess;
using test::RecordingUi;

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char two[3];
    for (const uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned>(b));
        text += two;
    }
    return text;
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The log in the simulator's words: what Norvik sent is what the simulator
// received ("RX"), and the other way round. The receive workers take one block
// of the gateway's in pieces (a header, then the records); the pieces of one
// block follow each other with no line between, and are joined here.
std::vector<std::string> asWireLog(const std::vector<TrafficRowPtr>& rows, TrafficDirection direction) {
    std::vector<std::string> entries;
    bool lastWasBlock = false;
    std::size_t blockSize = 0;
    bool incomplete = false;
    const auto endBlock = [&] {
        if (lastWasBlock)
            entries.push_back("TX BLOCK " + std::to_string(blockSize) + (incomplete ? " incomplete" : ""));
        lastWasBlock = false;
        blockSize = 0;
        incomplete = false;
    };
    for (const TrafficRowPtr& row : rows) {
        if (row->direction != direction) continue;
        if (direction == TrafficDirection::Sent) {
            entries.push_back(row->kind == TrafficKind::Line
                                  ? "RX LINE " + traffic::dataText(*row)
                                  : "RX BLOCK " + std::to_string(row->bytes.size()) + " " + hex(row->bytes));
            continue;
        }
        if (row->kind == TrafficKind::Line) {
            endBlock();
            entries.push_back("TX LINE " + traffic::dataText(*row));
        } else {
            lastWasBlock = true;
            blockSize += row->bytes.size();
            incomplete = incomplete || row->shortBlock;
        }
    }
    endBlock();
    return entries;
}

std::vector<std::string> entriesStartingWith(const std::vector<std::string>& lines, const char* prefix) {
    std::vector<std::string> entries;
    // What the simulator keeps of a sent block is its own note, not traffic.
    for (const std::string& line : lines)
        if (startsWith(line, prefix) && !startsWith(line, "RX STORED ")) entries.push_back(line);
    return entries;
}

class TrafficEndToEnd : public ::testing::Test {
protected:
    std::unique_ptr<GatesimProcess> sim;
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    TermiosSerialPort port;
    TrafficLog log;
    TrafficTap tap{port, log};
    RecordingUi ui;
    std::unique_ptr<ConsoleDialogue> dialogue;

    void start(std::vector<std::string> simArgs, uint32_t baud = 2400, int finishDelayMs = 20) {
        simArgs.insert(simArgs.begin(), {"--finish-delay-ms", std::to_string(finishDelayMs)});
        sim = std::make_unique<GatesimProcess>(NORVIK_GATESIM, simArgs);
        dialogue = std::make_unique<ConsoleDialogue>(session, config, ip, tap, ui, ui.hooks());
        PortSettings settings;
        settings.port = 2;
        settings.baud = baud;
        // Chosen in the "Port devices" dialog, not through the variable.
        settings.device = sim->slavePath();
        dialogue->connect(settings);
        ASSERT_TRUE(session.portOpen) << ui.linkStatus;
    }
    void TearDown() override {
        if (dialogue && session.portOpen) dialogue->disconnect();
        dialogue.reset();
    }

    std::size_t linesSent() const {
        std::size_t n = 0;
        for (const TrafficRowPtr& row : log.rowsAfter(0))
            n += row->direction == TrafficDirection::Sent && row->kind == TrafficKind::Line;
        return n;
    }
    // The simulator has read every line sent and written what it answers at once.
    bool awaitGateway(std::chrono::milliseconds bound = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (true) {
            const auto lines = sim->logLines();
            const auto received = entriesStartingWith(lines, "RX LINE ").size();
            const bool answered = lines.empty() || !startsWith(lines.back(), "RX ");
            if (received >= linesSent() && answered) return true;
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
    }
    void tick() {
        if (awaitGateway() && !dialogue->workerBusy()) test::awaitArrival(port, test::lastAnswerBytes(sim->logLines()));
        dialogue->onPollTimer();
        while (dialogue->workerBusy()) ASSERT_TRUE(ui.runPosted(10s)) << "worker did not finish";
        ui.runAllPosted();
    }
    bool tickUntil(const std::function<bool()>& done, int maxTicks = 20) {
        for (int i = 0; i < maxTicks; ++i) {
            if (done()) return true;
            tick();
        }
        return done();
    }
};

TEST_F(TrafficEndToEnd, rowsMatchTheSimulatorsWireLog) {
    start({});
    ASSERT_TRUE(tickUntil([&] { return session.parameterLoaded && !session.firmwareAutoQuery; })) << ui.operation;
    std::vector<uint8_t> block(safeValueBlockBytes(session.safeValueLayout));
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7 + 1);
    test::JobLog jobs;
    jobs.ask(*dialogue, Job::sendSafeValues(block));
    ASSERT_TRUE(tickUntil([&] { return jobs.endedWith(JobKind::SendSafeValues, JobOutcome::Done); }));
    jobs.ask(*dialogue, Job::read(JobKind::ReadSafeValues));
    ASSERT_TRUE(tickUntil([&] { return jobs.endedWith(JobKind::ReadSafeValues, JobOutcome::Done); }));
    tick();
    ASSERT_TRUE(awaitGateway());

    const auto rows = log.rowsAfter(0);
    const auto wire = sim->logLines();
    // Every line and block Norvik sent, in order and byte for byte.
    EXPECT_EQ(asWireLog(rows, TrafficDirection::Sent), entriesStartingWith(wire, "RX "));
    // Everything it received, in order; the gateway's last answer may still wait unread.
    const auto received = asWireLog(rows, TrafficDirection::Received);
    auto sent = entriesStartingWith(wire, "TX ");
    ASSERT_GE(sent.size(), received.size());
    ASSERT_LE(sent.size() - received.size(), 1u);
    sent.resize(received.size());
    EXPECT_EQ(received, sent);

    // The exchanges the user looks for are there as rows of their own.
    const auto has = [&](const std::vector<std::string>& entries, const std::string& entry) {
        return std::find(entries.begin(), entries.end(), entry) != entries.end();
    };
    const auto sentByNorvik = asWireLog(rows, TrafficDirection::Sent);
    EXPECT_TRUE(has(sentByNorvik, "RX LINE LOAD--FILE_NAME"));
    EXPECT_TRUE(has(sentByNorvik, "RX BLOCK " + std::to_string(block.size()) + " " + hex(block)));
    EXPECT_TRUE(has(received, "TX LINE send parameter to com"));
    EXPECT_TRUE(has(received, "TX LINE send file name to com finish"));
    EXPECT_TRUE(has(received, "TX BLOCK " + std::to_string(block.size())));
    std::vector<uint8_t> loaded;
    for (const TrafficRowPtr& row : rows)
        if (row->direction == TrafficDirection::Received && row->bytes.size() == block.size()) loaded = row->bytes;
    EXPECT_EQ(loaded, block);
    for (const TrafficRowPtr& row : rows) EXPECT_FALSE(row->shortBlock);
}

TEST_F(TrafficEndToEnd, truncatedParameterBlockShowsAsOneIncompleteRow) {
    // The finish line comes well after the worker has given up on the rest.
    start({"--truncate-parameter-block", "40"}, 115200, 1500);
    ASSERT_TRUE(tickUntil([&] { return ui.operation == Operation::ParameterIncomplete; }));
    ASSERT_TRUE(awaitGateway());

    const auto rows = log.rowsAfter(0);
    std::vector<TrafficRowPtr> blocks;
    for (const TrafficRowPtr& row : rows)
        if (row->kind == TrafficKind::Block) blocks.push_back(row);
    // The 16-byte header came whole; the records it announced did not.
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_EQ(blocks[0]->bytes.size(), 16u);
    EXPECT_FALSE(blocks[0]->shortBlock);
    EXPECT_TRUE(blocks[1]->shortBlock);
    // Only what came is shown: the 40 bytes sent, less the header.
    EXPECT_LT(blocks[1]->bytes.size(), announcedRecordBytes(blocks[0]->bytes));
    EXPECT_EQ(blocks[1]->bytes.size(), 40u - 16u);
    EXPECT_EQ(traffic::dataText(*blocks[1]), std::to_string(blocks[1]->bytes.size()) + " bytes, incomplete");

    const auto wire = sim->logLines();
    EXPECT_EQ(asWireLog(rows, TrafficDirection::Sent), entriesStartingWith(wire, "RX "));
    const auto sent = entriesStartingWith(wire, "TX ");
    const auto received = asWireLog(rows, TrafficDirection::Received);
    ASSERT_GE(sent.size(), received.size());
    for (std::size_t i = 0; i < received.size(); ++i) {
        if (startsWith(sent[i], "TX BLOCK ")) {
            // One row says how much was asked for; the simulator says how much it sent.
            EXPECT_EQ(sent[i], "TX BLOCK 40");
            EXPECT_EQ(received[i], "TX BLOCK " + std::to_string(16 + blocks[1]->bytes.size()) + " incomplete");
        } else {
            EXPECT_EQ(received[i], sent[i]);
        }
    }
}

}  // namespace
}  // namespace norvik
