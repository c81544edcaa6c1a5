// "Firmware Information" for each shape of the gateway's file-name reply.

#include "firmware/firmware_dialog.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QApplication>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/dialog_opener.h"
#include "gateway/gateway_state.h"
#include "ipsetting/ip_setting.h"
#include "link/link_session.h"
#include "model/gateway_config.h"
#include "support/fake_gateway_jobs.h"
#include "support/window_recorders.h"
#include "norvik_version.h"

namespace norvik {
namespace {

using test::RecordingBoxes;

// The end of a file-name job: Done, or BlockIncomplete for a reply that did not parse.
JobResult namesRead(JobOutcome outcome, const std::vector<std::string>& names, int count) {
    JobResult r;
    r.kind = JobKind::ReadFileNames;
    r.outcome = outcome;
    for (std::size_t i = 0; i < names.size(); ++i) r.fileNames[i] = names[i];
    r.fileCount = static_cast<uint8_t>(count);
    return r;
}

TEST(FirmwareDialog, fieldsFollowTheReplyShape) {
    struct Case {
        const char* shape;
        JobOutcome outcome;
        std::vector<std::string> names;
        int count;
        std::string name, version, countText;
    };
    const auto received = JobOutcome::Done;
    const std::vector<Case> cases{
        {"no files", received, {}, 0, "Not Find Firmware", "", "0"},
        {"autoexec only", received, {"autoexec.bat"}, 1, "Not Find Firmware", "", "1"},
        {"one firmware", received, {"3420V13.bin"}, 1, "3420V13.bin", "V13", "1"},
        {"autoexec first", received, {"autoexec.bat", "ABCDEFGHIJK"}, 2, "ABCDEFGHIJK", "EFG", "2"},
        {"autoexec last", received, {"ABCDEFGHIJK", "autoexec.bat"}, 2, "ABCDEFGHIJK", "EFG", "2"},
        {"three files", received, {"a.bin", "autoexec.bat", "3410V20.bin"}, 3, "3410V20.bin", "V20", "3"},
        {"short name", received, {"ABCDE"}, 1, "ABCDE", "E", "1"},
        {"reply failed", JobOutcome::BlockIncomplete, {"3420V13.bin"}, 1, "", "", "0"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.shape);
        FirmwareDialog dialog(namesRead(k.outcome, k.names, k.count));
        EXPECT_EQ(dialog.windowTitle().toStdString(), "Firmware Information");
        EXPECT_EQ(dialog.firmwareNameEdit()->text().toStdString(), k.name);
        EXPECT_EQ(dialog.versionEdit()->text().toStdString(), k.version);
        EXPECT_EQ(dialog.fileCountText()->text().toStdString(), k.countText);
        EXPECT_EQ(dialog.notSupported(), k.outcome == JobOutcome::BlockIncomplete);
        EXPECT_FALSE(dialog.firmwareNameEdit()->isReadOnly());
    }
}

// A file-name job's end: a reply that came shows the dialog, whole or not;
// one the link took with it shows nothing.
TEST(FirmwareDialog, aFileNameJobsEndOpensItOnlyForAReply) {
    struct Case {
        JobOutcome outcome;
        bool shown;
        std::string name;
    };
    const Case cases[] = {
        {JobOutcome::Done, true, "3410V20.bin"}, {JobOutcome::BlockIncomplete, true, ""},
        {JobOutcome::NoAnswer, false, ""},       {JobOutcome::LinkLost, false, ""},
        {JobOutcome::Cancelled, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(jobOutcomeName(c.outcome));
        JobResult result;
        result.kind = JobKind::ReadFileNames;
        result.outcome = c.outcome;
        result.fileNames[0] = "autoexec.bat";
        result.fileNames[1] = "3410V20.bin";
        result.fileCount = 2;
        EXPECT_EQ(FirmwareDialog::shows(result), c.shown);
        if (!c.shown) continue;
        FirmwareDialog dialog(result);
        EXPECT_EQ(dialog.notSupported(), c.outcome != JobOutcome::Done);
        EXPECT_EQ(dialog.firmwareNameEdit()->text().toStdString(), c.name);
    }
}

// What a screen reader says for each field: an edit field is named by its caption
// and holds its text as the value; the file count is a static value read by its text,
// with the caption as its label.
TEST(FirmwareDialog, screenReadersHearEachCaptionWithItsValue) {
    FirmwareDialog dialog(namesRead(JobOutcome::Done, {"autoexec.bat", "3420V13.bin"}, 2));
    struct Case {
        QWidget* field;
        QAccessible::Role role;
        std::string name, value, label;
    };
    const Case cases[] = {
        {dialog.firmwareNameEdit(), QAccessible::EditableText, "Firmware name :", "3420V13.bin", "Firmware name :"},
        {dialog.versionEdit(), QAccessible::EditableText, "Version :", "V13", "Version :"},
        {dialog.fileCountText(), QAccessible::StaticText, "2", "", "File count :"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(c.field);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->role(), c.role);
        EXPECT_EQ(field->text(QAccessible::Name).toStdString(), c.name);
        if (!c.value.empty()) {
            EXPECT_EQ(field->text(QAccessible::Value).toStdString(), c.value);
        }
        std::vector<std::string> labels;
        for (const auto& [other, relation] : field->relations(QAccessible::Label))
            labels.push_back(other->text(QAccessible::Name).toStdString());
        EXPECT_EQ(labels, std::vector<std::string>{c.label});
    }
}

TEST(FirmwareDialog, enterAndEscapeCloseIt) {
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        FirmwareDialog dialog(namesRead(JobOutcome::Done, {}, 0));
        dialog.show();
        dialog.firmwareNameEdit()->setFocus();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(dialog.firmwareNameEdit(), &press);
        EXPECT_FALSE(dialog.isVisible()) << key;
    }
}

// The real opener, with the modal run replaced by a look at the dialog.
class LookingOpener : public DefaultDialogOpener {
public:
    using DefaultDialogOpener::DefaultDialogOpener;
    std::vector<std::string> seen;
    RecordingBoxes* boxes = nullptr;

protected:
    int execDialog(QDialog& dialog) override {
        std::string what = std::string("dialog:") + dialog.windowTitle().toStdString();
        if (auto* firmware = qobject_cast<FirmwareDialog*>(&dialog))
            what += std::string(":") + firmware->firmwareNameEdit()->text().toStdString();
        boxes->events.push_back(what);
        return QDialog::Accepted;
    }
};

TEST(FirmwareDialog, unsupportedReplyShowsTheBoxBeforeTheEmptyDialog) {
    GatewayState state;
    RecordingBoxes boxes;
    test::FakeGatewayJobs jobs;
    LookingOpener opener(state, jobs, boxes);
    opener.boxes = &boxes;

    opener.openFirmwareDialog(nullptr, namesRead(JobOutcome::BlockIncomplete, {"3420V13.bin"}, 1));
    EXPECT_EQ(boxes.events, (std::vector<std::string>{"box:This module is not support Get Firmware version Command !",
                                                      "dialog:Firmware Information:"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Message");

    boxes.events.clear();
    opener.openFirmwareDialog(nullptr, namesRead(JobOutcome::Done, {"3420V13.bin"}, 1));
    EXPECT_EQ(boxes.events, std::vector<std::string>{"dialog:Firmware Information:3420V13.bin"});

    boxes.events.clear();
    opener.openAboutBox(nullptr);
    EXPECT_EQ(boxes.events, std::vector<std::string>{"dialog:About Norvik"});
}

TEST(AboutBox, namesTheProgramAndVersion) {
    AboutDialog about;
    EXPECT_EQ(about.windowTitle().toStdString(), "About Norvik");
    bool versionShown = false;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (label->text() == QLatin1String("Norvik Version " NORVIK_VERSION)) versionShown = true;
    }
    EXPECT_TRUE(versionShown);
}

}  // namespace
}  // namespace norvik
