// The "Port devices" dialog and what the main window makes of its choice:
// saved between runs, used at the next Connect, overridden by NORVIK_COMn,
// an unplugged device kept and shown absent. QSettings writes to a temporary
// folder of each test.

#include "app/port_devices_dialog.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "app/status_line.h"
#include "link/console_texts.h"
#include "serial/port_devices.h"
#include "support/fake_port.h"
#include "support/window_link_driver.h"
#include "support/window_recorders.h"

namespace norvik {
namespace {

namespace fs = std::filesystem;
using test::FakePort;
using test::RecordingBoxes;
using test::RecordingOpener;

std::string text(const QString& s) { return s.toStdString(); }

class PortDevicesTest : public ::testing::Test {
protected:
    QTemporaryDir settingsDir;
    QTemporaryDir devices;
    std::array<std::optional<std::string>, kComPortCount> oldVariables;

    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid() && devices.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        for (uint8_t port = 1; port <= kComPortCount; ++port) {
            const std::string name = comVariableName(port);
            if (const char* value = std::getenv(name.c_str())) oldVariables[port - 1u] = value;
            ::unsetenv(name.c_str());
        }
    }
    void TearDown() override {
        for (uint8_t port = 1; port <= kComPortCount; ++port) {
            const std::string name = comVariableName(port);
            if (oldVariables[port - 1u]) ::setenv(name.c_str(), oldVariables[port - 1u]->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
    }

    // A stand-in device node in the temporary folder.
    std::string device(const std::string& name) {
        const std::string path = text(devices.filePath(QString::fromStdString(name)));
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "";
        return path;
    }

    SavedPortDevices saveThroughTheDialog(int port, const std::string& path) {
        PortDevicesDialog dialog;
        dialog.pathEdit(port)->setText(QString::fromStdString(path));
        dialog.accept();
        return loadPortDevices();
    }
};

TEST_F(PortDevicesTest, choiceIsSavedRestoredAndUsedAtTheNextConnect) {
    const std::string usb = device("ttyUSB0");
    const SavedPortDevices saved = saveThroughTheDialog(2, usb);
    EXPECT_EQ(saved[1], usb);
    EXPECT_EQ(saved[0], "");
    EXPECT_TRUE(QFile::exists(settingsDir.filePath(QStringLiteral("norvik/norvik.ini"))));

    // Another run of the program finds it again.
    PortDevicesDialog again;
    EXPECT_EQ(text(again.pathEdit(2)->text()), usb);
    EXPECT_EQ(text(again.opensLabel(2)->text()), usb);
    EXPECT_EQ(text(again.opensLabel(1)->text()),
              "/dev/ttyS0" + std::string(devicePresent("/dev/ttyS0") ? "" : " (absent)"));
    EXPECT_EQ(text(again.pathEdit(1)->placeholderText()), "/dev/ttyS0");

    FakePort port;
    RecordingBoxes boxes;
    RecordingOpener opener;
    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    window.portBox(0)->setCurrentIndex(1);
    EXPECT_EQ(text(window.portBox(0)->toolTip()), "Com2 opens " + usb);
    window.onConnect();
    test::settle(window);
    ASSERT_EQ(port.opened.size(), 1u);
    EXPECT_EQ(port.opened[0].port, 2);
    EXPECT_EQ(port.opened[0].device, usb);
    // While connected the status line names the device; once closed, no more.
    EXPECT_EQ(text(window.statusLine()->toolTip()), "Com2 opens " + usb);
    EXPECT_NE(text(window.statusLine()->linkLabel()->toolTip()).find("Com2 opens " + usb), std::string::npos);
    window.onDisconnect();
    test::settle(window);
    EXPECT_EQ(text(window.statusLine()->toolTip()), "");
    EXPECT_EQ(window.statusLine()->linkLabel()->toolTip(), window.statusLine()->linkLabel()->text());

    // An entry with nothing chosen keeps the old rule.
    window.portBox(0)->setCurrentIndex(4);
    window.onConnect();
    test::settle(window);
    EXPECT_EQ(port.opened.back().device, "/dev/ttyS4");
}

TEST_F(PortDevicesTest, variableOverridesTheSavedChoiceWithoutReplacingIt) {
    const std::string usb = device("ttyUSB0");
    const std::string pty = device("pts/7");
    saveThroughTheDialog(2, usb);
    ::setenv("NORVIK_COM2", pty.c_str(), 1);

    PortDevicesDialog dialog;
    EXPECT_EQ(text(dialog.pathEdit(2)->text()), usb);
    EXPECT_EQ(text(dialog.opensLabel(2)->text()), pty + " (set by NORVIK_COM2)");
    dialog.accept();
    EXPECT_EQ(loadPortDevices()[1], usb);

    FakePort port;
    RecordingBoxes boxes;
    RecordingOpener opener;
    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    window.portBox(0)->setCurrentIndex(1);
    EXPECT_EQ(text(window.portBox(0)->toolTip()), "Com2 opens " + pty + " (set by NORVIK_COM2)");
    window.onConnect();
    test::settle(window);
    EXPECT_EQ(port.opened.at(0).device, pty);

    ::unsetenv("NORVIK_COM2");
    window.onDisconnect();
    test::settle(window);
    window.onConnect();
    test::settle(window);
    EXPECT_EQ(port.opened.at(1).device, usb);
}

TEST_F(PortDevicesTest, unpluggedDeviceIsShownAbsentAndKept) {
    const std::string usb = device("ttyUSB0");
    const std::string byId = text(devices.filePath(QStringLiteral("serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0")));
    fs::create_directories(fs::path(byId).parent_path());
    fs::create_symlink(usb, byId);
    saveThroughTheDialog(3, byId);
    EXPECT_EQ(text(PortDevicesDialog().opensLabel(3)->text()), byId + " (now " + fs::canonical(usb).string() + ")");

    fs::remove(usb);
    PortDevicesDialog dialog;
    EXPECT_EQ(text(dialog.pathEdit(3)->text()), byId);
    EXPECT_EQ(text(dialog.opensLabel(3)->text()), byId + " (absent)");
    dialog.accept();
    EXPECT_EQ(loadPortDevices()[2], byId);

    FakePort port;
    RecordingBoxes boxes;
    RecordingOpener opener;
    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    window.portBox(0)->setCurrentIndex(2);
    EXPECT_EQ(text(window.portBox(0)->toolTip()), "Com3 opens " + byId + " (absent)");
}

TEST_F(PortDevicesTest, cancelAndEmptyingAnEntry) {
    saveThroughTheDialog(4, device("ttyACM0"));
    {
        PortDevicesDialog dialog;
        dialog.pathEdit(4)->setText(QStringLiteral("/dev/ttyUSB5"));
        dialog.reject();
    }
    EXPECT_EQ(loadPortDevices()[3], text(devices.filePath(QStringLiteral("ttyACM0"))));
    // Spaces around a typed path are no part of it; an empty entry is no choice.
    SavedPortDevices saved = saveThroughTheDialog(4, "  /dev/ttyUSB5 ");
    EXPECT_EQ(saved[3], "/dev/ttyUSB5");
    saved = saveThroughTheDialog(4, "");
    EXPECT_EQ(saved[3], "");
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("norvik"), QStringLiteral("norvik"));
    EXPECT_FALSE(settings.contains(QStringLiteral("PortDevices/Com4")));
}

TEST_F(PortDevicesTest, pickingADetectedDeviceTakesItsStableName) {
    PortDevicesDialog dialog;
    const DetectedDevice ftdi{QStringLiteral("/dev/ttyUSB0"),
                              QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"),
                              QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"), QStringLiteral("A50285BI")};
    const DetectedDevice onboard{QStringLiteral("/dev/ttyS0"), {}, {}, {}, {}};
    dialog.setDetected({ftdi, onboard});

    QComboBox* pick = dialog.pickBox(2);
    ASSERT_EQ(pick->count(), 3);
    EXPECT_EQ(text(pick->itemText(0)), "Pick a detected device");
    EXPECT_EQ(text(pick->itemText(1)), "/dev/ttyUSB0: FT232R USB UART (FTDI, serial A50285BI)");
    EXPECT_EQ(text(pick->itemText(2)), "/dev/ttyS0");
    EXPECT_EQ(text(pick->itemData(1, Qt::ToolTipRole).toString()),
              "/dev/ttyUSB0: FT232R USB UART (FTDI, serial A50285BI)\n"
              "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");

    emit pick->activated(1);
    EXPECT_EQ(dialog.pathEdit(2)->text(), ftdi.stableName);
    emit pick->activated(2);
    EXPECT_EQ(text(dialog.pathEdit(2)->text()), "/dev/ttyS0");
    emit pick->activated(0);  // the prompt changes nothing
    EXPECT_EQ(text(dialog.pathEdit(2)->text()), "/dev/ttyS0");

    // A typed path that is a detected device, by either name, shows as picked.
    dialog.pathEdit(5)->setText(QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(dialog.pickBox(5)->currentIndex(), 1);
    dialog.pathEdit(5)->setText(QStringLiteral("/dev/pts/3"));
    EXPECT_EQ(dialog.pickBox(5)->currentIndex(), 0);

    dialog.setDetected({});
    EXPECT_EQ(text(dialog.pickBox(1)->itemText(0)), "No serial device detected");
    EXPECT_FALSE(dialog.pickBox(1)->isEnabled());
    // "Detect again" asks the system; whatever it finds, the typed paths stay.
    dialog.detectButton()->click();
    EXPECT_EQ(text(dialog.pathEdit(2)->text()), "/dev/ttyS0");
}

TEST_F(PortDevicesTest, failedOpenKeepsItsTextAndAddsTheAdvice) {
    const std::string usb = device("ttyUSB0");
    saveThroughTheDialog(2, usb);
    FakePort port;
    RecordingBoxes boxes;
    RecordingOpener opener;
    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    window.portBox(0)->setCurrentIndex(1);
    for (const uint16_t code : {uint16_t{ENOENT}, uint16_t{EACCES}, uint16_t{EBUSY}}) {
        port.openCode = code;
        window.onConnect();
        test::settle(window);
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_EQ(boxes.shown.back().title, "Error message");
        EXPECT_EQ(boxes.shown.back().text, "Open Com Error ! Please check Com Port setting");
        EXPECT_EQ(boxes.shown.back().informative, openErrorAdvice(usb, code));
    }
    EXPECT_EQ(boxes.shown.size(), 3u);
    // Other boxes of the link get no advice.
    port.openCode = 0;
    window.showNotice(LinkNotice::AccessError);
    EXPECT_EQ(boxes.shown.back().informative, "");
}

TEST_F(PortDevicesTest, menuOpensTheDialogAndTheTooltipFollows) {
    FakePort port;
    RecordingBoxes boxes;
    RecordingOpener opener;
    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    EXPECT_EQ(text(window.portBox(0)->toolTip()).rfind("Com1 opens /dev/ttyS0", 0), 0u);
    const std::string usb = device("ttyUSB0");
    opener.whileOpen = [&] { saveThroughTheDialog(1, usb); };
    window.actions().portDevices->trigger();
    EXPECT_EQ(opener.names(), std::vector<std::string>{"PortDevicesDialog"});
    EXPECT_EQ(text(window.portBox(0)->toolTip()), "Com1 opens " + usb);
}

TEST_F(PortDevicesTest, screenReadersFindEveryEntryByName) {
    PortDevicesDialog dialog;
    dialog.show();
    QAccessibleInterface* self = QAccessible::queryAccessibleInterface(&dialog);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->role(), QAccessible::Dialog);
    EXPECT_EQ(text(self->text(QAccessible::Name)), "Port devices");

    const auto named = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return std::make_pair(a->role(), text(a->text(QAccessible::Name)));
    };
    EXPECT_EQ(named(dialog.pathEdit(2)), std::make_pair(QAccessible::EditableText, std::string("Com2 Device")));
    // A combo box on Linux is named by its current entry and described by its port.
    QAccessibleInterface* pick = QAccessible::queryAccessibleInterface(dialog.pickBox(2));
    EXPECT_EQ(pick->role(), QAccessible::ComboBox);
    EXPECT_EQ(text(pick->text(QAccessible::Value)), text(dialog.pickBox(2)->currentText()));
    EXPECT_EQ(text(pick->text(QAccessible::Description)), "Com2 Detected devices");
    // What a port opens is heard with the port: the label's name carries both, and
    // follows the path as it changes.
    const std::string usb = device("ttyUSB4");
    dialog.pathEdit(2)->setText(QString::fromStdString(usb));
    EXPECT_EQ(named(dialog.opensLabel(2)).second, "Com2 opens " + usb);
    EXPECT_EQ(text(QAccessible::queryAccessibleInterface(dialog.opensLabel(2))->text(QAccessible::Description)),
              "Com2 Opens");
    dialog.pathEdit(2)->clear();
    EXPECT_EQ(named(dialog.opensLabel(2)).second, "Com2 opens " + text(dialog.opensLabel(2)->text()));
    EXPECT_NE(dialog.opensLabel(2)->text(), QString());
    EXPECT_EQ(named(dialog.detectButton()), std::make_pair(QAccessible::Button, std::string("Detect again")));
    // Each path has its label as buddy, reached with Alt and the port's digit.
    int buddies = 0;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->buddy() == dialog.pathEdit(7) && label->text() == QStringLiteral("Com&7")) ++buddies;
    EXPECT_EQ(buddies, 1);
}

}  // namespace
}  // namespace norvik
