// The "Gateway" menu in the main window: a backup shown without a gateway,
// and the user's round trip against the simulator (back up, change, restore,
// "Restore verified"). Every question is answered by recorders.

#include "app/gateway_menu.h"

#include <QAction>
#include <QLabel>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/main_window.h"
#include "app/status_line.h"
#include "backup/backup_blocks.h"
#include "backup/backup_dialogs.h"
#include "backup/backup_file.h"
#include "link/gateway_jobs.h"
#include "support/fake_port.h"
#include "gateway/gateway_state.h"
#include "support/window_recorders.h"

#ifdef NORVIK_GATESIM
#include "support/gatesim_process.h"
#endif

namespace norvik {
namespace {

namespace fs = std::filesystem;
using test::waitFor;

struct RecordingBackupDialogs : BackupDialogs {
    std::optional<QString> savePath;
    std::optional<QString> openPath;
    bool confirm = true;
    std::optional<QString> proposed;
    std::optional<BackupDifferences> confirmed;

    std::optional<QString> saveBackupPath(QWidget*, const QString& name) override {
        proposed = name;
        return savePath;
    }
    std::optional<QString> openBackupPath(QWidget*, const QString&) override { return openPath; }
    bool confirmRestore(QWidget*, const GatewayBackup&, const BackupDifferences& d) override {
        confirmed = d;
        return confirm;
    }
    void showComparison(QWidget*, const GatewayBackup&, const BackupDifferences&) override {}
    void exportReport(QWidget*, const ReportSource& source) override { reported = source; }
    std::optional<ReportSource> reported;
};

std::vector<std::string> treeNodes(const MainWindow& window) {
    std::vector<std::string> nodes;
    const QTreeWidgetItem* root = window.treeRoot();
    nodes.push_back(root->text(0).toStdString());
    for (int i = 0; i < root->childCount(); ++i) nodes.push_back(root->child(i)->text(0).toStdString());
    return nodes;
}

class GatewayMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("norvik_gateway_menu_" + std::to_string(::getpid()) + "_" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        window = std::make_unique<MainWindow>(MainWindow::Services{&port, &boxes, &opener, true, &dialogs});
    }
    void TearDown() override {
        window.reset();
        fs::remove_all(folder);
    }

    test::FakePort port;
    test::RecordingBoxes boxes;
    test::RecordingOpener opener;
    RecordingBackupDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    fs::path folder;
};

// A name that is no UTF-8 (a Latin-1 "café") names the same file all the way.
TEST_F(GatewayMenuTest, aBackupNamedInTheSystemsOwnBytesOpens) {
    const std::string path = (folder / "caf\xE9.norvik").string();
    ASSERT_TRUE(writeBackupFile(path, test::backupOf(test::gatewayBlocks(test::Kind::Hx3410))).ok());
    EXPECT_TRUE(window->gatewayMenu()->openBackupFile(path));
    EXPECT_TRUE(window->state().offline());
}

TEST_F(GatewayMenuTest, anOpenBackupStandsInForTheGatewayUntilItIsClosed) {
    const GatewayBlocks blocks = test::gatewayBlocks(test::Kind::Hx3420Large, 7, 5);
    const std::string path = (folder / "plant-a.norvik").string();
    ASSERT_TRUE(writeBackupFile(path, test::backupOf(blocks)).ok());
    GatewayMenu& menu = *window->gatewayMenu();

    dialogs.openPath = QString::fromStdString(path);
    menu.onOpenBackup();
    ASSERT_TRUE(window->state().offline());
    EXPECT_EQ(treeNodes(*window), (std::vector<std::string>{"HX-3420", "Module 1", "Module 2", "Module 3", "Module 4",
                                                            "Module 5", "Module 6"}));
    EXPECT_TRUE(window->windowTitle().contains(QLatin1String("HX-3420")));
    EXPECT_TRUE(window->windowTitle().contains(QLatin1String("2026-12-07T17:20:05Z")));
    EXPECT_TRUE(window->statusLine()->linkLabel()->text().contains(QLatin1String("plant-a.norvik")));
    EXPECT_TRUE(menu.actions().closeBackup->isEnabled());
    EXPECT_TRUE(window->actions().ipDevice->isEnabled());

    // The views, the firmware dialog and both settings dialogs open without a link.
    window->onViewDevice();
    window->onViewProfibus();
    window->onViewModbus();
    window->onGetFirmwareVersion();
    window->onSafeValueLoadFromDevice();
    window->onIpLoadFromDevice();
    EXPECT_EQ(opener.names(), (std::vector<std::string>{"DeviceSpaceDialog", "ProfibusSpaceDialog", "ModbusSpaceDialog",
                                                        "FirmwareDialog", "NSS", "IPSetting"}));
    EXPECT_TRUE(boxes.shown.empty());

    // The report comes from the backup, every block of it, with no gateway.
    menu.onExportReport();
    ASSERT_TRUE(dialogs.reported);
    EXPECT_EQ(dialogs.reported->originKind, ReportOrigin::BackupFile);
    EXPECT_EQ(dialogs.reported->origin, "plant-a.norvik");
    ASSERT_TRUE(dialogs.reported->safeValues && dialogs.reported->ipSetting);
    EXPECT_EQ(dialogs.reported->safeValues->block, blocks.safeValues);

    // The settings dialogs' loads from the device are answered from the backup,
    // and their sends go nowhere.
    std::vector<JobResult> ends;
    for (const Job& job : {Job::read(JobKind::ReadSafeValues), Job::read(JobKind::ReadIpSetting),
                           Job::sendSafeValues(blocks.safeValues)}) {
        window->dialogJobs().submit(job, [&](const JobResult& r) { ends.push_back(r); });
    }
    ASSERT_TRUE(waitFor([&] { return ends.size() == 3; }));
    EXPECT_EQ(ends[0].raw, blocks.safeValues);
    EXPECT_EQ(ends[1].raw, *blocks.ipSetting);
    EXPECT_EQ(ends[2].outcome, JobOutcome::LinkLost);

    // Connect and the commands that need a gateway are refused while it is open.
    window->onConnect();
    menu.onBackUp();
    EXPECT_FALSE(window->session().portOpen);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_FALSE(menu.commands().running());

    menu.onCloseBackup();
    EXPECT_FALSE(window->state().offline());
    EXPECT_EQ(treeNodes(*window), std::vector<std::string>{"HX-xxxx"});
    EXPECT_EQ(window->windowTitle().toStdString(), "Norvik");
    EXPECT_FALSE(window->actions().ipDevice->isEnabled());
    window->onViewDevice();
    EXPECT_EQ(boxes.shown.back().text, "Error ! Device is not connected yet.");
}

TEST_F(GatewayMenuTest, aRefusedBackupSaysWhyAndLeavesTheWindowAsItWas) {
    const std::string path = (folder / "damaged.norvik").string();
    std::ofstream(path) << "{\"format\": \"norvik-backup\", \"formatVersion\": \"9.0\"}";
    dialogs.openPath = QString::fromStdString(path);
    window->gatewayMenu()->onOpenBackup();
    EXPECT_FALSE(window->state().offline());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("format 9"), std::string::npos) << boxes.shown[0].text;
    EXPECT_EQ(treeNodes(*window), std::vector<std::string>{"HX-xxxx"});
}

#ifdef NORVIK_GATESIM
// The user's own check: back up the gateway, change its safe values, restore,
// "Restore verified" and the gateway holds the backup's block again.
TEST(GatewayMenuWithGatesim, backUpChangeRestoreAndVerify) {
    const fs::path folder = fs::temp_directory_path() / ("norvik_gateway_menu_sim_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path config = folder / "hx3410.json";
    std::ofstream(config) << "{\"model\": \"HX-3410\", \"system_module\": {\"position\": 1},"
                             " \"modules\": [{\"device_id\": 2, \"type\": 0, \"data_length\": 2}],"
                             " \"file_names\": [\"3410V12.bin\"]}";
    test::GatesimProcess sim(NORVIK_GATESIM, {"--config", config.string()});
    ::setenv("NORVIK_COM1", sim.slavePath().c_str(), 1);
    test::RecordingBoxes boxes;
    test::RecordingOpener opener;
    RecordingBackupDialogs dialogs;
    {
        MainWindow window(MainWindow::Services{nullptr, &boxes, &opener, false, &dialogs});
        window.show();
        window.onConnect();
        ASSERT_TRUE(
            waitFor([&] { return window.session().parameterLoaded && !window.session().firmwareAutoQuery; }, 15000));
        GatewayMenu& menu = *window.gatewayMenu();

        const QString file = QString::fromStdString((folder / "backup.norvik").string());
        dialogs.savePath = file;
        menu.onBackUp();
        ASSERT_TRUE(waitFor([&] { return !menu.commands().running() && fs::exists(file.toStdString()); }, 30000));
        ASSERT_TRUE(dialogs.proposed);
        EXPECT_TRUE(dialogs.proposed->startsWith(QLatin1String("HX-3410_")));

        bool changed = false;
        window.gatewayJobs().submit(Job::sendSafeValues(std::vector<uint8_t>(512, 0x00)),
                                    [&](const JobResult& r) { changed = r.done(); });
        ASSERT_TRUE(waitFor([&] { return changed; }, 30000));

        dialogs.openPath = file;
        menu.onRestore();
        ASSERT_TRUE(waitFor([&] { return !menu.commands().running() && !boxes.shown.empty(); }, 60000));
        ASSERT_TRUE(dialogs.confirmed);
        EXPECT_EQ(dialogs.confirmed->safeValues.size(), 2u * 1024 + 2u * 64);
        EXPECT_EQ(boxes.shown.back().text, "Restore verified");
        std::string stored;
        for (const std::string& line : sim.logLines()) {
            if (line.starts_with("RX STORED SAFE_VALUE ")) stored = line;
        }
        EXPECT_EQ(stored, "RX STORED SAFE_VALUE 512 " + std::string(1024, 'F'));

        // A report of the live gateway reads what it needs first.
        menu.onExportReport();
        ASSERT_TRUE(waitFor([&] { return !menu.commands().running() && dialogs.reported.has_value(); }, 30000));
        EXPECT_EQ(dialogs.reported->originKind, ReportOrigin::Port);
        EXPECT_EQ(dialogs.reported->config.modelName, "HX-3410");
        ASSERT_TRUE(dialogs.reported->safeValues);
        EXPECT_EQ(dialogs.reported->safeValues->block, std::vector<uint8_t>(512, 0xFF));
        window.onDisconnect();
    }
    ::unsetenv("NORVIK_COM1");
    fs::remove_all(folder);
}
#endif

}  // namespace
}  // namespace norvik
