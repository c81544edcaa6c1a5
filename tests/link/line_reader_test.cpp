// Console line framing: the one reader, the fake port that tests the program
// and the real port on a pseudo-terminal must split the same bytes into the
// same lines.

#include "serial/line_reader.h"

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "serial/termios_port.h"
#include "support/fake_port.h"

namespace norvik {
namespace {

constexpr uint8_t kPort = 1;

std::vector<uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

std::string lettered(std::size_t length) {
    std::string text(length, 'x');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

// The gateway sends `wire`; the lines that can then be read are `lines`, and
// no more until the next step.
struct Step {
    std::string wire;
    std::vector<std::string> lines;
};
struct Case {
    std::string name;
    std::vector<Step> steps;
};

std::vector<Case> framingCases() {
    using namespace std::string_literals;
    const std::string cut = lettered(kLineBufferSize - 1);
    return {
        {"lf", {{"abc\n", {"abc"}}}},
        {"crlf", {{"abc\r\n", {"abc"}}}},
        {"innerCrStays", {{"a\rb\r\n", {"a\rb"}}}},
        {"onlyOneCrDropped", {{"abc\r\r\n", {"abc\r"}}}},
        {"emptyLine", {{"\r\nnext\r\n", {"", "next"}}}},
        {"severalInOne", {{"one\ntwo\r\nthree\n", {"one", "two", "three"}}}},
        {"zeroEndsTheText", {{"ab\0cd\r\nafter\r\n"s, {"ab", "after"}}}},
        {"zeroFirst", {{"\0abc\r\n"s, {""}}}},
        {"partialLineWaits", {{"KESTRA--r4460k> con", {}}, {"nect\r\n", {"KESTRA--r4460k> connect"}}}},
        {"fullBufferWithoutLfWaits", {{lettered(kLineBufferSize), {}}, {"\r\nnext\r\n", {cut, "next"}}}},
        {"longestLineBehindCr", {{cut + "\r", {}}, {"\nnext\r\n", {cut, "next"}}}},
        {"overLongWholeLineCut", {{lettered(1100) + "\r\nnext\r\n", {cut, "next"}}}},
        {"partialOverLongCutAtOnce", {{lettered(1500), {cut}}, {"yyyy\r\nnext\r\n", {"next"}}}},
        {"partialOverLongTailInPieces", {{lettered(1025), {cut}}, {"zzz", {}}, {"zz\nnext\n", {"next"}}}},
        {"zeroInCutLine", {{"ab\0"s + lettered(1500), {"ab"}}, {"\nnext\n", {"next"}}}},
    };
}

void feedString(LineReader& reader, std::string_view text) {
    reader.feed(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<std::string> drain(LineReader& reader) {
    std::vector<std::string> lines;
    std::string line;
    while (reader.takeLine(line)) lines.push_back(line);
    return lines;
}

TEST(LineReaderTest, framingFedWholeAndByteByByte) {
    for (const Case& c : framingCases()) {
        SCOPED_TRACE(c.name);
        LineReader whole;
        LineReader single;
        for (const Step& step : c.steps) {
            feedString(whole, step.wire);
            EXPECT_EQ(drain(whole), step.lines);
            std::vector<std::string> lines;
            for (char ch : step.wire) {
                feedString(single, std::string_view(&ch, 1));
                for (auto& l : drain(single)) lines.push_back(l);
            }
            EXPECT_EQ(lines, step.lines);
        }
    }
}

TEST(LineReaderTest, framingThroughTheFakePort) {
    for (const Case& c : framingCases()) {
        SCOPED_TRACE(c.name);
        test::FakePort port;
        for (const Step& step : c.steps) {
            port.queueBytes(step.wire);
            for (const auto& expected : step.lines) EXPECT_EQ(port.receiveLine(kPort, 200), expected);
            EXPECT_EQ(port.receiveLine(kPort, 0), "");
        }
    }
}

TEST(LineReaderTest, aLineLeavesTheBlockBehindIt) {
    const std::vector<uint8_t> block{'\r', '\n', 0x00, 0xFF, '\n', 'K', 0x0D, 0x0A};
    std::vector<uint8_t> wire = bytesOf("send parameter to com\r\n");
    wire.insert(wire.end(), block.begin(), block.end());
    const std::vector<uint8_t> finish = bytesOf("finish\r\n");
    wire.insert(wire.end(), finish.begin(), finish.end());

    LineReader reader;
    reader.feed(wire);
    std::string line;
    ASSERT_TRUE(reader.takeLine(line));
    EXPECT_EQ(line, "send parameter to com");
    std::vector<uint8_t> got(block.size());
    EXPECT_EQ(reader.takeBytes(got), block.size());
    EXPECT_EQ(got, block);
    EXPECT_EQ(drain(reader), std::vector<std::string>{"finish"});

    test::FakePort port;
    port.queueBytes(wire);
    EXPECT_EQ(port.receiveLine(kPort, 200), "send parameter to com");
    EXPECT_EQ(port.pendingBytes(), block.size() + 8);
    std::vector<uint8_t> fromPort(block.size());
    EXPECT_TRUE(port.receiveBlock(kPort, fromPort, 200).whole());
    EXPECT_EQ(fromPort, block);
    EXPECT_EQ(port.receiveLine(kPort, 200), "finish");
    EXPECT_EQ(port.consumedBytes(), wire.size());
}

// A block read after a cut line takes what follows, as the real port does: the
// caller has taken the line as complete, so nothing is looked for any more.
TEST(LineReaderTest, blockAfterCutLineEndsTheDiscard) {
    LineReader reader;
    feedString(reader, lettered(1030));
    std::string line;
    ASSERT_TRUE(reader.takeLine(line));
    EXPECT_EQ(line.size(), kLineBufferSize - 1);
    EXPECT_EQ(reader.size(), 0u);
    feedString(reader, "tail\nnext\n");
    std::vector<uint8_t> got(4);
    EXPECT_EQ(reader.takeBytes(got), 4u);
    EXPECT_EQ(got, bytesOf("tail"));
    EXPECT_EQ(drain(reader), (std::vector<std::string>{"", "next"}));
}

// The fake's pauses still split the stream, now around the shared reader.
TEST(LineReaderTest, fakePortPauseStillEndsALineRead) {
    test::FakePort port;
    port.queueBytes("abc");
    port.pause();
    port.queueBytes("def\r\n");
    EXPECT_EQ(port.receiveLine(kPort, 200), "");
    EXPECT_EQ(port.pendingBytes(), 8u);
    EXPECT_EQ(port.receiveLine(kPort, 200), "abcdef");
    EXPECT_EQ(port.pendingBytes(), 0u);
}

class LineReaderPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[256] = {};
        ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0) << errno;
        ::setenv("NORVIK_COM1", name, 1);
    }
    void TearDown() override {
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
        ::unsetenv("NORVIK_COM1");
    }
    void writeMaster(std::string_view text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(master_, text.data() + done, text.size() - done);
            ASSERT_GT(n, 0) << errno;
            done += static_cast<std::size_t>(n);
        }
    }

    int master_ = -1;
    int slave_ = -1;
};

TEST_F(LineReaderPtyTest, framingThroughTheRealPort) {
    for (const Case& c : framingCases()) {
        SCOPED_TRACE(c.name);
        TermiosSerialPort port;
        ASSERT_EQ(port.openPort(PortSettings{}), 0);
        for (const Step& step : c.steps) {
            writeMaster(step.wire);
            for (const auto& expected : step.lines) EXPECT_EQ(port.receiveLine(kPort, 500), expected);
            EXPECT_EQ(port.receiveLine(kPort, 30), "");
        }
        port.closePort(kPort);
    }
}

}  // namespace
}  // namespace norvik
