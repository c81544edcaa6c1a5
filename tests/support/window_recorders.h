#pragma once
// Stand-ins for the boxes and dialogs of the main window: they record what
// would have been shown and never block.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_opener.h"
#include "app/message_boxes.h"
#include "link/link_session.h"
#include "support/wait_for.h"

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
    // What each firmware dialog was opened with.
    std::vector<JobResult> firmwareShown;
    // Runs while the "modal" dialog is open.
    std::function<void()> whileOpen;

    void openSafeValueDialog(QWidget*, DialogMode mode) override { record("NSS", mode); }
    void openIpSettingDialog(QWidget*, DialogMode mode) override { record("IPSetting", mode); }
    void openDeviceView(QWidget*) override { record("DeviceSpaceDialog"); }
    void openProfibusView(QWidget*) override { record("ProfibusSpaceDialog"); }
    void openModbusView(QWidget*) override { record("ModbusSpaceDialog"); }
    void openFirmwareDialog(QWidget*, const JobResult& fileNames) override {
        firmwareShown.push_back(fileNames);
        record("FirmwareDialog");
    }
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

}  // namespace norvik::test
