// norvik-gatesim, talked to as Norvik talks to a gateway: through the slave side
// of its pseudo-terminal, in raw mode.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "support/gatesim_process.h"

namespace {

using namespace std::chrono_literals;
using norvik::test::GatesimProcess;
using Bytes = std::vector<uint8_t>;

const std::string kPrompt = "KESTRA--r4460k>";
const std::string kConnect = "KESTRA--r4460k> connect";

// Finish lines come quickly so the suite stays short.
const std::vector<std::string> kFast{"--finish-delay-ms", "10"};

std::vector<std::string> fast(std::vector<std::string> more = {}) {
    auto args = kFast;
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

class RawPort {
public:
    explicit RawPort(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) throw std::runtime_error(path + ": cannot open");
        termios tio{};
        ::tcgetattr(fd_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
    RawPort(const RawPort&) = delete;
    RawPort& operator=(const RawPort&) = delete;
    ~RawPort() { ::close(fd_); }

    void send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) throw std::runtime_error("write to the pseudo-terminal failed");
            done += static_cast<std::size_t>(n);
        }
    }
    void sendLine(const std::string& text) { send(text + "\r\n"); }
    void sendBytes(const Bytes& bytes) { send(std::string(bytes.begin(), bytes.end())); }

    // The time-outs only bound a failing test; a passing one never waits them out.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout = 5s) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            if (auto pos = buffer_.find('\n'); pos != std::string::npos) {
                std::string line = buffer_.substr(0, pos);
                buffer_.erase(0, pos + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return line;
            }
            if (!fill(deadline)) return std::nullopt;
        }
    }

    // Up to n bytes: fewer when the time runs out first.
    Bytes readBytes(std::size_t n, std::chrono::milliseconds timeout = 5s) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (buffer_.size() < n && fill(deadline)) {}
        std::size_t take = std::min(n, buffer_.size());
        Bytes out(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(take));
        buffer_.erase(0, take);
        return out;
    }

    bool staysSilent(std::chrono::milliseconds period) {
        auto deadline = std::chrono::steady_clock::now() + period;
        while (fill(deadline)) {}
        return buffer_.empty();
    }

private:
    bool fill(std::chrono::steady_clock::time_point deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return false;
        char chunk[4096];
        ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n <= 0) return false;
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    int fd_ = -1;
    std::string buffer_;
};

// Every byte value, the line ends included, in an order unlike the defaults.
Bytes pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + 3);
    return b;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kDemoParameterBlock{
    0x4B, 0x35, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x64, 0x03, 0xE8, 0x06, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x03,
    0x00, 0x00, 0x00, 0x02, 0x08, 0x00, 0x01, 0x00, 0x00, 0x00,  // system module, position 1
    0x01, 0x00, 0x02, 0x00, 0x00, 0x02, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x04, 0x00, 0x00, 0x01,
    0x04, 0x00, 0x10, 0x00, 0x00, 0x00, 0x02, 0x02, 0x05, 0x00, 0x00, 0x04, 0x08, 0x00, 0x64, 0x00, 0x00, 0x00,
    0x02, 0x02, 0x09, 0x00, 0x02, 0x04, 0x08, 0x00, 0x65, 0x00, 0x00, 0x00, 0x03, 0x03, 0x0D, 0x00, 0x01, 0x06,
    0x08, 0x00, 0xC8, 0x01, 0x01, 0x00, 0x04, 0x04, 0x13, 0x00, 0x10, 0x01, 0x06, 0x00, 0x20, 0x00, 0x00, 0x00,
};

const Bytes kFactoryIpBlock = [] {
    Bytes b{0xC0, 0xA8, 0xFF, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0xC0, 0xA8, 0x00, 0x01};
    for (int k = 0; k < 8; ++k) b.insert(b.end(), {0xC0, 0xA8, 0x00, 0x64, 0x05, 0xDC, 0x1F, 0x40});
    return b;
}();

std::string writeConfig(const std::string& json) {
    auto path = std::filesystem::temp_directory_path() /
                ("gatesim-config-" + std::to_string(::getpid()) + "-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".json");
    std::ofstream(path) << json;
    return path.string();
}

// Reads an announced load reply: its line, exactly `size` bytes, then its finish line.
Bytes loadExchange(RawPort& port, const std::string& command, const std::string& announce, std::size_t size,
                   const std::string& finish) {
    port.sendLine(command);
    EXPECT_EQ(port.readLine(), announce);
    Bytes block = port.readBytes(size);
    EXPECT_EQ(port.readLine(), finish);
    return block;
}

TEST(Gatesim, answersThePromptAlsoWhenItArrivesInPieces) {
    GatesimProcess sim(NORVIK_GATESIM, kFast);
    RawPort port(sim.slavePath());
    port.sendLine(kPrompt);
    EXPECT_EQ(port.readLine(), kConnect);
    port.send("KEST");
    std::this_thread::sleep_for(30ms);
    port.send("RA--r4460k>\r");
    std::this_thread::sleep_for(30ms);
    port.send("\n");
    EXPECT_EQ(port.readLine(), kConnect);
    port.sendLine("NO_SUCH_COMMAND");
    EXPECT_TRUE(port.staysSilent(150ms));
}

TEST(Gatesim, parameterBlockComesWithItsLineAndBeforeTheFinishLine) {
    GatesimProcess sim(NORVIK_GATESIM, {"--finish-delay-ms", "1500"});
    RawPort port(sim.slavePath());
    port.sendLine("LOAD--PARAMETER");
    EXPECT_EQ(port.readLine(), "send parameter to com");
    // Written together with the line: already there long before the finish pause ends.
    EXPECT_EQ(port.readBytes(kDemoParameterBlock.size(), 500ms), kDemoParameterBlock);
    EXPECT_TRUE(port.staysSilent(300ms));
    EXPECT_EQ(port.readLine(), "send parameter to com finish");
}

TEST(Gatesim, fileNameReplyOfTheDemo) {
    GatesimProcess sim(NORVIK_GATESIM, kFast);
    RawPort port(sim.slavePath());
    Bytes expected = concat(
        {text("File_NO="), {0x02}, text("File_Name=auto"), text("exec.bat"), text("File_Name=3420"), text("V10.bin")});
    EXPECT_EQ(
        loadExchange(port, "LOAD--FILE_NAME", "send file name to com", expected.size(), "send file name to com finish"),
        expected);
}

struct BlockKind {
    const char* name;
    std::string send, receiveLine, sendFinish;
    std::string load, loadLine, loadFinish;
    Bytes initial;
};

// A failing case is reported by its name, not as a dump of its bytes.
void PrintTo(const BlockKind& k, std::ostream* os) { *os << k.name; }

class BlockRoundTrip : public testing::TestWithParam<BlockKind> {};

TEST_P(BlockRoundTrip, storesWhatItReceivesAndServesItBack) {
    const auto& k = GetParam();
    GatesimProcess sim(NORVIK_GATESIM, kFast);
    RawPort port(sim.slavePath());
    EXPECT_EQ(loadExchange(port, k.load, k.loadLine, k.initial.size(), k.loadFinish), k.initial);

    Bytes sent = pattern(k.initial.size());
    port.sendLine(k.send);
    ASSERT_EQ(port.readLine(), k.receiveLine);
    port.sendBytes(sent);
    port.sendLine("transmit_end");
    EXPECT_EQ(port.readLine(), k.sendFinish);

    EXPECT_EQ(loadExchange(port, k.load, k.loadLine, sent.size(), k.loadFinish), sent);
}

INSTANTIATE_TEST_SUITE_P(
    Gatesim, BlockRoundTrip,
    testing::Values(BlockKind{"safeValues", "SEND_SAFE_VALUE", "receive safe value", "receive_safe_value finish",
                              "LOAD_SAFE_VALUE", "send safe value to com", "send safe value to com finish",
                              Bytes(512, 0xFF)},
                    BlockKind{"ipSetting", "SEND_IP_SETTING", "receive ip setting", "receive_ip_setting finish",
                              "LOAD_IP_SETTING", "send ip setting to com", "send ip setting to com finish",
                              kFactoryIpBlock}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct LayoutCase {
    const char* name;
    std::string descriptionJson;
    std::size_t blockBytes;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class SafeValueLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(SafeValueLayout, blockSizeFollowsTheFirmwareNames) {
    const auto& c = GetParam();
    auto config = writeConfig(c.descriptionJson);
    GatesimProcess sim(NORVIK_GATESIM, fast({"--config", config}));
    RawPort port(sim.slavePath());
    EXPECT_EQ(
        loadExchange(port, "LOAD_SAFE_VALUE", "send safe value to com", c.blockBytes, "send safe value to com finish")
            .size(),
        c.blockBytes);
    port.sendLine("SEND_SAFE_VALUE");
    ASSERT_EQ(port.readLine(), "receive safe value");
    port.sendBytes(pattern(c.blockBytes));
    port.sendLine("transmit_end");
    EXPECT_EQ(port.readLine(), "receive_safe_value finish");
    std::filesystem::remove(config);
}

INSTANTIATE_TEST_SUITE_P(
    Gatesim, SafeValueLayout,
    testing::Values(
        LayoutCase{"hx3420With10", R"({"model":"HX-3420","file_names":["autoexec.bat","3420V10.bin"]})", 512},
        LayoutCase{"hx3420With12", R"({"model":"HX-3420","file_names":["3420x12.bin"]})", 512},
        LayoutCase{"hx3420With13", R"({"model":"HX-3420","file_names":["3420V13.bin"]})", 976},
        LayoutCase{"laterNameWins", R"({"model":"HX-3420","file_names":["3420V12.bin","autoexec.bat","3420V20.bin"]})",
                   976},
        LayoutCase{"noDecidingName", R"({"model":"HX-3420","file_names":["autoexec.bat","3410V13.bin"]})", 512},
        LayoutCase{"hx3410IgnoresNames", R"({"model":"HX-3410","file_names":["3420V13.bin"]})", 512},
        LayoutCase{"explicitSize", R"({"model":"HX-3410","safe_value_bytes":976})", 976}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct BadSendCase {
    const char* name;
    std::function<void(RawPort&)> sendInstead;
};

void PrintTo(const BadSendCase& c, std::ostream* os) { *os << c.name; }

class IncompleteSafeValueBlock : public testing::TestWithParam<BadSendCase> {};

TEST_P(IncompleteSafeValueBlock, isAnsweredWithReceiveErrorAndNotStored) {
    GatesimProcess sim(NORVIK_GATESIM, fast({"--block-timeout-ms", "300"}));
    RawPort port(sim.slavePath());
    port.sendLine("SEND_SAFE_VALUE");
    ASSERT_EQ(port.readLine(), "receive safe value");
    GetParam().sendInstead(port);
    EXPECT_EQ(port.readLine(2s), "receive_safe_value error!");
    // The gateway is back on lines and still holds its old block.
    EXPECT_EQ(loadExchange(port, "LOAD_SAFE_VALUE", "send safe value to com", 512, "send safe value to com finish"),
              Bytes(512, 0xFF));
}

INSTANTIATE_TEST_SUITE_P(Gatesim, IncompleteSafeValueBlock,
                         testing::Values(BadSendCase{"tooShort",
                                                     [](RawPort& p) {
                                                         p.sendBytes(pattern(100));
                                                         p.sendLine("transmit_end");
                                                     }},
                                         BadSendCase{"tooLong",
                                                     [](RawPort& p) {
                                                         p.sendBytes(pattern(600));
                                                         p.sendLine("transmit_end");
                                                     }},
                                         BadSendCase{"noTransmitEnd", [](RawPort& p) { p.sendBytes(pattern(512)); }}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct FaultCase {
    const char* name;
    std::vector<std::string> args;
    std::function<void(RawPort&)> exchange;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class FaultSwitch : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultSwitch, changesTheAnswer) {
    GatesimProcess sim(NORVIK_GATESIM, fast(GetParam().args));
    RawPort port(sim.slavePath());
    GetParam().exchange(port);
}

void sendBlockExpecting(RawPort& p, const std::string& command, const std::string& announce, std::size_t size,
                        const std::string& answer) {
    p.sendLine(command);
    ASSERT_EQ(p.readLine(), announce);
    p.sendBytes(pattern(size));
    p.sendLine("transmit_end");
    EXPECT_EQ(p.readLine(), answer);
}

INSTANTIATE_TEST_SUITE_P(
    Gatesim, FaultSwitch,
    testing::Values(
        FaultCase{"saveSafe",
                  {"--reply-error", "save-safe"},
                  [](RawPort& p) {
                      sendBlockExpecting(p, "SEND_SAFE_VALUE", "receive safe value", 512, "save_safe_value error!");
                  }},
        FaultCase{"receiveSafe",
                  {"--reply-error", "receive-safe"},
                  [](RawPort& p) {
                      sendBlockExpecting(p, "SEND_SAFE_VALUE", "receive safe value", 512, "receive_safe_value error!");
                  }},
        FaultCase{"saveIp",
                  {"--reply-error", "save-ip"},
                  [](RawPort& p) {
                      sendBlockExpecting(p, "SEND_IP_SETTING", "receive ip setting", 76, "save_ip_setting error!");
                  }},
        FaultCase{"receiveIp",
                  {"--reply-error", "receive-ip"},
                  [](RawPort& p) {
                      sendBlockExpecting(p, "SEND_IP_SETTING", "receive ip setting", 76, "receive_ip_setting error!");
                  }},
        FaultCase{"readSafeAndIpTogether",
                  {"--reply-error", "read-safe,read-ip"},
                  [](RawPort& p) {
                      p.sendLine("LOAD_SAFE_VALUE");
                      EXPECT_EQ(p.readLine(), "read eeprom error!");
                      p.sendLine("LOAD_IP_SETTING");
                      EXPECT_EQ(p.readLine(), "read eeprom error!");
                      EXPECT_TRUE(p.staysSilent(100ms));
                  }},
        FaultCase{"garbage",
                  {"--garbage"},
                  [](RawPort& p) {
                      p.sendLine(kPrompt);
                      auto line = p.readLine();
                      ASSERT_TRUE(line);
                      EXPECT_NE(*line, kConnect);
                  }},
        FaultCase{"silentAfterTwo",
                  {"--silent-after", "2"},
                  [](RawPort& p) {
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(), kConnect);
                      p.sendLine("LOAD_IP_SETTING");
                      EXPECT_EQ(p.readLine(), "send ip setting to com");
                      p.readBytes(76);
                      EXPECT_EQ(p.readLine(), "send ip setting to com finish");
                      p.sendLine(kPrompt);
                      EXPECT_TRUE(p.staysSilent(200ms));
                  }},
        FaultCase{"disconnectNoticeOnce",
                  {"--send-disconnect-after", "1"},
                  [](RawPort& p) {
                      for (const char* expected : {"KESTRA--r4460k> connect", "KESTRA--r4460k> disconnect",
                                                   "KESTRA--r4460k> connect", "KESTRA--r4460k> connect"}) {
                          p.sendLine(kPrompt);
                          EXPECT_EQ(p.readLine(), expected);
                      }
                  }},
        FaultCase{"ignoreFileName",
                  {"--ignore-file-name"},
                  [](RawPort& p) {
                      p.sendLine("LOAD--FILE_NAME");
                      EXPECT_TRUE(p.staysSilent(200ms));
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(), kConnect);
                  }},
        FaultCase{"badFileNameReply",
                  {"--bad-file-name-reply"},
                  [](RawPort& p) {
                      p.sendLine("LOAD--FILE_NAME");
                      EXPECT_EQ(p.readLine(), "send file name to com");
                      Bytes header = p.readBytes(9);
                      ASSERT_EQ(header.size(), 9u);
                      EXPECT_NE(Bytes(header.begin(), header.begin() + 8), text("File_NO="));
                  }},
        FaultCase{"overlongLineBeforeTheFirstAnswerOnly",
                  {"--overlong-line", "2000"},
                  [](RawPort& p) {
                      p.sendLine(kPrompt);
                      auto first = p.readLine();
                      ASSERT_TRUE(first);
                      EXPECT_EQ(first->size(), 2000u);
                      EXPECT_EQ(p.readLine(), kConnect);
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(), kConnect);
                  }},
        FaultCase{"truncatedParameterBlock",
                  {"--truncate-parameter-block", "20"},
                  [](RawPort& p) {
                      Bytes got = loadExchange(p, "LOAD--PARAMETER", "send parameter to com", 20,
                                               "send parameter to com finish");
                      EXPECT_EQ(got, Bytes(kDemoParameterBlock.begin(), kDemoParameterBlock.begin() + 20));
                  }},
        FaultCase{"truncatedSafeBlock",
                  {"--truncate-safe-block", "100"},
                  [](RawPort& p) {
                      EXPECT_EQ(loadExchange(p, "LOAD_SAFE_VALUE", "send safe value to com", 100,
                                             "send safe value to com finish"),
                                Bytes(100, 0xFF));
                  }},
        FaultCase{"truncatedIpBlock",
                  {"--truncate-ip-block", "10"},
                  [](RawPort& p) {
                      EXPECT_EQ(loadExchange(p, "LOAD_IP_SETTING", "send ip setting to com", 10,
                                             "send ip setting to com finish"),
                                Bytes(kFactoryIpBlock.begin(), kFactoryIpBlock.begin() + 10));
                  }},
        FaultCase{"lateBlock",
                  {"--late-block-ms", "1000"},
                  [](RawPort& p) {
                      p.sendLine("LOAD--PARAMETER");
                      EXPECT_EQ(p.readLine(), "send parameter to com");
                      EXPECT_TRUE(p.staysSilent(300ms));
                      EXPECT_EQ(p.readBytes(kDemoParameterBlock.size()), kDemoParameterBlock);
                      EXPECT_EQ(p.readLine(), "send parameter to com finish");
                  }},
        FaultCase{"onlyTheFirstBlockLate",
                  {"--late-block-ms", "1000", "--late-blocks", "1"},
                  [](RawPort& p) {
                      p.sendLine("LOAD_IP_SETTING");
                      EXPECT_EQ(p.readLine(), "send ip setting to com");
                      EXPECT_TRUE(p.staysSilent(300ms));
                      EXPECT_EQ(p.readBytes(76), kFactoryIpBlock);
                      EXPECT_EQ(p.readLine(), "send ip setting to com finish");
                      p.sendLine("LOAD--PARAMETER");
                      EXPECT_EQ(p.readLine(), "send parameter to com");
                      EXPECT_EQ(p.readBytes(kDemoParameterBlock.size(), 500ms), kDemoParameterBlock);
                  }},
        FaultCase{"lateSafeValuesOnly",
                  {"--late-block-ms", "1000", "--late-block-of", "safe"},
                  [](RawPort& p) {
                      p.sendLine("LOAD--PARAMETER");
                      EXPECT_EQ(p.readLine(), "send parameter to com");
                      EXPECT_EQ(p.readBytes(kDemoParameterBlock.size(), 500ms), kDemoParameterBlock);
                      EXPECT_EQ(p.readLine(), "send parameter to com finish");
                      p.sendLine("LOAD_SAFE_VALUE");
                      EXPECT_EQ(p.readLine(), "send safe value to com");
                      EXPECT_TRUE(p.staysSilent(300ms));
                      EXPECT_EQ(p.readBytes(512), Bytes(512, 0xFF));
                  }},
        FaultCase{"truncatedFileNameReply",
                  {"--truncate-file-name-reply", "12"},
                  [](RawPort& p) {
                      const Bytes got = loadExchange(p, "LOAD--FILE_NAME", "send file name to com", 12,
                                                     "send file name to com finish");
                      EXPECT_EQ(Bytes(got.begin(), got.begin() + 8), text("File_NO="));
                  }},
        FaultCase{
            "shortBlockByLessThanItsFinishLine",
            {"--short-block-by", "10", "--short-block-of", "ip"},
            [](RawPort& p) {
                p.sendLine("LOAD_IP_SETTING");
                EXPECT_EQ(p.readLine(), "send ip setting to com");
                const Bytes tail = text("send ip se");
                EXPECT_EQ(p.readBytes(76), concat({Bytes(kFactoryIpBlock.begin(), kFactoryIpBlock.end() - 10), tail}));
                EXPECT_EQ(p.readLine(), "tting to com finish");
                p.sendLine("LOAD--PARAMETER");  // not named: whole
                EXPECT_EQ(p.readLine(), "send parameter to com");
                EXPECT_EQ(p.readBytes(kDemoParameterBlock.size()), kDemoParameterBlock);
            }},
        FaultCase{"bannerOnceAndChatterAheadOfEveryAnswer",
                  {"--banner", "--noise-lines", "2", "--blank-lines", "1"},
                  [](RawPort& p) {
                      const auto chatter = [&p] {
                          EXPECT_EQ(p.readLine(), "kestra: status 1");
                          EXPECT_EQ(p.readLine(), "kestra: status 2");
                          EXPECT_EQ(p.readLine(), "");
                      };
                      p.sendLine(kPrompt);
                      for (const char* l : {"", "KESTRA boot r4460k", "HX-34x0 PROFIBUS-Modbus gateway",
                                            "RAM test ... ok", "KESTRA--r4460k>"})
                          EXPECT_EQ(p.readLine(), l);
                      chatter();
                      EXPECT_EQ(p.readLine(), kConnect);
                      p.sendLine("LOAD_IP_SETTING");
                      chatter();
                      EXPECT_EQ(p.readLine(), "send ip setting to com");
                      EXPECT_EQ(p.readBytes(76), kFactoryIpBlock);
                      EXPECT_EQ(p.readLine(), "send ip setting to com finish");
                  }},
        FaultCase{"strayLinesInsideTheTransferOnly",
                  {"--noise-lines", "1", "--blank-lines", "1", "--stray-inside-transfer"},
                  [](RawPort& p) {
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(), kConnect);
                      p.sendLine("LOAD_IP_SETTING");
                      EXPECT_EQ(p.readLine(), "send ip setting to com");
                      EXPECT_EQ(p.readBytes(76), kFactoryIpBlock);
                      EXPECT_EQ(p.readLine(), "kestra: status 1");
                      EXPECT_EQ(p.readLine(), "");
                      EXPECT_EQ(p.readLine(), "send ip setting to com finish");
                  }},
        FaultCase{"secondPromptAnsweredTwice",
                  {"--answer-twice", "2"},
                  [](RawPort& p) {
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(), kConnect);
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(), kConnect);
                      EXPECT_EQ(p.readLine(), kConnect);
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(), kConnect);
                      EXPECT_TRUE(p.staysSilent(200ms));
                  }},
        FaultCase{"pauseHoldsOneAnswerAndAllBehindIt",
                  {"--pause-at", "2", "--pause-ms", "600"},
                  [](RawPort& p) {
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(), kConnect);
                      p.sendLine(kPrompt);
                      EXPECT_TRUE(p.staysSilent(300ms));
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(), kConnect);
                      EXPECT_EQ(p.readLine(), kConnect);
                      p.sendLine(kPrompt);
                      EXPECT_EQ(p.readLine(100ms), kConnect);
                  }}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The log as soon as it holds at least `n` entries (or as it stands after `bound`).
std::vector<std::string> logOnceItHas(const GatesimProcess& sim, std::size_t n, std::chrono::milliseconds bound = 5s) {
    auto deadline = std::chrono::steady_clock::now() + bound;
    auto lines = sim.logLines();
    while (lines.size() < n && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        lines = sim.logLines();
    }
    return lines;
}

TEST(Gatesim, wireLogRecordsBothDirections) {
    GatesimProcess sim(NORVIK_GATESIM, kFast);
    RawPort port(sim.slavePath());
    port.sendLine(kPrompt);
    EXPECT_EQ(port.readLine(), kConnect);
    port.sendLine("SEND_IP_SETTING");
    ASSERT_EQ(port.readLine(), "receive ip setting");
    Bytes sent(76, 0x00);
    sent[0] = 0x0A;
    sent[75] = 0xAB;
    port.sendBytes(sent);
    port.sendLine("transmit_end");
    EXPECT_EQ(port.readLine(), "receive_ip_setting finish");
    loadExchange(port, "LOAD--PARAMETER", "send parameter to com", kDemoParameterBlock.size(),
                 "send parameter to com finish");

    const std::vector<std::string> expected{
        "RX LINE KESTRA--r4460k>",
        "TX LINE KESTRA--r4460k> connect",
        "RX LINE SEND_IP_SETTING",
        "TX LINE receive ip setting",
        "RX BLOCK 76 0A" + std::string(148, '0') + "AB",
        "RX LINE transmit_end",
        "RX STORED IP_SETTING 76 0A" + std::string(148, '0') + "AB",
        "TX LINE receive_ip_setting finish",
        "RX LINE LOAD--PARAMETER",
        "TX LINE send parameter to com",
        "TX BLOCK 100",
        "TX LINE send parameter to com finish",
    };
    // An answer is logged just after it went out, so the last may still be on its way.
    EXPECT_EQ(logOnceItHas(sim, expected.size()), expected);
}

TEST(Gatesim, wireLogMarksTheLinesItLeavesUnanswered) {
    GatesimProcess sim(NORVIK_GATESIM, fast({"--ignore-file-name", "--silent-after", "1"}));
    RawPort port(sim.slavePath());
    port.sendLine("NO_SUCH_COMMAND");
    port.sendLine("LOAD--FILE_NAME");
    port.sendLine(kPrompt);
    EXPECT_EQ(port.readLine(), kConnect);
    port.sendLine(kPrompt);
    const std::vector<std::string> expected{
        "RX LINE NO_SUCH_COMMAND", "QUIET no answer to this line",
        "RX LINE LOAD--FILE_NAME", "QUIET ignoring the file-name query",
        "RX LINE KESTRA--r4460k>", "TX LINE KESTRA--r4460k> connect",
        "RX LINE KESTRA--r4460k>", "QUIET silent",
    };
    EXPECT_EQ(logOnceItHas(sim, expected.size()), expected);
    EXPECT_TRUE(port.staysSilent(100ms));
}

TEST(Gatesim, keepsServingWhenThePortIsClosedAndOpenedAgain) {
    GatesimProcess sim(NORVIK_GATESIM, kFast);
    {
        RawPort port(sim.slavePath());
        port.sendLine(kPrompt);
        EXPECT_EQ(port.readLine(), kConnect);
    }
    std::this_thread::sleep_for(150ms);
    RawPort port(sim.slavePath());
    port.sendLine(kPrompt);
    EXPECT_EQ(port.readLine(), kConnect);
}

TEST(Gatesim, stopsCleanlyOnSigtermAndRemovesItsLink) {
    auto link = std::filesystem::temp_directory_path() / ("gatesim-link-" + std::to_string(::getpid()));
    GatesimProcess sim(NORVIK_GATESIM, {"--link", link.string()});
    EXPECT_EQ(std::filesystem::read_symlink(link), sim.slavePath());
    {
        RawPort port(link.string());
        port.sendLine(kPrompt);
        EXPECT_EQ(port.readLine(), kConnect);
    }
    int status = sim.stop();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(Gatesim, shippedDemoDescriptionsLoad) {
    {
        GatesimProcess sim(NORVIK_GATESIM, fast({"--config", NORVIK_GATESIM_DIR "/demo-hx3420.json"}));
        RawPort port(sim.slavePath());
        EXPECT_EQ(loadExchange(port, "LOAD--PARAMETER", "send parameter to com", kDemoParameterBlock.size(),
                               "send parameter to com finish"),
                  kDemoParameterBlock);
    }
    GatesimProcess sim(NORVIK_GATESIM, fast({"--config", NORVIK_GATESIM_DIR "/demo-hx3410.json"}));
    RawPort port(sim.slavePath());
    Bytes header =
        loadExchange(port, "LOAD--PARAMETER", "send parameter to com", 16 + 5 * 12, "send parameter to com finish");
    ASSERT_EQ(header.size(), 16u + 5 * 12);
    EXPECT_EQ(header[1], '4');
    EXPECT_EQ(header[11], 4);  // five records, counted minus one
    EXPECT_EQ(header[16], 0xFF);
}

TEST(Gatesim, refusesABrokenDescription) {
    for (const char* json :
         {R"({"modules":[{"device_id":1,"typ":2}]})", R"({"ip_block":"C0A8"})", R"({"safe_value_bytes":600})",
          R"({"model":"HX-9999"})", R"({"role":"boss"})", R"({"slave_device_id":300})", R"({"modules":)"}) {
        SCOPED_TRACE(json);
        auto config = writeConfig(json);
        EXPECT_THROW(GatesimProcess(NORVIK_GATESIM, {"--config", config}), std::runtime_error);
        std::filesystem::remove(config);
    }
}

TEST(Gatesim, describedModulesAndStoredBlocksGoOnTheWire) {
    auto config = writeConfig(R"({
      "model": "HX-3410", "marker": "X", "role": 7, "format": "TCP", "stop_mode": "safe",
      "byte_order": "little", "output_data_mode": "auto", "slave_device_id": 9,
      "poll_interval_ms": 4660, "timeout_ms": 65535, "tcp_connect_count": 3,
      "system_module": null,
      "modules": [{"device_id": 200, "type": 9, "profibus_base": 255, "internal_base": 4660,
                   "data_length": 0, "bits_in_last_byte": 3, "modbus_start": 43981,
                   "tcp_index": 4, "word_swap": true}],
      "file_names": ["Auto12345678", "ab"], "file_count": 11,
      "safe_value_block": [1, 2, 3],
      "safe_value_bytes": 512
    })");
    // A stored block of the wrong size for the gateway is refused before anything starts.
    EXPECT_THROW(GatesimProcess(NORVIK_GATESIM, {"--config", config}), std::runtime_error);

    std::ifstream in(config);
    std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    json.replace(json.find("[1, 2, 3]"), 9, "\"" + std::string(1024, 'a') + "\"");
    std::ofstream(config) << json;

    GatesimProcess sim(NORVIK_GATESIM, fast({"--config", config}));
    RawPort port(sim.slavePath());
    EXPECT_EQ(loadExchange(port, "LOAD--PARAMETER", "send parameter to com", 28, "send parameter to com finish"),
              (Bytes{'X', '4', 7,   2, 1,   0x02, 9,    0x12, 0x34, 0xFF, 0xFF, 0x00, 3,    0,
                     0,   0,   200, 9, 255, 0x12, 0x34, 0,    3,    0xAB, 0xCD, 3,    0x01, 0x00}));
    // Only "auto" in lower case takes the 8-byte tail; other names are cut or padded to 7.
    EXPECT_EQ(
        loadExchange(port, "LOAD--FILE_NAME", "send file name to com", 9 + 2 * 21, "send file name to com finish"),
        concat({text("File_NO="), {11}, text("File_Name=Auto"), text("1234567"), text("File_Name=ab"), Bytes(9, 0)}));
    EXPECT_EQ(loadExchange(port, "LOAD_SAFE_VALUE", "send safe value to com", 512, "send safe value to com finish"),
              Bytes(512, 0xAA));
    std::filesystem::remove(config);
}

}  // namespace
