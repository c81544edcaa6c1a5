#include "grid/grid_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace norvik;

namespace {

// Counts the edit rule's questions and answers them with preset results.
struct OwnerRecorder {
    int begins = 0;
    int ends = 0;
    std::vector<std::string> textsAtEndEdit;
    bool allowBegin = true;
    bool acceptEnd = true;
    std::vector<CellId> cells;

    void attach(GridModel& grid) {
        grid.setEditGate([this](int row, int column) {
            ++begins;
            cells.push_back({row, column});
            return allowBegin;
        });
        grid.setEditValidator([this, &grid](int row, int column, const std::string& text) {
            ++ends;
            cells.push_back({row, column});
            // The new text already stands in the cell while the validator is asked.
            textsAtEndEdit.push_back(grid.getItemText(row, column));
            EXPECT_EQ(text, textsAtEndEdit.back());
            return acceptEnd;
        });
    }
};

GridModel makeGrid(int rows, int columns) {
    GridModel grid;
    grid.setRowCount(rows);
    grid.setColumnCount(columns);
    grid.setFixedRowCount(1);
    grid.setFixedColumnCount(1);
    return grid;
}

}  // namespace

TEST(GridCounts, fixedCountRaisesTheTotalOnAnEmptyGrid) {
    GridModel grid;
    EXPECT_TRUE(grid.setFixedRowCount(1));
    EXPECT_EQ(grid.getRowCount(), 1);
    EXPECT_TRUE(grid.setFixedColumnCount(2));
    EXPECT_EQ(grid.getColumnCount(), 2);
    ASSERT_NE(grid.getCell(0, 1), nullptr);
    EXPECT_EQ(grid.getCell(0, 1)->getState() & 0x70, 0x70u);
}

TEST(GridCounts, loweringTheTotalLowersTheFixedCountAndDropsCells) {
    GridModel grid = makeGrid(5, 3);
    grid.setItemText(1, 1, "kept");
    grid.setItemText(4, 1, "dropped");
    EXPECT_TRUE(grid.setRowCount(0));
    EXPECT_EQ(grid.getFixedRowCount(), 0);
    EXPECT_TRUE(grid.setRowCount(5));
    EXPECT_EQ(grid.getItemText(4, 1), "");

    GridModel other = makeGrid(5, 3);
    other.setItemText(1, 1, "kept");
    other.setItemText(4, 1, "dropped");
    other.setRowCount(3);
    other.setRowCount(8);
    EXPECT_EQ(other.getItemText(1, 1), "kept");
    EXPECT_EQ(other.getItemText(4, 1), "");
    EXPECT_EQ(other.getFixedRowCount(), 1);
}

TEST(GridCounts, fixedBitsFollowTheFixedCounts) {
    GridModel grid = makeGrid(3, 3);
    struct Case {
        int row, column;
        uint32_t bits;
    };
    const Case cases[] = {{0, 0, 0x70}, {0, 2, 0x30}, {2, 0, 0x50}, {2, 2, 0x00}};
    for (const Case& c : cases) {
        EXPECT_EQ(grid.getCell(c.row, c.column)->getState() & 0x70, c.bits) << c.row << "," << c.column;
    }
    grid.setFixedRowCount(0);
    EXPECT_EQ(grid.getCell(0, 2)->getState() & 0x70, 0u);
    EXPECT_EQ(grid.getCell(0, 0)->getState() & 0x70, 0x50u);
    // Cells added later take the bits of where they land.
    grid.setFixedRowCount(1);
    grid.setColumnCount(4);
    EXPECT_EQ(grid.getCell(0, 3)->getState() & 0x70, 0x30u);
}

TEST(GridCounts, negativeCountsAreRefused) {
    GridModel grid = makeGrid(3, 3);
    EXPECT_FALSE(grid.setRowCount(-1));
    EXPECT_FALSE(grid.setColumnCount(-5));
    EXPECT_FALSE(grid.setFixedRowCount(-1));
    EXPECT_EQ(grid.getRowCount(), 3);
    EXPECT_EQ(grid.getFixedRowCount(), 1);
}

TEST(GridCounts, settingTheFixedCountClearsFocusAndSelection) {
    GridModel grid = makeGrid(4, 4);
    grid.setFocusCell({2, 2});
    grid.setSelectedRange({2, 2}, {3, 3});
    grid.setFixedRowCount(2);
    EXPECT_EQ(grid.focusCell().row, -1);
    EXPECT_TRUE(grid.selectedRange().empty());
    EXPECT_EQ(grid.getCell(3, 3)->getState() & (GridState::Focused | GridState::Selected), 0u);
}

TEST(GridOutOfRange, callsOutsideTheGridChangeNothing) {
    const std::pair<int, int> outside[] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {4, 3}, {-7, -7}};
    for (const auto& [row, column] : outside) {
        GridModel grid = makeGrid(4, 3);
        EXPECT_EQ(grid.getCell(row, column), nullptr);
        EXPECT_EQ(grid.getItemText(row, column), "");
        EXPECT_FALSE(grid.setItem(row, column, "x", 0x84));
        EXPECT_FALSE(grid.setItemBackground(row, column, 0x123456));
        grid.markModified(row, column);
        EXPECT_FALSE(grid.isModified()) << row << "," << column;
        EXPECT_FALSE(grid.beginUserEdit(row, column));
    }
}

TEST(GridItems, textAndFormatNeverTouchColours) {
    GridModel grid = makeGrid(3, 3);
    grid.setItemBackground(1, 1, 0x00FFFF00);
    ASSERT_TRUE(grid.setItem(1, 1, "Byte0", 0x82));
    const GridCell* cell = grid.getCell(1, 1);
    EXPECT_EQ(cell->getText(), "Byte0");
    EXPECT_EQ(cell->getFormat(), 0x82u);
    EXPECT_EQ(cell->backColour(), 0x00FFFF00u);
    EXPECT_EQ(cell->textColour(), kNoColour);
    EXPECT_TRUE(cell->getState() & GridState::Modified);
    EXPECT_TRUE(grid.isModified());
}

TEST(GridDefaults, defaultCellsKeepTheirReadOnlyStateAndLendTheirColour) {
    GridModel grid = makeGrid(3, 3);
    EXPECT_EQ(grid.cornerDefaultCell().getState() & GridState::ReadOnly, GridState::ReadOnly);
    // New cells take their default cell's format.
    grid.defaultCell().setFormat(0x81);
    grid.setRowCount(4);
    EXPECT_EQ(grid.getCell(3, 2)->getFormat(), 0x81u);

    grid.fixedRowDefaultCell().setBackColour(HeaderGrey);
    grid.fixedColumnDefaultCell().setBackColour(HeaderGrey);
    grid.cornerDefaultCell().setBackColour(HeaderGrey);
    EXPECT_EQ(grid.getCell(0, 2)->backColour(), kNoColour);
    struct Case {
        int row, column;
        GridColour expected;
    };
    const Case cases[] = {{0, 0, HeaderGrey}, {0, 2, HeaderGrey}, {2, 0, HeaderGrey}, {2, 2, grid.gridBackColour}};
    for (const Case& c : cases) EXPECT_EQ(grid.backColourOf(c.row, c.column), c.expected);
    grid.setItemBackground(0, 2, 0x0000FF);
    EXPECT_EQ(grid.backColourOf(0, 2), 0x0000FFu);
}

// A dark palette hands the grid light text; on a background the grid's owner chose
// (the grey headers, the usage colours) that text would not read.
TEST(GridDefaults, textTakesTheGridsColourOnlyWhereItReads) {
    constexpr GridColour kLightText = 0xDCDCDC;
    constexpr GridColour kDarkBase = 0x2A2A2A;
    constexpr GridColour kCyan = 0xFFFF00;
    constexpr GridColour kBlue = 0xFF0000;
    GridModel grid = makeGrid(3, 3);
    grid.fixedRowDefaultCell().setBackColour(HeaderGrey);
    grid.fixedColumnDefaultCell().setBackColour(HeaderGrey);
    grid.cornerDefaultCell().setBackColour(HeaderGrey);
    grid.setItemBackground(1, 1, kCyan);
    grid.setItemBackground(1, 2, kBlue);
    grid.setItemBackground(2, 1, 0xFFFFFF);
    struct Case {
        const char* name;
        GridColour gridText, gridBack;
        int row, column;
        GridColour expected;
    };
    const Case cases[] = {
        {"light palette, header", 0x000000, 0xFFFFFF, 0, 1, 0x000000},
        {"light palette, plain cell", 0x000000, 0xFFFFFF, 2, 2, 0x000000},
        {"light palette, cyan cell", 0x000000, 0xFFFFFF, 1, 1, 0x000000},
        {"dark palette, header", kLightText, kDarkBase, 0, 1, 0x000000},
        {"dark palette, corner", kLightText, kDarkBase, 0, 0, 0x000000},
        {"dark palette, row label", kLightText, kDarkBase, 2, 0, 0x000000},
        {"dark palette, plain cell", kLightText, kDarkBase, 2, 2, kLightText},
        {"dark palette, white cell", kLightText, kDarkBase, 2, 1, 0x000000},
        {"dark palette, cyan cell", kLightText, kDarkBase, 1, 1, 0x000000},
        {"dark palette, blue cell", kLightText, kDarkBase, 1, 2, kLightText},
        {"black text on blue", 0x000000, 0xFFFFFF, 1, 2, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        grid.gridTextColour = c.gridText;
        grid.gridBackColour = c.gridBack;
        EXPECT_EQ(grid.textColourOf(c.row, c.column), c.expected) << c.name;
    }
    // A text colour the owner chose is kept, readable or not.
    grid.gridTextColour = kLightText;
    grid.fixedRowDefaultCell().setTextColour(0xFFFFFF);
    EXPECT_EQ(grid.textColourOf(0, 1), 0xFFFFFFu);
}

TEST(GridEditRule, outcomesAndQuestions) {
    struct Case {
        const char* name;
        bool editable;
        bool readOnly;
        bool allowBegin;
        bool acceptEnd;
        std::string newText;
        bool expectBegin;
        bool expectEnd;
        std::string finalText;
        GridModel::EditOutcome outcome;
    };
    using O = GridModel::EditOutcome;
    const Case cases[] = {
        {"accepted", true, false, true, true, "new", true, true, "new", O::Accepted},
        {"end refused puts old text back", true, false, true, false, "new", true, true, "old", O::Rejected},
        {"begin refused stops", true, false, false, true, "new", true, false, "old", O::Rejected},
        {"unchanged text asks no validator", true, false, true, true, "old", true, false, "old", O::Unchanged},
        {"not editable", false, false, true, true, "new", false, false, "old", O::Rejected},
        {"read-only cell", true, true, true, true, "new", false, false, "old", O::Rejected},
    };
    for (const Case& c : cases) {
        GridModel grid = makeGrid(4, 4);
        OwnerRecorder owner;
        owner.allowBegin = c.allowBegin;
        owner.acceptEnd = c.acceptEnd;
        owner.attach(grid);
        grid.editable = c.editable;
        grid.setItemText(2, 3, "old");
        if (c.readOnly) grid.getCell(2, 3)->setState(grid.getCell(2, 3)->getState() | GridState::ReadOnly);

        EXPECT_EQ(grid.changeTextByUser(2, 3, c.newText), c.outcome) << c.name;
        EXPECT_EQ(grid.getItemText(2, 3), c.finalText) << c.name;
        EXPECT_EQ(owner.begins, c.expectBegin ? 1 : 0) << c.name;
        EXPECT_EQ(owner.ends, c.expectEnd ? 1 : 0) << c.name;
        if (c.expectEnd) {
            EXPECT_EQ(owner.textsAtEndEdit.at(0), c.newText) << c.name;
        }
        for (const CellId& cell : owner.cells) EXPECT_EQ(cell, (CellId{2, 3})) << c.name;
        if (c.outcome == O::Rejected && c.expectEnd) {
            // A refused change still leaves the cell marked modified.
            EXPECT_TRUE(grid.getCell(2, 3)->getState() & GridState::Modified) << c.name;
        }
    }
}

TEST(GridEditRule, validatorShrinkingTheGridIsSurvived) {
    GridModel grid = makeGrid(4, 4);
    grid.setEditValidator([&grid](int, int, const std::string&) {
        grid.setRowCount(1);
        return false;
    });
    EXPECT_EQ(grid.changeTextByUser(3, 3, "x"), GridModel::EditOutcome::Rejected);
    EXPECT_EQ(grid.getRowCount(), 1);
}

TEST(GridAutoSize, extentsAddMarginsAndTheFixedPixel) {
    GridModel grid = makeGrid(3, 3);
    grid.setDefaultMetrics(40, 16, 3, GridFont{"Test", 9});
    grid.resetSizes();
    // 7 pixels per character, 10 per line.
    const TextMeasurer measure = [](std::string_view text, const GridFont&) {
        return TextExtent{static_cast<int>(text.size()) * 7, 10};
    };
    grid.setItemText(0, 1, "Configure");       // 63 + 6 + 2 = 71
    grid.setItemText(2, 1, "ab\nabcdefghij");  // widest line 70 + 6 + 1 = 77, two lines
    grid.setItemText(1, 0, "Byte0");           // 35 + 6 + 2 = 43
    grid.setRowHeight(1, 0);                   // hidden rows stay hidden
    grid.autoSize(measure);
    EXPECT_EQ(grid.getColumnWidth(1), 77);
    EXPECT_EQ(grid.getColumnWidth(0), 43);
    EXPECT_EQ(grid.getColumnWidth(2), 8);  // empty: margins and the fixed header pixels
    EXPECT_EQ(grid.getRowHeight(0), 12);
    EXPECT_EQ(grid.getRowHeight(1), 0);
    EXPECT_EQ(grid.getRowHeight(2), 21);
}
