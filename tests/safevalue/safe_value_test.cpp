#include "safevalue/safe_value.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_file.h"

namespace norvik {
namespace {

namespace fs = std::filesystem;
using test::TempFile;
using Bytes = std::vector<uint8_t>;

struct Layout {
    SafeValueLayout layout;
    uint32_t n;
};
constexpr Layout kLayouts[] = {{SafeValueLayout::Block512, 128}, {SafeValueLayout::Block976, 244}};

TEST(SafeValueTable, resetGivesSizesAndDefaultsOfTheLayout) {
    for (const Layout& l : kLayouts) {
        const SafeValueTable fresh = resetSafeValueTable(l.layout, true);
        EXPECT_EQ(fresh.do_.size(), 8u * l.n);
        EXPECT_EQ(fresh.di.size(), 8u * l.n);
        EXPECT_EQ(fresh.ao.size(), l.n / 2);
        EXPECT_EQ(fresh.ai.size(), l.n / 2);
        EXPECT_EQ(encodeSafeValueBlock(fresh, l.layout), Bytes(4u * l.n, 0xFF));

        const SafeValueTable empty = resetSafeValueTable(l.layout, false);
        EXPECT_EQ(empty.di.back(), SafeBit::Unset);
        EXPECT_FALSE(empty.ao.front().has_value());
        EXPECT_FALSE(encodeSafeValueBlock(empty, l.layout).has_value()) << "Unset words cannot be encoded";
    }
}

TEST(SafeValueBlock, singleValuesLandAtTheirOffsets) {
    struct Case {
        const char* name;
        void (*set)(SafeValueTable&);
        std::size_t area;                                    // offset of the area in units of N
        std::vector<std::pair<std::size_t, uint8_t>> bytes;  // within the area
    };
    const Case cases[] = {
        {"DI bit 0", [](SafeValueTable& t) { t.di[0] = SafeBit::High; }, 0, {{0, 0x01}}},
        {"DI bit 7", [](SafeValueTable& t) { t.di[7] = SafeBit::High; }, 0, {{0, 0x80}}},
        {"DO bit 15", [](SafeValueTable& t) { t.do_[15] = SafeBit::High; }, 1, {{1, 0x80}}},
        {"DO bit 9", [](SafeValueTable& t) { t.do_[9] = SafeBit::High; }, 1, {{1, 0x02}}},
        {"AI word 1", [](SafeValueTable& t) { t.ai[1] = 0x00AB; }, 2, {{2, 0xAB}}},
        {"AO word 0", [](SafeValueTable& t) { t.ao[0] = 0x1234; }, 3, {{0, 0x34}, {1, 0x12}}},
        {"AO last word", [](SafeValueTable& t) { t.ao.back() = 0xBEEF; }, 4, {{0, 0xBE}, {1, 0xEF}}},
    };
    for (const Layout& l : kLayouts) {
        for (const Case& k : cases) {
            SafeValueTable t = resetSafeValueTable(l.layout, true);
            setAllBits(t, DigitalArea::Di, SafeBit::Low);
            setAllBits(t, DigitalArea::Do, SafeBit::Low);
            setAllWords(t, AnalogArea::Ai, 0);
            setAllWords(t, AnalogArea::Ao, 0);
            k.set(t);
            const auto block = encodeSafeValueBlock(t, l.layout);
            ASSERT_TRUE(block.has_value());
            Bytes expected(4u * l.n, 0);
            // Area 4 means: counted back from the end of the block.
            for (const auto& [at, value] : k.bytes) {
                expected[k.area == 4 ? expected.size() - 1 - at : k.area * l.n + at] = value;
            }
            EXPECT_EQ(*block, expected) << k.name << " N=" << l.n;
        }
    }
}

TEST(SafeValueBlock, unsetBitsEncodeAsZero) {
    SafeValueTable t = resetSafeValueTable(SafeValueLayout::Block512, false);
    setAllWords(t, AnalogArea::Ai, 0xFFFF);
    setAllWords(t, AnalogArea::Ao, 0xFFFF);
    t.di[1] = SafeBit::High;
    const auto block = encodeSafeValueBlock(t, SafeValueLayout::Block512);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ((*block)[0], 0x02);
    EXPECT_EQ((*block)[128], 0x00);
}

TEST(SafeValueBlock, oneUnsetWordFailsTheWholeEncoding) {
    for (AnalogArea area : {AnalogArea::Ai, AnalogArea::Ao}) {
        SafeValueTable t = resetSafeValueTable(SafeValueLayout::Block976, true);
        (area == AnalogArea::Ai ? t.ai : t.ao).back().reset();
        EXPECT_FALSE(encodeSafeValueBlock(t, SafeValueLayout::Block976).has_value());
    }
}

// Cutting a 976-byte table down, or padding a 512-byte one, would send values
// nobody chose; either is refused like an unset word.
TEST(SafeValueBlock, tableOfTheOtherLayoutIsAnEncodeError) {
    const SafeValueTable small = resetSafeValueTable(SafeValueLayout::Block512, true);
    EXPECT_FALSE(encodeSafeValueBlock(small, SafeValueLayout::Block976).has_value());
    const SafeValueTable large = resetSafeValueTable(SafeValueLayout::Block976, true);
    EXPECT_FALSE(encodeSafeValueBlock(large, SafeValueLayout::Block512).has_value());
    EXPECT_TRUE(tableFitsLayout(large, SafeValueLayout::Block976));
    EXPECT_FALSE(tableFitsLayout(large, SafeValueLayout::Block512));
}

TEST(SafeValueBlock, decodeThenEncodeGivesTheSameBytes) {
    for (const Layout& l : kLayouts) {
        Bytes bytes(4u * l.n);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
        const auto table = decodeSafeValueBlock(bytes, l.layout);
        ASSERT_TRUE(table.has_value());
        EXPECT_EQ(encodeSafeValueBlock(*table, l.layout), bytes);
        EXPECT_EQ(table->di[8], (bytes[1] & 1) ? SafeBit::High : SafeBit::Low);
        EXPECT_EQ(table->ai[0], static_cast<uint16_t>(bytes[2 * l.n] + 256 * bytes[2 * l.n + 1]));
    }
}

TEST(SafeValueBlock, decodeUsesOnlyTheFirstBlockAndRefusesLess) {
    Bytes large(976, 0x00);
    large[512] = 0xFF;  // beyond a 512-byte block
    const auto t = decodeSafeValueBlock(large, SafeValueLayout::Block512);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(encodeSafeValueBlock(*t, SafeValueLayout::Block512), Bytes(512, 0x00));
    EXPECT_FALSE(decodeSafeValueBlock(Bytes(975, 0), SafeValueLayout::Block976).has_value());
}

TEST(SafeValueText, wordsAndBitsAsTheGridShowsThem) {
    const std::pair<SafeWord, const char*> words[] = {
        {0x0012, "0012"}, {0x0A3B, "0A3B"}, {0x1200, "1200"}, {0x0000, "0000"},
        {0xFFFF, "FFFF"}, {0x00FF, "00FF"}, {SafeWord{}, ""},
    };
    for (const auto& [word, text] : words) EXPECT_EQ(safeWordText(word), text);
    EXPECT_STREQ(safeBitText(SafeBit::High), "H");
    EXPECT_STREQ(safeBitText(SafeBit::Low), "L");
    EXPECT_STREQ(safeBitText(SafeBit::Unset), "");
}

TEST(SafeValueFile, saveAndLoadRoundTrip) {
    for (const Layout& l : kLayouts) {
        TempFile file("norvik_sv_roundtrip");
        SafeValueTable t = resetSafeValueTable(l.layout, true);
        t.ao[3] = 0x0A3B;
        t.do_[100] = SafeBit::Low;
        ASSERT_EQ(saveSafeValueFile(file.path(), t, l.layout), SafeValueFileResult::Ok);
        EXPECT_EQ(file.read().size(), 4u * l.n);
        SafeValueTable loaded = resetSafeValueTable(l.layout, false);
        ASSERT_EQ(loadSafeValueFile(file.path(), l.layout, loaded), SafeValueFileResult::Ok);
        EXPECT_EQ(loaded, t);
    }
}

TEST(SafeValueFile, fileSizesAgainstTheLayout) {
    struct Case {
        const char* name;
        std::size_t fileBytes;
        SafeValueLayout layout;
        SafeValueFileResult result;
    };
    const Case cases[] = {
        {"976-byte file under 512", 976, SafeValueLayout::Block512, SafeValueFileResult::Ok},
        {"exact 512", 512, SafeValueLayout::Block512, SafeValueFileResult::Ok},
        {"512-byte file under 976", 512, SafeValueLayout::Block976, SafeValueFileResult::TooShort},
        {"one byte short", 511, SafeValueLayout::Block512, SafeValueFileResult::TooShort},
        {"empty", 0, SafeValueLayout::Block512, SafeValueFileResult::TooShort},
    };
    for (const Case& k : cases) {
        TempFile file("norvik_sv_sizes");
        file.write(Bytes(k.fileBytes, 0x00));
        SafeValueTable t = resetSafeValueTable(k.layout, false);
        const SafeValueTable before = t;
        EXPECT_EQ(loadSafeValueFile(file.path(), k.layout, t), k.result) << k.name;
        if (k.result != SafeValueFileResult::Ok) EXPECT_EQ(t, before) << k.name << ": table unchanged";
        else EXPECT_EQ(t.di.front(), SafeBit::Low) << k.name;
    }
}

TEST(SafeValueFile, failuresLeaveTableAndFileAlone) {
    TempFile file("norvik_sv_failures");
    SafeValueTable t = resetSafeValueTable(SafeValueLayout::Block512, true);
    EXPECT_EQ(loadSafeValueFile(file.path(), SafeValueLayout::Block512, t), SafeValueFileResult::CannotOpen);
    EXPECT_EQ(t, resetSafeValueTable(SafeValueLayout::Block512, true));

    file.write(Bytes(3, 0x42));
    const SafeValueTable unset = resetSafeValueTable(SafeValueLayout::Block512, false);
    EXPECT_EQ(saveSafeValueFile(file.path(), unset, SafeValueLayout::Block512), SafeValueFileResult::EncodeError);
    EXPECT_EQ(file.read(), Bytes(3, 0x42)) << "an unencodable table must not wipe the chosen file";

    EXPECT_EQ(
        saveSafeValueFile((fs::temp_directory_path() / "no_such_dir" / "x.ptm").string(), t, SafeValueLayout::Block512),
        SafeValueFileResult::CannotCreate);
}

TEST(SafeValueFile, onlyRegularFilesAreReadOrReplaced) {
    const fs::path fifo = fs::temp_directory_path() / ("norvik_sv_fifo_" + std::to_string(::getpid()) + ".ptm");
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const SafeValueTable fresh = resetSafeValueTable(SafeValueLayout::Block512, true);
    for (const std::string& path : {fifo.string(), fs::temp_directory_path().string(), std::string("/dev/zero")}) {
        SafeValueTable t = fresh;
        // A FIFO nobody writes to would hold the dialog for ever if it were opened for reading.
        EXPECT_EQ(loadSafeValueFile(path, SafeValueLayout::Block512, t), SafeValueFileResult::CannotOpen) << path;
        EXPECT_EQ(t, fresh);
        EXPECT_EQ(saveSafeValueFile(path, fresh, SafeValueLayout::Block512), SafeValueFileResult::CannotCreate) << path;
    }
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
    fs::remove(fifo);
}

TEST(SafeValueFile, savingReplacesALongerFile) {
    TempFile file("norvik_sv_replace");
    file.write(Bytes(2000, 0x11));
    ASSERT_EQ(
        saveSafeValueFile(file.path(), resetSafeValueTable(SafeValueLayout::Block512, true), SafeValueLayout::Block512),
        SafeValueFileResult::Ok);
    EXPECT_EQ(file.read(), Bytes(512, 0xFF));
}

}  // namespace
}  // namespace norvik
