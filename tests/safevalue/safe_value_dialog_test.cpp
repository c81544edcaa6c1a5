// The safe-value dialog as a user meets it: its grids, clicks, typing, module
// boxes, files and transfers, with the boxes and file dialogs answered at once.

#include "safevalue/safe_value_dialog.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_opener.h"
#include "gateway/gateway_state.h"
#include "app/message_boxes.h"
#include "grid/cell_editor.h"
#include "grid/grid_widget.h"
#include "ipsetting/ip_setting.h"
#include "support/fake_gateway_jobs.h"
#include "support/recording_prompts.h"
#include "support/temp_file.h"

namespace norvik {
namespace {

namespace sv = safevalue;
using Button = SafeValueDialog::Button;
using test::FakeGatewayJobs;
using test::RecordingPrompts;
using test::TempFile;
using Bytes = std::vector<uint8_t>;

const QColor kCyan(0, 255, 255);
const QColor kWhite(255, 255, 255);
const QColor kHeaderGrey(200, 200, 200);

ModuleEntry moduleOf(uint8_t type, uint32_t base, uint8_t dataLength, uint32_t coils) {
    ModuleEntry m;
    m.deviceId = 1;
    m.type = static_cast<ModuleType>(type);
    m.internalBase = base;
    m.dataLength = dataLength;
    m.coilCount = coils;
    return m;
}

// Every cell text of a grid, row by row.
std::vector<std::string> textsOf(GridWidget& grid) {
    std::vector<std::string> texts;
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c) texts.push_back(grid.text(r, c).toStdString());
    return texts;
}

class SafeValueDialogTest : public ::testing::Test {
protected:
    LinkSession session;
    GatewayConfig config;
    RecordingPrompts prompts;
    FakeGatewayJobs jobs;
    std::unique_ptr<SafeValueDialog> dialog;

    void SetUp() override {
        session.linkState = LinkState::Connected;
        session.parameterLoaded = true;
        session.firmwareAutoQuery = false;
        config.moduleCount = 4;
        config.modules[0].deviceId = kSystemModuleId;
        config.modules[0].modbusStart = 1;
        config.modules[2] = moduleOf(0, 12, 2, 10);
        config.modules[3] = moduleOf(2, 3, 4, 0);
        config.modules[4] = moduleOf(1, 1020, 2, 40);
    }
    SafeValueDialog& open(DialogMode mode, SafeValueLayout layout = SafeValueLayout::Block512) {
        dialog.reset();
        session.safeValueLayout = layout;
        dialog = std::make_unique<SafeValueDialog>(mode, session, config, jobs, prompts);
        return *dialog;
    }
    GridWidget& grid(SafeGrid g) { return dialog->grid(g); }
    void show() {
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        (void)QTest::qWaitForWindowActive(dialog.get());
    }
};

TEST_F(SafeValueDialogTest, gridsShowTheTableInEveryModeAndLayout) {
    struct Case {
        DialogMode mode;
        SafeValueLayout layout;
        int digitalRows;
        int analogRows;
        const char* bit;
        const char* word;
    };
    const Case cases[] = {
        {DialogMode::NewSetting, SafeValueLayout::Block512, 129, 65, "H", "FFFF"},
        {DialogMode::NewSetting, SafeValueLayout::Block976, 245, 123, "H", "FFFF"},
        {DialogMode::LoadFromFile, SafeValueLayout::Block512, 129, 65, "", ""},
        {DialogMode::LoadFromFile, SafeValueLayout::Block976, 245, 123, "", ""},
        {DialogMode::LoadFromDevice, SafeValueLayout::Block512, 129, 65, "", ""},
        {DialogMode::LoadFromDevice, SafeValueLayout::Block976, 245, 123, "", ""},
    };
    for (const Case& c : cases) {
        open(c.mode, c.layout);
        const std::string what = std::to_string(static_cast<int>(c.mode)) + "/" + std::to_string(c.digitalRows);
        EXPECT_EQ(dialog->windowTitle(), "Safe Value Setting");
        for (SafeGrid g : kSafeGrids) {
            GridWidget& w = grid(g);
            const bool digital = isDigitalGrid(g);
            ASSERT_EQ(w.rowCount(), digital ? c.digitalRows : c.analogRows) << what;
            ASSERT_EQ(w.columnCount(), digital ? 9 : 2) << what;
            EXPECT_EQ(w.fixedRowCount(), 1);
            EXPECT_EQ(w.fixedColumnCount(), 1);
            EXPECT_EQ(w.isEditable(), !digital) << what;
            EXPECT_EQ(w.text(0, 0).toStdString(), "Address");
            EXPECT_EQ(w.text(0, 1).toStdString(), digital ? "bit 0" : "Configure(Hex)");
            if (digital) {
                EXPECT_EQ(w.text(0, 8).toStdString(), "bit 7");
            }
            EXPECT_EQ(w.text(2, 0).toStdString(), digital ? "8~15" : "1");
            const int last = w.rowCount() - 1;
            EXPECT_EQ(
                w.text(last, 0).toStdString(),
                digital ? std::to_string(8 * last - 8) + "~" + std::to_string(8 * last - 1) : std::to_string(last - 1));
            for (int r = 1; r < w.rowCount(); ++r)
                for (int col = 1; col < w.columnCount(); ++col)
                    ASSERT_EQ(w.text(r, col).toStdString(), digital ? c.bit : c.word) << what << " " << r << "," << col;
            // Headers grey without a colour of their own; every column wide enough for its texts.
            EXPECT_EQ(w.cellBackground(0, 1), kHeaderGrey);
            EXPECT_EQ(w.cellBackground(5, 0), kHeaderGrey);
            EXPECT_EQ(w.model().getCell(0, 0)->backColour(), kNoColour);
            const QFontMetrics metrics(w.font());
            for (int col = 0; col < w.columnCount(); ++col) {
                EXPECT_GT(w.columnWidth(col),
                          metrics.horizontalAdvance(QString::fromStdString(w.text(last, col).toStdString())))
                    << what << " column " << col;
            }
        }
    }
}

TEST_F(SafeValueDialogTest, outputAndInputSwapCaptionsAndGrids) {
    open(DialogMode::NewSetting);
    show();
    EXPECT_EQ(dialog->digitalGroup()->title(), "DO");
    EXPECT_EQ(dialog->analogGroup()->title(), "AO");
    EXPECT_TRUE(grid(SafeGrid::Do).isVisible());
    EXPECT_FALSE(grid(SafeGrid::Di).isVisible());
    dialog->button(Button::Input)->click();
    EXPECT_EQ(dialog->digitalGroup()->title(), "DI");
    EXPECT_EQ(dialog->analogGroup()->title(), "AI");
    EXPECT_TRUE(grid(SafeGrid::Di).isVisible());
    EXPECT_TRUE(grid(SafeGrid::Ai).isVisible());
    EXPECT_FALSE(grid(SafeGrid::Do).isVisible());
    EXPECT_FALSE(grid(SafeGrid::Ao).isVisible());
    // The grids lie inside their box, below its caption.
    EXPECT_TRUE(dialog->digitalGroup()->contentsRect().contains(grid(SafeGrid::Di).geometry()));

    dialog->button(Button::AllLow)->click();
    dialog->button(Button::AllZero)->click();
    EXPECT_EQ(grid(SafeGrid::Di).text(128, 8).toStdString(), "L");
    EXPECT_EQ(grid(SafeGrid::Ai).text(64, 1).toStdString(), "0000");
    EXPECT_EQ(grid(SafeGrid::Do).text(128, 8).toStdString(), "H") << "the hidden area keeps its values";
    dialog->button(Button::Output)->click();
    EXPECT_EQ(dialog->digitalGroup()->title(), "DO");
    EXPECT_TRUE(grid(SafeGrid::Do).isVisible());
    dialog->button(Button::AllLow)->click();
    dialog->button(Button::AllHigh)->click();
    dialog->button(Button::AllZero)->click();
    dialog->button(Button::AllF)->click();
    EXPECT_EQ(grid(SafeGrid::Do).text(1, 1).toStdString(), "H");
    EXPECT_EQ(grid(SafeGrid::Ao).text(1, 1).toStdString(), "FFFF");
}

TEST_F(SafeValueDialogTest, moduleBoxesFollowTheConfiguration) {
    open(DialogMode::NewSetting);
    for (int k = 1; k <= 32; ++k) {
        QCheckBox* box = dialog->moduleBox(k);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QStringLiteral("Module%1").arg(k));
        EXPECT_FALSE(box->isChecked()) << k;
        EXPECT_EQ(box->isEnabled(), k >= 2 && k <= 4) << k;
    }
    EXPECT_EQ(dialog->moduleGroup()->title(), "Select module");
}

TEST_F(SafeValueDialogTest, doubleClickTogglesABitCell) {
    open(DialogMode::NewSetting);
    show();
    GridWidget& g = grid(SafeGrid::Do);
    struct Case {
        const char* name;
        int row;
        int column;
        const char* after;
    };
    const Case cases[] = {
        {"H becomes L", 1, 1, "L"},
        {"L becomes H again", 1, 1, "H"},
        {"header", 0, 3, "bit 2"},
        {"row label", 2, 0, "8~15"},
    };
    for (const Case& c : cases) {
        g.ensureCellVisible(c.row, c.column);
        QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, g.cellRect(c.row, c.column).center());
        EXPECT_EQ(g.text(c.row, c.column).toStdString(), c.after) << c.name;
        EXPECT_EQ(g.editor(), nullptr) << c.name << ": bits are never typed";
    }
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, g.cellRect(1, 2).center());
    EXPECT_EQ(dialog->editor().table().do_[1], SafeBit::Low);
}

TEST_F(SafeValueDialogTest, typedWordsAreCheckedAndShownUpperCase) {
    open(DialogMode::NewSetting);
    show();
    GridWidget& g = grid(SafeGrid::Ao);
    struct Case {
        const char* typed;
        const char* box;
        const char* shown;
    };
    const Case cases[] = {
        {"abc", "Error ! Data length are not 4 digit", "FFFF"},
        {"12g4", "Error ! Data is not 0~9 or A~F", "FFFF"},
        {"abcd", nullptr, "ABCD"},
        {"0a3b", nullptr, "0A3B"},
    };
    for (const Case& c : cases) {
        prompts.shown.clear();
        g.setFocus();
        g.setCurrentCell(3, 1);
        // The first character opens the editor over the cell; the rest go to it.
        QTest::keyClicks(&g, QString::fromLatin1(c.typed, 1));
        CellEditor* editor = g.editor();
        ASSERT_NE(editor, nullptr) << c.typed;
        QTest::keyClicks(editor, QString::fromLatin1(c.typed + 1));
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(g.text(3, 1).toStdString(), c.shown) << c.typed;
        if (c.box) {
            ASSERT_EQ(prompts.shown.size(), 1u) << c.typed;
            EXPECT_EQ(prompts.shown[0].title, "Message");
            EXPECT_EQ(prompts.shown[0].text, c.box);
        } else {
            EXPECT_TRUE(prompts.shown.empty()) << c.typed;
        }
    }
    EXPECT_EQ(dialog->editor().table().ao[2], SafeWord{0x0A3B});
}

TEST_F(SafeValueDialogTest, aModuleBoxMarksItsCellsAndClearsTheOneBefore) {
    open(DialogMode::NewSetting);
    GridWidget& dout = grid(SafeGrid::Do);
    dialog->moduleBox(2)->click();
    // Bits 12 .. 21: bits 4 to 7 of the row "8~15", bits 0 to 5 of the row "16~23".
    for (int c = 1; c <= 8; ++c) {
        EXPECT_EQ(dout.cellBackground(2, c), c >= 5 ? kCyan : kWhite) << c;
        EXPECT_EQ(dout.cellBackground(3, c), c <= 6 ? kCyan : kWhite) << c;
    }
    dialog->moduleBox(3)->click();
    EXPECT_FALSE(dialog->moduleBox(2)->isChecked());
    EXPECT_TRUE(dialog->moduleBox(3)->isChecked());
    EXPECT_EQ(dout.cellBackground(2, 5), kWhite);
    GridWidget& aout = grid(SafeGrid::Ao);
    EXPECT_EQ(aout.cellBackground(3, 1), kWhite);  // word 2
    EXPECT_EQ(aout.cellBackground(4, 1), kCyan);   // words 3 and 4
    EXPECT_EQ(aout.cellBackground(5, 1), kCyan);
    EXPECT_EQ(aout.cellBackground(6, 1), kWhite);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&aout);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->tableInterface()->cellAt(3, 0)->text(QAccessible::Description), "Selected module");

    // Module 4 runs from bit 1020 past the 512-byte grid's last bit 1023.
    dialog->moduleBox(4)->click();
    GridWidget& din = grid(SafeGrid::Di);
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(din.cellBackground(128, c), c >= 5 ? kCyan : kWhite) << c;
    dialog->moduleBox(4)->click();
    EXPECT_EQ(din.cellBackground(128, 8), kWhite);
}

TEST_F(SafeValueDialogTest, aSendDisablesItsButtonUntilTheResultIsShown) {
    open(DialogMode::NewSetting);
    QPushButton* send = dialog->button(Button::SaveToDevice);
    EXPECT_TRUE(send->isEnabled());
    EXPECT_FALSE(dialog->transferTimerRunning());
    send->click();
    ASSERT_EQ(jobs.asked.size(), 1u);
    EXPECT_EQ(jobs.last().job.safeValues, Bytes(512, 0xFF));
    EXPECT_FALSE(send->isEnabled());
    EXPECT_TRUE(dialog->transferTimerRunning());
    dialog->onTransferTimer();
    EXPECT_FALSE(send->isEnabled());

    bool finishedBeforeTheBox = false;
    prompts.whileOpen = [&] { finishedBeforeTheBox = send->isEnabled() && !dialog->transferTimerRunning(); };
    jobs.endLast(JobOutcome::Done);
    dialog->onTransferTimer();
    EXPECT_EQ(prompts.texts(), std::vector<std::string>{"Save Safe Value Finish."});
    EXPECT_TRUE(finishedBeforeTheBox);
}

TEST_F(SafeValueDialogTest, loadFromDeviceFillsEveryCellWhenTheBlockArrives) {
    open(DialogMode::LoadFromDevice, SafeValueLayout::Block976);
    ASSERT_EQ(jobs.asked.size(), 1u);
    EXPECT_EQ(jobs.last().job.kind, JobKind::ReadSafeValues);
    EXPECT_FALSE(dialog->button(Button::SaveToDevice)->isEnabled());
    EXPECT_TRUE(dialog->transferTimerRunning());
    Bytes block(976);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 31 + 5);
    JobResult received;
    received.kind = JobKind::ReadSafeValues;
    received.safeValues = block;
    jobs.endLast(received);
    dialog->onTransferTimer();
    EXPECT_EQ(prompts.texts(), std::vector<std::string>{"Receive Safe Value finish ."});
    EXPECT_TRUE(dialog->button(Button::SaveToDevice)->isEnabled());
    for (SafeGrid g : kSafeGrids) {
        for (int r = 1; r < grid(g).rowCount(); ++r)
            for (int c = 1; c < grid(g).columnCount(); ++c)
                ASSERT_EQ(grid(g).text(r, c).toStdString(), dialog->editor().cellText(g, r, c));
    }
    // DI byte 0 = 5: bits 0 and 2; AO word 0 from bytes 732 and 733.
    EXPECT_EQ(grid(SafeGrid::Di).text(1, 1).toStdString(), "H");
    EXPECT_EQ(grid(SafeGrid::Di).text(1, 2).toStdString(), "L");
    EXPECT_EQ(grid(SafeGrid::Di).text(1, 3).toStdString(), "H");
    char word[5];
    std::snprintf(word, sizeof word, "%02X%02X", block[733], block[732]);
    EXPECT_EQ(grid(SafeGrid::Ao).text(1, 1).toStdString(), word);
}

TEST_F(SafeValueDialogTest, closingWithdrawsNothingAndItsJobEndsUnseen) {
    open(DialogMode::NewSetting);
    dialog->button(Button::SaveToDevice)->click();
    dialog.reset();
    EXPECT_EQ(jobs.pendingJobs(), 1u);
    EXPECT_FALSE(jobs.last().cancelled);
    jobs.endLast(JobOutcome::Done);  // reaches no dialog
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(SafeValueDialogTest, aSavedFileLoadsBackIntoEveryCell) {
    TempFile file("norvik_sv_dialog_roundtrip");
    open(DialogMode::NewSetting, SafeValueLayout::Block976);
    dialog->button(Button::Input)->click();
    dialog->button(Button::AllLow)->click();
    emit grid(SafeGrid::Di).cellDoubleClicked(244, 8);
    grid(SafeGrid::Ai).setTextAsUser(122, 1, QStringLiteral("beef"));
    grid(SafeGrid::Ao).setTextAsUser(1, 1, QStringLiteral("0012"));
    prompts.saveAnswer = file.path();
    dialog->button(Button::SaveToFile)->click();
    EXPECT_EQ(prompts.events, std::vector<std::string>{"save?"});
    ASSERT_EQ(file.read().size(), 976u);
    std::vector<std::vector<std::string>> before;
    for (SafeGrid g : kSafeGrids) before.push_back(textsOf(grid(g)));

    prompts.openAnswer = file.path();
    open(DialogMode::LoadFromFile, SafeValueLayout::Block976);
    for (SafeGrid g : kSafeGrids)
        EXPECT_EQ(textsOf(grid(g)), before[static_cast<std::size_t>(g)]) << static_cast<int>(g);
    EXPECT_EQ(grid(SafeGrid::Ai).text(122, 1).toStdString(), "BEEF");
    EXPECT_EQ(grid(SafeGrid::Di).text(244, 8).toStdString(), "H");
    EXPECT_EQ(grid(SafeGrid::Di).text(244, 7).toStdString(), "L");
    EXPECT_EQ(grid(SafeGrid::Ao).text(1, 1).toStdString(), "0012");
}

// Every control is named for screen readers by its caption, the grids by their
// area, and a grid's cells and headers are found the way a table view's are.
TEST_F(SafeValueDialogTest, screenReadersFindEveryControlByItsCaption) {
    open(DialogMode::NewSetting);
    show();
    auto nameOf = [](QWidget* widget) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        return a ? a->text(QAccessible::Name) : QString("(none)");
    };
    auto roleOf = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget)->role(); };
    struct Named {
        QWidget* widget;
        const char* name;
        QAccessible::Role role;
    };
    const Named named[] = {
        {dialog->moduleGroup(), "Select module", QAccessible::Grouping},
        {dialog->digitalGroup(), "DO", QAccessible::Grouping},
        {dialog->analogGroup(), "AO", QAccessible::Grouping},
        {dialog->button(Button::Output), "Output ", QAccessible::Button},
        {dialog->button(Button::Input), "Input", QAccessible::Button},
        {dialog->button(Button::SaveToFile), "Save to File", QAccessible::Button},
        {dialog->button(Button::SaveToDevice), "Save to Device", QAccessible::Button},
        {dialog->button(Button::AllHigh), "All set to \"H\"", QAccessible::Button},
        {dialog->button(Button::AllLow), "All set to \"L\"", QAccessible::Button},
        {dialog->button(Button::AllF), "All set to \"F\"", QAccessible::Button},
        {dialog->button(Button::AllZero), "All set to \"0\"", QAccessible::Button},
        {dialog->moduleBox(1), "Module1", QAccessible::CheckBox},
        {dialog->moduleBox(32), "Module32", QAccessible::CheckBox},
        {&grid(SafeGrid::Do), "DO", QAccessible::Table},
        {&grid(SafeGrid::Ao), "AO", QAccessible::Table},
    };
    for (const Named& n : named) {
        EXPECT_EQ(nameOf(n.widget), QString::fromLatin1(n.name)) << n.name;
        EXPECT_EQ(roleOf(n.widget), n.role) << n.name;
    }
    EXPECT_EQ(nameOf(dialog.get()), "Safe Value Setting");

    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid(SafeGrid::Do));
    QAccessibleTableInterface* cells = table->tableInterface();
    ASSERT_NE(cells, nullptr);
    EXPECT_EQ(cells->rowCount(), 128);
    EXPECT_EQ(cells->columnCount(), 8);
    EXPECT_EQ(cells->columnDescription(7), "bit 7");
    EXPECT_EQ(cells->rowDescription(1), "8~15");
    QAccessibleInterface* cell = cells->cellAt(0, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), "H");
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    const QRect screen(grid(SafeGrid::Do).mapToGlobal(QPoint(0, 0)), grid(SafeGrid::Do).size());
    EXPECT_TRUE(screen.contains(cell->rect())) << "the cell lies inside its grid on the screen";
    const QList<QAccessibleInterface*> headers = cell->tableCellInterface()->columnHeaderCells();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(headers[0]->text(QAccessible::Name), "bit 0");
}

// The real opener runs this dialog for the menu; here the modal run is
// replaced by a look at the dialog it built.
class LookingOpener : public DefaultDialogOpener {
public:
    using DefaultDialogOpener::DefaultDialogOpener;
    std::vector<std::string> seen;

protected:
    int execDialog(QDialog& shown) override {
        std::string what = shown.windowTitle().toStdString();
        if (auto* sv = qobject_cast<SafeValueDialog*>(&shown))
            what += ":" + sv->grid(SafeGrid::Ao).text(1, 1).toStdString();
        seen.push_back(what);
        return QDialog::Accepted;
    }
};

class SilentBoxes : public MessageBoxes {
public:
    void showMessage(QWidget*, const QString&, const QString&) override {}
    bool confirmExit(QWidget*) override { return true; }
};

TEST(SafeValueOpener, theMenuOpensTheDialogInItsMode) {
    GatewayState state;
    SilentBoxes boxes;
    FakeGatewayJobs jobs;
    LookingOpener opener(state, jobs, boxes);
    opener.openSafeValueDialog(nullptr, DialogMode::NewSetting);
    opener.openSafeValueDialog(nullptr, DialogMode::LoadFromDevice);
    EXPECT_EQ(opener.seen, (std::vector<std::string>{"Safe Value Setting:FFFF", "Safe Value Setting:"}));
    ASSERT_EQ(jobs.asked.size(), 1u);
    EXPECT_EQ(jobs.last().job.kind, JobKind::ReadSafeValues);
}

}  // namespace
}  // namespace norvik
