// The main window against a scripted gateway: the test drives the dialogue's
// ticks itself and answers every box through recorders.

#include "app/main_window.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/lamp.h"
#include "app/status_line.h"
#include "app/window_texts.h"
#include "app/status_texts.h"
#include "link/console_dialogue.h"
#include "link/console_texts.h"
#include "support/fake_port.h"
#include "support/gateway_blocks.h"
#include "support/window_link_driver.h"
#include "support/window_recorders.h"

#ifdef NORVIK_GATESIM
#include "support/gatesim_process.h"
#endif

namespace norvik {
namespace {

namespace c = console;
namespace w = window;
using test::FakePort;
using test::RecordingBoxes;
using test::RecordingOpener;
using test::waitFor;
using Rows = std::vector<std::pair<std::string, std::string>>;

using Record = std::array<uint8_t, 12>;
const Record kSystemModuleAt1 = {0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
const Record kWdoModule = {3, 0, 0, 0, 0, 2, 3, 0, 10, 0, 0, 0};
const Record kWaoModule = {4, 2, 2, 0, 0x10, 4, 0, 0, 20, 1, 1, 0};

using test::parameterBlock;

std::vector<uint8_t> fileNameReply(const std::vector<std::string>& names) {
    std::string s = "File_NO=";
    s.push_back(static_cast<char>(names.size()));
    for (const auto& n : names) s += std::string("File_Name=") + n;
    return {s.begin(), s.end()};
}

std::string plain(const QString& text) { return QString(text).remove(QLatin1Char('&')).toStdString(); }

Rows listRows(const MainWindow& window) {
    Rows rows;
    for (int i = 0; i < window.list()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = window.list()->topLevelItem(i);
        rows.emplace_back(item->text(0).toStdString(), item->text(1).toStdString());
    }
    return rows;
}

std::vector<std::string> treeNodes(const MainWindow& window) {
    std::vector<std::string> nodes;
    const QTreeWidgetItem* root = window.treeRoot();
    if (!root) return nodes;
    nodes.push_back(root->text(0).toStdString());
    for (int i = 0; i < root->childCount(); ++i) nodes.push_back(root->child(i)->text(0).toStdString());
    return nodes;
}

Rows emptyGatewayList() {
    Rows rows;
    for (const char* label : {"Modbus Type", "Modbus Format", "I/O Value for Stop Mode", "Byte Order",
                              "Output Data Mode", "Modbus Device ID (S)", "Poll interval time (M)",
                              "Time out value (M)", "Module count", "Tcp connect num (T)(M)"})
        rows.emplace_back(label, "");
    return rows;
}

// Runs an event loop of its own, as a modal dialog's exec() does, until `done`
// holds or `boundMs` have passed.
bool runModalLoopUntil(const std::function<bool()>& done, int boundMs = 20000) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(10);
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Runs `first` on the window's thread just before the first call queued to the
// window once `armed` holds, and lets that call through after it.
class AheadOfQueuedCall : public QObject {
public:
    AheadOfQueuedCall(std::function<bool()> armed, std::function<void()> first)
        : armed_(std::move(armed)), first_(std::move(first)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    bool ran() const { return ran_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!ran_ && event->type() == WorkInbox::eventType() && armed_()) {
            ran_ = true;
            first_();
        }
        return false;
    }

private:
    std::function<bool()> armed_;
    std::function<void()> first_;
    bool ran_ = false;
};

// Waits until the test's main thread has gone to sleep in the kernel and stays
// there, as it does while the window waits for its worker to end.
void awaitMainThreadWaiting() {
    const std::string path = "/proc/self/task/" + std::to_string(::getpid()) + "/stat";
    const auto sleeping = [&] {
        std::ifstream stat(path);
        const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t end = text.rfind(')');  // the command name may hold spaces
        return end != std::string::npos && end + 2 < text.size() && text[end + 2] == 'S';
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    int sleepingReads = 0;
    while (sleepingReads < 3 && std::chrono::steady_clock::now() < deadline) {
        sleepingReads = sleeping() ? sleepingReads + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    FakePort port;
    RecordingBoxes boxes;
    RecordingOpener opener;
    std::unique_ptr<MainWindow> window;

    void SetUp() override { make(true); }

    void make(bool manualTimers) {
        window.reset();
        window = std::make_unique<MainWindow>(MainWindow::Services{&port, &boxes, &opener, manualTimers});
    }

    const LinkSession& session() { return window->session(); }
    void editSession(const std::function<void(LinkSession&)>& edit) { test::editSession(*window, edit); }
    // Menu commands reach the link queued: the window shows their effect once it has run.
    void connectPort() {
        window->onConnect();
        test::settle(*window);
    }
    void disconnectPort() {
        window->onDisconnect();
        test::settle(*window);
    }
    void animate() {
        test::onLink(*window, [](WindowLink& l) { l.animate(); });
    }
    const MainWindow::Actions& menu() { return window->actions(); }

    // One tick on which the gateway sends `line` (empty = silence), then `block`.
    void tick(const std::string& line = {}, std::span<const uint8_t> block = {}) {
        if (!line.empty()) port.queueLine(line);
        port.queueBytes(block);
        test::onLink(*window, [](WindowLink& l) { l.tick(); });
    }
    void awaitWorker() { ASSERT_TRUE(test::awaitLinkWorker(*window)) << "worker never reported"; }

    void connectAndLoad(char model = '5',
                        const std::vector<Record>& records = {kSystemModuleAt1, kWdoModule, kWaoModule}) {
        connectPort();
        tick(c::kReplyConnect);
        tick(c::kReplyParameter, parameterBlock(model, records));
        awaitWorker();
        tick(c::kReplyParameterFinish);
    }
    void answerFileNames(const std::vector<std::string>& names) {
        tick(c::kReplyConnect);
        ASSERT_EQ(port.lastSent(), c::kLoadFileName);
        tick(c::kReplyFileName, fileNameReply(names));
        awaitWorker();
        tick(c::kReplyFileNameFinish);
    }
};

// --- the window as it opens ----------------------------------------------------

TEST_F(MainWindowTest, startsClosedWithRedLampsAndTheEmptyGatewayList) {
    EXPECT_EQ(window->windowTitle().toStdString(), "Norvik");
    EXPECT_TRUE(menu().connect->isEnabled());
    EXPECT_FALSE(menu().disconnect->isEnabled());
    for (QAction* ip : {menu().ipNew, menu().ipFile, menu().ipDevice}) EXPECT_FALSE(ip->isEnabled());
    EXPECT_FALSE(window->portLamp()->isGreen());
    EXPECT_FALSE(window->moduleLamp()->isGreen());
    EXPECT_EQ(window->statusLine()->linkLabel()->text().toStdString(), "Com Port isn't open !");
    EXPECT_EQ(window->statusLine()->progressBar()->minimum(), 0);
    EXPECT_EQ(window->statusLine()->progressBar()->maximum(), 9);
    EXPECT_EQ(treeNodes(*window), std::vector<std::string>{"HX-xxxx"});
    EXPECT_EQ(listRows(*window), emptyGatewayList());
}

TEST_F(MainWindowTest, portBoxesOfferTheirEntriesWithThePreselections) {
    struct Case {
        int box;
        std::vector<std::string> entries;
        std::string chosen;
        std::string label;
    };
    const std::vector<Case> cases{
        {0, {"Com1", "Com2", "Com3", "Com4", "Com5", "Com6", "Com7", "Com8"}, "Com1", "Port :"},
        {1, {"2400", "4800", "9600", "19200", "38400", "57600", "115200"}, "115200", "Baudrate :"},
        {2, {"None", "Odd", "Even"}, "None", "Parity :"},
        {3, {"8 databit"}, "8 databit", "Data bit :"},
        {4, {"1 stopbit"}, "1 stopbit", "Stop bit :"},
    };
    for (const auto& k : cases) {
        QComboBox* box = window->portBox(k.box);
        std::vector<std::string> entries;
        for (int i = 0; i < box->count(); ++i) entries.push_back(box->itemText(i).toStdString());
        EXPECT_EQ(entries, k.entries);
        EXPECT_EQ(box->currentText().toStdString(), k.chosen);
        EXPECT_EQ(box->accessibleName().toStdString(), k.label);
        // The visible label names the box it stands before.
        bool labelled = false;
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->buddy() == box && label->text().toStdString() == k.label) labelled = true;
        EXPECT_TRUE(labelled) << k.label;
    }
}

TEST_F(MainWindowTest, menuHoldsEveryItemInOrder) {
    std::vector<std::string> seen;
    for (QAction* top : window->menu()->actions()) {
        seen.push_back(std::string("[") + plain(top->text()) + "]");
        for (QAction* item : top->menu()->actions()) seen.push_back(item->isSeparator() ? "-" : plain(item->text()));
    }
    const std::vector<std::string> expected{"[Communication]",
                                            "Connect",
                                            "Disconnect",
                                            "Port devices…",
                                            "-",
                                            "Exit",
                                            "[Gateway]",
                                            "Back Up…",
                                            "Restore…",
                                            "Compare with Backup…",
                                            "Cancel",
                                            "-",
                                            "Export Report…",
                                            "-",
                                            "Open Backup…",
                                            "Close Backup",
                                            "[IP setting]",
                                            "New setting",
                                            "Load from file",
                                            "Load from device",
                                            "[Safe value setting]",
                                            "New setting",
                                            "Load from file",
                                            "Load from device",
                                            "[View]",
                                            "Space configuration in device",
                                            "Space configuration in profibus",
                                            "Space configuration in modbus",
                                            "-",
                                            "Serial traffic",
                                            "[Help]",
                                            "Get Firmware Version From Module",
                                            "About Norvik"};
    EXPECT_EQ(seen, expected);

    // Each menu reaches every item by its own letter, within the item's
    // distinguishing word.
    const auto mnemonic = [](const QAction* a) {
        const QString text = a->text();
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        return at < 0 || at + 1 >= text.size() ? QChar() : text.at(at + 1).toLower();
    };
    std::vector<QChar> top;
    for (QAction* menuAction : window->menu()->actions()) {
        top.push_back(mnemonic(menuAction));
        std::vector<QChar> keys;
        for (QAction* a : menuAction->menu()->actions()) {
            if (a->isSeparator()) continue;
            EXPECT_FALSE(mnemonic(a).isNull()) << plain(a->text());
            EXPECT_EQ(std::count(keys.begin(), keys.end(), mnemonic(a)), 0) << plain(a->text());
            keys.push_back(mnemonic(a));
        }
    }
    EXPECT_EQ(std::set<QChar>(top.begin(), top.end()).size(), top.size());
    EXPECT_TRUE(menu().viewProfibus->text().endsWith(QLatin1String("&profibus")));

    window->onAbout();
    EXPECT_EQ(opener.names(), std::vector<std::string>{"AboutDialog"});
}

TEST_F(MainWindowTest, statusLineHoldsLinkOperationAndProgressSideBySide) {
    window->show();
    QCoreApplication::processEvents();
    StatusLine* line = window->statusLine();
    const QRect link = line->linkLabel()->geometry();
    const QRect operation = line->operationLabel()->geometry();
    const QRect progress = line->progressBar()->geometry();
    EXPECT_LE(link.left(), 4);
    EXPECT_GE(link.width(), StatusLine::kLinkPartWidth);
    EXPECT_GT(operation.left(), link.right());
    EXPECT_GE(operation.width(), StatusLine::kOperationPartWidth);
    EXPECT_GT(progress.left(), operation.right());
    EXPECT_LE(progress.right(), line->width());
    EXPECT_EQ(line->width(), window->width());
    EXPECT_EQ(line->mapTo(window.get(), QPoint(0, line->height())).y(), window->height());

    // A text wider than its part keeps the part in its place and the window
    // at its width, taking more lines; readers and the tooltip get the whole
    // text. Short texts again give the window its size again.
    const QSize windowSize = window->size();
    const QString longest = QStringLiteral("Error ! System module does not exist!").repeated(3);
    window->statusLine()->setLinkText(longest);
    window->statusLine()->setOperationText(longest);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(window->width(), windowSize.width());
    EXPECT_GT(line->operationLabel()->height(), operation.height());
    EXPECT_EQ(line->operationLabel()->x(), operation.x());
    EXPECT_EQ(line->operationLabel()->width(), operation.width());
    window->showPortClosed();
    window->statusLine()->setOperationText(QString());
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), windowSize);
    window->setLinkStatus(LinkStatus::PortOpen);
    for (QLabel* part : {line->linkLabel(), line->operationLabel()}) {
        EXPECT_EQ(part->toolTip(), part->text());
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(part);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), part->text());
    }
    window->setOperation(Operation::SystemModuleMissing);
    EXPECT_EQ(line->operationLabel()->text().toStdString(), "Error ! System module does not exist!");

    // A Gateway command's step stays while the link reads the blocks it asks
    // for; at its end the link's words come back.
    line->setRunStep(QStringLiteral("Reading the parameters…"));
    window->setOperation(Operation::ReceiveParameter);
    EXPECT_EQ(line->operationLabel()->text().toStdString(), "Reading the parameters…");
    line->setRunStep(QString());
    EXPECT_EQ(line->operationLabel()->text().toStdString(), "Receive parameter now");
}

TEST_F(MainWindowTest, controlsKeepTheirPlacesAroundTheList) {
    window->show();
    QCoreApplication::processEvents();
    const QRect tree = window->tree()->geometry();
    const QRect list = window->list()->geometry();
    const QRect ports = window->portBox(0)->parentWidget()->geometry();
    // Tree on the left over the whole height; port settings above the list, lamps below it.
    EXPECT_LT(tree.right(), list.left());
    EXPECT_LT(tree.right(), ports.left());
    EXPECT_LT(ports.bottom(), list.top());
    EXPECT_LE(tree.top(), ports.top());
    EXPECT_GE(tree.bottom(), list.bottom());
    EXPECT_GE(list.width(), w::kColumnItemWidth + w::kColumnValueWidth);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());  // fixed size
    // Port, baud rate and parity in one row, data and stop bit in the next.
    EXPECT_EQ(window->portBox(0)->y(), window->portBox(2)->y());
    EXPECT_LT(window->portBox(0)->x(), window->portBox(1)->x());
    EXPECT_LT(window->portBox(1)->x(), window->portBox(2)->x());
    EXPECT_GT(window->portBox(3)->y(), window->portBox(0)->y());
    EXPECT_EQ(window->portBox(3)->x(), window->portBox(0)->x());
    // Each lamp stands just right of its label, below the list.
    for (Lamp* lamp : {window->moduleLamp(), window->portLamp()}) {
        const QLabel* label = nullptr;
        for (QLabel* l : window->findChildren<QLabel*>())
            if (l->text() == lamp->accessibleName()) label = l;
        ASSERT_NE(label, nullptr);
        EXPECT_GT(lamp->y(), list.bottom());
        EXPECT_GT(lamp->x(), label->geometry().right());
        EXPECT_LT(lamp->x() - label->geometry().right(), 12);
        EXPECT_TRUE(label->geometry().intersects(QRect(label->x(), lamp->y(), 1, lamp->height())));
    }
    EXPECT_LT(window->moduleLamp()->x(), window->portLamp()->x());
}

TEST_F(MainWindowTest, listShowsItsHeadersAtTheirWidths) {
    QTreeWidget* list = window->list();
    EXPECT_FALSE(list->isHeaderHidden());
    EXPECT_EQ(list->headerItem()->text(0).toStdString(), "Item");
    EXPECT_EQ(list->headerItem()->text(1).toStdString(), "Value (State)");
    // At least their old widths: the Item column grows to its longest item,
    // the Value column to the list's edge.
    EXPECT_GE(list->columnWidth(0), 200);
    EXPECT_GE(list->columnWidth(1), 228);
    EXPECT_FALSE(list->topLevelItem(0)->icon(0).isNull());
}

TEST_F(MainWindowTest, lampsArePicturesThatSayTheirColour) {
    for (Lamp* lamp : {window->moduleLamp(), window->portLamp()}) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(lamp);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), QAccessible::Graphic);
        EXPECT_EQ(a->text(QAccessible::Description).toStdString(), "red");
    }
    EXPECT_EQ(window->moduleLamp()->accessibleName().toStdString(), "Module   State :");
    EXPECT_EQ(window->portLamp()->accessibleName().toStdString(), "Com Port State :");
    connectPort();
    QAccessibleInterface* portLamp = QAccessible::queryAccessibleInterface(window->portLamp());
    EXPECT_EQ(portLamp->text(QAccessible::Description).toStdString(), "green");
}

// --- menu and lamps over a connection -------------------------------------------

TEST_F(MainWindowTest, connectTakesTheChosenSettings) {
    window->portBox(0)->setCurrentIndex(2);
    window->portBox(1)->setCurrentIndex(2);
    window->portBox(2)->setCurrentIndex(1);
    connectPort();
    ASSERT_EQ(port.opened.size(), 1u);
    EXPECT_EQ(port.opened[0].port, 3);
    EXPECT_EQ(port.opened[0].baud, 9600u);
    EXPECT_EQ(port.opened[0].parity, norvik::Parity::Odd);
    EXPECT_EQ(port.opened[0].dataBits, 8);
    EXPECT_EQ(port.opened[0].stopBits, 0);
}

TEST_F(MainWindowTest, failedOpenShowsTheErrorBoxAndLeavesTheBoxesEditable) {
    port.openCode = 2;
    connectPort();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Error message");
    EXPECT_EQ(boxes.shown[0].text, "Open Com Error ! Please check Com Port setting");
    // Below the text: the device and what to do (tests/app/port_devices_dialog_test.cpp).
    EXPECT_EQ(boxes.shown[0].informative.rfind("Device: ", 0), 0u);
    EXPECT_EQ(window->statusLine()->linkLabel()->text().toStdString(), "Open Com Error! Error Code = 2 ");
    EXPECT_TRUE(window->portBox(0)->isEnabled());
    EXPECT_TRUE(menu().connect->isEnabled());
    EXPECT_FALSE(window->portLamp()->isGreen());
}

TEST_F(MainWindowTest, menuLampsAndTreeFollowAConnection) {
    connectPort();
    EXPECT_FALSE(menu().connect->isEnabled());
    EXPECT_TRUE(menu().disconnect->isEnabled());
    EXPECT_TRUE(window->portLamp()->isGreen());
    EXPECT_FALSE(window->moduleLamp()->isGreen());
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(window->portBox(i)->isEnabled());
    EXPECT_TRUE(window->pollTimerRunning());
    EXPECT_EQ(window->statusLine()->linkLabel()->text().toStdString(), status::kLinkPortOpen);

    tick(c::kReplyConnect);
    EXPECT_TRUE(window->moduleLamp()->isGreen());
    EXPECT_EQ(window->statusLine()->linkLabel()->text().toStdString(), "Module is connected");

    tick(c::kReplyParameter, parameterBlock('5', {kSystemModuleAt1, kWdoModule, kWaoModule}));
    EXPECT_EQ(window->statusLine()->operationLabel()->text().toStdString(), "Receive parameter now");
    EXPECT_TRUE(window->animationTimerRunning());
    awaitWorker();
    EXPECT_FALSE(menu().ipNew->isEnabled());

    // The block shows when its finish line confirms it.
    tick(c::kReplyParameterFinish);
    EXPECT_EQ(treeNodes(*window), (std::vector<std::string>{"HX-3420", "Module 1", "Module 2", "Module 3"}));
    EXPECT_TRUE(window->treeRoot()->isExpanded());
    EXPECT_EQ(listRows(*window).size(), 10u);
    EXPECT_EQ(listRows(*window)[8], (std::pair<std::string, std::string>{"Module count", "3"}));
    for (QAction* ip : {menu().ipNew, menu().ipFile, menu().ipDevice}) EXPECT_TRUE(ip->isEnabled());
    EXPECT_EQ(window->statusLine()->operationLabel()->text().toStdString(), "Receive parameter finish");

    // Two silent ticks lose the link: module lamp red, tree and list emptied.
    tick();
    EXPECT_TRUE(window->moduleLamp()->isGreen());
    tick();
    EXPECT_FALSE(window->moduleLamp()->isGreen());
    EXPECT_TRUE(window->portLamp()->isGreen());
    EXPECT_EQ(treeNodes(*window), std::vector<std::string>{"HX-3420"});
    EXPECT_EQ(listRows(*window), emptyGatewayList());
    EXPECT_EQ(window->statusLine()->linkLabel()->text().toStdString(), "No connection to the Module !");
    // The IP items stay as the last block left them.
    EXPECT_TRUE(menu().ipNew->isEnabled());

    // The module comes back, then announces its disconnect.
    tick(c::kReplyConnect);
    EXPECT_TRUE(window->moduleLamp()->isGreen());
    tick(c::kReplyParameter, parameterBlock('4', {kSystemModuleAt1, kWdoModule}));
    awaitWorker();
    tick(c::kReplyParameterFinish);
    for (QAction* ip : {menu().ipNew, menu().ipFile, menu().ipDevice}) EXPECT_FALSE(ip->isEnabled());
    EXPECT_EQ(treeNodes(*window), (std::vector<std::string>{"HX-3410", "Module 1", "Module 2"}));
    tick(c::kReplyDisconnect);
    EXPECT_FALSE(window->moduleLamp()->isGreen());
    EXPECT_EQ(treeNodes(*window), std::vector<std::string>{"HX-3410"});
    EXPECT_EQ(listRows(*window), emptyGatewayList());
    EXPECT_FALSE(menu().connect->isEnabled());

    disconnectPort();
    EXPECT_EQ(port.closes, 1);
    EXPECT_TRUE(menu().connect->isEnabled());
    EXPECT_FALSE(menu().disconnect->isEnabled());
    EXPECT_FALSE(window->portLamp()->isGreen());
    EXPECT_FALSE(window->moduleLamp()->isGreen());
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(window->portBox(i)->isEnabled());
    EXPECT_FALSE(window->pollTimerRunning());
    EXPECT_FALSE(window->animationTimerRunning());
    EXPECT_EQ(window->statusLine()->linkLabel()->text().toStdString(), "Com Port isn't open !");
    EXPECT_EQ(window->statusLine()->operationLabel()->text().toStdString(), "");
    EXPECT_EQ(window->statusLine()->progressBar()->value(), 0);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainWindowTest, progressBarRunsWhileAnimating) {
    connectPort();
    tick(c::kReplyConnect);
    port.holdBlocks();  // keep the parameter worker busy
    tick(c::kReplyParameter);
    std::vector<int> steps;
    for (int i = 0; i < 11; ++i) {
        animate();
        steps.push_back(window->statusLine()->progressBar()->value());
    }
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
    port.queueBytes(parameterBlock('5', {kSystemModuleAt1}));
    port.release();
    awaitWorker();
    tick(c::kReplyParameterFinish);
    animate();
    EXPECT_EQ(window->statusLine()->progressBar()->value(), 0);
    EXPECT_FALSE(window->animationTimerRunning());
}

// --- guards -------------------------------------------------------------------

enum class Link { NotConnected, Loading, NoParameter, NoFirmware, Ready, Ready3410 };

void setLink(MainWindow& window, Link link) {
    test::editSession(window, [link](LinkSession& s) {
        s.linkState = link == Link::NotConnected ? LinkState::NotConnected
                      : link == Link::Loading    ? LinkState::LoadingParameters
                                                 : LinkState::Connected;
        s.parameterLoaded = link == Link::NoFirmware || link == Link::Ready || link == Link::Ready3410;
        s.firmwareAutoQuery = link != Link::Ready && link != Link::Ready3410;
    });
    test::editConfig(window,
                     [link](GatewayConfig& c) { c.modelName = link == Link::Ready3410 ? kModelHx3410 : kModelHx3420; });
}

TEST_F(MainWindowTest, everyCommandRunsItsGuardsInOrder) {
    using Command = void (MainWindow::*)();
    struct Case {
        const char* name;
        Command command;
        Link link;
        const char* message;  // nullptr: no box
        const char* dialog;   // nullptr: nothing opens
        std::optional<DialogMode> mode;
    };
    const std::vector<Case> cases{
        {"device view", &MainWindow::onViewDevice, Link::NotConnected, w::kGuardNotConnected, nullptr, std::nullopt},
        {"device view", &MainWindow::onViewDevice, Link::Loading, w::kGuardLoading, nullptr, std::nullopt},
        {"device view", &MainWindow::onViewDevice, Link::NoParameter, w::kGuardNoParameter, nullptr, std::nullopt},
        {"device view", &MainWindow::onViewDevice, Link::NoFirmware, nullptr, "DeviceSpaceDialog", std::nullopt},
        {"profibus view", &MainWindow::onViewProfibus, Link::Loading, w::kGuardLoading, nullptr, std::nullopt},
        {"profibus view", &MainWindow::onViewProfibus, Link::Ready3410, nullptr, "ProfibusSpaceDialog", std::nullopt},
        {"modbus view", &MainWindow::onViewModbus, Link::NotConnected, w::kGuardNotConnected, nullptr, std::nullopt},
        {"modbus view", &MainWindow::onViewModbus, Link::Ready, nullptr, "ModbusSpaceDialog", std::nullopt},
        {"safe value new", &MainWindow::onSafeValueNewSetting, Link::NotConnected, w::kGuardNotConnected, nullptr,
         std::nullopt},
        {"safe value new", &MainWindow::onSafeValueNewSetting, Link::NoParameter, w::kGuardNoParameter, nullptr,
         std::nullopt},
        {"safe value new", &MainWindow::onSafeValueNewSetting, Link::NoFirmware, w::kGuardNoFirmware, nullptr,
         std::nullopt},
        {"safe value new", &MainWindow::onSafeValueNewSetting, Link::Ready, nullptr, "NSS", DialogMode::NewSetting},
        {"safe value file", &MainWindow::onSafeValueLoadFromFile, Link::Loading, w::kGuardLoading, nullptr,
         std::nullopt},
        {"safe value file", &MainWindow::onSafeValueLoadFromFile, Link::Ready3410, nullptr, "NSS",
         DialogMode::LoadFromFile},
        {"safe value device", &MainWindow::onSafeValueLoadFromDevice, Link::NoFirmware, w::kGuardNoFirmware, nullptr,
         std::nullopt},
        {"safe value device", &MainWindow::onSafeValueLoadFromDevice, Link::Ready, nullptr, "NSS",
         DialogMode::LoadFromDevice},
        {"ip new", &MainWindow::onIpNewSetting, Link::NotConnected, nullptr, "IPSetting", DialogMode::NewSetting},
        {"ip file", &MainWindow::onIpLoadFromFile, Link::Loading, nullptr, "IPSetting", DialogMode::LoadFromFile},
        {"ip device", &MainWindow::onIpLoadFromDevice, Link::NotConnected, w::kGuardNotConnected, nullptr,
         std::nullopt},
        {"ip device", &MainWindow::onIpLoadFromDevice, Link::NoParameter, w::kGuardNoParameter, nullptr, std::nullopt},
        {"ip device", &MainWindow::onIpLoadFromDevice, Link::Ready3410, w::kGuardOnlyHx3420, nullptr, std::nullopt},
        {"ip device", &MainWindow::onIpLoadFromDevice, Link::NoFirmware, nullptr, "IPSetting",
         DialogMode::LoadFromDevice},
        {"firmware", &MainWindow::onGetFirmwareVersion, Link::NotConnected, w::kGuardNotConnected, nullptr,
         std::nullopt},
        {"firmware", &MainWindow::onGetFirmwareVersion, Link::Loading, w::kGuardLoading, nullptr, std::nullopt},
        {"firmware", &MainWindow::onGetFirmwareVersion, Link::NoParameter, w::kGuardNoParameter, nullptr, std::nullopt},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.name) + " in state " + std::to_string(static_cast<int>(k.link)));
        boxes.shown.clear();
        opener.opened.clear();
        setLink(*window, k.link);
        editSession([](LinkSession& s) { s.fileNamesReceived = false; });
        (window.get()->*k.command)();
        if (k.message) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].title, "Message");
            EXPECT_EQ(boxes.shown[0].text, k.message);
            EXPECT_TRUE(opener.opened.empty());
            EXPECT_EQ(window->gatewayJobs().pendingJobs(), 0u) << "a refused command asks nothing";
        } else {
            EXPECT_TRUE(boxes.shown.empty());
            ASSERT_EQ(opener.opened.size(), 1u);
            EXPECT_EQ(opener.opened[0].dialog, k.dialog);
            EXPECT_EQ(opener.opened[0].mode, k.mode);
        }
    }
}

TEST_F(MainWindowTest, guardTextsAreTheUsersOwn) {
    EXPECT_STREQ(w::kGuardNotConnected, "Error ! Device is not connected yet.");
    EXPECT_STREQ(w::kGuardLoading, "Error ! It is loading parameter now. Please wait.");
    EXPECT_STREQ(w::kGuardNoParameter, "Error ! It is not loaded parameter yet. Please wait.");
    EXPECT_STREQ(w::kGuardNoFirmware, "Error ! It is not loaded firmware version yet. Please wait.");
    EXPECT_STREQ(w::kGuardOnlyHx3420, "Error ! This function is only supported HX-3420.");
}

TEST_F(MainWindowTest, firmwareCommandOpensAtOnceOnlyWhenTheNamesAreHeld) {
    connectAndLoad();
    setLink(*window, Link::Ready);
    editSession([](LinkSession& s) {
        s.fileNamesReceived = true;
        s.firmwareFileNames[0] = "3420V13.bin";
        s.fileCount = 1;
    });
    window->onGetFirmwareVersion();
    EXPECT_EQ(opener.names(), std::vector<std::string>{"FirmwareDialog"});
    ASSERT_EQ(opener.firmwareShown.size(), 1u);
    EXPECT_TRUE(opener.firmwareShown[0].done());
    EXPECT_EQ(opener.firmwareShown[0].fileNames[0], "3420V13.bin");
    EXPECT_EQ(window->gatewayJobs().pendingJobs(), 0u);

    opener.opened.clear();
    editSession([](LinkSession& s) { s.fileNamesReceived = false; });
    window->onGetFirmwareVersion();
    window->onGetFirmwareVersion();  // asked again while the question is out
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_EQ(window->gatewayJobs().pendingJobs(), 1u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainWindowTest, firmwareDialogOpensWhenTheAskedForNamesArrive) {
    connectAndLoad();
    answerFileNames({"3420V13.bin"});
    QCoreApplication::processEvents();
    EXPECT_TRUE(opener.opened.empty());  // the automatic query shows nothing
    EXPECT_FALSE(session().firmwareAutoQuery);

    window->onGetFirmwareVersion();
    EXPECT_EQ(opener.names(), std::vector<std::string>{"FirmwareDialog"});  // held: at once

    editSession([](LinkSession& s) { s.fileNamesReceived = false; });
    opener.opened.clear();
    window->onGetFirmwareVersion();
    EXPECT_TRUE(opener.opened.empty());
    answerFileNames({"3420V13.bin", "autoexec.bat"});
    ASSERT_TRUE(waitFor([&] { return !opener.opened.empty(); }));
    EXPECT_EQ(opener.names(), std::vector<std::string>{"FirmwareDialog"});
    EXPECT_EQ(opener.firmwareShown.back().fileCount, 2);
    EXPECT_EQ(window->statusLine()->operationLabel()->text().toStdString(), "Receive file name finish");

    // A link that ends before the reply came shows nothing.
    editSession([](LinkSession& s) { s.fileNamesReceived = false; });
    opener.opened.clear();
    window->onGetFirmwareVersion();
    disconnectPort();
    QCoreApplication::processEvents();
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_EQ(window->gatewayJobs().pendingJobs(), 0u);
}

TEST_F(MainWindowTest, askingAgainDuringAReplyKeepsItsFailure) {
    connectAndLoad();
    answerFileNames({"3420V13.bin"});
    editSession([](LinkSession& s) { s.fileNamesReceived = false; });
    window->onGetFirmwareVersion();
    tick(c::kReplyConnect);
    ASSERT_EQ(port.lastSent(), c::kLoadFileName);
    const std::string badHeader = "File_XX=";
    std::vector<uint8_t> reply(badHeader.begin(), badHeader.end());
    reply.push_back(0);
    const std::size_t receivesBefore = port.blockTimeouts().size();
    // The worker has failed and ended, its notice is not yet taken: the user
    // asks again.
    // The first call queued on the window's thread: to the window when the
    // link has a thread of its own, else to the link.
    AheadOfQueuedCall askAgain([&] { return port.blockTimeouts().size() > receivesBefore; },
                               [&] { window->onGetFirmwareVersion(); });
    tick(c::kReplyFileName, reply);
    ASSERT_TRUE(waitFor([&] { return askAgain.ran(); }, 20000)) << "the worker's notice never came";
    awaitWorker();
    ASSERT_TRUE(waitFor([&] { return !opener.opened.empty(); }));
    EXPECT_FALSE(session().fileNamesReceived);
    EXPECT_EQ(window->statusLine()->operationLabel()->text().toStdString(), "Receive file name error");
    EXPECT_EQ(opener.names(), std::vector<std::string>{"FirmwareDialog"});
    EXPECT_EQ(opener.firmwareShown[0].outcome, JobOutcome::BlockIncomplete);
    EXPECT_EQ(window->gatewayJobs().pendingJobs(), 0u) << "asking again during the reply asked nothing more";
}

TEST_F(MainWindowTest, safeValueCommandsWaitForTheAutomaticFileQuery) {
    connectAndLoad();
    window->onSafeValueNewSetting();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, w::kGuardNoFirmware);
    answerFileNames({"3420V13.bin"});
    window->onSafeValueNewSetting();
    EXPECT_EQ(opener.names(), std::vector<std::string>{"NSS"});
}

// --- tree and list ---------------------------------------------------------------

// A configuration as the parameter worker leaves it, built by hand: records
// 0..count-1 with their texts, the system module (if any) placed at `position`.
GatewayConfig handConfig(const char* model, int records, int systemPosition) {
    GatewayConfig config;
    config.modelName = model;
    for (std::size_t i = 0; i < kGatewayRows; ++i) config.gatewayValueText[i] = std::string("g") + std::to_string(i);
    const char* types[] = {"WDO", "WAO", "RDI", "RAI"};
    for (int r = 0; r < records; ++r) {
        auto& texts = config.moduleValueText[static_cast<std::size_t>(r)];
        texts = {std::string("id") + std::to_string(r), types[r % 4], "pb", "ib", "4", "cc", "ms", "Disable", "1"};
        config.modules[static_cast<std::size_t>(r)].dataLength = 4;
    }
    config.moduleCount = static_cast<uint8_t>(records);
    if (systemPosition > 0) {
        config.modules[0].deviceId = kSystemModuleId;
        config.modules[0].modbusStart = static_cast<uint32_t>(systemPosition);
        // Placement: entries from the position up move one place on.
        for (int i = records; i >= systemPosition; --i)
            config.modules[static_cast<std::size_t>(i)] =
                i == systemPosition ? config.modules[0] : config.modules[static_cast<std::size_t>(i - 1)];
    } else {
        config.modules[0].deviceId = 9;
        config.moduleCount = static_cast<uint8_t>(records - 1);
    }
    return config;
}

void selectNode(MainWindow& window, const std::string& text) {
    const auto found = window.tree()->findItems(QString::fromStdString(text), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1) << text;
    window.tree()->setCurrentItem(found.front());
}

TEST_F(MainWindowTest, treeAndListShowTheConfiguration) {
    struct Case {
        const char* model;
        int systemPosition;  // 0: no system module
        std::vector<std::string> tree;
        std::string node;
        Rows rows;
    };
    const Rows system{{"Module ID", "0xFF"}, {"Module Type", "System Module"}};
    const std::vector<Case> cases{
        {"HX-3420", 1, {"HX-3420", "Module 1", "Module 2", "Module 3"}, "Module 1", system},
        {"HX-3420",
         1,
         {"HX-3420", "Module 1", "Module 2", "Module 3"},
         "Module 2",
         {{"Modbus Device ID (M)", "id1"},
          {"Modbus Type", "WAO"},
          {"Profibus base addr.(byte)", "pb"},
          {"Internal base addr.(word/bit)", "ib"},
          {"Data Length(byte)", "4"},
          {"Modbus start addr.(word/bit) (M)", "ms"},
          {"Change Word Order", "Disable"},
          {"Tcp connect index (T)(M)", "1"}}},
        {"HX-3420",
         1,
         {"HX-3420", "Module 1", "Module 2", "Module 3"},
         "HX-3420",
         {{"Modbus Type", "g0"},
          {"Modbus Format", "g1"},
          {"I/O Value for Stop Mode", "g2"},
          {"Byte Order", "g3"},
          {"Output Data Mode", "g4"},
          {"Modbus Device ID (S)", "g5"},
          {"Poll interval time (M)", "g6"},
          {"Time out value (M)", "g7"},
          {"Module count", "g8"},
          {"Tcp connect num (T)(M)", "g9"}}},
        {"HX-3410", 2, {"HX-3410", "Module 1", "Module 2", "Module 3"}, "Module 2", system},
        {"HX-3410",
         2,
         {"HX-3410", "Module 1", "Module 2", "Module 3"},
         "Module 1",
         {{"Modbus Device ID (M)", "id1"},
          {"Modbus Type", "WAO"},
          {"Profibus base addr.(byte)", "pb"},
          {"Internal base addr.(word/bit)", "ib"},
          {"Data Length(byte)", "4"},
          {"Modbus start addr.(word/bit) (M)", "ms"},
          {"Change Word Order", "Disable"}}},
        {"HX-3410",
         2,
         {"HX-3410", "Module 1", "Module 2", "Module 3"},
         "Module 3",
         {{"Modbus Device ID (M)", "id2"},
          {"Modbus Type", "RDI"},
          {"Profibus base addr.(byte)", "pb"},
          {"Internal base addr.(word/bit)", "ib"},
          {"Data Length(byte)", "4"},
          {"NO. of Relay/Coil (M)", "cc"},
          {"Modbus start addr.(word/bit) (M)", "ms"}}},
        {"HX-3410",
         2,
         {"HX-3410", "Module 1", "Module 2", "Module 3"},
         "HX-3410",
         {{"Modbus Type", "g0"},
          {"Modbus Format", "g1"},
          {"I/O Value for Stop Mode", "g2"},
          {"Byte Order", "g3"},
          {"Output Data Mode", "g4"},
          {"Modbus Device ID (S)", "g5"},
          {"Poll interval time (M)", "g6"},
          {"Time out value (M)", "g7"},
          {"Module count", "g8"}}},
        {"HX-3410",
         0,
         {"HX-3410", "Module 1", "Module 2", "Module 3"},
         "Module 2",
         {{"Modbus Device ID (M)", "id2"},
          {"Modbus Type", "RDI"},
          {"Profibus base addr.(byte)", "pb"},
          {"Internal base addr.(word/bit)", "ib"},
          {"Data Length(byte)", "4"},
          {"NO. of Relay/Coil (M)", "cc"},
          {"Modbus start addr.(word/bit) (M)", "ms"}}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.model) + " system module at " + std::to_string(k.systemPosition) + ", " + k.node);
        test::editConfig(*window, [&](GatewayConfig& c) {
            c = handConfig(k.model, 4, k.systemPosition);
            if (k.systemPosition > 0) c.moduleCount = 3;
        });
        window->rebuildTree();
        EXPECT_EQ(treeNodes(*window), k.tree);
        // Rebuilding selects nothing and shows the gateway.
        EXPECT_TRUE(window->tree()->selectedItems().isEmpty());
        EXPECT_EQ(listRows(*window).size(), std::string(k.model) == "HX-3420" ? 10u : 9u);
        selectNode(*window, k.node);
        EXPECT_EQ(listRows(*window), k.rows);
        // Labels cut by the fixed column width are offered whole on hover.
        for (int i = 0; i < window->list()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = window->list()->topLevelItem(i);
            EXPECT_EQ(item->toolTip(0), item->text(0));
        }
    }
}

TEST_F(MainWindowTest, treeUsesTwoImagesForSelectedAndNot) {
    test::editConfig(*window, [](GatewayConfig& c) { c = handConfig("HX-3420", 3, 1); });
    window->rebuildTree();
    const QIcon icon = window->treeRoot()->child(0)->icon(0);
    const QImage normal = icon.pixmap(QSize(16, 16), 1.0, QIcon::Normal).toImage();
    const QImage selected = icon.pixmap(QSize(16, 16), 1.0, QIcon::Selected).toImage();
    EXPECT_FALSE(normal.isNull());
    EXPECT_NE(normal, selected);
    // Drawn, not scaled: a larger size is not a blown-up small one.
    const QImage big = icon.pixmap(QSize(64, 64), 1.0, QIcon::Normal).toImage();
    EXPECT_NE(big, normal.scaled(64, 64));
}

TEST_F(MainWindowTest, afterTheLinkEndsTheRootKeepsTheLastValues) {
    test::editConfig(*window, [](GatewayConfig& c) {
        c = handConfig("HX-3420", 4, 1);
        c.moduleCount = 3;
    });
    window->rebuildTree();
    selectNode(*window, "Module 2");
    window->clearTree();
    window->resetList();
    EXPECT_EQ(treeNodes(*window), std::vector<std::string>{"HX-3420"});
    EXPECT_EQ(listRows(*window), emptyGatewayList());
    selectNode(*window, "HX-3420");
    ASSERT_EQ(listRows(*window).size(), 10u);
    EXPECT_EQ(listRows(*window)[0].second, "g0");
}

// --- ending -------------------------------------------------------------------

TEST_F(MainWindowTest, exitWithThePortOpenDisconnectsFirst) {
    window->show();
    connectPort();
    boxes.answerExitWithOk = false;
    window->onExit();
    EXPECT_EQ(boxes.exitQuestions, 1);
    EXPECT_EQ(port.closes, 0);
    EXPECT_TRUE(window->isVisible());

    boxes.answerExitWithOk = true;
    window->onExit();
    QCoreApplication::processEvents();  // what the link said as it closed
    EXPECT_EQ(port.closes, 1);
    EXPECT_FALSE(window->portLamp()->isGreen());
    EXPECT_FALSE(window->isVisible());
}

// A worker waiting for a block the gateway withholds must not hold the
// window: Exit and the close box cut it short.
TEST_F(MainWindowTest, exitAndTheCloseBoxCutAWaitingWorkerShort) {
    for (const bool viaExit : {true, false}) {
        SCOPED_TRACE(viaExit ? "Exit" : "close box");
        make(true);
        window->show();
        connectPort();
        tick(c::kReplyConnect);
        port.holdBlocks();
        tick(c::kReplyParameter);
        ASSERT_TRUE(test::linkWorkerRunning(*window));
        boxes.answerExitWithOk = true;
        const int cutBefore = port.holdsCut();
        if (viaExit) {
            window->onExit();
        } else {
            window->close();
        }
        EXPECT_EQ(port.holdsCut(), cutBefore + 1) << "the waiting receive was cut short, not waited out";
        EXPECT_FALSE(test::linkWorkerRunning(*window));
        EXPECT_FALSE(window->isVisible());
        port.release();
    }
}

TEST_F(MainWindowTest, exitWithThePortClosedOnlyAsks) {
    window->show();
    window->onExit();
    EXPECT_EQ(boxes.exitQuestions, 1);
    EXPECT_EQ(port.closes, 0);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, closeBoxEndsAtOnceWithoutDisconnectButAfterTheWorker) {
    window->show();
    connectPort();
    tick(c::kReplyConnect);
    port.holdBlocks();
    tick(c::kReplyParameter);
    ASSERT_TRUE(test::linkWorkerRunning(*window));
    // The gateway's bytes come late, while the window is already closing.
    std::thread late([&] {
        awaitMainThreadWaiting();
        port.queueBytes(parameterBlock('5', {kSystemModuleAt1}));
        port.release();
    });
    window->close();
    late.join();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(boxes.exitQuestions, 0);
    EXPECT_EQ(port.closes, 0);
    EXPECT_FALSE(test::linkWorkerRunning(*window));
    EXPECT_FALSE(window->pollTimerRunning());
    // A notice the worker posted before it ended finds nothing to do.
    QCoreApplication::processEvents();
    window.reset();
}

TEST_F(MainWindowTest, destroyingTheWindowWaitsForItsWorkerAndDropsItsNotice) {
    connectPort();
    tick(c::kReplyConnect);
    port.holdBlocks();
    tick(c::kReplyParameter);
    ASSERT_TRUE(test::linkWorkerRunning(*window));
    const QPointer<QThread> linkThread = window->link().thread();
    ASSERT_NE(linkThread.data(), QThread::currentThread());
    std::thread late([&] {
        awaitMainThreadWaiting();
        port.queueBytes(parameterBlock('5', {kSystemModuleAt1}));
        port.release();
    });
    window.reset();
    late.join();
    EXPECT_TRUE(linkThread.isNull()) << "the link's thread has ended and gone with the window";
    // A notice that outlived the window would be delivered here.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(port.blockTimeouts().size(), 1u);  // the worker was cut short, not left to wait
}

TEST_F(MainWindowTest, tabWalksTreeListAndPortBoxesAndEscapeEndsAtOnce) {
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    window->tree()->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == window->tree(); }, 1000));
    std::vector<QWidget*> seen{QApplication::focusWidget()};
    for (int i = 0; i < 6; ++i) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        seen.push_back(QApplication::focusWidget());
    }
    const std::vector<QWidget*> expected{window->tree(),     window->list(),     window->portBox(0), window->portBox(1),
                                         window->portBox(2), window->portBox(3), window->portBox(4)};
    EXPECT_EQ(seen, expected);

    connectPort();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window->tree(), &escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(boxes.exitQuestions, 0);
    EXPECT_EQ(port.closes, 0);
}

TEST_F(MainWindowTest, timersKeepRunningWhileAModalDialogIsOpen) {
    make(false);
    connectPort();
    setLink(*window, Link::Ready);
    int readsWhileOpen = 0;
    opener.whileOpen = [&] {
        const int before = port.lineReads();
        runModalLoopUntil([&] { return port.lineReads() - before >= 2; });
        readsWhileOpen = port.lineReads() - before;
    };
    window->onViewDevice();
    EXPECT_GE(readsWhileOpen, 2);
}

// The access error box opens from inside a poll tick; the ticks must go on
// behind it, or a gateway that wakes up meanwhile is only seen once the user
// has dismissed the box.
TEST_F(MainWindowTest, pollGoesOnWhileTheAccessErrorBoxIsOpen) {
    make(false);
    int readsWhileOpen = -1;
    boxes.whileOpen = [&] {
        const int before = port.lineReads();
        port.queueLine(c::kReplyConnect);
        runModalLoopUntil([&] { return port.lineReads() - before >= 2; });
        readsWhileOpen = port.lineReads() - before;
    };
    connectPort();
    ASSERT_TRUE(waitFor([&] { return readsWhileOpen >= 0; }, 30000));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, status::kAccessErrorBox);
    EXPECT_GE(readsWhileOpen, 2);
    EXPECT_TRUE(window->moduleLamp()->isGreen());
    const auto sent = port.sentLines();
    EXPECT_TRUE(std::find(sent.begin(), sent.end(), c::kLoadParameter) != sent.end());
}

#ifdef NORVIK_GATESIM
TEST(MainWindowWithGatesim, connectsLoadsAndShowsTheDemoGateway) {
    test::GatesimProcess sim(NORVIK_GATESIM);
    ::setenv("NORVIK_COM1", sim.slavePath().c_str(), 1);
    RecordingBoxes boxes;
    RecordingOpener opener;
    MainWindow window(MainWindow::Services{nullptr, &boxes, &opener, false});
    window.show();

    window.onConnect();
    test::settle(window);
    ASSERT_TRUE(window.session().portOpen) << window.statusLine()->linkLabel()->text().toStdString();
    ASSERT_TRUE(waitFor([&] { return window.session().parameterLoaded && !window.session().firmwareAutoQuery; }, 15000))
        << window.statusLine()->operationLabel()->text().toStdString();
    EXPECT_TRUE(window.moduleLamp()->isGreen());
    EXPECT_EQ(window.statusLine()->linkLabel()->text().toStdString(), "Module is connected");
    const auto nodes = treeNodes(window);
    ASSERT_GE(nodes.size(), 2u);
    EXPECT_EQ(nodes[0], "HX-3420");
    EXPECT_TRUE(window.actions().ipDevice->isEnabled());
    selectNode(window, "Module 1");
    EXPECT_EQ(listRows(window), (Rows{{"Module ID", "0xFF"}, {"Module Type", "System Module"}}));

    window.onGetFirmwareVersion();
    EXPECT_EQ(opener.names(), std::vector<std::string>{"FirmwareDialog"});
    window.onViewModbus();
    EXPECT_EQ(opener.names().back(), "ModbusSpaceDialog");
    EXPECT_TRUE(boxes.shown.empty());

    window.onExit();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.session().portOpen);
    EXPECT_FALSE(window.portLamp()->isGreen());
    ::unsetenv("NORVIK_COM1");
}
#endif

}  // namespace
}  // namespace norvik
