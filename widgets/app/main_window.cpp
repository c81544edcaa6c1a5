#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <string>

#include "app/dialog_opener.h"
#include "app/dialog_units.h"
#include "app/gateway_menu.h"
#include "app/lamp.h"
#include "app/message_boxes.h"
#include "app/painted_icons.h"
#include "app/port_devices_dialog.h"
#include "app/serial_port_texts.h"
#include "app/serial_traffic_window.h"
#include "app/status_line.h"
#include "app/status_texts.h"
#include "app/window_texts.h"
#include "backup/backup_dialogs.h"
#include "backup/backup_jobs.h"
#include "backup/backup_texts.h"
#include "common/text_conversion.h"
#include "link/console_dialogue.h"
#include "link/console_texts.h"
#include "link/link_guards.h"
#include "serial/port_devices.h"
#include "serial/termios_port.h"
#include "model/parameter_rows.h"

namespace w = norvik::window;

namespace {

enum PortBox { BoxPort, BoxBaud, BoxParity, BoxDataBit, BoxStopBit };

struct BoxPlace {
    const char* label;
    double x;
    double y;
};
constexpr std::array<BoxPlace, 5> kBoxPlaces{{
    {w::kLabelPort, 175, 28},
    {w::kLabelBaud, 268, 28},
    {w::kLabelParity, 355, 28},
    {w::kLabelDataBit, 175, 54},
    {w::kLabelStopBit, 268, 53},
}};
constexpr double kLabelGap = 3;

// The keyboard letter is marked on the text's first `key` (or its last, for
// texts that differ only at their end); the visible text stays as it is.
QString withMnemonic(const char* text, QChar key, bool last = false) {
    QString marked = QLatin1String(text);
    const qsizetype at = last ? marked.lastIndexOf(key) : marked.indexOf(key);
    if (at >= 0) marked.insert(at, QLatin1Char('&'));
    return marked;
}

QAction* addItem(QMenu* menu, const QString& text, MainWindow* window, void (MainWindow::*command)()) {
    QAction* action = menu->addAction(text);
    QObject::connect(action, &QAction::triggered, window, command);
    return action;
}

// A label that ends just left of `right` (in pixels), centred on `centreY`.
QLabel* labelLeftOf(QWidget* parent, const char* text, int right, int centreY, QWidget* buddy) {
    auto* label = new QLabel(latin1(text), parent);
    label->adjustSize();
    label->move(right - label->width(), centreY - label->height() / 2);
    if (buddy) label->setBuddy(buddy);
    return label;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(Services{}, parent) {}

MainWindow::MainWindow(const Services& services, QWidget* parent) : QMainWindow(parent), services_(services) {
    if (services_.port) {
        port_ = services_.port;
    } else {
        ownPort_ = std::make_unique<norvik::TermiosSerialPort>();
        port_ = ownPort_.get();
    }
    tap_ = std::make_unique<norvik::TrafficTap>(*port_, trafficLog_);
    port_ = tap_.get();
    if (services_.boxes) {
        messageBoxes_ = services_.boxes;
    } else {
        ownBoxes_ = std::make_unique<QtMessageBoxes>();
        messageBoxes_ = ownBoxes_.get();
    }

    Lamp::registerAccessibility();
    setWindowTitle(latin1(w::kCaption));
    setWindowIcon(programIcon());
    setAccessibleName(latin1(w::kCaption));

    buildMenu();
    setMenuBar(menuBar_);
    auto* client = new QWidget(this);
    buildControls(client);
    setCentralWidget(client);
    setStatusBar(status_);
    setFixedSize(client->width(), menuBar_->sizeHint().height() + client->height() + status_->height());
    connect(boxes_[BoxPort], &QComboBox::currentIndexChanged, this, &MainWindow::showPortDevice);
    showPortDevice();
    layout()->activate();

    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(1000);
    // A tick may open a modal box (the access error), and Qt does not fire a
    // timer again while its own handler runs. Ticking from a posted call lets
    // the timer go on behind the box, as it does behind every other dialog. A
    // tick still queued when the timer stops (Disconnect, the window ending)
    // is dropped.
    connect(pollTimer_, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (dialogue_ && pollTimer_->isActive()) dialogue_->onPollTimer();
            },
            Qt::QueuedConnection);
    });
    animationTimer_ = new QTimer(this);
    animationTimer_->setInterval(100);
    connect(animationTimer_, &QTimer::timeout, this, [this] {
        if (dialogue_) dialogue_->onAnimationTimer();
    });

    norvik::DialogueHooks hooks;
    // Workers post from their own threads: only a queued call may cross to the
    // window, and one still queued when the window goes is dropped with it.
    hooks.post = [this](std::function<void()> work) {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    };
    dialogue_ = std::make_unique<norvik::ConsoleDialogue>(session_, config_, ipSetting_, *port_, *this, hooks);
    dialogJobs_ = std::make_unique<norvik::BackupJobs>(*dialogue_, hooks.post);
    // The dialogs ask the dialogue for their transfers.
    if (services_.opener) {
        opener_ = services_.opener;
    } else {
        ownOpener_ = std::make_unique<DefaultDialogOpener>(session_, config_, ipSetting_, *dialogJobs_, *messageBoxes_);
        opener_ = ownOpener_.get();
    }

    BackupDialogs* backupDialogs = services_.backupDialogs;
    if (!backupDialogs) {
        ownBackupDialogs_ = std::make_unique<QtBackupDialogs>();
        backupDialogs = ownBackupDialogs_.get();
    }
    gatewayMenu_ = new GatewayMenu(*this, *messageBoxes_, *backupDialogs, *dialogue_);
    gatewayMenu_->addTo(menuBar_, communicationMenu_);

    // The state of a fresh window: port closed, nothing known of the gateway.
    setConnectionMenu(true, false);
    setIpSettingMenu(false);
    setPortLamp(false);
    setModuleLamp(false);
    setLinkStatus(norvik::LinkStatus::PortClosed);
    setProgress(0);
    rebuildTree();
    resetList();
}

MainWindow::~MainWindow() {
    windDown();
    // A backup or restore still running cancels its job with the dialogue.
    delete gatewayMenu_;
    gatewayMenu_ = nullptr;
    // The dialogue still calls back into this window while it ends.
    dialogue_.reset();
    // Before the log it reads, which goes ahead of the window's children.
    delete trafficWindow_;
}

void MainWindow::buildMenu() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setAccessibleName(QStringLiteral("Menu"));
    const auto item = [this](QMenu* menu, const char* text, QChar key, void (MainWindow::*command)(),
                             bool last = false) {
        return addItem(menu, withMnemonic(text, key, last), this, command);
    };

    QMenu* communication = menuBar_->addMenu(withMnemonic(w::kMenuCommunication, 'C'));
    communicationMenu_ = communication->menuAction();
    actions_.connect = item(communication, w::kItemConnect, 'C', &MainWindow::onConnect);
    actions_.disconnect = item(communication, w::kItemDisconnect, 'D', &MainWindow::onDisconnect);
    // UTF-8 texts, marked on their first letter.
    const auto utf8Item = [this](QMenu* menu, const char* text, void (MainWindow::*command)()) {
        return addItem(menu, QLatin1Char('&') + QString::fromUtf8(text), this, command);
    };
    actions_.portDevices = utf8Item(communication, norvik::serialtexts::kItemPortDevices, &MainWindow::onPortDevices);
    communication->addSeparator();
    actions_.exit = item(communication, w::kItemExit, 'x', &MainWindow::onExit);

    QMenu* ip = menuBar_->addMenu(withMnemonic(w::kMenuIpSetting, 'I'));
    actions_.ipNew = item(ip, w::kItemNewSetting, 'N', &MainWindow::onIpNewSetting);
    actions_.ipFile = item(ip, w::kItemLoadFromFile, 'f', &MainWindow::onIpLoadFromFile);
    actions_.ipDevice = item(ip, w::kItemLoadFromDevice, 'd', &MainWindow::onIpLoadFromDevice);

    QMenu* safeValue = menuBar_->addMenu(withMnemonic(w::kMenuSafeValue, 'S'));
    actions_.safeValueNew = item(safeValue, w::kItemNewSetting, 'N', &MainWindow::onSafeValueNewSetting);
    actions_.safeValueFile = item(safeValue, w::kItemLoadFromFile, 'f', &MainWindow::onSafeValueLoadFromFile);
    actions_.safeValueDevice = item(safeValue, w::kItemLoadFromDevice, 'd', &MainWindow::onSafeValueLoadFromDevice);

    QMenu* view = menuBar_->addMenu(withMnemonic(w::kMenuView, 'V'));
    actions_.viewDevice = item(view, w::kItemViewDevice, 'd', &MainWindow::onViewDevice, true);
    actions_.viewProfibus = item(view, w::kItemViewProfibus, 'p', &MainWindow::onViewProfibus, true);
    actions_.viewModbus = item(view, w::kItemViewModbus, 'm', &MainWindow::onViewModbus, true);
    view->addSeparator();
    actions_.serialTraffic = utf8Item(view, norvik::serialtexts::kItemSerialTraffic, &MainWindow::onSerialTraffic);

    QMenu* help = menuBar_->addMenu(withMnemonic(w::kMenuHelp, 'H'));
    actions_.firmware = item(help, w::kItemFirmware, 'G', &MainWindow::onGetFirmwareVersion);
    actions_.about = item(help, w::kItemAbout, 'A', &MainWindow::onAbout);
}

void MainWindow::buildControls(QWidget* client) {
    const DialogUnits du = DialogUnits::of(font());
    client->setFixedSize(du.toX(426), du.toY(300));

    // Creation order is the tab order: tree, list, then the port settings.
    tree_ = new QTreeWidget(client);
    tree_->setGeometry(du.rect(7, 7, 112, 278));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setAccessibleName(QStringLiteral("Module tree"));
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (treeUpdating_) return;
        const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
        if (!selected.isEmpty()) showRows(selected.front()->text(0));
    });

    list_ = new QTreeWidget(client);
    list_->setGeometry(du.rect(131, 86, 288, 175));
    list_->setColumnCount(2);
    list_->setHeaderLabels({latin1(w::kColumnItem), latin1(w::kColumnValue)});
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionsMovable(false);
    list_->setColumnWidth(0, w::kColumnItemWidth);
    list_->setColumnWidth(1, w::kColumnValueWidth);
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAccessibleName(QStringLiteral("Parameter list"));

    auto* group = new QGroupBox(latin1(w::kGroupPortSetting), client);
    group->setGeometry(du.rect(131, 7, 288, 72));
    group->setAccessibleName(latin1(w::kGroupPortSetting));
    group->lower();

    for (std::size_t i = 0; i < boxes_.size(); ++i) boxes_[i] = new QComboBox(client);
    for (const char* entry : w::kPortEntries) boxes_[BoxPort]->addItem(latin1(entry));
    for (const char* entry : w::kBaudEntries) boxes_[BoxBaud]->addItem(latin1(entry));
    for (const char* entry : w::kParityEntries) boxes_[BoxParity]->addItem(latin1(entry));
    boxes_[BoxDataBit]->addItem(latin1(w::kDataBitEntry));
    boxes_[BoxStopBit]->addItem(latin1(w::kStopBitEntry));

    // Only the boxes' left edges are fixed; each is as wide as its entries
    // need, short of the next label or the group's frame.
    std::array<QLabel*, 5> labels{};
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        QComboBox* box = boxes_[i];
        const BoxPlace& place = kBoxPlaces[i];
        box->setAccessibleName(latin1(place.label));
        const int height = box->sizeHint().height();
        const int centreY = du.toY(place.y) + height / 2;
        labels[i] = labelLeftOf(client, place.label, du.toX(place.x - kLabelGap), centreY, box);
    }
    const int groupInnerRight = group->geometry().right() - du.toX(4);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        QComboBox* box = boxes_[i];
        const BoxPlace& place = kBoxPlaces[i];
        const bool lastInRow = i == BoxParity || i == BoxStopBit;
        const int limit = lastInRow ? groupInnerRight : labels[i + 1]->geometry().left() - du.toX(kLabelGap);
        const int width = std::min(box->sizeHint().width(), limit - du.toX(place.x));
        box->setGeometry(du.toX(place.x), du.toY(place.y), width, box->sizeHint().height());
    }
    boxes_[BoxPort]->setCurrentIndex(0);
    boxes_[BoxBaud]->setCurrentIndex(static_cast<int>(norvik::kDefaultBaudIndex));
    boxes_[BoxParity]->setCurrentIndex(0);

    const int lampSide = std::max(16, du.toY(8));
    const auto placeLamp = [&](double x, const char* caption) {
        auto* lamp = new Lamp(client);
        lamp->setGeometry(du.toX(x), du.toY(272), lampSide, lampSide);
        lamp->setAccessibleName(latin1(caption));
        labelLeftOf(client, caption, du.toX(x - kLabelGap), lamp->geometry().center().y(), nullptr);
        return lamp;
    };
    moduleLamp_ = placeLamp(196, w::kLabelModuleLamp);
    portLamp_ = placeLamp(403, w::kLabelPortLamp);

    // The status bar takes the bottom of the window's area; the controls keep
    // their places above it.
    status_ = new StatusLine(QSize(du.toX(93), du.toY(12)), this);
    client->setFixedSize(client->width(), client->height() - status_->height());
    status_->resize(client->width(), status_->height());
    status_->arrangeParts();
}

// --- what the console dialogue asks of the window ---------------------------

void MainWindow::setLinkStatus(norvik::LinkStatus status, uint32_t code) {
    status_->setLinkText(norvik::status::linkStatusText(status, code));
}
void MainWindow::setOperation(norvik::Operation operation) {
    status_->setOperationText(norvik::status::operationText(operation));
}
void MainWindow::setProgress(int step) { status_->setProgress(step); }
void MainWindow::showPortClosed() { setLinkStatus(norvik::LinkStatus::PortClosed); }
void MainWindow::setPortLamp(bool green) {
    portLamp_->setGreen(green);
    status_->setLinkDevice(green ? connectSummary_ : QString());
}
void MainWindow::setModuleLamp(bool green) { moduleLamp_->setGreen(green); }

void MainWindow::setConnectionMenu(bool connectEnabled, bool disconnectEnabled) {
    actions_.connect->setEnabled(connectEnabled);
    actions_.disconnect->setEnabled(disconnectEnabled);
}

void MainWindow::setIpSettingMenu(bool enabled) {
    actions_.ipNew->setEnabled(enabled);
    actions_.ipFile->setEnabled(enabled);
    actions_.ipDevice->setEnabled(enabled);
}

void MainWindow::setPortBoxesEnabled(bool enabled) {
    for (QComboBox* box : boxes_) box->setEnabled(enabled);
}

void MainWindow::rebuildTree() {
    const QIcon icon = treeNodeIcon();
    treeUpdating_ = true;
    tree_->clear();
    treeRoot_ = new QTreeWidgetItem(tree_, {latin1(config_.modelName)});
    treeRoot_->setIcon(0, icon);
    const int count = std::min<int>(config_.moduleCount, static_cast<int>(norvik::kMaxModules));
    for (int n = 1; n <= count; ++n) {
        auto* node = new QTreeWidgetItem(treeRoot_, {latin1(norvik::moduleNodeName(n))});
        node->setIcon(0, icon);
    }
    treeRoot_->setExpanded(true);
    treeUpdating_ = false;
    showRows(latin1(config_.modelName));
}

void MainWindow::clearTree() {
    treeUpdating_ = true;
    // With nothing selected, choosing the root again shows its rows.
    tree_->setCurrentItem(nullptr);
    tree_->clearSelection();
    qDeleteAll(treeRoot_->takeChildren());
    treeUpdating_ = false;
}

void MainWindow::fillList(const std::vector<norvik::ParameterRow>& rows) {
    list_->clear();
    const QIcon icon = listRowIcon();
    for (const norvik::ParameterRow& row : rows) {
        auto* item = new QTreeWidgetItem(list_, {latin1(row.label), latin1(row.value)});
        item->setIcon(0, icon);
        // The columns keep their set widths, so a long label ("Modbus start
        // addr.(word/bit) (M)" in most fonts) ends in an ellipsis: hovering
        // shows it whole.
        for (int column = 0; column < 2; ++column) item->setToolTip(column, item->text(column));
    }
}

void MainWindow::resetList() { fillList(norvik::emptyGatewayRows()); }

void MainWindow::showRows(const QString& nodeText) {
    const QByteArray text = nodeText.toLatin1();
    fillList(norvik::rowsForNode(config_, std::string_view(text.data(), text.size())));
}

void MainWindow::showNotice(norvik::LinkNotice notice) {
    const QString title = norvik::status::noticeTitle(notice);
    const QString text = norvik::status::noticeText(notice);
    if (notice == norvik::LinkNotice::OpenError && tap_->lastOpenCode() != 0) {
        const std::string advice = norvik::openErrorAdvice(connectDevice_, tap_->lastOpenCode());
        messageBoxes_->showDetailedMessage(this, title, text, QString::fromStdString(advice));
        return;
    }
    messageBoxes_->showMessage(this, title, text);
}

void MainWindow::openFirmwareDialog() { opener_->openFirmwareDialog(this); }

bool MainWindow::startPollTimer() {
    if (services_.manualTimers)
        manualPollRunning_ = true;
    else
        pollTimer_->start();
    return true;
}

void MainWindow::stopPollTimer() {
    manualPollRunning_ = false;
    pollTimer_->stop();
}

void MainWindow::startAnimationTimer() {
    if (services_.manualTimers)
        manualAnimationRunning_ = true;
    else
        animationTimer_->start();
}

void MainWindow::stopAnimationTimer() {
    manualAnimationRunning_ = false;
    animationTimer_->stop();
}

bool MainWindow::pollTimerRunning() const { return manualPollRunning_ || pollTimer_->isActive(); }
bool MainWindow::animationTimerRunning() const { return manualAnimationRunning_ || animationTimer_->isActive(); }

norvik::GatewayJobs& MainWindow::gatewayJobs() { return *dialogue_; }

void MainWindow::answerDialogsFrom(const norvik::GatewaySnapshot* backup) { dialogJobs_->setBackup(backup); }
norvik::GatewayJobs& MainWindow::dialogJobs() { return *dialogJobs_; }

// --- menu commands -------------------------------------------------------------

void MainWindow::message(const char* text) {
    messageBoxes_->showMessage(this, latin1(norvik::console::kTitleMessage), latin1(text));
}

bool MainWindow::linkReady() {
    // An open backup stands in for the gateway.
    if (gatewayMenu_ && gatewayMenu_->offline()) return true;
    const char* refused = norvik::linkGuardMessage(session_);
    if (refused) message(refused);
    return refused == nullptr;
}

bool MainWindow::safeValueReady() {
    if (gatewayMenu_ && gatewayMenu_->offline()) return true;
    const char* refused = norvik::safeValueOpenGuardMessage(session_);
    if (refused) message(refused);
    return refused == nullptr;
}

void MainWindow::onConnect() {
    if (gatewayMenu_ && gatewayMenu_->offline()) {
        messageBoxes_->showMessage(this, latin1(norvik::console::kTitleMessage), BackupTexts::connectWhileOffline());
        return;
    }
    norvik::PortSettings settings;
    const int port = boxes_[BoxPort]->currentIndex();
    settings.port = static_cast<uint8_t>(std::clamp(port, 0, 7) + 1);
    const int baud = boxes_[BoxBaud]->currentIndex();
    settings.baud = (baud >= 0 && baud < static_cast<int>(norvik::kBaudRates.size()))
                        ? norvik::kBaudRates[static_cast<std::size_t>(baud)]
                        : session_.baud;
    settings.parity = static_cast<norvik::Parity>(std::clamp(boxes_[BoxParity]->currentIndex(), 0, 2));
    settings.dataBits = 8;
    settings.stopBits = 0;
    const norvik::SavedPortDevices saved = loadPortDevices();
    settings.device = norvik::comDevice(settings.port, saved).path;
    connectDevice_ = settings.device;
    connectSummary_ = portDeviceSummary(settings.port, saved);
    dialogue_->connect(settings);
}

void MainWindow::onDisconnect() { dialogue_->disconnect(); }

void MainWindow::onExit() {
    if (!messageBoxes_->confirmExit(this)) return;
    if (session_.portOpen) dialogue_->disconnect();
    close();
}

void MainWindow::openIpSetting(norvik::DialogMode mode) { opener_->openIpSettingDialog(this, mode); }

void MainWindow::onIpNewSetting() { openIpSetting(norvik::DialogMode::NewSetting); }
void MainWindow::onIpLoadFromFile() { openIpSetting(norvik::DialogMode::LoadFromFile); }

void MainWindow::onIpLoadFromDevice() {
    if (!linkReady()) return;
    if (config_.modelName != norvik::kModelHx3420) {
        message(w::kGuardOnlyHx3420);
        return;
    }
    openIpSetting(norvik::DialogMode::LoadFromDevice);
}

void MainWindow::openSafeValue(norvik::DialogMode mode) {
    if (!safeValueReady()) return;
    opener_->openSafeValueDialog(this, mode);
}

void MainWindow::onSafeValueNewSetting() { openSafeValue(norvik::DialogMode::NewSetting); }
void MainWindow::onSafeValueLoadFromFile() { openSafeValue(norvik::DialogMode::LoadFromFile); }
void MainWindow::onSafeValueLoadFromDevice() { openSafeValue(norvik::DialogMode::LoadFromDevice); }

void MainWindow::onViewDevice() {
    if (linkReady()) opener_->openDeviceView(this);
}
void MainWindow::onViewProfibus() {
    if (linkReady()) opener_->openProfibusView(this);
}
void MainWindow::onViewModbus() {
    if (linkReady()) opener_->openModbusView(this);
}

void MainWindow::onGetFirmwareVersion() {
    if (!linkReady()) return;
    if (session_.firmwareState() == norvik::FirmwareQueryState::Received) {
        opener_->openFirmwareDialog(this);
        return;
    }
    // The dialogue asks at the next "connect" reply and opens the dialog when
    // the names have arrived.
    session_.setFirmwareState(norvik::FirmwareQueryState::Requested);
}

void MainWindow::onAbout() { opener_->openAboutBox(this); }

void MainWindow::onPortDevices() {
    opener_->openPortDevicesDialog(this);
    showPortDevice();
}

void MainWindow::onSerialTraffic() {
    if (!trafficWindow_) trafficWindow_ = new SerialTrafficWindow(trafficLog_, this);
    trafficWindow_->show();
    trafficWindow_->raise();
    trafficWindow_->activateWindow();
}

void MainWindow::showPortDevice() {
    const int index = std::clamp(boxes_[BoxPort]->currentIndex(), 0, 7);
    boxes_[BoxPort]->setToolTip(portDeviceSummary(static_cast<uint8_t>(index + 1), loadPortDevices()));
}

// --- ending ----------------------------------------------------------------------

void MainWindow::windDown() {
    stopPollTimer();
    stopAnimationTimer();
    // A worker still reading must end before the port and the records go; it
    // does so within its receive time-out.
    if (dialogue_) dialogue_->finishWorker();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    windDown();
    QMainWindow::closeEvent(event);
}
