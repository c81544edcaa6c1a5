#pragma once
// The main window: port settings, lamps, module tree, parameter list, status
// line and the menu from which every other dialog opens. It owns the link,
// which runs on a thread of its own and tells the window what to show, and the
// gateway's state, which the menus and dialogs read.

#include <QMainWindow>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "editors/transfer_job.h"
#include "ipsetting/ip_setting.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"
#include "link/link_ui.h"
#include "serial/traffic_log.h"
#include "model/gateway_config.h"
#include "model/parameter_rows.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenuBar;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class BackupDialogs;
class DialogOpener;
class GatewayMenu;
class GatewayState;
class Lamp;
class MessageBoxes;
class SerialTrafficWindow;
class StatusLine;
class WindowLink;
class LinkJobs;

namespace norvik {
class BackupJobs;
class ConsoleDialogue;
struct GatewaySnapshot;
class GatewayJobs;
class SerialPort;
}  // namespace norvik

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // What tests put in place of the real things; every null member gets the
    // real one (the terminal port, Qt's message boxes, the real dialogs).
    struct Services {
        norvik::SerialPort* port = nullptr;
        MessageBoxes* boxes = nullptr;
        DialogOpener* opener = nullptr;
        // The timers only record that they run; the test calls the ticks.
        bool manualTimers = false;
        // The Gateway menu's file dialogs and difference table.
        BackupDialogs* backupDialogs = nullptr;
    };

    explicit MainWindow(QWidget* parent = nullptr);
    explicit MainWindow(const Services& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // What the link tells the window.
    void setLinkStatus(norvik::LinkStatus status, uint32_t code = 0);
    void setOperation(norvik::Operation operation);
    void setProgress(int step);
    void setPortLamp(bool green);
    void setModuleLamp(bool green);
    void setConnectionMenu(bool connectEnabled, bool disconnectEnabled);
    void setIpSettingMenu(bool enabled);
    void setPortBoxesEnabled(bool enabled);
    void rebuildTree();
    void clearTree();
    void resetList();
    // The box goes up without holding the link: it goes on behind it.
    void showNotice(norvik::LinkNotice notice, uint32_t openCode = 0);

    // The rows of the parameter list for a node text (Module n, a model, other).
    void showRows(const QString& nodeText);

    // Menu commands.
    void onConnect();
    void onDisconnect();
    void onExit();
    void onIpNewSetting();
    void onIpLoadFromFile();
    void onIpLoadFromDevice();
    void onSafeValueNewSetting();
    void onSafeValueLoadFromFile();
    void onSafeValueLoadFromDevice();
    void onViewDevice();
    void onViewProfibus();
    void onViewModbus();
    void onGetFirmwareVersion();
    void onAbout();
    void onPortDevices();
    void onSerialTraffic();

    // What the window shows of the gateway, live or from a backup.
    GatewayState& state() { return *state_; }
    const norvik::LinkSession& session() const;
    const norvik::GatewayConfig& config() const;
    // The link on its thread; tests drive it through its call().
    WindowLink& link() { return *link_; }
    // What the window and its dialogs ask the gateway through.
    norvik::GatewayJobs& gatewayJobs();
    // Everything said on the line, whether or not the traffic window is open.
    norvik::TrafficLog& trafficLog() { return trafficLog_; }
    // The link part of the status line as it is with the port closed.
    void showPortClosed();
    SerialTrafficWindow* trafficWindow() const { return trafficWindow_; }
    // The "Gateway" menu: backups, restores, and a backup shown without a gateway.
    GatewayMenu* gatewayMenu() const { return gatewayMenu_; }
    norvik::GatewayJobs& dialogJobs();

    // For tests and the screenshot script.
    QTreeWidget* tree() const { return tree_; }
    QTreeWidget* list() const { return list_; }
    QTreeWidgetItem* treeRoot() const { return treeRoot_; }
    Lamp* portLamp() const { return portLamp_; }
    Lamp* moduleLamp() const { return moduleLamp_; }
    StatusLine* statusLine() const { return status_; }
    QMenuBar* menu() const { return menuBar_; }
    QComboBox* portBox(int index) const { return boxes_.at(static_cast<std::size_t>(index)); }
    bool pollTimerRunning() const;
    bool animationTimerRunning() const;

    struct Actions {
        QAction* connect = nullptr;
        QAction* disconnect = nullptr;
        QAction* exit = nullptr;
        QAction* ipNew = nullptr;
        QAction* ipFile = nullptr;
        QAction* ipDevice = nullptr;
        QAction* safeValueNew = nullptr;
        QAction* safeValueFile = nullptr;
        QAction* safeValueDevice = nullptr;
        QAction* viewDevice = nullptr;
        QAction* viewProfibus = nullptr;
        QAction* viewModbus = nullptr;
        QAction* firmware = nullptr;
        QAction* about = nullptr;
        QAction* portDevices = nullptr;
        QAction* serialTraffic = nullptr;
    };
    const Actions& actions() const { return actions_; }

protected:
    // The close box ends the program at once: no question, and the port is left
    // for the process end to close.
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window like its close box, as a dialog-style tool's does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenu();
    void buildControls(QWidget* client);
    void fillList(const std::vector<norvik::ParameterRow>& rows);
    void message(const char* text);
    // The link guards of the menu commands; each refusal shows one box.
    bool linkReady();
    bool safeValueReady();
    void openSafeValue(norvik::DialogMode mode);
    void openIpSetting(norvik::DialogMode mode);
    // Ends the link and its thread before the window goes.
    void windDown();
    // A backup was opened or closed.
    void showBackupState();
    void connectLink();
    // The port box's tooltip: the device behind the chosen Com entry.
    void showPortDevice();

    Services services_;
    std::unique_ptr<norvik::SerialPort> ownPort_;
    std::unique_ptr<MessageBoxes> ownBoxes_;
    std::unique_ptr<DialogOpener> ownOpener_;
    std::unique_ptr<BackupDialogs> ownBackupDialogs_;
    norvik::SerialPort* port_ = nullptr;
    MessageBoxes* messageBoxes_ = nullptr;
    DialogOpener* opener_ = nullptr;
    // Ahead of the link, which talks through the tap: they must outlive it.
    norvik::TrafficLog trafficLog_;
    std::unique_ptr<norvik::TrafficTap> tap_;
    QString connectSummary_;
    SerialTrafficWindow* trafficWindow_ = nullptr;

    GatewayState* state_ = nullptr;
    std::unique_ptr<WindowLink> link_;
    std::unique_ptr<LinkJobs> jobs_;
    // The settings dialogs' jobs: the dialogue's, or an open backup's.
    std::unique_ptr<norvik::BackupJobs> dialogJobs_;
    // Asks the gateway through the dialogue, so it goes before it.
    GatewayMenu* gatewayMenu_ = nullptr;
    QAction* communicationMenu_ = nullptr;
    // The file-name job of "Get Firmware Version From Module" while it is out.
    std::optional<norvik::JobId> firmwareJob_;

    QMenuBar* menuBar_ = nullptr;
    Actions actions_;
    std::array<QComboBox*, 5> boxes_{};
    QTreeWidget* tree_ = nullptr;
    QTreeWidgetItem* treeRoot_ = nullptr;
    QTreeWidget* list_ = nullptr;
    Lamp* portLamp_ = nullptr;
    Lamp* moduleLamp_ = nullptr;
    StatusLine* status_ = nullptr;
    // As the link last told them.
    bool pollRunning_ = false;
    bool animationRunning_ = false;
    // Set while the tree is changed by the program, so that its selection
    // signals do not redraw the list in between.
    bool treeUpdating_ = false;
};
