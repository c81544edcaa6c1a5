#include "app/main_window.h"
#include "app/qt_user_prompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "app/dialog_opener.h"
#include "app/gateway_menu.h"
#include "gateway/gateway_state.h"
#include "app/lamp.h"
#include "app/message_boxes.h"
#include "app/parameter_list_texts.h"
#include "app/painted_icons.h"
#include "app/port_devices_dialog.h"
#include "app/serial_traffic_window.h"
#include "app/status_line.h"
#include "app/status_texts.h"
#include "app/window_texts.h"
#include "gateway/window_link.h"
#include "backup/backup_dialogs.h"
#include "backup/backup_jobs.h"
#include "backup/backup_texts.h"
#include "firmware/firmware_dialog.h"
#include "common/text_conversion.h"
#include "link/console_dialogue.h"
#include "link/console_texts.h"
#include "link/link_guards.h"
#include "serial/port_devices.h"
#include "serial/routed_port.h"
#include "model/parameter_rows.h"

namespace w = norvik::window;

namespace {

// A label or value word of the parameter list in the user's language; other
// values (numbers, names) have no translation and stay as they are.
QString listText(const std::string& text) {
    return QCoreApplication::translate(w::kParameterListContext, text.c_str());
}

// A tree node's name as the parameter rows know it ("Module 3"), whatever
// language its text is in.
constexpr int kNodeRole = Qt::UserRole;

enum PortBox { BoxPort, BoxBaud, BoxParity, BoxDataBit, BoxStopBit };

QAction* addItem(QMenu* menu, const QString& text, MainWindow* window, void (MainWindow::*command)()) {
    QAction* action = menu->addAction(text);
    QObject::connect(action, &QAction::triggered, window, command);
    return action;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(Services{}, parent) {}

MainWindow::MainWindow(const Services& services, QWidget* parent) : QMainWindow(parent), services_(services) {
    if (services_.port) {
        port_ = services_.port;
    } else {
        ownPort_ = std::make_unique<norvik::RoutedSerialPort>();
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
    setWindowTitle(tr("Norvik"));
    setWindowIcon(programIcon());
    setAccessibleName(windowTitle());

    buildMenu();
    setMenuBar(menuBar_);
    auto* client = new QWidget(this);
    buildControls(client);
    setCentralWidget(client);
    setStatusBar(status_);
    // The window keeps the size its contents ask for: larger texts, fonts and
    // scales make it larger, nothing else does.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(boxes_[BoxPort], &QComboBox::currentIndexChanged, this, &MainWindow::showPortDevice);
    showPortDevice();
    layout()->activate();

    state_ = new GatewayState(this);
    link_ = std::make_unique<WindowLink>(*tap_, services_.manualTimers, true);
    connectLink();
    jobs_ = std::make_unique<LinkJobs>(*link_, *this);
    // Outcomes reach the window queued, as they always did.
    const norvik::PostHook post = [this](std::function<void()> work) {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    };
    dialogJobs_ = std::make_unique<norvik::BackupJobs>(*jobs_, post);
    // The dialogs ask the link for their transfers.
    if (services_.opener) {
        opener_ = services_.opener;
    } else {
        ownOpener_ = std::make_unique<DefaultDialogOpener>(*state_, *dialogJobs_, *messageBoxes_);
        opener_ = ownOpener_.get();
    }

    BackupDialogs* backupDialogs = services_.backupDialogs;
    if (!backupDialogs) {
        ownBackupDialogs_ = std::make_unique<QtBackupDialogs>(std::make_unique<QtUserPrompts>());
        backupDialogs = ownBackupDialogs_.get();
    }
    gatewayMenu_ = new GatewayMenu(*state_, *this, *status_, *messageBoxes_, *backupDialogs, *jobs_);
    gatewayMenu_->addTo(menuBar_, communicationMenu_);
    connect(state_, &GatewayState::backupChanged, this, &MainWindow::showBackupState);

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

// Every signal crosses from the link's thread queued, in the order sent.
void MainWindow::connectLink() {
    WindowLink* l = link_.get();
    connect(l, &WindowLink::linkStatusChanged, this, &MainWindow::setLinkStatus);
    connect(l, &WindowLink::operationChanged, this, &MainWindow::setOperation);
    connect(l, &WindowLink::progressChanged, this, &MainWindow::setProgress);
    connect(l, &WindowLink::portLampChanged, this, &MainWindow::setPortLamp);
    connect(l, &WindowLink::moduleLampChanged, this, &MainWindow::setModuleLamp);
    connect(l, &WindowLink::connectionMenuChanged, this, &MainWindow::setConnectionMenu);
    connect(l, &WindowLink::ipSettingMenuChanged, this, &MainWindow::setIpSettingMenu);
    connect(l, &WindowLink::portBoxesEnabledChanged, this, &MainWindow::setPortBoxesEnabled);
    connect(l, &WindowLink::treeRebuilt, this, &MainWindow::rebuildTree);
    connect(l, &WindowLink::treeCleared, this, &MainWindow::clearTree);
    connect(l, &WindowLink::listReset, this, &MainWindow::resetList);
    // A box runs an event loop of its own: queued even when the link shares
    // the window's thread, so that the link goes on behind it.
    connect(l, &WindowLink::noticeRaised, this, &MainWindow::showNotice, Qt::QueuedConnection);
    connect(l, &WindowLink::timersChanged, this, [this](bool poll, bool animation) {
        pollRunning_ = poll;
        animationRunning_ = animation;
    });
    connect(l, &WindowLink::sessionChanged, state_, &GatewayState::showLinkSession);
    connect(l, &WindowLink::configChanged, state_, &GatewayState::showLinkConfig);
    connect(l, &WindowLink::ipSettingChanged, state_, &GatewayState::showLinkIpSetting);
}

MainWindow::~MainWindow() {
    // A backup or restore still running cancels its job with the link.
    delete gatewayMenu_;
    gatewayMenu_ = nullptr;
    windDown();
    // Before the log it reads, which goes ahead of the window's children.
    delete trafficWindow_;
}

void MainWindow::buildMenu() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setAccessibleName(tr("Menu"));
    const auto item = [this](QMenu* menu, const QString& text, void (MainWindow::*command)()) {
        return addItem(menu, text, this, command);
    };

    // Each item's keyboard letter lies in the word that tells it from its
    // neighbours; a translation picks its own.
    QMenu* communication = menuBar_->addMenu(tr("&Communication"));
    communicationMenu_ = communication->menuAction();
    actions_.connect = item(communication, tr("&Connect"), &MainWindow::onConnect);
    actions_.disconnect = item(communication, tr("&Disconnect"), &MainWindow::onDisconnect);
    actions_.portDevices = item(communication, tr("&Port devices\u2026"), &MainWindow::onPortDevices);
    communication->addSeparator();
    actions_.exit = item(communication, tr("E&xit"), &MainWindow::onExit);

    QMenu* ip = menuBar_->addMenu(tr("&IP setting"));
    actions_.ipNew = item(ip, tr("&New setting"), &MainWindow::onIpNewSetting);
    actions_.ipFile = item(ip, tr("Load from &file"), &MainWindow::onIpLoadFromFile);
    actions_.ipDevice = item(ip, tr("Load from &device"), &MainWindow::onIpLoadFromDevice);

    QMenu* safeValue = menuBar_->addMenu(tr("&Safe value setting"));
    actions_.safeValueNew = item(safeValue, tr("&New setting"), &MainWindow::onSafeValueNewSetting);
    actions_.safeValueFile = item(safeValue, tr("Load from &file"), &MainWindow::onSafeValueLoadFromFile);
    actions_.safeValueDevice = item(safeValue, tr("Load from &device"), &MainWindow::onSafeValueLoadFromDevice);

    QMenu* view = menuBar_->addMenu(tr("&View"));
    actions_.viewDevice = item(view, tr("Space configuration in &device"), &MainWindow::onViewDevice);
    actions_.viewProfibus = item(view, tr("Space configuration in &profibus"), &MainWindow::onViewProfibus);
    actions_.viewModbus = item(view, tr("Space configuration in &modbus"), &MainWindow::onViewModbus);
    view->addSeparator();
    actions_.serialTraffic = item(view, tr("&Serial traffic"), &MainWindow::onSerialTraffic);

    QMenu* help = menuBar_->addMenu(tr("&Help"));
    actions_.firmware = item(help, tr("&Get Firmware Version From Module"), &MainWindow::onGetFirmwareVersion);
    actions_.about = item(help, tr("&About Norvik"), &MainWindow::onAbout);
}

void MainWindow::buildControls(QWidget* client) {
    const QFontMetrics metrics(font());

    // Creation order is the tab order: tree, list, then the port settings.
    tree_ = new QTreeWidget(client);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setAccessibleName(tr("Module tree"));
    // As wide as the deepest node ("Module 32") with its picture, a scroll bar
    // and some air; the list takes the rest of the width.
    tree_->setFixedWidth(tree_->indentation() * 2 + tree_->iconSize().width() +
                         metrics.horizontalAdvance(QStringLiteral("Module 32")) +
                         tree_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + metrics.averageCharWidth() * 8);
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (treeUpdating_) return;
        const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
        if (!selected.isEmpty()) showRows(selected.front()->data(0, kNodeRole).toString());
    });

    list_ = new QTreeWidget(client);
    list_->setColumnCount(2);
    list_->setHeaderLabels({tr("Item"), tr("Value (State)")});
    // The Item column holds the longest item of any node whole, in the
    // language shown, so that it keeps one width from node to node; the
    // Value column takes the rest of the list.
    const int textMargins = 2 * (list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1);
    int itemWidth = w::kColumnItemWidth;
    for (std::size_t i = 0; i < w::kParameterListItemCount; ++i) {
        itemWidth = std::max(itemWidth, metrics.horizontalAdvance(listText(w::kParameterListTexts[i])) +
                                            list_->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, list_) +
                                            3 * textMargins + metrics.averageCharWidth() * 2);
    }
    list_->header()->setStretchLastSection(true);
    list_->header()->setSectionsMovable(false);
    list_->setColumnWidth(0, itemWidth);
    list_->setColumnWidth(1, w::kColumnValueWidth);
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAccessibleName(tr("Parameter list"));
    // Both columns whole, and the gateway's ten rows and a module's without scrolling.
    list_->setMinimumSize(itemWidth + w::kColumnValueWidth + 2 * list_->frameWidth() +
                              list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + metrics.averageCharWidth() * 8,
                          metrics.lineSpacing() * 20);

    auto* group = new QGroupBox(tr("Com Port Setting"), client);
    group->setAccessibleName(group->title());

    for (std::size_t i = 0; i < boxes_.size(); ++i) boxes_[i] = new QComboBox(group);
    for (const char* entry : w::kPortEntries) boxes_[BoxPort]->addItem(QLatin1String(entry));
    for (const char* entry : w::kBaudEntries) boxes_[BoxBaud]->addItem(QLatin1String(entry));
    boxes_[BoxParity]->addItems({tr("None"), tr("Odd"), tr("Even")});
    boxes_[BoxDataBit]->addItem(tr("8 databit"));
    boxes_[BoxStopBit]->addItem(tr("1 stopbit"));
    boxes_[BoxPort]->setCurrentIndex(0);
    boxes_[BoxBaud]->setCurrentIndex(static_cast<int>(norvik::kDefaultBaudIndex));
    boxes_[BoxParity]->setCurrentIndex(0);

    // Two rows of label and box pairs: port, baud rate and parity above, data
    // and stop bits below; each box as wide as its entries.
    const std::array<QString, 5> labels{tr("Port :"), tr("Baudrate :"), tr("Parity :"), tr("Data bit :"),
                                        tr("Stop bit :")};
    auto* fields = new QGridLayout(group);
    fields->setHorizontalSpacing(metrics.averageCharWidth());
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        QComboBox* box = boxes_[i];
        box->setAccessibleName(labels[i]);
        box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        auto* label = new QLabel(labels[i], group);
        label->setBuddy(box);
        const int row = i < 3 ? 0 : 1;
        const int column = static_cast<int>(i % 3) * 2;
        fields->addWidget(label, row, column, Qt::AlignRight | Qt::AlignVCenter);
        fields->addWidget(box, row, column + 1, Qt::AlignLeft | Qt::AlignVCenter);
    }
    for (int column : {1, 3, 5}) fields->setColumnStretch(column, 1);
    fields->setColumnMinimumWidth(0, metrics.averageCharWidth() * 8);

    const int lampSide = std::max(16, metrics.height());
    const auto lampWithLabel = [&](QHBoxLayout* row, const QString& caption) {
        auto* lamp = new Lamp(client);
        lamp->setFixedSize(lampSide, lampSide);
        lamp->setAccessibleName(caption);
        // The lamp stands close to its label, as one control.
        auto* pair = new QHBoxLayout;
        pair->setSpacing(metrics.averageCharWidth() / 2);
        pair->addWidget(new QLabel(caption, client));
        pair->addWidget(lamp);
        row->addLayout(pair);
        return lamp;
    };
    auto* lamps = new QHBoxLayout;
    moduleLamp_ = lampWithLabel(lamps, tr("Module   State :"));
    lamps->addStretch(1);
    portLamp_ = lampWithLabel(lamps, tr("Com Port State :"));

    auto* right = new QVBoxLayout;
    right->addWidget(group);
    right->addWidget(list_, 1);
    right->addLayout(lamps);

    auto* columns = new QHBoxLayout(client);
    columns->setSpacing(metrics.averageCharWidth() * 3);
    columns->addWidget(tree_);
    columns->addLayout(right, 1);

    status_ = new StatusLine(this);
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
    const norvik::GatewayConfig& config = state_->config();
    const QIcon icon = treeNodeIcon();
    treeUpdating_ = true;
    tree_->clear();
    treeRoot_ = new QTreeWidgetItem(tree_, {latin1(config.modelName)});
    treeRoot_->setData(0, kNodeRole, treeRoot_->text(0));
    treeRoot_->setIcon(0, icon);
    const int count = std::min<int>(config.moduleCount, static_cast<int>(norvik::kMaxModules));
    for (int n = 1; n <= count; ++n) {
        auto* node = new QTreeWidgetItem(treeRoot_, {tr("Module %1").arg(n)});
        node->setData(0, kNodeRole, latin1(norvik::moduleNodeName(n)));
        node->setIcon(0, icon);
    }
    treeRoot_->setExpanded(true);
    treeUpdating_ = false;
    showRows(latin1(config.modelName));
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
        auto* item = new QTreeWidgetItem(list_, {listText(row.label), listText(row.value)});
        item->setIcon(0, icon);
        // A value longer than its column ends in an ellipsis: hovering shows
        // it whole.
        for (int column = 0; column < 2; ++column) item->setToolTip(column, item->text(column));
    }
}

void MainWindow::resetList() { fillList(norvik::emptyGatewayRows()); }

void MainWindow::showRows(const QString& nodeText) {
    const QByteArray text = nodeText.toLatin1();
    fillList(norvik::rowsForNode(state_->config(), std::string_view(text.data(), text.size())));
}

void MainWindow::showNotice(norvik::LinkNotice notice, uint32_t openCode) {
    const QString title = norvik::status::noticeTitle(notice);
    const QString text = norvik::status::noticeText(notice);
    if (notice == norvik::LinkNotice::OpenError && openCode != 0) {
        const std::string advice = norvik::openErrorAdvice(state_->connectedDevice(), static_cast<int>(openCode));
        messageBoxes_->showDetailedMessage(this, title, text, QString::fromStdString(advice));
        return;
    }
    messageBoxes_->showMessage(this, title, text);
}

bool MainWindow::pollTimerRunning() const { return pollRunning_; }
bool MainWindow::animationTimerRunning() const { return animationRunning_; }

const norvik::LinkSession& MainWindow::session() const { return state_->session(); }
const norvik::GatewayConfig& MainWindow::config() const { return state_->config(); }

norvik::GatewayJobs& MainWindow::gatewayJobs() { return *jobs_; }
norvik::GatewayJobs& MainWindow::dialogJobs() { return *dialogJobs_; }

// --- menu commands -------------------------------------------------------------

void MainWindow::message(const char* text) { messageBoxes_->showMessage(this, tr(w::kMessageTitle), tr(text)); }

bool MainWindow::linkReady() {
    const std::optional<norvik::LinkRefusal> refused = state_->refusal();
    if (refused) message(norvik::refusalText(*refused));
    return !refused;
}

bool MainWindow::safeValueReady() {
    const std::optional<norvik::LinkRefusal> refused = state_->safeValueRefusal();
    if (refused) message(norvik::refusalText(*refused));
    return !refused;
}

void MainWindow::onConnect() {
    if (state_->offline()) {
        messageBoxes_->showMessage(this, latin1(norvik::console::kTitleMessage), BackupTexts::connectWhileOffline());
        return;
    }
    norvik::PortSettings settings;
    const int port = boxes_[BoxPort]->currentIndex();
    settings.port = static_cast<uint8_t>(std::clamp(port, 0, 7) + 1);
    const int baud = boxes_[BoxBaud]->currentIndex();
    settings.baud = (baud >= 0 && baud < static_cast<int>(norvik::kBaudRates.size()))
                        ? norvik::kBaudRates[static_cast<std::size_t>(baud)]
                        : state_->session().baud;
    settings.parity = static_cast<norvik::Parity>(std::clamp(boxes_[BoxParity]->currentIndex(), 0, 2));
    settings.dataBits = 8;
    settings.stopBits = 0;
    const norvik::SavedPortDevices saved = loadPortDevices();
    settings.device = norvik::comDevice(settings.port, saved).path;
    state_->setConnectedDevice(settings.device);
    connectSummary_ = portDeviceSummary(settings.port, saved);
    link_->call([link = link_.get(), settings] { link->connectPort(settings); });
}

void MainWindow::onDisconnect() {
    link_->call([link = link_.get()] { link->disconnectPort(); });
}

void MainWindow::onExit() {
    if (!messageBoxes_->confirmExit(this)) return;
    // Closed on the link's thread before the link ends with the window.
    link_->call([link = link_.get()] {
        if (link->portOpen()) link->disconnectPort();
    });
    close();
}

void MainWindow::openIpSetting(norvik::DialogMode mode) { opener_->openIpSettingDialog(this, mode); }

void MainWindow::onIpNewSetting() { openIpSetting(norvik::DialogMode::NewSetting); }
void MainWindow::onIpLoadFromFile() { openIpSetting(norvik::DialogMode::LoadFromFile); }

void MainWindow::onIpLoadFromDevice() {
    if (!linkReady()) return;
    if (state_->config().modelName != norvik::kModelHx3420) {
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
    const norvik::LinkSession& session = state_->session();
    if (session.fileNamesReceived) {
        norvik::JobResult held;
        held.kind = norvik::JobKind::ReadFileNames;
        held.fileNames = session.firmwareFileNames;
        held.fileCount = session.fileCount;
        held.safeValueLayout = session.safeValueLayout;
        opener_->openFirmwareDialog(this, held);
        return;
    }
    // Asked at the next "connect" reply; the status line follows the reply.
    // Asking again while the question is out adds nothing.
    if (firmwareJob_) return;
    firmwareJob_ =
        dialogJobs_->submit(norvik::Job::read(norvik::JobKind::ReadFileNames), [this](const norvik::JobResult& result) {
            firmwareJob_.reset();
            // A link that ended took the question with it: nothing to show.
            if (FirmwareDialog::shows(result)) opener_->openFirmwareDialog(this, result);
        });
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
    // A worker still reading is cut short and the link's thread ends before
    // the port and the records go.
    if (link_) link_->stop();
    pollRunning_ = false;
    animationRunning_ = false;
}

void MainWindow::showBackupState() {
    const std::optional<norvik::GatewayBackup>& backup = state_->backup();
    dialogJobs_->setBackup(backup ? &backup->gateway : nullptr);
    if (backup) {
        setIpSettingMenu(state_->config().modelName == norvik::kModelHx3420);
        rebuildTree();
        setWindowTitle(BackupTexts::offlineTitle(tr("Norvik"), *backup));
        status_->setLinkText(BackupTexts::offlineStatus(state_->backupFileName()));
        return;
    }
    setIpSettingMenu(false);
    rebuildTree();
    resetList();
    setWindowTitle(tr("Norvik"));
    showPortClosed();
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
