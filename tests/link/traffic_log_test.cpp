// The traffic log and the tap that fills it: what is recorded, how long it is
// kept, and that writers on several threads and a reader can share it.

#include "serial/traffic_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "link/console_texts.h"
#include "support/fake_port.h"

namespace norvik {
namespace {

using Bytes = std::vector<uint8_t>;

// A row reduced to what a reader of the log cares about.
struct Seen {
    TrafficDirection direction;
    TrafficKind kind;
    std::string text;
    Bytes bytes;
    bool shortBlock;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> seen(const TrafficLog& log) {
    std::vector<Seen> rows;
    for (const TrafficRowPtr& row : log.rowsAfter(0))
        rows.push_back({row->direction, row->kind, row->text, row->bytes, row->shortBlock});
    return rows;
}

constexpr auto Sent = TrafficDirection::Sent;
constexpr auto Received = TrafficDirection::Received;
constexpr auto Line = TrafficKind::Line;
constexpr auto Block = TrafficKind::Block;

TEST(TrafficTap, recordsEveryLineAndBlockAndForwardsThemUnchanged) {
    test::FakePort port;
    TrafficLog log;
    TrafficTap tap(port, log);
    PortSettings settings;
    ASSERT_EQ(tap.openPort(settings), 0);

    port.queueLine("KESTRA--r4460k> connect");
    port.queueBytes(Bytes{1, 2, 3, 4});
    port.queueBytes(Bytes{9, 8});
    tap.sendLine(1, console::kPrompt);
    EXPECT_EQ(tap.receiveLine(1, 30), console::kReplyConnect);
    Bytes full(4);
    EXPECT_TRUE(tap.receiveBlock(1, full, 100).whole());
    Bytes cut(5);
    EXPECT_FALSE(tap.receiveBlock(1, cut, 100).whole());
    EXPECT_EQ(tap.receiveLine(1, 30), "");  // a time-out is no line
    tap.sendBlock(1, Bytes{0xFF, 0x00, 0x0A});

    EXPECT_EQ(port.sentLines(), std::vector<std::string>{console::kPrompt});
    EXPECT_EQ(port.sentBlocks(), std::vector<Bytes>{Bytes({0xFF, 0x00, 0x0A})});
    EXPECT_EQ(full, Bytes({1, 2, 3, 4}));
    const std::vector<Seen> expected{
        {Sent, Line, "KESTRA--r4460k>", {}, false},   {Received, Line, "KESTRA--r4460k> connect", {}, false},
        {Received, Block, "", {1, 2, 3, 4}, false},   {Received, Block, "", {9, 8}, true},  // only what came
        {Sent, Block, "", {0xFF, 0x00, 0x0A}, false},
    };
    EXPECT_EQ(seen(log), expected);

    const auto rows = log.rowsAfter(0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->serial, i + 1);
        if (i > 0) {
            EXPECT_GE(rows[i]->timeMs, rows[i - 1]->timeMs);
        }
    }
    EXPECT_EQ(log.rowsAfter(3).size(), 2u);
    EXPECT_EQ(log.rowsAfter(3).front()->serial, 4u);
    EXPECT_TRUE(log.rowsAfter(5).empty());
}

TEST(TrafficTap, keepsTheLastOpenResultForTheErrorAdvice) {
    test::FakePort port;
    TrafficLog log;
    TrafficTap tap(port, log);
    EXPECT_EQ(tap.lastOpenCode(), 0);
    port.openCode = EACCES;
    EXPECT_EQ(tap.openPort({}), EACCES);
    EXPECT_EQ(tap.lastOpenCode(), EACCES);
    port.openCode = 0;
    EXPECT_EQ(tap.openPort({}), 0);
    EXPECT_EQ(tap.lastOpenCode(), 0);
    EXPECT_EQ(tap.closePort(1), 0u);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(log.size(), 0u);
}

TEST(TrafficLog, keepsTheLast20000RowsAndNumbersThemOn) {
    TrafficLog log;
    EXPECT_EQ(log.maxRows(), 20000u);
    for (int i = 1; i <= 20005; ++i) log.addLine(Sent, std::to_string(i));
    EXPECT_EQ(log.size(), 20000u);
    const auto rows = log.rowsAfter(0);
    EXPECT_EQ(rows.front()->text, "6");
    EXPECT_EQ(rows.front()->serial, 6u);
    EXPECT_EQ(rows.back()->text, "20005");
    // A reader that had seen row 3 gets everything still held.
    EXPECT_EQ(log.rowsAfter(3).size(), 20000u);
    EXPECT_EQ(log.rowsAfter(20004).size(), 1u);

    log.clear();
    EXPECT_EQ(log.size(), 0u);
    log.addLine(Received, "after");
    EXPECT_EQ(log.rowsAfter(20005).size(), 1u);
    EXPECT_EQ(log.rowsAfter(0).front()->serial, 20006u);
}

TEST(TrafficLog, blockBytesHaveABoundOfTheirOwn) {
    TrafficLog log(100, 2000);
    const Bytes block(976, 0xAA);
    for (int i = 0; i < 3; ++i) {
        log.addLine(Sent, "LOAD_SAFE_VALUE");
        log.addBlock(Received, block, false);
    }
    // 3 x 976 exceeds 2000: the oldest block and the line before it go.
    const auto rows = log.rowsAfter(0);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.front()->text, "LOAD_SAFE_VALUE");
    EXPECT_EQ(rows.front()->serial, 3u);

    // A single block larger than the bound is still kept.
    TrafficLog small(100, 10);
    small.addBlock(Sent, block, false);
    EXPECT_EQ(small.size(), 1u);
}

TEST(TrafficLog, writersOnSeveralThreadsAndAReaderShareIt) {
    constexpr int kWriters = 4;
    constexpr int kRowsEach = 3000;
    TrafficLog log(kWriters * kRowsEach);
    std::atomic<int> notices{0};
    log.setListener([&] { notices.fetch_add(1, std::memory_order_relaxed); });

    std::atomic<bool> writing{true};
    std::thread reader([&] {
        uint64_t last = 0;
        while (writing.load()) {
            for (const TrafficRowPtr& row : log.rowsAfter(last)) {
                EXPECT_GT(row->serial, last);
                last = row->serial;
                // A row is complete by the time a reader sees it.
                EXPECT_FALSE(row->kind == Line ? row->text.empty() : row->bytes.empty());
            }
        }
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&log, w] {
            for (int i = 0; i < kRowsEach; ++i) {
                if (i % 10 == 0) log.addBlock(Received, Bytes(16, static_cast<uint8_t>(w)), false);
                else log.addLine(Sent, std::to_string(w) + ":" + std::to_string(i));
            }
        });
    }
    for (auto& t : writers) t.join();
    writing = false;
    reader.join();

    EXPECT_EQ(notices.load(), kWriters * kRowsEach);
    const auto rows = log.rowsAfter(0);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kWriters * kRowsEach));
    // Each writer's rows are there in the order it wrote them.
    std::vector<int> next(kWriters, 0);
    for (const TrafficRowPtr& row : rows) {
        if (row->kind == Block) {
            const int w = row->bytes[0];
            EXPECT_EQ(next[static_cast<std::size_t>(w)] % 10, 0);
            ++next[static_cast<std::size_t>(w)];
            continue;
        }
        const int w = std::stoi(row->text);
        EXPECT_EQ(row->text, std::to_string(w) + ":" + std::to_string(next[static_cast<std::size_t>(w)]));
        ++next[static_cast<std::size_t>(w)];
    }
}

TEST(TrafficLog, clearingWhileWritersRunLosesNothingWrittenAfter) {
    TrafficLog log;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        while (!stop.load()) log.addLine(Received, "x");
    });
    for (int i = 0; i < 200; ++i) {
        log.clear();
        (void)log.rowsAfter(0);
    }
    stop = true;
    writer.join();
    const auto rows = log.rowsAfter(0);
    for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i]->serial, rows[i - 1]->serial + 1);
}

TEST(TrafficLog, aListenerTakenAwayIsNeverCalledAgain) {
    TrafficLog log;
    std::atomic<int> calls{0};
    std::atomic<bool> stop{false};
    log.setListener([&] { calls.fetch_add(1); });
    std::thread writer([&] {
        while (!stop.load()) log.addLine(Sent, "x");
    });
    while (calls.load() < 100) std::this_thread::yield();
    log.setListener(nullptr);
    const int after = calls.load();
    while (log.size() < 200) std::this_thread::yield();
    stop = true;
    writer.join();
    EXPECT_EQ(calls.load(), after);
}

// --- texts ------------------------------------------------------------------------

TrafficRow line(TrafficDirection direction, std::string text) {
    TrafficRow row;
    row.direction = direction;
    row.text = std::move(text);
    return row;
}

TrafficRow block(TrafficDirection direction, Bytes bytes, bool shortBlock = false) {
    TrafficRow row;
    row.direction = direction;
    row.kind = Block;
    row.bytes = std::move(bytes);
    row.shortBlock = shortBlock;
    return row;
}

TEST(TrafficTexts, linesShowControlBytesAndBlocksTheirSize) {
    struct Case {
        TrafficRow row;
        const char* data;
    };
    const std::vector<Case> cases{
        {line(Received, "send parameter to com"), "send parameter to com"},
        {line(Received, std::string("a\tb\x01\xFF\\", 6)), "a\\x09b\\x01\\xFF\\"},
        {block(Received, Bytes(976)), "976 bytes"},
        {block(Received, Bytes(976), true), "976 bytes, incomplete"},
        {block(Sent, Bytes(1)), "1 byte"},
    };
    for (const Case& c : cases) EXPECT_EQ(traffic::dataText(c.row), c.data);
    EXPECT_STREQ(traffic::directionText(Sent), "sent");
    EXPECT_STREQ(traffic::directionText(Received), "received");
}

TEST(TrafficTexts, onlyThePromptAndItsConnectReplyAreKeepAlive) {
    EXPECT_TRUE(line(Sent, "KESTRA--r4460k>").isKeepAlive());
    EXPECT_TRUE(line(Received, "KESTRA--r4460k> connect").isKeepAlive());
    EXPECT_FALSE(line(Received, "KESTRA--r4460k>").isKeepAlive());
    EXPECT_FALSE(line(Sent, "KESTRA--r4460k> connect").isKeepAlive());
    EXPECT_FALSE(line(Received, "KESTRA--r4460k> disconnect").isKeepAlive());
    EXPECT_FALSE(line(Sent, "LOAD--PARAMETER").isKeepAlive());
    EXPECT_FALSE(block(Sent, Bytes{'K'}).isKeepAlive());
}

TEST(TrafficTexts, hexDumpShowsOffsetsBytesAndCharacters) {
    Bytes bytes;
    for (const char c : std::string("File_NO=")) bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(2);
    for (int i = 0; i < 9; ++i) bytes.push_back(static_cast<uint8_t>(0xF0 + i));
    EXPECT_EQ(traffic::hexDump(bytes),
              "0000  46 69 6C 65 5F 4E 4F 3D 02 F0 F1 F2 F3 F4 F5 F6  File_NO=........\n"
              "0010  F7 F8                                            ..\n");
    EXPECT_EQ(traffic::hexDump({}), "");
}

TEST(TrafficTexts, savedRowsCarryTimeDirectionDataAndTheBlocksBytes) {
    const char* oldZone = std::getenv("TZ");
    const std::string kept = oldZone ? oldZone : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    TrafficRow row = line(Sent, "LOAD--PARAMETER");
    row.timeMs = 1700000000123;  // 2023-11-14 22:13:20.123 UTC
    EXPECT_EQ(traffic::timeText(row.timeMs), "22:13:20.123");
    EXPECT_EQ(traffic::rowText(row, true), "22:13:20.123  sent      LOAD--PARAMETER\n");
    TrafficRow answer = block(Received, Bytes{0x4B, 0x35}, true);
    answer.timeMs = row.timeMs + 1001;
    EXPECT_EQ(traffic::rowText(answer, false), "22:13:21.124  received  2 bytes, incomplete\n");
    EXPECT_EQ(traffic::rowText(answer, true),
              "22:13:21.124  received  2 bytes, incomplete\n"
              "0000  4B 35                                            K5\n");
    if (oldZone) ::setenv("TZ", kept.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
}

}  // namespace
}  // namespace norvik
