#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "views/device_space_dialog.h"
#include "views/modbus_space_dialog.h"
#include "views/profibus_space_dialog.h"
#include "view_configs.h"

using namespace norvik;

namespace {

using test::configWithSystemModule;
using test::kMaster;
using test::kSlave;
using test::module;

QColor colourOf(GridWidget& grid, int row, int column) { return grid.cellBackground(row, column); }

const QColor kWhite(255, 255, 255);
const QColor kCyan(0, 255, 255);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kHeaderGrey(200, 200, 200);

}  // namespace

TEST(SModbusView, twoDeviceIdsOnTheSameCoils) {
    const GatewayConfig config = configWithSystemModule(kMaster, {module(1, 0, 0, 1, 0, 8), module(2, 0, 0, 1, 0, 8)});
    ModbusSpaceDialog view(config);
    GridWidget& dout = view.kindGrid(ModbusKind::DO);
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(colourOf(dout, 1, c), kBlue) << c;
    view.moduleBox(3)->click();
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(colourOf(dout, 1, c), kCyan) << c;
    view.moduleBox(2)->click();
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(colourOf(dout, 1, c), kWhite) << c;
    view.moduleBox(2)->click();
    EXPECT_EQ(colourOf(dout, 1, 1), kCyan);
}

TEST(SModbusView, registerNumbersRelabelOnlyTheRowsAndAreKeptForTheNextView) {
    const GatewayConfig config = configWithSystemModule(kMaster, {module(5, 2, 0, 4, 10)});
    struct Row {
        ModbusKind kind;
        int row;
        const char* fromZero;
        const char* fromOne;
    };
    const Row rows[] = {{ModbusKind::DO, 1, "0~7", "00001~00008"},
                        {ModbusKind::DI, 2, "8~15", "10009~10016"},
                        {ModbusKind::AI, 1, "0", "30001"},
                        {ModbusKind::RAO, 1024, "1023", "41024"}};
    for (const bool on : {true, false}) {
        ModbusSpaceDialog view(config);
        // Off by default, then as the last view left it.
        EXPECT_EQ(view.registerNumbersAction()->isChecked(), !on);
        view.registerNumbersAction()->trigger();
        for (const Row& r : rows)
            EXPECT_EQ(view.kindGrid(r.kind).text(r.row, 0).toStdString(), on ? r.fromOne : r.fromZero) << r.fromZero;
        EXPECT_EQ(view.kindGrid(ModbusKind::AO).text(0, 0).toStdString(), "Address");
        EXPECT_EQ(colourOf(view.kindGrid(ModbusKind::AO), 11, 1), kCyan);
    }
}

TEST(SModbusView, sameIdOnOverlappingWordsInEitherOrder) {
    const GatewayConfig config = configWithSystemModule(kMaster, {module(5, 2, 0, 4, 10), module(5, 2, 0, 4, 11)});
    for (int first : {2, 3}) {
        ModbusSpaceDialog view(config);
        GridWidget& aout = view.kindGrid(ModbusKind::AO);
        EXPECT_EQ(colourOf(aout, 11, 1), kCyan);  // word 10
        EXPECT_EQ(colourOf(aout, 12, 1), kRed);   // word 11, both modules
        EXPECT_EQ(colourOf(aout, 13, 1), kCyan);  // word 12
        view.moduleBox(first)->click();
        EXPECT_EQ(colourOf(aout, 12, 1), kCyan) << first;
        view.moduleBox(first)->click();
        EXPECT_EQ(colourOf(aout, 12, 1), kRed) << first;
    }
}

TEST(SModbusView, screenReadersHearWhatACellsColourMeans) {
    const GatewayConfig config = configWithSystemModule(kMaster, {module(5, 2, 0, 4, 10), module(5, 2, 0, 4, 11)});
    ModbusSpaceDialog view(config);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&view.kindGrid(ModbusKind::AO));
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->tableInterface(), nullptr);
    // Data rows and columns count from the first non-header cell.
    auto meaning = [&](int word) { return table->tableInterface()->cellAt(word, 0)->text(QAccessible::Description); };
    EXPECT_EQ(meaning(9), "");
    EXPECT_EQ(meaning(10), "In used");
    EXPECT_EQ(meaning(11), "Addr. and ID overlap");
    view.moduleBox(3)->click();
    EXPECT_EQ(meaning(11), "In used");
}

TEST(SModbusView, buttonsSwitchSpacesAndKeepColours) {
    const GatewayConfig config = configWithSystemModule(kMaster, {module(1, 1, 0, 1, 8, 8), module(1, 0, 0, 1, 0, 8)});
    ModbusSpaceDialog view(config);
    EXPECT_EQ(view.writeOutputButton()->text(), "Write Output ");
    EXPECT_EQ(view.readInputButton()->text(), "Read Input");
    EXPECT_EQ(view.readOutputButton()->text(), "Read Output ");
    EXPECT_TRUE(view.readOutputButton()->isEnabled());
    EXPECT_EQ(view.windowTitle(), "Space configuration in modbus");
    EXPECT_EQ(view.bitGroup()->title(), "DO");
    EXPECT_EQ(view.wordGroup()->title(), "AO");

    struct Case {
        QPushButton* button;
        const char* bitTitle;
        const char* wordTitle;
        ModbusKind bit, word;
    };
    const Case cases[] = {{view.readInputButton(), "DI", "AI", ModbusKind::DI, ModbusKind::AI},
                          {view.readOutputButton(), "RDO", "RAO", ModbusKind::RDO, ModbusKind::RAO},
                          {view.writeOutputButton(), "DO", "AO", ModbusKind::DO, ModbusKind::AO}};
    view.show();
    for (const Case& c : cases) {
        c.button->click();
        EXPECT_EQ(view.bitGroup()->title(), c.bitTitle);
        EXPECT_EQ(view.wordGroup()->title(), c.wordTitle);
        for (int i = 0; i < kModbusKinds; ++i) {
            const auto kind = static_cast<ModbusKind>(i);
            EXPECT_EQ(view.kindGrid(kind).isVisible(), kind == c.bit || kind == c.word) << c.bitTitle << i;
        }
    }
    EXPECT_EQ(colourOf(view.kindGrid(ModbusKind::DI), 2, 1), kCyan);  // DI 8..15
    EXPECT_EQ(colourOf(view.kindGrid(ModbusKind::DO), 1, 1), kCyan);
}

TEST(SModbusView, slaveDisablesReadOutputAndCountsTypeZeroInDi) {
    const GatewayConfig config = configWithSystemModule(kSlave, {module(1, 0, 16, 2, 900, 3)});
    ModbusSpaceDialog view(config);
    EXPECT_FALSE(view.readOutputButton()->isEnabled());
    GridWidget& din = view.kindGrid(ModbusKind::DI);
    EXPECT_EQ(colourOf(din, 3, 1), kCyan);  // bit 16
    EXPECT_EQ(colourOf(din, 4, 8), kCyan);  // bit 31
    EXPECT_EQ(colourOf(din, 5, 1), kWhite);
    EXPECT_EQ(colourOf(view.kindGrid(ModbusKind::DO), 1 + 900 / 8, 1 + 900 % 8), kWhite);
}

TEST(SModbusView, legendShowsFourSwatchesInOrder) {
    const GatewayConfig config = configWithSystemModule(kMaster, {});
    ModbusSpaceDialog view(config);
    const char* texts[] = {"Not used :", "In used :", "Addr. overlap :", "Addr. and ID overlap :"};
    const QColor colours[] = {QColor(255, 255, 255), QColor(0, 255, 255), QColor(0, 0, 255), QColor(255, 0, 0)};
    for (int i = 0; i < 4; ++i) {
        auto* swatch = view.findChild<QLabel*>(QStringLiteral("swatch%1").arg(i));
        ASSERT_NE(swatch, nullptr);
        EXPECT_EQ(swatch->size(), QSize(18, 12));
        EXPECT_EQ(QColor(swatch->pixmap().toImage().pixel(5, 5)), colours[i]);
        bool found = false;
        for (QLabel* label : view.findChildren<QLabel*>()) found |= label->text() == texts[i];
        EXPECT_TRUE(found) << texts[i];
    }
}

// Under a dark palette the views keep the colours the legend names, their grey
// headers keep dark text, and every swatch keeps a frame that shows on the dialog.
TEST(SModbusView, darkPaletteKeepsTheColoursAndTheLegendReadable) {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(60, 60, 60));
    const GatewayConfig config = configWithSystemModule(kMaster, {module(1, 0, 0, 1, 0, 8)});
    ModbusSpaceDialog view(config);
    view.setPalette(dark);
    GridWidget& bits = view.kindGrid(ModbusKind::DO);
    EXPECT_EQ(colourOf(bits, 1, 1), kCyan);
    EXPECT_EQ(colourOf(bits, 5, 1), kWhite);  // never touched: the legend's "Not used"
    EXPECT_EQ(colourOf(bits, 0, 1), kHeaderGrey);
    for (const auto& [row, column] : {std::pair{0, 1}, std::pair{3, 0}, std::pair{5, 1}, std::pair{1, 1}})
        EXPECT_EQ(bits.cellForeground(row, column), QColor(Qt::black)) << row << "," << column;

    const QColor window = view.palette().color(QPalette::Window);
    for (int i = 0; i < 4; ++i) {
        auto* swatch = view.findChild<QLabel*>(QStringLiteral("swatch%1").arg(i));
        ASSERT_NE(swatch, nullptr);
        const QImage image = swatch->pixmap().toImage();
        const QColor frame(image.pixel(0, 0));
        EXPECT_GT(frame.lightness() - window.lightness(), 80) << i;
        EXPECT_NE(frame, QColor(image.pixel(5, 5))) << i;
    }
}

TEST(SModbusView, gridsHaveTheirLabelsAndGreyHeaders) {
    const GatewayConfig config = configWithSystemModule(kMaster, {});
    ModbusSpaceDialog view(config);
    GridWidget& bits = view.kindGrid(ModbusKind::RDO);
    EXPECT_EQ(bits.rowCount(), 129);
    EXPECT_EQ(bits.columnCount(), 9);
    EXPECT_EQ(bits.text(0, 0).toStdString(), "Address");
    EXPECT_EQ(bits.text(0, 8).toStdString(), "bit 7");
    EXPECT_EQ(bits.text(128, 0).toStdString(), "1016~1023");
    EXPECT_EQ(bits.accessibleName(), "RDO");
    GridWidget& words = view.kindGrid(ModbusKind::RAO);
    EXPECT_EQ(words.rowCount(), 1025);
    EXPECT_EQ(words.text(0, 1).toStdString(), "Configure");
    EXPECT_EQ(words.text(1024, 0).toStdString(), "1023");
    EXPECT_EQ(colourOf(words, 0, 1), kHeaderGrey);
    EXPECT_EQ(colourOf(words, 7, 0), kHeaderGrey);
    EXPECT_FALSE(words.isEditable());
    // Column headers wrap; row labels sit flush right and data cells centred, on one line.
    EXPECT_EQ(words.alignment(5, 0), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_FALSE(words.wordWrap(5, 0));
    EXPECT_EQ(words.alignment(0, 1), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_TRUE(words.wordWrap(0, 1));
    EXPECT_EQ(words.alignment(5, 1), Qt::AlignCenter);
    EXPECT_FALSE(words.wordWrap(5, 1));
}

TEST(SDeviceView, switchingOffPaintsSharedRowsWhite) {
    // Two DO modules on bytes 1..2 and 2..3; module 3 is a DI module.
    const GatewayConfig config =
        configWithSystemModule(kMaster, {module(1, 0, 12, 2, 0), module(2, 0, 16, 2, 0), module(3, 1, 0, 1, 0)});
    DeviceSpaceDialog view(config);
    EXPECT_EQ(view.windowTitle(), "Space configuration in device");
    GridWidget& dout = view.areaGrid(DeviceArea::DO);
    EXPECT_EQ(dout.text(2, 0).toStdString(), "Byte1");
    EXPECT_EQ(dout.text(0, 0).toStdString(), "Addr.");
    EXPECT_EQ(colourOf(dout, 1, 1), kWhite);
    EXPECT_EQ(colourOf(dout, 2, 1), kCyan);
    EXPECT_EQ(colourOf(dout, 3, 1), kCyan);
    EXPECT_EQ(colourOf(dout, 4, 1), kCyan);
    EXPECT_EQ(colourOf(view.areaGrid(DeviceArea::DI), 1, 1), kCyan);
    view.moduleBox(2)->click();
    EXPECT_EQ(colourOf(dout, 3, 1), kWhite);  // shared with module 3, which is still ticked
    EXPECT_EQ(colourOf(dout, 4, 1), kCyan);
    view.moduleBox(2)->click();
    EXPECT_EQ(colourOf(dout, 3, 1), kCyan);
}

TEST(SDeviceView, areasSitInTheirBoxesWithTheirSizes) {
    const GatewayConfig config = configWithSystemModule(kMaster, {});
    DeviceSpaceDialog view(config);
    view.resize(900, 600);
    view.show();
    struct Case {
        DeviceArea area;
        const char* title;
        int rows;
        const char* lastLabel;
    };
    const Case cases[] = {{DeviceArea::DO, "DO", 245, "Byte243"},
                          {DeviceArea::DI, "DI", 245, "Byte243"},
                          {DeviceArea::AO, "AO", 123, "Word121"},
                          {DeviceArea::AI, "AI", 123, "Word121"}};
    for (const Case& c : cases) {
        GridWidget& grid = view.areaGrid(c.area);
        auto* box = qobject_cast<QGroupBox*>(grid.parentWidget());
        ASSERT_NE(box, nullptr) << c.title;
        EXPECT_EQ(box->title(), c.title);
        EXPECT_EQ(grid.accessibleName(), c.title);
        EXPECT_EQ(grid.rowCount(), c.rows) << c.title;
        EXPECT_EQ(grid.columnCount(), 2) << c.title;
        EXPECT_EQ(grid.fixedRowCount(), 1) << c.title;
        EXPECT_EQ(grid.fixedColumnCount(), 1) << c.title;
        EXPECT_EQ(grid.text(0, 1).toStdString(), "Configure") << c.title;
        EXPECT_EQ(grid.text(c.rows - 1, 0).toStdString(), c.lastLabel) << c.title;
        // Inside the box frame, below the caption.
        EXPECT_TRUE(box->contentsRect().contains(grid.geometry())) << c.title;
    }
}

TEST(SDeviceView, moduleBoxesFollowTheSystemModule) {
    GatewayConfig config =
        configWithSystemModule(kMaster, {module(1, 0, 0, 1, 0), module(2, 0, 8, 1, 0), module(3, 0, 16, 1, 0)});
    // The system module in slot 3 instead of 1.
    std::swap(config.modules[1], config.modules[3]);
    config.modules[0].modbusStart = 3;
    config.modules[3].modbusStart = 3;
    DeviceSpaceDialog view(config);
    for (int k = 1; k <= 32; ++k) {
        const bool on = k <= 4 && k != 3;
        EXPECT_EQ(view.moduleBox(k)->isEnabled(), on) << k;
        EXPECT_EQ(view.moduleBox(k)->isChecked(), on) << k;
        EXPECT_EQ(view.moduleBox(k)->text(), QStringLiteral("Module%1").arg(k));
    }
}

TEST(SDeviceView, moreThanThirtyTwoModulesShowsThirtyTwo) {
    GatewayConfig config = configWithSystemModule(kMaster, {});
    for (std::size_t k = 1; k < kModuleSlots; ++k) config.modules[k] = module(1, 0, 8 * (k - 1), 1, 0);
    config.modules[0].deviceId = 9;  // no system module
    config.moduleCount = 33;
    DeviceSpaceDialog view(config);
    EXPECT_TRUE(view.moduleBox(32)->isChecked());
    EXPECT_EQ(colourOf(view.areaGrid(DeviceArea::DO), 32, 1), kCyan);
    EXPECT_EQ(colourOf(view.areaGrid(DeviceArea::DO), 33, 1), kWhite);
}

TEST(SProfiView, typeFourGoesToTheInputTable) {
    const GatewayConfig config =
        configWithSystemModule(kSlave, {module(1, 4, 0, 4, 0, 0, 10), module(2, 0, 0, 0, 0, 0, 50)});
    ProfibusSpaceDialog view(config);
    EXPECT_EQ(view.windowTitle(), "Space configuration in profibus");
    GridWidget& input = view.tableGrid(ProfibusTable::Input);
    EXPECT_EQ(input.text(11, 0).toStdString(), "Byte 10");
    for (int row = 11; row <= 14; ++row) EXPECT_EQ(colourOf(input, row, 1), kCyan);
    EXPECT_EQ(colourOf(input, 15, 1), kWhite);
    EXPECT_EQ(colourOf(view.tableGrid(ProfibusTable::Output), 51, 1), kWhite);  // length 0
    view.moduleBox(2)->click();
    EXPECT_EQ(colourOf(input, 11, 1), kWhite);
}

TEST(SpaceViews, escapeClosesTheDialog) {
    const GatewayConfig config = configWithSystemModule(kMaster, {});
    ProfibusSpaceDialog view(config);
    view.show();
    view.tableGrid(ProfibusTable::Output).setFocus();
    QTest::keyClick(&view.tableGrid(ProfibusTable::Output), Qt::Key_Escape);
    EXPECT_FALSE(view.isVisible());
}
