// The commands on backup files alone: show and diff of two files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "backup/backup_blocks.h"
#include "backup/backup_file.h"
#include "file_commands.h"

namespace norvik::cli {
namespace {

namespace fs = std::filesystem;
using test::Kind;

TEST(CliFiles, diffOfTwoBackupsPrintsTheComparisonTableAndItsExitCode) {
    const fs::path folder = fs::temp_directory_path() / ("norvik_cli_files_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    auto file = [&](const char* name, const GatewayBlocks& blocks) {
        const std::string path = (folder / name).string();
        EXPECT_TRUE(writeBackupFile(path, test::backupOf(blocks)).ok());
        return path;
    };
    GatewayBlocks otherAo = test::gatewayBlocks(Kind::Hx3420Small);
    otherAo.safeValues[3 * 128 + 1] ^= 0x42;  // AO 0: the block holds DI, DO, AI, AO
    const std::string a = file("a.norvik", test::gatewayBlocks(Kind::Hx3420Small));
    const std::string b = file("b.norvik", otherAo);
    const std::string c = file("c.norvik", test::gatewayBlocks(Kind::Hx3410));
    const std::string missing = (folder / "missing.norvik").string();

    struct Case {
        std::string first, second;
        ExitCode exit;
        std::vector<std::string> lines;  // how the first ones start
    };
    const Case cases[] = {
        {a, a, ExitCode::Done, {"No difference"}},
        {a, b, ExitCode::Differs, {"Differences:", "  safe value AO 0: backup "}},
        {a, c, ExitCode::Differs, {"Differences:", "  HX-3420, "}},
        {a, missing, ExitCode::FileError, {}},
    };
    for (const Case& k : cases) {
        const DeviceReport report = diffBackups(k.first, k.second);
        EXPECT_EQ(report.exit, k.exit) << k.second;
        ASSERT_GE(report.lines.size(), k.lines.size()) << k.second;
        for (std::size_t i = 0; i < k.lines.size(); ++i)
            EXPECT_EQ(report.lines[i].rfind(k.lines[i], 0), 0u) << report.lines[i];
        EXPECT_EQ(report.json["exit_code"], exitStatus(k.exit));
    }
    EXPECT_EQ(showBackup(a).lines.front(), "model: HX-3420");
    EXPECT_EQ(showBackup(missing).exit, ExitCode::FileError);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace norvik::cli
