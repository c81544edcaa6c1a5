#include "firmware/file_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/block_receivers.h"
#include "support/fake_port.h"
#include "serial/serial_port.h"

namespace norvik {
namespace {

constexpr uint32_t kBaud = 19200;

std::string headerChunk(uint8_t count) { return std::string("File_NO=") + static_cast<char>(count); }

// Part A and part B of one file record, as the gateway sends a name.
std::string fileChunks(const std::string& name) {
    const std::size_t partB = name.rfind("auto", 0) == 0 ? 8 : 7;
    std::string a = "File_Name=" + name.substr(0, 4);
    std::string b = name.substr(4);
    b.resize(partB, '\0');
    return a + b;
}

FileNameList oldNames() {
    FileNameList names;
    for (std::size_t i = 0; i < names.size(); ++i) names[i] = "old" + std::to_string(i);
    return names;
}

struct Outcome {
    FileNameReply reply;
    std::size_t leftOver;
    std::vector<uint16_t> timeouts;
    std::vector<std::string> linesAfter;
};

Outcome run(const std::string& wire, uint8_t oldCount = 7) {
    test::FakePort port;
    port.queueBytes(wire);
    Outcome out{FileNameReply{oldNames(), oldCount, false}, 0, {}, {}};
    out.linesAfter = fileNameWorker(port, 1, kBaud, out.reply).linesAfter;
    out.leftOver = port.pendingBytes();
    out.timeouts = port.blockTimeouts();
    return out;
}

TEST(FileNameWorker, repliesThatParse) {
    struct Case {
        const char* name;
        uint8_t count;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"no files", 0, {}},
        {"one name", 1, {"ABCDEFGHIJK"}},
        {"autoexec takes 8 more bytes", 2, {"autoexec.bat", "ABCDEFGHIJK"}},
        {"other cases of auto take 7", 3, {"AutoEFGHIJK", "AUTOEFGHIJK", "autoexec.bat"}},
        {"ten files", 10, std::vector<std::string>(10, "3420V1234.H")},
    };
    for (const Case& k : cases) {
        std::string wire = headerChunk(k.count);
        for (const std::string& n : k.names) wire += fileChunks(n);
        wire += "send file name to com finish\r\n";
        const Outcome out = run(wire);

        EXPECT_FALSE(out.reply.failed) << k.name;
        EXPECT_EQ(out.reply.fileCount, k.count) << k.name;
        for (std::size_t i = 0; i < kFileNameSlots; ++i) {
            const std::string expected = i < k.names.size() ? k.names[i] : "old" + std::to_string(i);
            EXPECT_EQ(out.reply.names[i], expected) << k.name << " slot " << i;
        }
        // Reading one byte too many or too few would eat into or leave part of
        // the next line. A reply whose last byte could start a console line
        // has that line read after it, and handed back whole.
        if (out.linesAfter.empty()) {
            EXPECT_EQ(out.leftOver, std::string("send file name to com finish\r\n").size()) << k.name;
        } else {
            EXPECT_EQ(out.leftOver, 0u) << k.name;
            EXPECT_EQ(out.linesAfter, std::vector<std::string>{"send file name to com finish"}) << k.name;
        }
    }
}

TEST(FileNameWorker, repliesThatFail) {
    struct Case {
        const char* name;
        std::string wire;
        uint8_t count;                   // fileCount afterwards (old count 7)
        std::vector<std::string> names;  // slots 0.. afterwards
    };
    const Case cases[] = {
        {"no header text", "File_No=\x02", 7, {"old0", "old1"}},
        {"nothing arrives", "", 7, {"old0"}},
        {"count above 10", headerChunk(11), 7, {"old0"}},
        {"count 255", headerChunk(255), 7, {"old0"}},
        {"second of three broken",
         headerChunk(3) + fileChunks("ABCDEFGHIJK") + "File_Nome=XXXXabcdefg",
         3,
         {"ABCDEFGHIJK", "old1", "old2"}},
        {"part A cut short", headerChunk(2) + fileChunks("ABCDEFGHIJK") + "File_Na", 2, {"ABCDEFGHIJK", "old1"}},
    };
    for (const Case& k : cases) {
        const Outcome out = run(k.wire);
        EXPECT_TRUE(out.reply.failed) << k.name;
        EXPECT_EQ(out.reply.fileCount, k.count) << k.name;
        for (std::size_t i = 0; i < k.names.size(); ++i) EXPECT_EQ(out.reply.names[i], k.names[i]) << k.name;
    }
}

TEST(FileNameWorker, chunkTextEndsAtItsFirstZero) {
    test::FakePort port;
    port.queueBytes(headerChunk(2));
    port.queueBytes(std::string("File_Name=AB\0D", 14));
    port.queueBytes(std::string("EFG\0IJK", 7));
    port.queueBytes(std::string("File_Name=WXYZ") + std::string("12\0\0\0\0\0", 7));
    FileNameReply reply{oldNames(), 0, false};
    EXPECT_TRUE(fileNameWorker(port, 1, kBaud, reply).whole);

    EXPECT_FALSE(reply.failed);
    EXPECT_EQ(reply.names[0], "ABEFG");
    EXPECT_EQ(reply.names[1], "WXYZ12");
}

// A reply that breaks off is no list: the chunk that came short is not decoded,
// names stored before it stay, and what follows is left for the dialogue.
TEST(FileNameWorker, chunkThatBreaksOffFailsTheReply) {
    test::FakePort port;
    port.queueBytes(headerChunk(2));
    port.queueBytes(fileChunks("3420V10.bin"));
    port.queueBytes(std::string("File_Name=3420") + "V1");
    port.pause();
    port.queueLine("send file name to com finish");
    FileNameReply reply{oldNames(), 0, false};
    const ReceiveOutcome outcome = fileNameWorker(port, 1, kBaud, reply);

    EXPECT_FALSE(outcome.whole);
    EXPECT_TRUE(reply.failed);
    EXPECT_EQ(reply.fileCount, 2);
    EXPECT_EQ(reply.names[0], "3420V10.bin");
    EXPECT_EQ(reply.names[1], "old1");
    EXPECT_EQ(port.pendingBytes(), 30u);
}

TEST(FileNameWorker, eachChunkWaitsForItsOwnSize) {
    const Outcome out = run(headerChunk(2) + fileChunks("autoexec.bat") + fileChunks("ABCDEFGHIJK"));
    EXPECT_EQ(out.timeouts,
              (std::vector<uint16_t>{blockTimeout(kBaud, 9), blockTimeout(kBaud, 14), blockTimeout(kBaud, 8),
                                     blockTimeout(kBaud, 14), blockTimeout(kBaud, 7)}));
}

TEST(SelectFirmwareFile, picksTheFirmwareFromTheList) {
    struct Case {
        const char* name;
        std::vector<std::string> names;
        uint8_t count;
        const char* firmware;  // nullptr: no firmware file listed
        std::string version;
    };
    const Case cases[] = {
        {"no files", {}, 0, nullptr, ""},
        {"only autoexec", {"autoexec.bat"}, 1, nullptr, ""},
        {"one firmware", {"ABCDEFGHIJK"}, 1, "ABCDEFGHIJK", "EFG"},
        {"autoexec first", {"autoexec.bat", "ABCDEFGHIJK"}, 2, "ABCDEFGHIJK", "EFG"},
        {"autoexec last", {"ABCDEFGHIJK", "autoexec.bat"}, 2, "ABCDEFGHIJK", "EFG"},
        {"last of many", {"a", "b", "3420V110.HX"}, 3, "3420V110.HX", "V11"},
        {"only the count decides", {"ABCDEFGHIJK", "LMNOPQRSTUV", "3420V110.HX"}, 2, "LMNOPQRSTUV", "PQR"},
        {"case matters", {"AUTOEXEC.BAT"}, 1, "AUTOEXEC.BAT", "EXE"},
        {"five characters", {"ABCDE"}, 1, "ABCDE", "E"},
        {"four characters", {"ABCD"}, 1, "ABCD", ""},
        {"empty slot", {""}, 1, "", ""},
        {"count beyond the slots", std::vector<std::string>(10, "ABCDEFGHIJK"), 200, "ABCDEFGHIJK", "EFG"},
    };
    for (const Case& k : cases) {
        FileNameList names;
        std::copy(k.names.begin(), k.names.end(), names.begin());
        const FirmwareDisplay d = selectFirmwareFile(FirmwareQueryState::Received, names, k.count);
        EXPECT_FALSE(d.notSupported) << k.name;
        EXPECT_EQ(d.firmwareFound, k.firmware != nullptr) << k.name;
        EXPECT_EQ(d.firmwareName, k.firmware ? k.firmware : "") << k.name;
        EXPECT_EQ(d.version, k.version) << k.name;
        EXPECT_EQ(d.fileCountText, std::to_string(k.count)) << k.name;
    }
}

TEST(SelectFirmwareFile, failedReplyShowsOnlyTheMessage) {
    FileNameList names;
    names[0] = "ABCDEFGHIJK";
    const FirmwareDisplay d = selectFirmwareFile(FirmwareQueryState::ReceiveError, names, 1);
    EXPECT_TRUE(d.notSupported);
    EXPECT_EQ(d.firmwareName, "");
    EXPECT_EQ(d.version, "");
    EXPECT_EQ(d.fileCountText, "0");
}

}  // namespace
}  // namespace norvik
