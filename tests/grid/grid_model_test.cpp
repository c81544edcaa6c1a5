#include "grid/grid_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace norvik;

namespace {

// Records every notification and answers with preset results per code.
struct OwnerRecorder {
    std::vector<GridNotification> seen;
    std::vector<std::string> textsAtEndEdit;
    int beginResult = 0;
    int endResult = 0;
    GridModel* grid = nullptr;

    GridModel::Owner owner() {
        return [this](const GridNotification& n) {
            seen.push_back(n);
            if (n.code == GRID_BEGIN_EDIT) return beginResult;
            if (n.code == GRID_END_EDIT) {
                textsAtEndEdit.push_back(grid->GetItemText(n.row, n.column));
                return endResult;
            }
            return 0;
        };
    }
    int count(int code) const {
        int n = 0;
        for (const auto& s : seen) n += s.code == code;
        return n;
    }
};

GridModel makeGrid(int rows, int columns) {
    GridModel grid;
    grid.SetRowCount(rows);
    grid.SetColumnCount(columns);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
    return grid;
}

}  // namespace

TEST(GridCounts, fixedCountRaisesTheTotalOnAnEmptyGrid) {
    GridModel grid;
    EXPECT_TRUE(grid.SetFixedRowCount(1));
    EXPECT_EQ(grid.GetRowCount(), 1);
    EXPECT_TRUE(grid.SetFixedColumnCount(2));
    EXPECT_EQ(grid.GetColumnCount(), 2);
    ASSERT_NE(grid.GetCell(0, 1), nullptr);
    EXPECT_EQ(grid.GetCell(0, 1)->GetState() & 0x70, 0x70u);
}

TEST(GridCounts, loweringTheTotalLowersTheFixedCountAndDropsCells) {
    GridModel grid = makeGrid(5, 3);
    grid.SetItemText(1, 1, "kept");
    grid.SetItemText(4, 1, "dropped");
    EXPECT_TRUE(grid.SetRowCount(0));
    EXPECT_EQ(grid.GetFixedRowCount(), 0);
    EXPECT_TRUE(grid.SetRowCount(5));
    EXPECT_EQ(grid.GetItemText(4, 1), "");

    GridModel other = makeGrid(5, 3);
    other.SetItemText(1, 1, "kept");
    other.SetItemText(4, 1, "dropped");
    other.SetRowCount(3);
    other.SetRowCount(8);
    EXPECT_EQ(other.GetItemText(1, 1), "kept");
    EXPECT_EQ(other.GetItemText(4, 1), "");
    EXPECT_EQ(other.GetFixedRowCount(), 1);
}

TEST(GridCounts, fixedBitsFollowTheFixedCounts) {
    GridModel grid = makeGrid(3, 3);
    struct Case {
        int row, column;
        uint32_t bits;
    };
    const Case cases[] = {{0, 0, 0x70}, {0, 2, 0x30}, {2, 0, 0x50}, {2, 2, 0x00}};
    for (const Case& c : cases) {
        EXPECT_EQ(grid.GetCell(c.row, c.column)->GetState() & 0x70, c.bits) << c.row << "," << c.column;
    }
    grid.SetFixedRowCount(0);
    EXPECT_EQ(grid.GetCell(0, 2)->GetState() & 0x70, 0u);
    EXPECT_EQ(grid.GetCell(0, 0)->GetState() & 0x70, 0x50u);
    // Cells added later take the bits of where they land.
    grid.SetFixedRowCount(1);
    grid.SetColumnCount(4);
    EXPECT_EQ(grid.GetCell(0, 3)->GetState() & 0x70, 0x30u);
}

TEST(GridCounts, negativeCountsAreRefused) {
    GridModel grid = makeGrid(3, 3);
    EXPECT_FALSE(grid.SetRowCount(-1));
    EXPECT_FALSE(grid.SetColumnCount(-5));
    EXPECT_FALSE(grid.SetFixedRowCount(-1));
    EXPECT_EQ(grid.GetRowCount(), 3);
    EXPECT_EQ(grid.GetFixedRowCount(), 1);
}

TEST(GridCounts, settingTheFixedCountClearsFocusAndSelection) {
    GridModel grid = makeGrid(4, 4);
    grid.SetFocusCell({2, 2});
    grid.SetSelectedRange({2, 2}, {3, 3});
    grid.SetFixedRowCount(2);
    EXPECT_EQ(grid.focusCell().row, -1);
    EXPECT_TRUE(grid.selectedRange().empty());
    EXPECT_EQ(grid.GetCell(3, 3)->GetState() & (GridState::Focused | GridState::Selected), 0u);
}

TEST(GridOutOfRange, callsOutsideTheGridChangeNothing) {
    const std::pair<int, int> outside[] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {4, 3}, {-7, -7}};
    for (const auto& [row, column] : outside) {
        GridModel grid = makeGrid(4, 3);
        GridItem item;
        item.row = row;
        item.column = column;
        item.mask = 0x1FF;
        item.text = "x";
        EXPECT_EQ(grid.GetCell(row, column), nullptr);
        EXPECT_EQ(grid.GetItemText(row, column), "");
        EXPECT_FALSE(grid.SetItem(item));
        EXPECT_FALSE(grid.SetItemBackground(row, column, 0x123456));
        grid.MarkModified(row, column);
        EXPECT_FALSE(grid.isModified()) << row << "," << column;
        EXPECT_FALSE(grid.beginUserEdit(row, column));
    }
}

TEST(GridItems, textAndFormatMaskNeverTouchesColours) {
    GridModel grid = makeGrid(3, 3);
    grid.SetItemBackground(1, 1, 0x00FFFF00);
    GridItem item;
    item.row = 1;
    item.column = 1;
    item.mask = 0x041;
    item.text = "Byte0";
    item.format = 0x8826;
    item.backColour = 0x0000FF;
    item.textColour = 0x00FF00;
    ASSERT_TRUE(grid.SetItem(item));
    const GridCell* cell = grid.GetCell(1, 1);
    EXPECT_EQ(cell->GetText(), "Byte0");
    EXPECT_EQ(cell->GetFormat(), 0x8826u);
    EXPECT_EQ(cell->GetBackClr(), 0x00FFFF00u);
    EXPECT_EQ(cell->GetTextClr(), kNoColour);
    EXPECT_TRUE(cell->GetState() & GridState::Modified);
}

TEST(GridItems, stateInTheMaskIsAppliedAfterTheModifiedMark) {
    GridModel grid = makeGrid(3, 3);
    GridItem item;
    item.row = 2;
    item.column = 2;
    item.mask = GridMask::State | GridMask::Param | GridMask::Margin;
    item.state = GridState::ReadOnly;
    item.param = 77;
    item.margin = 9;
    ASSERT_TRUE(grid.SetItem(item));
    EXPECT_EQ(grid.GetCell(2, 2)->GetState(), GridState::ReadOnly);
    EXPECT_EQ(grid.GetCell(2, 2)->GetData(), 77u);
    EXPECT_EQ(grid.marginOf(2, 2), 9);
    EXPECT_TRUE(grid.isModified());
}

TEST(GridDefaults, defaultCellsKeepTheirReadOnlyStateAndLendTheirColour) {
    GridModel grid = makeGrid(3, 3);
    GridDefaultCell& corner = grid.cornerDefaultCell();
    corner.SetState(0);
    corner.SetData(5);
    EXPECT_EQ(corner.GetState() & GridState::ReadOnly, GridState::ReadOnly);
    EXPECT_EQ(corner.GetData(), 0u);
    EXPECT_EQ(grid.defaultCell().GetFormat(), 0x8824u);

    grid.fixedRowDefaultCell().SetBackColor(HeaderGrey);
    grid.fixedColumnDefaultCell().SetBackColor(HeaderGrey);
    grid.cornerDefaultCell().SetBackColor(HeaderGrey);
    EXPECT_EQ(grid.GetCell(0, 2)->GetBackClr(), kNoColour);
    struct Case {
        int row, column;
        GridColour expected;
    };
    const Case cases[] = {{0, 0, HeaderGrey}, {0, 2, HeaderGrey}, {2, 0, HeaderGrey}, {2, 2, grid.gridBackColour}};
    for (const Case& c : cases) EXPECT_EQ(grid.backColourOf(c.row, c.column), c.expected);
    grid.SetItemBackground(0, 2, 0x0000FF);
    EXPECT_EQ(grid.backColourOf(0, 2), 0x0000FFu);
}

TEST(GridEditRule, outcomesAndNotifications) {
    struct Case {
        const char* name;
        bool editable;
        bool readOnly;
        int beginResult;
        int endResult;
        std::string newText;
        bool expectBegin;
        bool expectEnd;
        std::string finalText;
        GridModel::EditOutcome outcome;
    };
    using O = GridModel::EditOutcome;
    const Case cases[] = {
        {"accepted", true, false, 0, 0, "new", true, true, "new", O::Accepted},
        {"positive end result accepts", true, false, 1, 5, "new", true, true, "new", O::Accepted},
        {"end refused puts old text back", true, false, 0, -1, "new", true, true, "old", O::Rejected},
        {"begin refused stops", true, false, -1, 0, "new", true, false, "old", O::Rejected},
        {"unchanged text sends no end", true, false, 0, 0, "old", true, false, "old", O::Unchanged},
        {"not editable", false, false, 0, 0, "new", false, false, "old", O::Rejected},
        {"read-only cell", true, true, 0, 0, "new", false, false, "old", O::Rejected},
    };
    for (const Case& c : cases) {
        GridModel grid = makeGrid(4, 4);
        grid.setSender(0x1234, 1052);
        OwnerRecorder owner;
        owner.grid = &grid;
        owner.beginResult = c.beginResult;
        owner.endResult = c.endResult;
        grid.setOwner(owner.owner());
        grid.editable = c.editable;
        grid.SetItemText(2, 3, "old");
        if (c.readOnly) grid.GetCell(2, 3)->SetState(grid.GetCell(2, 3)->GetState() | GridState::ReadOnly);

        EXPECT_EQ(grid.changeTextByUser(2, 3, c.newText), c.outcome) << c.name;
        EXPECT_EQ(grid.GetItemText(2, 3), c.finalText) << c.name;
        EXPECT_EQ(owner.count(GRID_BEGIN_EDIT), c.expectBegin ? 1 : 0) << c.name;
        EXPECT_EQ(owner.count(GRID_END_EDIT), c.expectEnd ? 1 : 0) << c.name;
        if (c.expectEnd) {
            // The owner reads the new text while handling the end of the edit.
            EXPECT_EQ(owner.textsAtEndEdit.at(0), c.newText) << c.name;
        }
        for (const auto& n : owner.seen) {
            EXPECT_EQ(n.controlId, 1052);
            EXPECT_EQ(n.sender, 0x1234u);
            EXPECT_EQ(n.row, 2);
            EXPECT_EQ(n.column, 3);
        }
        if (c.outcome == O::Rejected && c.expectEnd) {
            // A refused change still leaves the cell marked modified.
            EXPECT_TRUE(grid.GetCell(2, 3)->GetState() & GridState::Modified) << c.name;
        }
    }
}

TEST(GridEditRule, ownerShrinkingTheGridDuringEndEditIsSurvived) {
    GridModel grid = makeGrid(4, 4);
    grid.setOwner([&grid](const GridNotification& n) {
        if (n.code != GRID_END_EDIT) return 0;
        grid.SetRowCount(1);
        return -1;
    });
    EXPECT_EQ(grid.changeTextByUser(3, 3, "x"), GridModel::EditOutcome::Rejected);
    EXPECT_EQ(grid.GetRowCount(), 1);
}

TEST(GridAutoSize, extentsAddMarginsAndTheFixedPixel) {
    GridModel grid = makeGrid(3, 3);
    grid.setDefaultMetrics(40, 16, 3, GridFont{"Test", 9});
    grid.resetSizes();
    // 7 pixels per character, 10 per line.
    const TextMeasurer measure = [](std::string_view text, const GridFont&) {
        return TextExtent{static_cast<int>(text.size()) * 7, 10};
    };
    grid.SetItemText(0, 1, "Configure");     // 63 + 6 + 2 = 71
    grid.SetItemText(2, 1, "ab\nabcdefghij");  // widest line 70 + 6 + 1 = 77, two lines
    grid.SetItemText(1, 0, "Byte0");         // 35 + 6 + 2 = 43
    grid.SetRowHeight(1, 0);                 // hidden rows stay hidden
    grid.AutoSize(measure);
    EXPECT_EQ(grid.GetColumnWidth(1), 77);
    EXPECT_EQ(grid.GetColumnWidth(0), 43);
    EXPECT_EQ(grid.GetColumnWidth(2), 8);   // empty: margins and the fixed header pixels
    EXPECT_EQ(grid.GetRowHeight(0), 12);
    EXPECT_EQ(grid.GetRowHeight(1), 0);
    EXPECT_EQ(grid.GetRowHeight(2), 21);
}
