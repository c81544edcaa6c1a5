#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "backup/backup_text.h"
#include "backup_blocks.h"
#include "safevalue/safe_value.h"

namespace norvik::test {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The lines that differ, by position; a diff-friendly text changes in place.
std::vector<std::string> changed(const std::string& a, const std::string& b) {
    const auto la = linesOf(a), lb = linesOf(b);
    std::vector<std::string> out;
    if (la.size() != lb.size()) return {"line counts " + std::to_string(la.size()) + " " + std::to_string(lb.size())};
    for (std::size_t i = 0; i < la.size(); ++i)
        if (la[i] != lb[i]) out.push_back(lb[i]);
    return out;
}

TEST(BackupText, oneChangedValueChangesOneLineNamedAsTheDifferenceTableNamesIt) {
    for (const Kind kind : {Kind::Hx3410, Kind::Hx3420Small, Kind::Hx3420Large}) {
        const GatewayBlocks blocks = gatewayBlocks(kind);
        const std::string text = backupText(backupOf(blocks));
        EXPECT_EQ(text, backupText(backupOf(blocks))) << "the same backup, the same text";
        // Every point of every area has a line: N bytes an area give 8 N bits or N / 2 words.
        const uint32_t n = safeValueAreaBytes(blocks.safeValueLayout);
        for (const std::string& last : {"DO " + std::to_string(8 * n - 1), "DI " + std::to_string(8 * n - 1),
                                        "AO " + std::to_string(n / 2 - 1), "AI " + std::to_string(n / 2 - 1)})
            EXPECT_NE(text.find("\nsafe value " + last + ": "), std::string::npos) << last;

        GatewayBlocks flipped = blocks;
        // The block holds DI, DO, AI, AO in that order; the text follows the grids.
        flipped.safeValues[n] ^= 0x01;          // DO 0
        flipped.safeValues[3 * n + 7] ^= 0x10;  // AO 3, one byte of it
        const auto lines = changed(text, backupText(backupOf(flipped)));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].rfind("safe value DO 0: ", 0), 0u) << lines[0];
        EXPECT_EQ(lines[1].rfind("safe value AO 3: ", 0), 0u) << lines[1];
    }
}

TEST(BackupText, showsModelOriginFilesAndIpSettingInUtf8) {
    GatewayBlocks blocks = gatewayBlocks(Kind::Hx3420Small);
    blocks.fileNames = sampleFileNameReply({"3420V10.bin", "caf\xE9_01.cfg"});
    const std::string text = backupText(backupOf(blocks));
    for (const char* line :
         {"model: HX-3420\n", "taken: 2026-12-07T17:20:05Z from /dev/ttyUSB0 at 115200 Bd by Norvik 1.5\n",
          "file 2: caf\xC3\xA9_01.cfg\n", "firmware, version: ", "IP setting local_ip: ",
          "IP setting remotes[8].reconnect_ms: ", "safe values: 512 bytes\n", "Module 3, "})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("model:"), 0u);
    EXPECT_LT(text.find("Module 3, "), text.find("file 1: "));
    EXPECT_LT(text.find("safe value AI 63"), text.find("IP setting local_ip"));
}

}  // namespace
}  // namespace norvik::test
