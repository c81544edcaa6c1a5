// "IP Setting" as a window: its controls and names, the edits' checks, the
// transfer timer's wiring and how it closes.

#include "ipsetting/ip_setting_dialog.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_opener.h"
#include "gateway/gateway_state.h"
#include "ipsetting/ip_address_edit.h"
#include "link/link_session.h"
#include "model/gateway_config.h"
#include "support/fake_gateway_jobs.h"
#include "support/recording_prompts.h"
#include "support/temp_file.h"
#include "support/window_recorders.h"

namespace norvik {
namespace {

using test::FakeGatewayJobs;
using test::RecordingPrompts;
using Strings = std::vector<std::string>;

std::string dotted(const IpAddressEdit* field) {
    QStringList parts;
    for (int i = 0; i < IpAddressEdit::kOctets; ++i) parts << field->octetBox(i)->text();
    return parts.join(QLatin1Char('.')).toStdString();
}

class IpSettingDialogTest : public ::testing::Test {
protected:
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord record;
    RecordingPrompts prompts;
    FakeGatewayJobs jobs;

    void SetUp() override {
        session.linkState = LinkState::Connected;
        session.parameterLoaded = true;
        config.modelName = kModelHx3420;
    }
    std::unique_ptr<IpSettingDialog> open(DialogMode mode) {
        return std::make_unique<IpSettingDialog>(mode, session, config, jobs, record, prompts);
    }
};

TEST_F(IpSettingDialogTest, everyControlCarriesItsTextAndAccessibleName) {
    const auto dialog = open(DialogMode::NewSetting);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("IP Setting"));
    EXPECT_EQ(dialog->localGroup()->title(), QStringLiteral("Local IP Setting"));
    EXPECT_EQ(dialog->localGroup()->accessibleName(), QStringLiteral("Local IP Setting"));
    EXPECT_EQ(dialog->remoteGroup()->title(), QStringLiteral("Remote IP Setting"));
    EXPECT_EQ(dialog->remoteGroup()->accessibleName(), QStringLiteral("Remote IP Setting"));
    EXPECT_EQ(dialog->saveToFileButton()->text(), QStringLiteral("Save to File"));
    EXPECT_EQ(dialog->saveToDeviceButton()->text(), QStringLiteral("Save to Device"));

    const Strings fieldNames{"I P :",     "MASK :",    "GATEWAY :", "I P (1) :", "I P (2) :", "I P (3) :",
                             "I P (4) :", "I P (5) :", "I P (6) :", "I P (7) :", "I P (8) :"};
    for (std::size_t f = 0; f < kIpFieldCount; ++f) {
        const IpAddressEdit* field = dialog->ipField(f);
        EXPECT_EQ(field->accessibleName().toStdString(), fieldNames[f]);
        EXPECT_EQ(field->octetBox(3)->accessibleName().toStdString(), fieldNames[f] + " octet 4");
    }
    for (std::size_t row = 0; row < kRemoteIpEntries; ++row) {
        const std::string ip = "I P (" + std::to_string(row + 1) + ") :";
        EXPECT_EQ(dialog->timeEdit(timeoutEdit(row))->accessibleName().toStdString(), ip + " Time out value (ms) :");
        EXPECT_EQ(dialog->timeEdit(reconnectEdit(row))->accessibleName().toStdString(), ip + " ReConnect time (ms) :");
    }

    // Every label is there, tied to its field or edit.
    std::size_t tied = 0;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (!label->buddy()) continue;
        ++tied;
        EXPECT_TRUE(label->buddy()->accessibleName().endsWith(label->text())) << label->text().toStdString();
    }
    EXPECT_EQ(tied, kIpFieldCount + kTimeEditCount);
}

TEST_F(IpSettingDialogTest, newSettingShowsTheDefaultsInTheFields) {
    const auto dialog = open(DialogMode::NewSetting);
    EXPECT_EQ(dotted(dialog->ipField(kLocalIpField)), "192.168.255.1");
    EXPECT_EQ(dotted(dialog->ipField(kSubnetMaskField)), "255.255.0.0");
    EXPECT_EQ(dotted(dialog->ipField(kGatewayField)), "192.168.0.1");
    for (std::size_t row = 0; row < kRemoteIpEntries; ++row) {
        EXPECT_EQ(dotted(dialog->ipField(remoteIpField(row))), "192.168.0.100");
        EXPECT_EQ(dialog->timeEdit(timeoutEdit(row))->text(), QStringLiteral("1500"));
        EXPECT_EQ(dialog->timeEdit(reconnectEdit(row))->text(), QStringLiteral("8000"));
    }
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(dialog->saveToDeviceButton()->isEnabled());
}

TEST_F(IpSettingDialogTest, timeEditsTakeDigitsAndKeepTheirRange) {
    const auto dialog = open(DialogMode::NewSetting);
    QLineEdit* edit = dialog->timeEdit(timeoutEdit(2));
    struct Case {
        const char* name;
        std::function<void()> act;
        const char* text;
        bool box;
    };
    const Case cases[] = {
        {"letters refused",
         [&] {
             edit->selectAll();
             QTest::keyClicks(edit, "12a3-");
         },
         "123", false},
        {"cleared",
         [&] {
             edit->setText("5");
             QTest::keyClick(edit, Qt::Key_Backspace);
         },
         "1", true},
        {"zero",
         [&] {
             edit->selectAll();
             QTest::keyClicks(edit, "0");
         },
         "1", true},
        {"70000",
         [&] {
             edit->setText("7000");
             edit->end(false);
             QTest::keyClicks(edit, "0");
         },
         "65535", true},
        {"twenty digits pasted",
         [&] {
             QApplication::clipboard()->setText(QStringLiteral("99999999999999999999"));
             edit->selectAll();
             QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
         },
         "65535", true},
        // Not only typing: a text the program or an assistive tool sets is checked too.
        {"set by the program", [&] { edit->setText(QStringLiteral("70000")); }, "65535", true},
        {"cleared by the program", [&] { edit->clear(); }, "1", true},
        {"set through the accessibility interface",
         [&] { QAccessible::queryAccessibleInterface(edit)->setText(QAccessible::Value, QStringLiteral("0")); }, "1",
         true},
        {"in range, set by the program", [&] { edit->setText(QStringLiteral("2500")); }, "2500", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        prompts.shown.clear();
        k.act();
        EXPECT_EQ(edit->text().toStdString(), k.text);
        EXPECT_EQ(prompts.texts(), k.box ? Strings{"Error !! Value must be 1~65535"} : Strings{});
    }
}

TEST_F(IpSettingDialogTest, loadFromDeviceWaitsWithTheButtonOffThenShowsTheBlock) {
    record = IpSettingRecord{};
    const auto dialog = open(DialogMode::LoadFromDevice);
    EXPECT_FALSE(dialog->saveToDeviceButton()->isEnabled());
    EXPECT_TRUE(dialog->transferTimer()->isActive());
    EXPECT_EQ(dialog->transferTimer()->interval(), 1000);
    EXPECT_EQ(jobs.last().job.kind, JobKind::ReadIpSetting);
    EXPECT_EQ(dotted(dialog->ipField(kLocalIpField)), "...");
    EXPECT_EQ(dialog->timeEdit(0)->text(), QString());

    dialog->onTransferTimer();
    EXPECT_TRUE(prompts.shown.empty());

    JobResult block;
    block.kind = JobKind::ReadIpSetting;
    setDefaultIpSetting(block.ipSetting);
    block.ipSetting.remotes[4].address = {10, 0, 0, 5};
    jobs.endLast(block);
    dialog->onTransferTimer();
    EXPECT_EQ(prompts.texts(), Strings{"Receive IP Setting finish ."});
    EXPECT_EQ(dotted(dialog->ipField(remoteIpField(4))), "10.0.0.5");
    EXPECT_EQ(dialog->timeEdit(reconnectEdit(4))->text(), QStringLiteral("8000"));
    EXPECT_TRUE(dialog->saveToDeviceButton()->isEnabled());
    EXPECT_FALSE(dialog->transferTimer()->isActive());
}

TEST_F(IpSettingDialogTest, saveButtonsReadTheFields) {
    const auto dialog = open(DialogMode::NewSetting);
    dialog->ipField(kLocalIpField)->setAddress({10, 1, 2, 3});
    dialog->timeEdit(timeoutEdit(7))->setText(QStringLiteral("42"));
    test::TempFile file("norvik_ip_dialog_save");
    prompts.fileAnswers.push_back(file.path());
    QTest::mouseClick(dialog->saveToFileButton(), Qt::LeftButton);
    IpSettingRecord saved;
    ASSERT_TRUE(readIpSettingFile(file.path(), saved));
    EXPECT_EQ(saved.localIp, (Ipv4{10, 1, 2, 3}));
    EXPECT_EQ(saved.remotes[7].timeoutValueMs, 42u);

    QTest::mouseClick(dialog->saveToDeviceButton(), Qt::LeftButton);
    ASSERT_EQ(jobs.asked.size(), 1u);
    EXPECT_EQ(jobs.last().job.ipSetting.localIp, (Ipv4{10, 1, 2, 3}));
    EXPECT_FALSE(dialog->saveToDeviceButton()->isEnabled());
    EXPECT_TRUE(dialog->transferTimer()->isActive());
}

TEST_F(IpSettingDialogTest, enterAndEscapeCloseSavingNothingAndStopTheTimer) {
    for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        const auto dialog = open(DialogMode::LoadFromDevice);
        dialog->show();
        dialog->ipField(kGatewayField)->setFocus();
        QTest::keyClick(dialog->ipField(kGatewayField)->octetBox(0), static_cast<Qt::Key>(key));
        EXPECT_FALSE(dialog->isVisible()) << key;
        EXPECT_FALSE(dialog->transferTimer()->isActive()) << key;
        // The job stays with the gateway.
        EXPECT_FALSE(jobs.last().cancelled);
        EXPECT_TRUE(prompts.fileQuestions.empty());
    }
}

TEST_F(IpSettingDialogTest, enterOnAFocusedButtonPressesIt) {
    const auto dialog = open(DialogMode::NewSetting);
    dialog->show();
    dialog->saveToFileButton()->setFocus();
    QTest::keyClick(dialog->saveToFileButton(), Qt::Key_Return);
    EXPECT_EQ(prompts.fileQuestions.size(), 1u);  // cancelled by the empty queue
    EXPECT_TRUE(dialog->isVisible());
}

// The window's opener makes this dialog for the "IP setting" menu.
class LookingOpener : public DefaultDialogOpener {
public:
    using DefaultDialogOpener::DefaultDialogOpener;
    std::string seen;

protected:
    int execDialog(QDialog& dialog) override {
        if (auto* ip = qobject_cast<IpSettingDialog*>(&dialog)) seen = dotted(ip->ipField(kLocalIpField));
        return QDialog::Rejected;
    }
};

TEST_F(IpSettingDialogTest, menuOpensTheDialogOnTheSharedRecord) {
    test::RecordingBoxes boxes;
    GatewayState state;
    state.showLinkSession(session);
    state.showLinkConfig(std::make_shared<GatewayConfig>(config));
    state.keepIpSetting(record);
    LookingOpener opener(state, jobs, boxes);
    opener.openIpSettingDialog(nullptr, DialogMode::NewSetting);
    EXPECT_EQ(opener.seen, "192.168.255.1");
    EXPECT_EQ(state.ipSetting().remotes[0].reconnectTimeMs, 8000u);
}

}  // namespace
}  // namespace norvik
