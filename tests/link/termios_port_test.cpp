// The termios port against a real pseudo-terminal: the test plays the gateway
// on the master side.

#include "serial/termios_port.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace norvik {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A wait that a cancel must end runs far longer than any test: one that ends
// well before it was cut short, however loaded the machine.
constexpr uint16_t kLongWaitMs = 60000;
constexpr auto kWellBeforeTheLongWait = 30s;

// Waits until thread `tid` of this process sleeps in the kernel (in its poll),
// so that a cancel finds it waiting rather than on its way there.
bool awaitThreadSleeping(pid_t tid) {
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        std::FILE* f = std::fopen(path.c_str(), "r");
        if (f) {
            char text[512] = {};
            const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
            std::fclose(f);
            const std::string stat(text, n);
            const std::size_t end = stat.rfind(')');  // the command name may hold spaces
            if (end != std::string::npos && end + 2 < stat.size() && stat[end + 2] == 'S') return true;
        }
        std::this_thread::yield();
    }
    return false;
}

constexpr uint8_t kPort = 1;

std::vector<uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

class TermiosPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[256] = {};
        ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0) << errno;
        slavePath_ = name;
        ::setenv("NORVIK_COM1", slavePath_.c_str(), 1);
        PortSettings settings;
        settings.port = kPort;
        ASSERT_EQ(port_.openPort(settings), 0);
    }

    void TearDown() override {
        port_.closePort(kPort);
        closeMaster();
        if (slave_ >= 0) ::close(slave_);
        ::unsetenv("NORVIK_COM1");
    }

    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    void writeMaster(std::span<const uint8_t> bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            ASSERT_GT(n, 0) << errno;
            done += static_cast<std::size_t>(n);
        }
    }
    void writeMaster(std::string_view text) { writeMaster(bytesOf(text)); }

    // What the port sent, up to n bytes or until nothing more comes for a while.
    std::vector<uint8_t> readMaster(std::size_t n, int quietMs = 300) {
        std::vector<uint8_t> got;
        while (got.size() < n) {
            pollfd pfd{master_, POLLIN, 0};
            if (::poll(&pfd, 1, quietMs) <= 0) break;
            uint8_t chunk[4096];
            const ssize_t k = ::read(master_, chunk, std::min(sizeof chunk, n - got.size()));
            if (k <= 0) break;
            got.insert(got.end(), chunk, chunk + k);
        }
        return got;
    }

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    TermiosSerialPort port_;
};

TEST_F(TermiosPortTest, sendLineAddsCrLf) {
    port_.sendLine(kPort, "LOAD--PARAMETER");
    EXPECT_EQ(readMaster(17), bytesOf("LOAD--PARAMETER\r\n"));
}

TEST_F(TermiosPortTest, replyFraming) {
    struct Case {
        std::string_view wire;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"abc\n", {"abc"}},
        {"abc\r\n", {"abc"}},
        {"a\rb\r\n", {"a\rb"}},
        {"abc\r\r\n", {"abc\r"}},
        {"\r\nnext\r\n", {"", "next"}},
        {"one\ntwo\r\nthree\n", {"one", "two", "three"}},
        {std::string_view("ab\0cd\r\nafter\r\n", 14), {"ab", "after"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.wire)));
        writeMaster(c.wire);
        for (const auto& expected : c.lines) EXPECT_EQ(port_.receiveLine(kPort, 200), expected);
        EXPECT_EQ(port_.receiveLine(kPort, 0), "");
    }
}

TEST_F(TermiosPortTest, blockBehindItsLineInOneWriteIsIntact) {
    std::vector<uint8_t> block{'\r', '\n', 0x00, 0xFF, '\n', 'K', 0x0D, 0x0A, 0x11, 0x13, 0x7F, 0x03};
    std::vector<uint8_t> wire = bytesOf("send parameter to com\r\n");
    wire.insert(wire.end(), block.begin(), block.end());
    wire.insert(wire.end(), {'f', 'i', 'n', 'i', 's', 'h', '\r', '\n'});
    writeMaster(wire);

    EXPECT_EQ(port_.receiveLine(kPort, 200), "send parameter to com");
    std::vector<uint8_t> got(block.size());
    EXPECT_TRUE(port_.receiveBlock(kPort, got, 200).whole());
    EXPECT_EQ(got, block);
    EXPECT_EQ(port_.receiveLine(kPort, 200), "finish");
}

TEST_F(TermiosPortTest, allByteValuesPassUnchangedBothWays) {
    std::vector<uint8_t> all(256);
    std::iota(all.begin(), all.end(), uint8_t{0});

    port_.sendBlock(kPort, all);
    EXPECT_EQ(readMaster(all.size()), all);

    writeMaster(all);
    std::vector<uint8_t> got(all.size());
    EXPECT_TRUE(port_.receiveBlock(kPort, got, 500).whole());
    EXPECT_EQ(got, all);
}

TEST_F(TermiosPortTest, overLongLineIsCutAndTheNextLineIsIntact) {
    for (const std::size_t length :
         {std::size_t{1022}, std::size_t{1023}, std::size_t{1024}, std::size_t{1025}, std::size_t{3000}}) {
        SCOPED_TRACE(length);
        std::string text(length, 'x');
        for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
        writeMaster(text + "\r\nnext\r\n");
        EXPECT_EQ(port_.receiveLine(kPort, 300), text.substr(0, kLineBufferSize - 1));
        EXPECT_EQ(port_.receiveLine(kPort, 300), "next");
    }
}

TEST_F(TermiosPortTest, overLongLineRestArrivingLaterIsStillDiscarded) {
    writeMaster(std::string(1500, 'x'));
    EXPECT_EQ(port_.receiveLine(kPort, 300), std::string(kLineBufferSize - 1, 'x'));
    EXPECT_EQ(port_.receiveLine(kPort, 30), "");
    writeMaster("yyyy\r\nnext\r\n");
    EXPECT_EQ(port_.receiveLine(kPort, 300), "next");
}

TEST_F(TermiosPortTest, silenceTimesOutWithinTheWholeCallBound) {
    const auto start = Clock::now();
    EXPECT_EQ(port_.receiveLine(kPort, 60), "");
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 55ms);
    EXPECT_LT(took, 400ms);
}

TEST_F(TermiosPortTest, tricklingBytesDoNotStretchTheTimeOut) {
    std::thread gateway([this] {
        for (int i = 0; i < 30; ++i) {
            writeMaster("z");
            std::this_thread::sleep_for(10ms);
        }
    });
    const auto start = Clock::now();
    EXPECT_EQ(port_.receiveLine(kPort, 50), "");
    const auto took = Clock::now() - start;
    gateway.join();
    EXPECT_LT(took, 200ms);
}

TEST_F(TermiosPortTest, partialLineIsKeptForTheNextCall) {
    writeMaster("KESTRA--r4460k> con");
    EXPECT_EQ(port_.receiveLine(kPort, 30), "");
    writeMaster("nect\r\n");
    EXPECT_EQ(port_.receiveLine(kPort, 200), "KESTRA--r4460k> connect");
}

// A chatty gateway's blank line is a line; at no wait only what has come counts.
TEST_F(TermiosPortTest, takeLineTellsABlankLineFromNone) {
    writeMaster("\r\nKESTRA--r4460k> connect\r\nsend par");
    std::string line = "x";
    EXPECT_TRUE(port_.takeLine(kPort, 200, line));
    EXPECT_EQ(line, "");
    EXPECT_TRUE(port_.takeLine(kPort, 0, line));
    EXPECT_EQ(line, "KESTRA--r4460k> connect");
    EXPECT_FALSE(port_.takeLine(kPort, 0, line));
    writeMaster("ameter to com\r\n");
    EXPECT_TRUE(port_.takeLine(kPort, 200, line));
    EXPECT_EQ(line, "send parameter to com");
}

TEST_F(TermiosPortTest, lateBlockFailsWithArrivedBytesInFrontAndZerosBehind) {
    writeMaster(std::vector<uint8_t>{1, 2, 3, 4, 5});
    std::vector<uint8_t> got(16, 0xAA);
    const auto start = Clock::now();
    const BlockReceipt r = port_.receiveBlock(kPort, got, 50);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.received, 5u);
    EXPECT_LT(Clock::now() - start, 400ms);
    std::vector<uint8_t> expected(16, 0);
    std::iota(expected.begin(), expected.begin() + 5, uint8_t{1});
    EXPECT_EQ(got, expected);
}

TEST_F(TermiosPortTest, blockInPiecesWithinTheTimeOutSucceeds) {
    std::thread gateway([this] {
        writeMaster(std::vector<uint8_t>{1, 2, 3});
        std::this_thread::sleep_for(30ms);
        writeMaster(std::vector<uint8_t>{4, 5, 6, 7, 8});
    });
    std::vector<uint8_t> got(8);
    EXPECT_TRUE(port_.receiveBlock(kPort, got, 500).whole());
    gateway.join();
    EXPECT_EQ(got, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(TermiosPortTest, blockReadTakesNoByteBeyondItsCount) {
    writeMaster(std::vector<uint8_t>{9, 8, 7, 'o', 'k', '\r', '\n'});
    std::vector<uint8_t> got(3);
    EXPECT_TRUE(port_.receiveBlock(kPort, got, 200).whole());
    EXPECT_EQ(got, (std::vector<uint8_t>{9, 8, 7}));
    EXPECT_EQ(port_.receiveLine(kPort, 200), "ok");
}

TEST_F(TermiosPortTest, vanishedDeviceEndsWaitingReadAndLaterReadsAtOnce) {
    std::thread unplug([this] {
        std::this_thread::sleep_for(30ms);
        closeMaster();
    });
    auto start = Clock::now();
    EXPECT_EQ(port_.receiveLine(kPort, 3000), "");
    EXPECT_LT(Clock::now() - start, 500ms);
    unplug.join();

    start = Clock::now();
    EXPECT_EQ(port_.receiveLine(kPort, 3000), "");
    std::vector<uint8_t> block(16);
    EXPECT_FALSE(port_.receiveBlock(kPort, block, 3000).whole());
    port_.sendLine(kPort, "KESTRA--r4460k>");
    EXPECT_LT(Clock::now() - start, 100ms);
    EXPECT_EQ(port_.deviceError(), static_cast<uint32_t>(EIO)) << "a hang-up counts as EIO";
    EXPECT_EQ(port_.closePort(kPort), 0u);
    EXPECT_EQ(port_.deviceError(), 0u);
}

TEST_F(TermiosPortTest, openFailuresGiveTheErrnoCode) {
    TermiosSerialPort second;
    EXPECT_EQ(second.openPort(PortSettings{}), EBUSY) << "the first port holds the device";
    EXPECT_NE(port_.openPort(PortSettings{}), 0) << "already open";

    struct Case {
        const char* device;
        uint8_t port;
        uint32_t baud;
        Parity parity;
        uint16_t code;
    };
    const std::string plainFile = ::testing::TempDir() + "norvik_not_a_tty";
    {
        const int fd = ::open(plainFile.c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const std::string directory = ::testing::TempDir();
    const Case cases[] = {
        {"/nonexistent/ttyNorvik", 2, 115200, Parity::None, ENOENT},
        {"/dev/null", 2, 115200, Parity::None, ENOTTY},
        {plainFile.c_str(), 2, 115200, Parity::None, ENOTTY},
        {directory.c_str(), 2, 115200, Parity::None, EISDIR},
        {nullptr, 0, 115200, Parity::None, EINVAL},
        {nullptr, 9, 115200, Parity::None, EINVAL},
        {nullptr, 2, 12345, Parity::None, EINVAL},
        {nullptr, 2, 9600, static_cast<Parity>(3), EINVAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device ? c.device : "bad setting");
        if (c.device) ::setenv("NORVIK_COM2", c.device, 1);
        TermiosSerialPort other;
        EXPECT_EQ(other.openPort(PortSettings{c.port, c.baud, 8, c.parity, 0}), c.code);
        EXPECT_FALSE(other.isOpen());
    }
    ::unsetenv("NORVIK_COM2");
    ::unlink(plainFile.c_str());
}

// Root opens a device whatever TIOCEXCL says; the port is still the other
// program's, and its lock must survive our attempt.
TEST_F(TermiosPortTest, portHeldExclusivelyByAnotherProgramIsRefusedAndKeepsItsLock) {
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_EQ(::ioctl(slave, TIOCEXCL), 0);
    ::setenv("NORVIK_COM4", name, 1);
    TermiosSerialPort other;
    EXPECT_EQ(other.openPort(PortSettings{4, 115200, 8, Parity::None, 0}), EBUSY);
    int held = 0;
    ASSERT_EQ(::ioctl(slave, TIOCGEXCL, &held), 0);
    EXPECT_NE(held, 0) << "the other program's lock was cleared";

    // Our own lock goes with our close, and only then.
    ASSERT_EQ(::ioctl(slave, TIOCNXCL), 0);
    ASSERT_EQ(other.openPort(PortSettings{4, 115200, 8, Parity::None, 0}), 0);
    ASSERT_EQ(::ioctl(slave, TIOCGEXCL, &held), 0);
    EXPECT_NE(held, 0);
    EXPECT_EQ(other.closePort(4), 0u);
    ASSERT_EQ(::ioctl(slave, TIOCGEXCL, &held), 0);
    EXPECT_EQ(held, 0);
    ::unsetenv("NORVIK_COM4");
    ::close(slave);
    ::close(master);
}

// Disconnect and the window's end must not wait out a receive time-out.
TEST_F(TermiosPortTest, cancelEndsEveryWaitAtOnceUntilResumed) {
    writeMaster(std::vector<uint8_t>{7, 7, 7});
    std::vector<uint8_t> got(976);
    BlockReceipt receipt;
    std::atomic<pid_t> workerTid{0};
    std::thread worker([&] {
        workerTid = ::gettid();
        receipt = port_.receiveBlock(kPort, got, kLongWaitMs);
    });
    while (workerTid == 0) std::this_thread::yield();
    ASSERT_TRUE(awaitThreadSleeping(workerTid));
    const auto start = Clock::now();
    port_.cancelWaits();
    worker.join();
    EXPECT_LT(Clock::now() - start, kWellBeforeTheLongWait);
    EXPECT_FALSE(receipt.whole());
    EXPECT_EQ(receipt.received, 3u);

    // Later waits end at once too, a send stuck on a full line among them.
    const auto again = Clock::now();
    EXPECT_EQ(port_.receiveLine(kPort, 3000), "");
    port_.sendBlock(kPort, std::vector<uint8_t>(256 * 1024, 0x55));
    EXPECT_LT(Clock::now() - again, 100ms);
    EXPECT_EQ(port_.deviceError(), 0u) << "a cancel is no lost device";

    port_.resumeWaits();
    readMaster(256 * 1024, 50);
    writeMaster("KESTRA--r4460k> connect\r\n");
    EXPECT_EQ(port_.receiveLine(kPort, 300), "KESTRA--r4460k> connect");
}

TEST_F(TermiosPortTest, cancelEndsASendStuckOnAFullLine) {
    std::atomic<pid_t> senderTid{0};
    std::thread sender([&] {
        senderTid = ::gettid();
        port_.sendBlock(kPort, std::vector<uint8_t>(1024 * 1024, 0x55));
    });
    while (senderTid == 0) std::this_thread::yield();
    ASSERT_TRUE(awaitThreadSleeping(senderTid));
    port_.cancelWaits();
    sender.join();  // a send that a cancel did not end would block here for good
}

TEST_F(TermiosPortTest, deviceIsFreeAgainAfterClose) {
    EXPECT_EQ(port_.closePort(kPort), 0u);
    EXPECT_NE(port_.closePort(kPort), 0u) << "closing a closed port";
    for (Parity parity : {Parity::None, Parity::Odd, Parity::Even}) {
        SCOPED_TRACE(static_cast<int>(parity));
        TermiosSerialPort other;
        EXPECT_EQ(other.openPort(PortSettings{kPort, 9600, 8, parity, 0}), 0);
        EXPECT_NE(other.closePort(2), 0u) << "not the open port";
        EXPECT_EQ(other.closePort(kPort), 0u);
    }
}

// The window's close box ends the program without Disconnect.
TEST_F(TermiosPortTest, portDestroyedWhileOpenFreesTheDevice) {
    ASSERT_EQ(port_.closePort(kPort), 0u);
    {
        TermiosSerialPort other;
        ASSERT_EQ(other.openPort(PortSettings{}), 0);
    }
    EXPECT_EQ(port_.openPort(PortSettings{}), 0);
}

TEST_F(TermiosPortTest, permissionDeniedGivesEacces) {
    if (::geteuid() == 0) GTEST_SKIP() << "root opens any device";
    const std::string node = ::testing::TempDir() + "norvik_locked_tty";
    const int fd = ::open(node.c_str(), O_CREAT | O_WRONLY, 0);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ::setenv("NORVIK_COM3", node.c_str(), 1);
    TermiosSerialPort other;
    EXPECT_EQ(other.openPort(PortSettings{3, 115200, 8, Parity::None, 0}), EACCES);
    ::unsetenv("NORVIK_COM3");
    ::unlink(node.c_str());
}

TEST_F(TermiosPortTest, linesSentWhileAWorkerReceivesABlock) {
    constexpr int kLines = 100;
    std::vector<uint8_t> block(976);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);

    std::vector<uint8_t> got(block.size());
    uint16_t status = 1;
    std::thread worker([&] { status = port_.receiveBlock(kPort, got, 2000).status; });
    std::thread gateway([&] {
        for (std::size_t at = 0; at < block.size(); at += 61) {
            writeMaster(std::span(block).subspan(at, std::min<std::size_t>(61, block.size() - at)));
            std::this_thread::sleep_for(1ms);
        }
    });
    std::string expected;
    for (int i = 0; i < kLines; ++i) {
        const std::string line = "KESTRA--r4460k> " + std::to_string(i);
        port_.sendLine(kPort, line);
        expected += line + "\r\n";
    }
    const auto sent = readMaster(expected.size());
    gateway.join();
    worker.join();

    EXPECT_EQ(status, 0);
    EXPECT_EQ(got, block);
    EXPECT_EQ(std::string(sent.begin(), sent.end()), expected);
}

struct PathCase {
    const char* name;
    uint8_t port;
    const char* env;  // nullptr: unset
    std::string expected;
};

class ComDevicePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ComDevicePathTest, namesTheDevice) {
    const PathCase& c = GetParam();
    for (int n = 1; n <= 8; ++n) ::unsetenv(("NORVIK_COM" + std::to_string(n)).c_str());
    if (c.env != nullptr && c.port >= 1 && c.port <= 8)
        ::setenv(("NORVIK_COM" + std::to_string(c.port)).c_str(), c.env, 1);
    ::setenv("NORVIK_COM4", "/dev/other", 1);
    EXPECT_EQ(comDevicePath(c.port), c.expected);
    for (int n = 1; n <= 8; ++n) ::unsetenv(("NORVIK_COM" + std::to_string(n)).c_str());
}

INSTANTIATE_TEST_SUITE_P(Ports, ComDevicePathTest,
                         ::testing::Values(PathCase{"com1FromItsVariable", 1, "/dev/pts/7", "/dev/pts/7"},
                                           PathCase{"com8FromItsVariable", 8, "/tmp/gatesim", "/tmp/gatesim"},
                                           PathCase{"com1UnsetIsTtyS0", 1, nullptr, "/dev/ttyS0"},
                                           PathCase{"com3UnsetIsTtyS2", 3, nullptr, "/dev/ttyS2"},
                                           PathCase{"com8UnsetIsTtyS7", 8, nullptr, "/dev/ttyS7"},
                                           PathCase{"com2EmptyIsTtyS1", 2, "", "/dev/ttyS1"},
                                           PathCase{"port0HasNoDevice", 0, nullptr, ""},
                                           PathCase{"port9HasNoDevice", 9, nullptr, ""}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace norvik
