#include "grid/grid_widget.h"

#include <QAccessible>
#include <QApplication>
#include <QPalette>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "grid/cell_editor.h"

using namespace norvik;

namespace {

struct Fixture {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    GridWidget* grid = new GridWidget(window.get());
    bool allowBegin = true;
    bool acceptEnd = true;
    int begins = 0;
    int validations = 0;
    std::vector<CellId> finished;
    std::vector<CellId> doubleClicks;

    explicit Fixture(bool editable = true) {
        window->resize(400, 300);
        grid->setGeometry(0, 0, 400, 300);
        grid->setEditable(editable);
        grid->setRowCount(40);
        grid->setColumnCount(4);
        grid->setFixedRowCount(1);
        grid->setFixedColumnCount(1);
        for (int r = 0; r < 40; ++r)
            for (int c = 0; c < 4; ++c) grid->setText(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
        grid->autoSize();
        grid->setEditGate([this](int, int) {
            ++begins;
            return allowBegin;
        });
        grid->setEditValidator([this](int, int, const QString&) {
            ++validations;
            return acceptEnd;
        });
        QObject::connect(grid, &GridWidget::editFinished, [this](int row, int column) {
            finished.push_back({row, column});
        });
        QObject::connect(grid, &GridWidget::cellDoubleClicked, [this](int row, int column) {
            doubleClicks.push_back({row, column});
        });
        window->show();
        QApplication::setActiveWindow(window.get());
        (void)QTest::qWaitForWindowActive(window.get());
    }
    QPoint centre(int row, int column) const { return grid->cellRect(row, column).center(); }
    void focusCell(int row, int column) {
        grid->setFocus();
        grid->setCurrentCell(row, column);
    }
};

}  // namespace

TEST(GridEditor, startAndEndKeys) {
    struct Case {
        const char* name;
        Qt::Key startKey;
        QString typed;  // a character that starts the editor instead of startKey
        Qt::Key endKey;
        bool editorStillOpen;  // the end key moved inside the box instead of ending
        const char* storedText;
        int focusColumnAfter;
    };
    const Case cases[] = {
        {"typing replaces, Enter stores", Qt::Key_unknown, "x", Qt::Key_Return, false, "x", 1},
        {"typing, then an arrow ends and moves on", Qt::Key_unknown, "x", Qt::Key_Right, false, "x", 2},
        {"F2 keeps the text, an arrow moves the caret", Qt::Key_F2, {}, Qt::Key_Left, true, "r2c1", 1},
        {"Enter starts with the caret at the end", Qt::Key_Return, {}, Qt::Key_Home, true, "r2c1", 1},
        {"Backspace removes the last character", Qt::Key_Backspace, {}, Qt::Key_Return, false, "r2c", 1},
        {"Escape puts the old text back", Qt::Key_unknown, "x", Qt::Key_Escape, false, "r2c1", 1},
        {"Tab ends and edits the next cell", Qt::Key_F2, {}, Qt::Key_Tab, false, "r2c1", 2},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.focusCell(2, 1);
        if (!c.typed.isEmpty()) QTest::keyClicks(f.grid, c.typed);
        else QTest::keyClick(f.grid, c.startKey);
        CellEditor* editor = f.grid->editor();
        ASSERT_NE(editor, nullptr) << c.name;
        if (c.startKey == Qt::Key_F2 || c.startKey == Qt::Key_Return) {
            EXPECT_EQ(editor->cursorPosition(), editor->text().size()) << c.name;
            EXPECT_FALSE(editor->hasSelectedText()) << c.name;
        }
        QTest::keyClick(editor, c.endKey);
        QApplication::processEvents();
        EXPECT_EQ(f.grid->editor() == editor, c.editorStillOpen) << c.name;
        if (c.editorStillOpen) QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(f.grid->text(2, 1), c.storedText) << c.name;
        EXPECT_EQ(f.grid->currentCell().column, c.focusColumnAfter) << c.name;
        EXPECT_EQ(f.validations, f.grid->text(2, 1) == "r2c1" ? 0 : 1) << c.name;
        if (c.endKey == Qt::Key_Tab || (c.endKey == Qt::Key_Right && !c.editorStillOpen)) {
            // Moving on opens the editor on the next cell with its whole text selected.
            ASSERT_NE(f.grid->editor(), nullptr) << c.name;
            EXPECT_EQ(f.grid->editor()->column(), 2) << c.name;
            EXPECT_EQ(f.grid->editor()->selectedText(), "r2c2") << c.name;
        }
    }
}

TEST(GridEditor, howTheEditorOpens) {
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool opens;
        const char* selected;  // text selected in the box as it opens
        const char* text;      // text in the box as it opens
    };
    const Case cases[] = {
        {"Space selects the whole text and keeps it", Qt::Key_Space, Qt::NoModifier, true, "r2c1", "r2c1"},
        {"F2 selects nothing", Qt::Key_F2, Qt::NoModifier, true, "", "r2c1"},
        {"a character with Ctrl opens nothing", Qt::Key_Q, Qt::ControlModifier, false, "", ""},
        {"Escape opens nothing", Qt::Key_Escape, Qt::NoModifier, false, "", ""},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.focusCell(2, 1);
        QTest::keyClick(f.grid, c.key, c.mods);
        CellEditor* editor = f.grid->editor();
        ASSERT_EQ(editor != nullptr, c.opens) << c.name;
        EXPECT_EQ(f.begins, c.opens ? 1 : 0) << c.name;
        if (!editor) continue;
        EXPECT_EQ(editor->selectedText(), c.selected) << c.name;
        EXPECT_EQ(editor->text(), c.text) << c.name;
    }
}

TEST(GridEditor, refusedBeginEditKeepsTheEditorShut) {
    Fixture f;
    f.allowBegin = false;
    f.focusCell(2, 1);
    QTest::keyClick(f.grid, Qt::Key_F2);
    QTest::keyClicks(f.grid, "z");
    QTest::mouseDClick(f.grid->viewport(), Qt::LeftButton, {}, f.centre(2, 1));
    EXPECT_EQ(f.grid->editor(), nullptr);
    // F2, the character and the double-click each asked; how many mouse events make up a
    // double-click is the toolkit's business.
    EXPECT_GE(f.begins, 3);
    EXPECT_EQ(static_cast<int>(f.doubleClicks.size()), 1);
    EXPECT_EQ(f.grid->text(2, 1), "r2c1");
}

TEST(GridEditor, secondClickOnTheFocusCellOpensTheEditor) {
    Fixture f;
    f.grid->setFocus();
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.centre(4, 2));
    EXPECT_EQ(f.grid->editor(), nullptr);
    EXPECT_EQ(f.grid->currentCell(), (CellId{4, 2}));
    // With Ctrl held the click only selects.
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, Qt::ControlModifier, f.centre(4, 2));
    EXPECT_EQ(f.grid->editor(), nullptr);
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.centre(4, 2));
    ASSERT_NE(f.grid->editor(), nullptr);
    EXPECT_EQ(f.grid->editor()->cursorPosition(), 4);
    // Ctrl and an arrow leave an editor that arrows otherwise move inside.
    QTest::keyClick(f.grid->editor(), Qt::Key_Down, Qt::ControlModifier);
    QApplication::processEvents();
    ASSERT_NE(f.grid->editor(), nullptr);
    EXPECT_EQ(f.grid->editor()->row(), 5);
}

TEST(GridEditor, refusedEndEditLeavesTheOldTextVisible) {
    Fixture f;
    f.acceptEnd = false;
    f.focusCell(3, 2);
    QTest::keyClick(f.grid, Qt::Key_F2);
    ASSERT_NE(f.grid->editor(), nullptr);
    f.grid->editor()->setText("changed");
    QTest::keyClick(f.grid->editor(), Qt::Key_Return);
    EXPECT_EQ(f.grid->text(3, 2), "r3c2");
    EXPECT_EQ(f.validations, 1);
    EXPECT_TRUE(f.finished.empty());
}

TEST(GridEditor, losingFocusEndsTheEdit) {
    Fixture f;
    f.focusCell(3, 2);
    QTest::keyClicks(f.grid, "q");
    ASSERT_NE(f.grid->editor(), nullptr);
    f.grid->editor()->endEdit(0);
    QApplication::processEvents();
    EXPECT_EQ(f.grid->editor(), nullptr);
    EXPECT_EQ(f.grid->text(3, 2), "q");
    EXPECT_EQ(f.grid->currentCell().row, 3);
    EXPECT_EQ(f.finished, (std::vector<CellId>{{3, 2}}));
}

TEST(GridSignals, clicksMoveTheCurrentCellAndSaySo) {
    Fixture f;
    QSignalSpy clicked(f.grid, &GridWidget::cellClicked);
    QSignalSpy selection(f.grid, &GridWidget::selectionChanged);
    f.grid->setFocus();
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.centre(4, 2));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked[0], (QList<QVariant>{4, 2}));
    EXPECT_EQ(selection.count(), 1);
    EXPECT_EQ(f.grid->currentCell(), (CellId{4, 2}));
    // A click on a header is reported but moves nothing.
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.centre(0, 2));
    ASSERT_EQ(clicked.count(), 2);
    EXPECT_EQ(clicked[1], (QList<QVariant>{0, 2}));
    EXPECT_EQ(selection.count(), 1);
    QTest::keyClick(f.grid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selection.count(), 2);
    EXPECT_EQ(f.grid->model().selectedRange().bottom, 39);
}

TEST(GridCells, textLookAndColoursAreKeptApart) {
    Fixture f;
    f.grid->setHeaderBackground(QColor(200, 200, 200));
    f.grid->setCellBackground(5, 0, Qt::red);
    struct Case {
        const char* name;
        int row, column;
        Qt::Alignment alignment;
        bool wrap;
        QColor background;
    };
    const Case cases[] = {
        {"wrapped header", 0, 1, Qt::AlignLeft | Qt::AlignVCenter, true, QColor(200, 200, 200)},
        {"row label keeps its own colour", 5, 0, Qt::AlignRight | Qt::AlignVCenter, false, QColor(Qt::red)},
        {"data cell", 5, 2, Qt::AlignCenter, false, f.grid->palette().color(QPalette::Base)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(f.grid->setCell(c.row, c.column, QStringLiteral("t"), c.alignment, c.wrap));
        EXPECT_EQ(f.grid->text(c.row, c.column), "t");
        EXPECT_EQ(f.grid->alignment(c.row, c.column), c.alignment);
        EXPECT_EQ(f.grid->wordWrap(c.row, c.column), c.wrap);
        EXPECT_EQ(f.grid->cellBackground(c.row, c.column), c.background);
    }
    // An invalid colour gives a cell back its default cell's.
    f.grid->setCellBackground(5, 0, QColor());
    EXPECT_EQ(f.grid->cellBackground(5, 0), QColor(200, 200, 200));
    // New cells start left aligned, centred in their height, on one line.
    f.grid->setColumnCount(5);
    EXPECT_EQ(f.grid->alignment(3, 4), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_FALSE(f.grid->wordWrap(3, 4));
    for (const auto& [row, column] : {std::pair{40, 1}, std::pair{1, 5}, std::pair{-1, 0}}) {
        EXPECT_FALSE(f.grid->setCell(row, column, QStringLiteral("x"), Qt::AlignCenter));
        EXPECT_FALSE(f.grid->setCellBackground(row, column, Qt::red));
        EXPECT_TRUE(f.grid->text(row, column).isEmpty());
    }
}

TEST(GridSignals, doubleClicksReportTheirCell) {
    struct Case {
        bool editable;
        int row, column;
        bool editorOpens;
    };
    const Case cases[] = {{true, 0, 2, false}, {true, 5, 0, false}, {true, 4, 2, true}, {false, 4, 2, false}};
    for (const Case& c : cases) {
        Fixture f(c.editable);
        QTest::mouseDClick(f.grid->viewport(), Qt::LeftButton, {}, f.centre(c.row, c.column));
        ASSERT_EQ(static_cast<int>(f.doubleClicks.size()), 1);
        EXPECT_EQ(f.doubleClicks[0], (CellId{c.row, c.column}));
        EXPECT_EQ(f.grid->editor() != nullptr, c.editorOpens) << c.row << "," << c.column;
    }
}

TEST(GridSignals, doubleClickOnADividerFitsInsteadOfReporting) {
    struct Case {
        const char* name;
        bool column;  // a column divider in the header row, else a row divider in the label column
    };
    for (const Case& c : {Case{"column divider", true}, Case{"row divider", false}}) {
        Fixture f;
        const int fitted = c.column ? f.grid->columnWidth(2) : f.grid->rowHeight(3);
        if (c.column) f.grid->setColumnWidth(2, fitted + 40);
        else f.grid->setRowHeight(3, fitted + 20);
        const QRect cell = c.column ? f.grid->cellRect(0, 2) : f.grid->cellRect(3, 0);
        const QPoint divider = c.column ? QPoint(cell.left() + cell.width(), cell.center().y())
                                        : QPoint(cell.center().x(), cell.top() + cell.height());
        QTest::mouseDClick(f.grid->viewport(), Qt::LeftButton, {}, divider);
        EXPECT_EQ(static_cast<int>(f.doubleClicks.size()), 0) << c.name;
        EXPECT_EQ(c.column ? f.grid->columnWidth(2) : f.grid->rowHeight(3), fitted) << c.name;
    }
}

TEST(GridSignals, nothingOpensTheEditorWhenNotEditable) {
    Fixture f(false);
    f.focusCell(4, 2);
    QTest::keyClick(f.grid, Qt::Key_F2);
    QTest::keyClicks(f.grid, "a");
    QTest::keyClick(f.grid, Qt::Key_Return);
    QTest::keyClick(f.grid, Qt::Key_Delete);
    EXPECT_EQ(f.grid->editor(), nullptr);
    EXPECT_EQ(f.begins, 0);
    EXPECT_EQ(f.grid->text(4, 2), "r4c2");
}

TEST(GridSignals, deleteGoesThroughTheEditRule) {
    Fixture f;
    f.focusCell(4, 2);
    QTest::keyClick(f.grid, Qt::Key_Delete);
    EXPECT_EQ(f.grid->text(4, 2), "");
    EXPECT_EQ(f.begins, 1);
    EXPECT_EQ(f.validations, 1);
}

TEST(GridScrolling, fixedRowAndColumnStayInPlace) {
    Fixture f;
    const QRect header = f.grid->cellRect(0, 2);
    const QRect label = f.grid->cellRect(20, 0);
    const QRect data = f.grid->cellRect(20, 2);
    f.grid->verticalScrollBar()->setValue(f.grid->verticalScrollBar()->maximum());
    ASSERT_GT(f.grid->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(f.grid->cellRect(0, 2), header);
    EXPECT_LT(f.grid->cellRect(20, 0).top(), label.top());
    EXPECT_EQ(f.grid->cellRect(20, 0).left(), label.left());
    EXPECT_LT(f.grid->cellRect(20, 2).top(), data.top());
    // What is under the header row on screen is still the header.
    EXPECT_EQ(f.grid->cellAt(QPoint(header.center().x(), 2)).row, 0);
}

TEST(GridPainting, headersUseTheirDefaultCellsColour) {
    Fixture f;
    f.grid->setHeaderBackground(QColor(200, 200, 200));
    f.grid->setCellBackground(3, 2, Qt::cyan);
    f.grid->setText(0, 2, QString());
    f.grid->setText(3, 2, QString());
    f.grid->refresh();
    const QImage image = f.grid->viewport()->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(f.centre(0, 2))), QColor(200, 200, 200));
    EXPECT_EQ(QColor(image.pixel(f.centre(3, 2))), QColor(0, 255, 255));
}

// The colours of the pixels a cell's text left behind: everything in the cell's inner
// area that is not its background.
std::vector<QColor> inkIn(const QImage& image, const QRect& cell, const QColor& background) {
    std::vector<QColor> ink;
    const QRect inner = cell.adjusted(2, 2, -3, -3);
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            if (QColor(image.pixel(x, y)) != background) ink.emplace_back(image.pixel(x, y));
    return ink;
}

TEST(GridPainting, darkPaletteKeepsDarkTextOnTheGreyHeaders) {
    Fixture f;
    f.grid->setHeaderBackground(QColor(200, 200, 200));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(60, 60, 60));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Mid, QColor(80, 80, 80));
    f.grid->setPalette(dark);
    f.grid->refresh();
    const QImage image = f.grid->viewport()->grab().toImage();

    struct Case {
        const char* name;
        int row, column;
        QColor background;
        bool darkInk;
    };
    const Case cases[] = {
        {"header", 0, 2, QColor(200, 200, 200), true},
        {"corner", 0, 0, QColor(200, 200, 200), true},
        {"row label", 5, 0, QColor(200, 200, 200), true},
        {"plain cell, the palette's own colours", 5, 2, QColor(30, 30, 30), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QRect cell = f.grid->cellRect(c.row, c.column);
        EXPECT_EQ(QColor(image.pixel(cell.topLeft() + QPoint(1, 1))), c.background);
        const std::vector<QColor> ink = inkIn(image, cell, c.background);
        ASSERT_FALSE(ink.empty()) << "no text painted";
        // Anti-aliased edges blend into the background; the darkest or lightest
        // pixel is the text's own colour.
        int darkest = 255, lightest = 0;
        for (const QColor& colour : ink) {
            darkest = std::min(darkest, colour.lightness());
            lightest = std::max(lightest, colour.lightness());
        }
        if (c.darkInk) {
            EXPECT_LT(darkest, 60);
            EXPECT_LE(lightest, c.background.lightness());
        } else {
            EXPECT_GT(lightest, 200);
        }
    }
    EXPECT_EQ(f.grid->cellForeground(0, 2), QColor(Qt::black));
}

TEST(GridAccessibility, cellsAreExposedAsATableWithHeaders) {
    Fixture f;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(f.grid);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    QAccessibleTableInterface* tableIface = table->tableInterface();
    ASSERT_NE(tableIface, nullptr);
    // The fixed row and column are headers, not rows and columns of the table.
    EXPECT_EQ(tableIface->rowCount(), 39);
    EXPECT_EQ(tableIface->columnCount(), 3);
    EXPECT_EQ(table->childCount(), 160);

    // Table position (2, 1) is grid cell (3, 2).
    QAccessibleInterface* cell = tableIface->cellAt(2, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), "r3c2");
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    QAccessibleTableCellInterface* cellIface = cell->tableCellInterface();
    ASSERT_NE(cellIface, nullptr);
    EXPECT_EQ(cellIface->rowIndex(), 2);
    EXPECT_EQ(cellIface->columnIndex(), 1);
    EXPECT_EQ(cellIface->table(), table);
    EXPECT_EQ(table->indexOfChild(cell), 3 * 4 + 2);
    EXPECT_EQ(table->child(3 * 4 + 2), cell);
    EXPECT_EQ(cell->parent(), table);
    const QRect screen = cell->rect();
    EXPECT_EQ(screen.size(), f.grid->cellRect(3, 2).size());
    EXPECT_EQ(table->childAt(screen.center().x(), screen.center().y()), cell);

    // What a screen reader announces with the cell: its column and row headers.
    const QList<QAccessibleInterface*> columnHeaders = cellIface->columnHeaderCells();
    ASSERT_EQ(columnHeaders.size(), 1);
    EXPECT_EQ(columnHeaders[0]->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(columnHeaders[0]->text(QAccessible::Name), "r0c2");
    const QList<QAccessibleInterface*> rowHeaders = cellIface->rowHeaderCells();
    ASSERT_EQ(rowHeaders.size(), 1);
    EXPECT_EQ(rowHeaders[0]->role(), QAccessible::RowHeader);
    EXPECT_EQ(rowHeaders[0]->text(QAccessible::Name), "r3c0");
    EXPECT_EQ(tableIface->columnDescription(1), "r0c2");
    EXPECT_EQ(tableIface->rowDescription(2), "r3c0");
    EXPECT_EQ(table->indexOfChild(columnHeaders[0]), 2);
    EXPECT_EQ(table->child(0)->role(), QAccessible::ColumnHeader);  // the corner
    EXPECT_EQ(table->child(0)->text(QAccessible::Name), "r0c0");

    // The header row stays on screen while the data scrolls under it.
    f.grid->verticalScrollBar()->setValue(f.grid->verticalScrollBar()->maximum());
    const QRect headerOnScreen = columnHeaders[0]->rect();
    EXPECT_FALSE(headerOnScreen.isEmpty());
    EXPECT_EQ(table->childAt(headerOnScreen.center().x(), headerOnScreen.center().y()), columnHeaders[0]);

    EXPECT_EQ(tableIface->cellAt(39, 0), nullptr);
    EXPECT_EQ(tableIface->cellAt(-1, 0), nullptr);
    EXPECT_EQ(table->child(160), nullptr);

    f.grid->setRowCount(2);
    EXPECT_EQ(tableIface->rowCount(), 1);
    EXPECT_EQ(tableIface->cellAt(2, 1), nullptr);
    EXPECT_NE(tableIface->cellAt(0, 1), nullptr);
}

TEST(GridAccessibility, focusIsAnnouncedForTheFocusedCell) {
    Fixture f;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(f.grid);
    f.focusCell(5, 3);
    QAccessibleInterface* focused = table->focusChild();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->text(QAccessible::Name), "r5c3");
    EXPECT_TRUE(focused->state().focused);
    EXPECT_EQ(table->indexOfChild(focused), 5 * 4 + 3);
}

// Magnifiers and automated checks place cells by their rectangles: each cell reports
// all of itself where it lies, also when it is scrolled partly or wholly out of view,
// and only the ones that show lack the off-screen state.
TEST(GridAccessibility, cellsReportTheirWholeRectangleAndWhetherTheyShow) {
    Fixture f;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(f.grid);
    ASSERT_NE(table, nullptr);
    const int rowHeight = f.grid->rowHeight(3);
    const int headerHeight = f.grid->rowHeight(0);
    // Rows 1 and 2 slide wholly under the header row, row 3 half.
    const int scroll = f.grid->rowHeight(1) + f.grid->rowHeight(2) + rowHeight / 2;
    ASSERT_GE(f.grid->verticalScrollBar()->maximum(), scroll);
    f.grid->verticalScrollBar()->setValue(scroll);
    const int bottomRow = f.grid->cellAt(QPoint(f.centre(0, 2).x(), f.grid->viewport()->height() - 1)).row;
    ASSERT_GT(bottomRow, 3);
    ASSERT_LT(bottomRow, 39);

    struct Case {
        const char* name;
        int row, column;
        bool shown;
    };
    const Case cases[] = {
        {"header cell", 0, 2, true},
        {"corner", 0, 0, true},
        {"data cell wholly under the header row", 1, 2, false},
        {"its row label, scrolled away with it", 1, 0, false},
        {"data cell half under the header row", 3, 2, true},
        {"data cell in the middle", 6, 1, true},
        {"data cell cut by the bottom edge", bottomRow, 3, true},
        {"data cell below the bottom edge", bottomRow + 1, 3, false},
        {"last row", 39, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QAccessibleInterface* cell = table->child(c.row * 4 + c.column);
        ASSERT_NE(cell, nullptr);
        const QRect local = f.grid->cellRect(c.row, c.column);
        EXPECT_EQ(cell->rect(), QRect(f.grid->viewport()->mapToGlobal(local.topLeft()), local.size()));
        EXPECT_EQ(cell->rect().size(), QSize(f.grid->columnWidth(c.column), f.grid->rowHeight(c.row)));
        EXPECT_EQ(cell->state().offscreen, !c.shown);
        EXPECT_EQ(cell->state().invisible, !c.shown);
    }
    // The cell under the header row lies above the header row's bottom edge, not at it.
    const QRect header = table->child(2)->rect();
    EXPECT_LT(table->child(1 * 4 + 2)->rect().bottom(), header.bottom());
    EXPECT_EQ(table->child(3 * 4 + 2)->rect().top(), header.top() + headerHeight - rowHeight / 2);

    f.grid->hide();
    EXPECT_TRUE(table->child(6 * 4 + 1)->state().offscreen);
    EXPECT_FALSE(table->child(6 * 4 + 1)->rect().isEmpty());
}
