// The "Serial traffic" window and its model: rows from any thread, the
// keep-alive filter, pause, clear, copy, save and the bytes of a block.

#include "app/serial_traffic_window.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "link/console_dialogue.h"
#include "link/console_texts.h"
#include "support/fake_port.h"
#include "support/window_link_driver.h"
#include "support/window_recorders.h"

namespace norvik {
namespace {

namespace c = console;
using Bytes = std::vector<uint8_t>;
using test::waitFor;

std::string text(const QString& s) { return s.toStdString(); }

std::vector<std::string> shownData(const TrafficTableModel& model) {
    std::vector<std::string> rows;
    for (int r = 0; r < model.rowCount(); ++r)
        rows.push_back(text(model.index(r, TrafficTableModel::ColumnData).data().toString()));
    return rows;
}

// A short exchange as the dialogue has it: the keep-alive, the parameter load.
void converse(TrafficLog& log) {
    log.addLine(TrafficDirection::Sent, c::kPrompt);
    log.addLine(TrafficDirection::Received, c::kReplyConnect);
    log.addLine(TrafficDirection::Sent, c::kLoadParameter);
    log.addLine(TrafficDirection::Received, c::kReplyParameter);
    log.addBlock(TrafficDirection::Received, Bytes{'K', '5', 0, 0}, false);
    log.addBlock(TrafficDirection::Received, Bytes(24, 0x11), true);
}

class TrafficWindowTest : public ::testing::Test {
protected:
    TrafficLog log;
    std::unique_ptr<SerialTrafficWindow> window;

    void SetUp() override {
        window = std::make_unique<SerialTrafficWindow>(log);
        new QAbstractItemModelTester(window->model(), QAbstractItemModelTester::FailureReportingMode::Fatal,
                                     window->model());
    }
    TrafficTableModel& model() { return *window->model(); }
    bool showsRows(int n) {
        return waitFor([&] { return model().rowCount() == n; });
    }
};

TEST_F(TrafficWindowTest, showsTimeDirectionAndDataOfEveryRow) {
    window->show();
    converse(log);
    ASSERT_TRUE(showsRows(6));
    EXPECT_EQ(shownData(model()),
              (std::vector<std::string>{"KESTRA--r4460k>", "KESTRA--r4460k> connect", "LOAD--PARAMETER",
                                        "send parameter to com", "4 bytes", "24 bytes, incomplete"}));
    EXPECT_EQ(text(model().index(0, TrafficTableModel::ColumnDirection).data().toString()), "sent");
    EXPECT_EQ(text(model().index(1, TrafficTableModel::ColumnDirection).data().toString()), "received");
    const std::string time = text(model().index(0, TrafficTableModel::ColumnTime).data().toString());
    EXPECT_EQ(time, traffic::timeText(model().row(0).timeMs));
    EXPECT_EQ(time.size(), 12u);  // HH:MM:SS.mmm
    EXPECT_EQ(text(model().headerData(0, Qt::Horizontal).toString()), "Time");
    EXPECT_EQ(text(model().headerData(1, Qt::Horizontal).toString()), "Direction");
    EXPECT_EQ(text(model().headerData(2, Qt::Horizontal).toString()), "Data");
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(text(window->windowTitle()), "Serial traffic");
}

TEST_F(TrafficWindowTest, rowsFromWorkerThreadsArriveThroughTheEventLoop) {
    constexpr int kThreads = 3;
    constexpr int kEach = 400;
    std::vector<std::thread> workers;
    for (int w = 0; w < kThreads; ++w) {
        workers.emplace_back([this] {
            for (int i = 0; i < kEach; ++i) log.addBlock(TrafficDirection::Received, Bytes(16, 1), false);
        });
    }
    // Nothing reaches the model but through the queued call.
    const int seenBeforeEvents = model().rowCount();
    for (auto& t : workers) t.join();
    EXPECT_EQ(seenBeforeEvents, 0);
    EXPECT_EQ(model().rowCount(), 0);
    ASSERT_TRUE(showsRows(kThreads * kEach));
}

TEST_F(TrafficWindowTest, keepAliveCanBeHiddenAndShownAgain) {
    converse(log);
    ASSERT_TRUE(showsRows(6));
    window->hideKeepAliveBox()->setChecked(true);
    EXPECT_EQ(shownData(model()), (std::vector<std::string>{"LOAD--PARAMETER", "send parameter to com", "4 bytes",
                                                            "24 bytes, incomplete"}));
    log.addLine(TrafficDirection::Sent, c::kPrompt);
    log.addLine(TrafficDirection::Received, c::kReplyConnect);
    log.addLine(TrafficDirection::Sent, c::kLoadFileName);
    ASSERT_TRUE(showsRows(5));
    EXPECT_EQ(shownData(model()).back(), "LOAD--FILE_NAME");
    window->hideKeepAliveBox()->setChecked(false);
    EXPECT_EQ(model().rowCount(), 9);
}

TEST_F(TrafficWindowTest, pauseHoldsTheTableAndResumeCatchesUp) {
    converse(log);
    ASSERT_TRUE(showsRows(6));
    window->pauseButton()->setChecked(true);
    log.addLine(TrafficDirection::Sent, c::kLoadFileName);
    QApplication::processEvents();
    EXPECT_FALSE(waitFor([&] { return model().rowCount() != 6; }, 200));
    // Changing the filter while paused keeps out what came after the pause.
    window->hideKeepAliveBox()->setChecked(true);
    EXPECT_EQ(model().rowCount(), 4);
    window->hideKeepAliveBox()->setChecked(false);
    EXPECT_EQ(model().rowCount(), 6);
    window->pauseButton()->setChecked(false);
    EXPECT_EQ(model().rowCount(), 7);
    EXPECT_EQ(shownData(model()).back(), "LOAD--FILE_NAME");
}

TEST_F(TrafficWindowTest, clearEmptiesLogAndTableAndLaterRowsStillCome) {
    converse(log);
    ASSERT_TRUE(showsRows(6));
    window->clearButton()->click();
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_EQ(log.size(), 0u);
    log.addLine(TrafficDirection::Received, c::kReplyFileName);
    ASSERT_TRUE(showsRows(1));
    EXPECT_EQ(shownData(model()), std::vector<std::string>{"send file name to com"});
}

TEST(TrafficWindowBound, tableKeepsNoMoreRowsThanTheLog) {
    TrafficLog log(50);
    SerialTrafficWindow window(log);
    QAbstractItemModelTester tester(window.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (int i = 0; i < 40; ++i) log.addLine(TrafficDirection::Sent, std::to_string(i));
    ASSERT_TRUE(waitFor([&] { return window.model()->rowCount() == 40; }));
    for (int i = 40; i < 130; ++i) log.addLine(TrafficDirection::Sent, std::to_string(i));
    ASSERT_TRUE(waitFor([&] { return window.model()->rowCount() == 50 && window.model()->row(49).text == "129"; }));
    EXPECT_EQ(window.model()->row(0).text, "80");
}

TEST_F(TrafficWindowTest, selectedRowsAreCopiedAsText) {
    converse(log);
    ASSERT_TRUE(showsRows(6));
    QItemSelectionModel* selection = window->table()->selectionModel();
    const auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    selection->select(model().index(4, 0), flags);
    selection->select(model().index(2, 0), flags);
    window->copyButton()->click();
    EXPECT_EQ(text(QGuiApplication::clipboard()->text()),
              traffic::rowText(model().row(2), false) + traffic::rowText(model().row(4), false));
}

TEST_F(TrafficWindowTest, savedTextHoldsTheRowsShownAndTheBlocksBytes) {
    converse(log);
    ASSERT_TRUE(showsRows(6));
    window->hideKeepAliveBox()->setChecked(true);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.txt"));
    ASSERT_TRUE(window->saveTo(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string saved = file.readAll().toStdString();
    std::string expected;
    for (int r = 0; r < model().rowCount(); ++r) expected += traffic::rowText(model().row(r), true);
    EXPECT_EQ(saved, expected);
    EXPECT_EQ(saved.find("KESTRA"), std::string::npos);
    EXPECT_NE(saved.find("  received  4 bytes\n0000  4B 35 00 00"), std::string::npos);

    QString error;
    EXPECT_FALSE(window->saveTo(dir.filePath(QStringLiteral("no/such/folder/traffic.txt")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(TrafficWindowTest, bytesOfABlockShowOnDemand) {
    window->show();
    converse(log);
    ASSERT_TRUE(showsRows(6));
    EXPECT_FALSE(window->bytesPane()->isVisible());
    window->table()->setCurrentIndex(model().index(5, TrafficTableModel::ColumnData));
    window->bytesButton()->click();
    EXPECT_TRUE(window->bytesPane()->isVisible());
    const std::string shown = text(window->bytesPane()->toPlainText());
    EXPECT_NE(shown.find("24 bytes, incomplete\n0000  11 11 11"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Not all of the block arrived in time"), std::string::npos);

    // Enter on a row does the same; a line shows its bytes too.
    window->table()->setCurrentIndex(model().index(2, TrafficTableModel::ColumnData));
    emit window->table()->activated(model().index(2, TrafficTableModel::ColumnData));
    EXPECT_NE(text(window->bytesPane()->toPlainText()).find("0000  4C 4F 41 44"), std::string::npos);
}

TEST_F(TrafficWindowTest, screenReadersSeeATableWithNamedControls) {
    converse(log);
    window->show();
    ASSERT_TRUE(showsRows(6));
    QAccessibleInterface* self = QAccessible::queryAccessibleInterface(window.get());
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->role(), QAccessible::Dialog);
    EXPECT_EQ(text(self->text(QAccessible::Name)), "Serial traffic");

    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(window->table());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_EQ(table->tableInterface()->rowCount(), 6);
    EXPECT_EQ(table->tableInterface()->columnCount(), 3);
    EXPECT_EQ(text(table->tableInterface()->columnDescription(2)), "Data");
    QAccessibleInterface* cell = table->tableInterface()->cellAt(3, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(text(cell->text(QAccessible::Name)), "send parameter to com");

    const auto named = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return std::make_pair(a->role(), text(a->text(QAccessible::Name)));
    };
    EXPECT_EQ(named(window->hideKeepAliveBox()),
              std::make_pair(QAccessible::CheckBox, std::string("Hide prompt and reply")));
    // A button that stays down is a toggle to a screen reader.
    EXPECT_EQ(named(window->pauseButton()), std::make_pair(QAccessible::CheckBox, std::string("Pause")));
    EXPECT_EQ(named(window->clearButton()), std::make_pair(QAccessible::Button, std::string("Clear")));
    EXPECT_EQ(named(window->saveButton()), std::make_pair(QAccessible::Button, std::string("Save as text…")));
    EXPECT_EQ(named(window->bytesPane()).second, "Block bytes");
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(window->pauseButton())->state().checkable);
}

// --- in the main window ---------------------------------------------------------------

TEST(TrafficInTheMainWindow, windowOpenedBeforeConnectFollowsTheLink) {
    test::FakePort port;
    test::RecordingBoxes boxes;
    test::RecordingOpener opener;
    MainWindow main(MainWindow::Services{&port, &boxes, &opener, true});
    main.show();
    main.actions().serialTraffic->trigger();
    SerialTrafficWindow* traffic = main.trafficWindow();
    ASSERT_NE(traffic, nullptr);
    EXPECT_TRUE(traffic->isVisible());
    EXPECT_FALSE(traffic->isModal());
    EXPECT_EQ(traffic->model()->rowCount(), 0);

    main.onConnect();
    port.queueLine(c::kReplyConnect);
    test::onLink(main, [](WindowLink& l) { l.tick(); });
    port.queueLine(c::kReplyParameter);
    port.queueBytes(Bytes{'K', '5', 0, 0, 0, 0, 7, 0, 0x64, 3, 0xE8, 0, 2, 0, 0, 0});
    port.queueBytes(Bytes{0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
    test::onLink(main, [](WindowLink& l) { l.tick(); });
    ASSERT_TRUE(test::awaitLinkWorker(main));
    ASSERT_TRUE(waitFor([&] { return traffic->model()->rowCount() >= 6; }));
    EXPECT_EQ(shownData(*traffic->model()),
              (std::vector<std::string>{"KESTRA--r4460k>", "KESTRA--r4460k> connect", "LOAD--PARAMETER",
                                        "send parameter to com", "16 bytes", "12 bytes"}));
    // The same window again, not a second one.
    main.actions().serialTraffic->trigger();
    EXPECT_EQ(main.trafficWindow(), traffic);
    EXPECT_EQ(main.findChildren<SerialTrafficWindow*>().size(), 1);
    main.onDisconnect();
}

}  // namespace
}  // namespace norvik
