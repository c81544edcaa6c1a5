#include "ipsetting/ip_setting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "link/link_session.h"
#include "link/block_receivers.h"
#include "support/fake_port.h"
#include "serial/serial_port.h"
#include "support/temp_file.h"

namespace norvik {
namespace {

namespace fs = std::filesystem;
using test::TempFile;
using Bytes = std::vector<uint8_t>;

Bytes toBytes(const IpSettingBlock& block) { return Bytes(block.begin(), block.end()); }

IpSettingBlock patternBlock() {
    IpSettingBlock block{};
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(255 - i * 3);
    return block;
}

TEST(IpSettingBlock, defaultsEncodeToTheFactoryBytes) {
    IpSettingRecord r;
    setDefaultIpSetting(r);
    Bytes expected{0xC0, 0xA8, 0xFF, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0xC0, 0xA8, 0x00, 0x01};
    for (int k = 0; k < 8; ++k) expected.insert(expected.end(), {0xC0, 0xA8, 0x00, 0x64, 0x05, 0xDC, 0x1F, 0x40});
    EXPECT_EQ(toBytes(encodeIpSettingBlock(r)), expected);
}

TEST(IpSettingBlock, fieldsLandAtTheirOffsets) {
    IpSettingRecord r;
    r.localIp = {1, 2, 3, 4};
    r.subnetMask = {5, 6, 7, 8};
    r.gateway = {9, 10, 11, 12};
    r.remotes[7].address = {13, 14, 15, 16};
    r.remotes[7].timeoutValueMs = 0x1234;
    r.remotes[7].reconnectTimeMs = 0xABCD;
    r.remotes[0].timeoutValueMs = 0x00FF;
    const IpSettingBlock b = encodeIpSettingBlock(r);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 12), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(Bytes(b.begin() + 68, b.end()), (Bytes{13, 14, 15, 16, 0x12, 0x34, 0xAB, 0xCD}));
    EXPECT_EQ(b[16], 0x00);
    EXPECT_EQ(b[17], 0xFF);
}

TEST(IpSettingBlock, timeValuesKeepTheirLow16Bits) {
    struct Case {
        uint32_t value;
        uint8_t high, low;
        uint32_t decoded;
    };
    const Case cases[] = {
        {65535, 0xFF, 0xFF, 65535}, {0, 0x00, 0x00, 0}, {65536, 0x00, 0x00, 0},
        {70000, 0x11, 0x70, 4464},  {1, 0x00, 0x01, 1}, {256, 0x01, 0x00, 256},
    };
    for (const Case& k : cases) {
        IpSettingRecord r;
        r.remotes[3].reconnectTimeMs = k.value;
        const IpSettingBlock b = encodeIpSettingBlock(r);
        EXPECT_EQ(b[12 + 8 * 3 + 6], k.high) << k.value;
        EXPECT_EQ(b[12 + 8 * 3 + 7], k.low) << k.value;
        EXPECT_EQ(decodeIpSettingBlock(b).remotes[3].reconnectTimeMs, k.decoded) << k.value;
    }
}

TEST(IpSettingBlock, decodeThenEncodeGivesTheSameBytes) {
    const IpSettingBlock block = patternBlock();
    EXPECT_EQ(encodeIpSettingBlock(decodeIpSettingBlock(block)), block);
}

TEST(IpSettingAddress, legality) {
    const std::pair<Ipv4, bool> cases[] = {
        {{10, 0, 0, 255}, false},      {{255, 255, 255, 0}, false}, {{127, 0, 0, 1}, false},    {{224, 0, 0, 0}, false},
        {{255, 255, 255, 255}, false}, {{0, 0, 0, 0}, true},        {{127, 0, 0, 2}, true},     {{224, 0, 0, 1}, true},
        {{255, 0, 0, 1}, true},        {{255, 255, 0, 0}, true},    {{192, 168, 0, 100}, true}, {{0, 0, 0, 1}, true},
    };
    for (const auto& [address, legal] : cases) {
        EXPECT_EQ(isLegalIpAddress(address), legal)
            << int(address[0]) << '.' << int(address[1]) << '.' << int(address[2]) << '.' << int(address[3]);
    }
}

TEST(IpSettingFile, writeThenReadGivesTheRecord) {
    TempFile file("norvik_ip_roundtrip");
    IpSettingRecord r;
    setDefaultIpSetting(r);
    r.remotes[5].address = {10, 1, 2, 3};
    ASSERT_TRUE(writeIpSettingFile(file.path(), r));
    EXPECT_EQ(file.read(), toBytes(encodeIpSettingBlock(r)));
    IpSettingRecord back;
    ASSERT_TRUE(readIpSettingFile(file.path(), back));
    EXPECT_EQ(back, r);
}

TEST(IpSettingFile, fileLengths) {
    struct Case {
        std::size_t bytes;
        bool accepted;
    };
    const Case cases[] = {{76, true}, {100, true}, {75, false}, {0, false}};
    for (const Case& k : cases) {
        TempFile file("norvik_ip_lengths");
        Bytes content(k.bytes, 0x77);
        const IpSettingBlock pattern = patternBlock();
        std::copy_n(pattern.begin(), std::min<std::size_t>(k.bytes, 76), content.begin());
        file.write(content);

        IpSettingRecord r;
        setDefaultIpSetting(r);
        const IpSettingRecord before = r;
        EXPECT_EQ(readIpSettingFile(file.path(), r), k.accepted) << k.bytes;
        EXPECT_EQ(r, k.accepted ? decodeIpSettingBlock(pattern) : before) << k.bytes;
    }
}

TEST(IpSettingFile, failuresToOpenOrCreate) {
    TempFile file("norvik_ip_missing");
    IpSettingRecord r;
    setDefaultIpSetting(r);
    const IpSettingRecord before = r;
    EXPECT_FALSE(readIpSettingFile(file.path(), r));
    EXPECT_EQ(r, before);
    EXPECT_FALSE(writeIpSettingFile((fs::temp_directory_path() / "no_such_dir" / "ip.ptm").string(), r));
}

TEST(IpSettingFile, writingReplacesALongerFile) {
    TempFile file("norvik_ip_replace");
    file.write(Bytes(300, 0x11));
    IpSettingRecord r;
    ASSERT_TRUE(writeIpSettingFile(file.path(), r));
    EXPECT_EQ(file.read(), Bytes(76, 0x00));
}

// A folder of its own for the tests that look at what lies beside the file.
class TempFolder {
public:
    explicit TempFolder(const std::string& name)
        : path_(fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    fs::path operator/(const std::string& name) const { return path_ / name; }
    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (const auto& entry : fs::directory_iterator(path_)) all.push_back(entry.path().filename().string());
        std::sort(all.begin(), all.end());
        return all;
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

TEST(IpSettingFile, readingRefusesWhatIsNoRegularFileWithoutWaiting) {
    TempFolder folder("norvik_ip_kinds");
    const fs::path fifo = folder / "fifo.ptm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // /dev/zero would give 76 bytes of zeros: it is refused for what it is, not for its length.
    const std::pair<std::string, std::string> cases[] = {
        {"a FIFO without a writer", fifo.string()},
        {"a folder", folder.path().string()},
        {"a device", "/dev/zero"},
    };
    for (const auto& [name, path] : cases) {
        IpSettingRecord r;
        setDefaultIpSetting(r);
        EXPECT_FALSE(readIpSettingFile(path, r)) << name;
        EXPECT_EQ(r.localIp, (Ipv4{192, 168, 255, 1})) << name;
    }
}

TEST(IpSettingFile, writingLeavesOnlyTheFileBehind) {
    TempFolder folder("norvik_ip_write_clean");
    IpSettingRecord r;
    setDefaultIpSetting(r);
    ASSERT_TRUE(writeIpSettingFile((folder / "IP_setting.ptm").string(), r));
    ASSERT_TRUE(writeIpSettingFile((folder / "IP_setting.ptm").string(), r));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"IP_setting.ptm"});
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(fs::status(folder / "IP_setting.ptm").permissions() & fs::perms::all,
              static_cast<fs::perms>(0666 & ~mask));
}

TEST(IpSettingFile, writingKeepsWhatIsNoRegularFile) {
    TempFolder folder("norvik_ip_write_kinds");
    const fs::path fifo = folder / "fifo.ptm";
    const fs::path sub = folder / "sub.ptm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(sub);
    IpSettingRecord r;
    EXPECT_FALSE(writeIpSettingFile(fifo.string(), r));
    EXPECT_FALSE(writeIpSettingFile(sub.string(), r));
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_directory(sub));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"fifo.ptm", "sub.ptm"}));
}

TEST(IpSettingFile, writingThroughALinkReplacesTheFileItNames) {
    TempFolder folder("norvik_ip_write_link");
    const fs::path target = folder / "real.ptm";
    const fs::path link = folder / "link.ptm";
    std::ofstream(target) << "old";
    fs::create_symlink(target, link);
    IpSettingRecord r;
    setDefaultIpSetting(r);
    ASSERT_TRUE(writeIpSettingFile(link.string(), r));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::file_size(target), kIpSettingBlockBytes);
}

TEST(IpSettingFile, failedWriteKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "a read-only folder does not stop root";
    TempFolder folder("norvik_ip_write_fail");
    const fs::path file = folder / "IP_setting.ptm";
    IpSettingRecord r;
    setDefaultIpSetting(r);
    ASSERT_TRUE(writeIpSettingFile(file.string(), r));
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    IpSettingRecord other;
    EXPECT_FALSE(writeIpSettingFile(file.string(), other));
    fs::permissions(folder.path(), fs::perms::owner_all);
    IpSettingRecord back;
    ASSERT_TRUE(readIpSettingFile(file.string(), back));
    EXPECT_EQ(back, r);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"IP_setting.ptm"});
}

TEST(IpSettingWorker, receivesDecodesAndLeavesTheRecordAloneOnAShortBlock) {
    struct Case {
        std::size_t arriving;
        bool whole;
    };
    const Case cases[] = {{76, true}, {75, false}, {0, false}};
    for (const Case& k : cases) {
        const IpSettingBlock block = patternBlock();
        test::FakePort port;
        port.queueBytes(std::span(block).first(k.arriving));
        port.pause();
        port.queueBytes("send ip setting to com finish\r\n");
        IpSettingRecord out;
        setDefaultIpSetting(out);
        IpSettingRecord defaults = out;

        EXPECT_EQ(ipSettingWorker(port, 1, 4800, out).whole, k.whole) << k.arriving;

        EXPECT_EQ(port.blockTimeouts(), std::vector<uint16_t>{blockTimeout(4800, 76)});
        EXPECT_EQ(out, k.whole ? decodeIpSettingBlock(block) : defaults) << k.arriving;
    }
}

}  // namespace
}  // namespace norvik
