#pragma once
// Stand-ins for the boxes and dialogs of the main window: they record what
// would have been shown and never block.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_opener.h"
#include "app/message_boxes.h"
#include "link/link_session.h"

namespace norvik::test {

class RecordingBoxes : public MessageBoxes {
public:
    struct Box {
        std::string title;
        std::string text;
        std::string informative;
    };
    std::vector<Box> shown;
    int exitQuestions = 0;
    bool answerExitWithOk = true;
    // Every box and question in the order they came.
    std::vector<std::string> events;
    // Runs while a box is "open".
    std::function<void()> whileOpen;

    void showMessage(QWidget*, const QString& title, const QString& text) override {
        shown.push_back({title.toStdString(), text.toStdString(), {}});
        events.push_back(std::string("box:") + text.toStdString());
        if (whileOpen) whileOpen();
    }
    void showDetailedMessage(QWidget*, const QString& title, const QString& text, const QString& informative) override {
        shown.push_back({title.toStdString(), text.toStdString(), informative.toStdString()});
        events.push_back(std::string("box:") + text.toStdString());
        if (whileOpen) whileOpen();
    }
    bool confirmExit(QWidget*) override {
        ++exitQuestions;
        events.push_back("exit?");
        return answerExitWithOk;
    }
};

class RecordingOpener : public DialogOpener {
public:
    struct Opened {
        std::string dialog;
        std::optional<DialogMode> mode;  // the settings dialogs'
    };
    std::vector<Opened> opened;
    // Runs while the "modal" dialog is open.
    std::function<void()> whileOpen;

    void openSafeValueDialog(QWidget*, DialogMode mode) override { record("NSS", mode); }
    void openIpSettingDialog(QWidget*, DialogMode mode) override { record("IPSetting", mode); }
    void openDeviceView(QWidget*) override { record("DeviceSpaceDialog"); }
    void openProfibusView(QWidget*) override { record("ProfibusSpaceDialog"); }
    void openModbusView(QWidget*) override { record("ModbusSpaceDialog"); }
    void openFirmwareDialog(QWidget*) override { record("FirmwareDialog"); }
    void openAboutBox(QWidget*) override { record("AboutDialog"); }
    void openPortDevicesDialog(QWidget*) override { record("PortDevicesDialog"); }

    std::vector<std::string> names() const {
        std::vector<std::string> n;
        for (const auto& o : opened) n.push_back(o.dialog);
        return n;
    }

private:
    void record(const char* dialog, std::optional<DialogMode> mode = std::nullopt) {
        opened.push_back({dialog, mode});
        if (whileOpen) whileOpen();
    }
};

// Runs the event loop until `done` holds or `ms` have passed.
inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace norvik::test
