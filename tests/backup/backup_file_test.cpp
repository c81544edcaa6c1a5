#include "backup/backup_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include "backup/base64.h"
#include "backup_blocks.h"

namespace norvik {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using test::Kind;

std::string hex32(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// Puts new blocks into a file's JSON with the checksum they give, so that only
// the check under test can refuse it.
void storeBlocks(Json& file, const GatewayBlocks& blocks) {
    Json& stored = file["blocks"];
    stored["parameters"] = encodeBase64(blocks.parameters);
    stored["fileNames"] = blocks.fileNames ? Json(encodeBase64(*blocks.fileNames)) : Json(nullptr);
    stored["safeValues"] = encodeBase64(blocks.safeValues);
    if (blocks.ipSetting) {
        stored["ipSetting"] = encodeBase64(*blocks.ipSetting);
    } else {
        stored.erase("ipSetting");
    }
    file["checksum"]["value"] = hex32(backupChecksum(blocks));
}

class BackupFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("norvik_backup_" + std::to_string(::getpid()) + "_" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string at(const std::string& name) const { return (folder / name).string(); }

    fs::path folder;
};

TEST_F(BackupFile, keepsEveryBlockAndTheOriginThroughWriteAndRead) {
    struct Case {
        const char* name;
        GatewayBlocks blocks;
    };
    GatewayBlocks withoutNames = test::gatewayBlocks(Kind::Hx3410);
    withoutNames.fileNames.reset();
    const Case cases[] = {
        {"HX-3410", test::gatewayBlocks(Kind::Hx3410)},
        {"HX-3420, 512-byte safe values", test::gatewayBlocks(Kind::Hx3420Small)},
        {"HX-3420, 976-byte safe values", test::gatewayBlocks(Kind::Hx3420Large, 9, 32)},
        {"a gateway that gave no file names", withoutNames},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GatewayBackup backup = test::backupOf(c.blocks);
        const std::string path = at("gateway.norvik");
        ASSERT_TRUE(writeBackupFile(path, backup).ok());
        const BackupReadResult read = readBackupFile(path);
        ASSERT_TRUE(read.problem.ok()) << static_cast<int>(read.problem.error) << " " << read.problem.field;
        ASSERT_TRUE(read.backup);
        EXPECT_EQ(read.backup->gateway.blocks, c.blocks);
        EXPECT_EQ(read.backup->origin, backup.origin);
        EXPECT_EQ(read.backup->gateway.config.modelName, backup.gateway.config.modelName);
        EXPECT_EQ(read.backup->gateway.config.moduleCount, backup.gateway.config.moduleCount);
        EXPECT_EQ(read.backup->gateway.fileNames, backup.gateway.fileNames);
        EXPECT_EQ(read.backup->gateway.ipSetting, backup.gateway.ipSetting);
    }
}

TEST_F(BackupFile, refusesContentThatIsNotABackupNorvikWrote) {
    struct Case {
        const char* name;
        std::function<std::string(Json&)> damage;  // returns the file text
        BackupError error;
        std::string field;
    };
    auto dumped = [](const Json& file) { return file.dump(); };
    const Case cases[] = {
        {"bad JSON", [](Json& f) { return f.dump().substr(0, 200); }, BackupError::BadJson, ""},
        {"a JSON array", [](Json&) { return std::string("[1, 2]"); }, BackupError::NotABackup, "format"},
        {"another format tag",
         [&](Json& f) {
             f["format"] = "ptm";
             return dumped(f);
         },
         BackupError::NotABackup, "format"},
        {"a newer major version",
         [&](Json& f) {
             f["formatVersion"] = "2.0";
             f.erase("blocks");
             return dumped(f);
         },
         BackupError::NewerFormat, "formatVersion"},
        {"a version that is no version",
         [&](Json& f) {
             f["formatVersion"] = "1.x";
             return dumped(f);
         },
         BackupError::BadField, "formatVersion"},
        {"no time taken",
         [&](Json& f) {
             f.erase("takenAt");
             return dumped(f);
         },
         BackupError::MissingField, "takenAt"},
        {"no baud rate",
         [&](Json& f) {
             f["baud"] = "fast";
             return dumped(f);
         },
         BackupError::BadField, "baud"},
        {"no safe-value block",
         [&](Json& f) {
             f["blocks"].erase("safeValues");
             return dumped(f);
         },
         BackupError::MissingField, "blocks.safeValues"},
        {"no checksum",
         [&](Json& f) {
             f.erase("checksum");
             return dumped(f);
         },
         BackupError::MissingField, "checksum"},
        {"a block that is not base64",
         [&](Json& f) {
             f["blocks"]["parameters"] = "SzUA!A==";
             return dumped(f);
         },
         BackupError::BadField, "blocks.parameters"},
        {"an unknown layout",
         [&](Json& f) {
             f["safeValueLayout"] = 1024;
             return dumped(f);
         },
         BackupError::BadField, "safeValueLayout"},
        {"a changed safe value",
         [&](Json& f) {
             auto bytes = *decodeBase64(f["blocks"]["safeValues"].get<std::string>());
             bytes[100] ^= 1;
             f["blocks"]["safeValues"] = encodeBase64(bytes);
             return dumped(f);
         },
         BackupError::WrongChecksum, "checksum.value"},
        {"a safe-value block one byte short",
         [&](Json& f) {
             GatewayBlocks b = test::gatewayBlocks(Kind::Hx3420Small);
             b.safeValues.pop_back();
             storeBlocks(f, b);
             return dumped(f);
         },
         BackupError::WrongBlockSize, "blocks.safeValues"},
        {"a parameter block with a record too few",
         [&](Json& f) {
             GatewayBlocks b = test::gatewayBlocks(Kind::Hx3420Small);
             b.parameters.resize(b.parameters.size() - 12);
             storeBlocks(f, b);
             return dumped(f);
         },
         BackupError::WrongBlockSize, "blocks.parameters"},
        {"a file-name reply with bytes left over",
         [&](Json& f) {
             GatewayBlocks b = test::gatewayBlocks(Kind::Hx3420Small);
             b.fileNames->push_back('x');
             storeBlocks(f, b);
             return dumped(f);
         },
         BackupError::WrongBlockSize, "blocks.fileNames"},
        {"an IP setting block of 75 bytes",
         [&](Json& f) {
             GatewayBlocks b = test::gatewayBlocks(Kind::Hx3420Small);
             b.ipSetting->pop_back();
             storeBlocks(f, b);
             return dumped(f);
         },
         BackupError::WrongBlockSize, "blocks.ipSetting"},
        {"an HX-3420 without its IP setting",
         [&](Json& f) {
             GatewayBlocks b = test::gatewayBlocks(Kind::Hx3420Small);
             b.ipSetting.reset();
             storeBlocks(f, b);
             return dumped(f);
         },
         BackupError::MissingField, "blocks.ipSetting"},
        {"a layout the file names do not choose",
         [&](Json& f) {
             f["safeValueLayout"] = 976;
             return dumped(f);
         },
         BackupError::Inconsistent, "safeValueLayout"},
        {"a model the parameter block does not name",
         [&](Json& f) {
             f["model"] = "HX-3410";
             return dumped(f);
         },
         BackupError::Inconsistent, "model"},
        {"more than a megabyte", [](Json&) { return std::string((1u << 20) + 1, ' '); }, BackupError::TooLarge, ""},
        {"brackets nested deeper than any backup",
         [](Json&) { return std::string(100000, '[') + std::string(100000, ']'); }, BackupError::BadJson, ""},
        {"a backup wrapped in more levels than a backup has",
         [&](Json& f) { return std::string(20, '[') + dumped(f) + std::string(20, ']'); }, BackupError::BadJson, ""},
    };
    const std::string good = backupFileText(test::backupOf(test::gatewayBlocks(Kind::Hx3420Small)));
    ASSERT_TRUE(parseBackupText(good).backup);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Json file = Json::parse(good);
        const BackupReadResult read = parseBackupText(c.damage(file));
        EXPECT_FALSE(read.backup);
        EXPECT_EQ(read.problem.error, c.error);
        EXPECT_EQ(read.problem.field, c.field);
    }
}

TEST_F(BackupFile, refusesWhatIsNoRegularFileOfAFewMegabytes) {
    const std::string fifo = at("fifo.norvik");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string large = at("large.norvik");
    std::ofstream{large};
    fs::resize_file(large, kMaxBackupFileBytes + 1);

    EXPECT_EQ(readBackupFile(at("missing.norvik")).problem.error, BackupError::CannotOpen);
    EXPECT_EQ(readBackupFile(folder.string()).problem.error, BackupError::NotRegularFile);
    EXPECT_EQ(readBackupFile(fifo).problem.error, BackupError::NotRegularFile);
    const BackupProblem tooLarge = readBackupFile(large).problem;
    EXPECT_EQ(tooLarge.error, BackupError::TooLarge);
    EXPECT_EQ(tooLarge.actual, kMaxBackupFileBytes + 1);
}

TEST(Base64, encodesAsTheStandardSaysAndRefusesWhatItNeverWrites) {
    const std::pair<std::string, std::string> encoded[] = {{"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
                                                           {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xFF\xFE", "//4="}};
    for (const auto& [plain, text] : encoded) {
        const test::Bytes bytes(plain.begin(), plain.end());
        EXPECT_EQ(encodeBase64(bytes), text);
        EXPECT_EQ(decodeBase64(text), bytes) << text;
    }
    for (const char* bad : {"Zg=", "Zg", "Z===", "Zh==", "Zm9=", "Zm 9v", "Zg==Zg==", "=Zg=", "Zm-v"}) {
        EXPECT_FALSE(decodeBase64(bad)) << bad;
    }
}

}  // namespace
}  // namespace norvik
