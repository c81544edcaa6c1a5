// How each way a gateway job ends reaches the user, in both settings dialogs:
// the message the dialog shows, and that it shows it at its own timer tick,
// never when the job ends.

#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ipsetting/ip_setting_dialog.h"
#include "safevalue/safe_value_dialog.h"
#include "support/fake_gateway_jobs.h"
#include "support/recording_prompts.h"

namespace norvik {
namespace {

using test::FakeGatewayJobs;
using test::RecordingPrompts;

// One dialog with a transfer under way, driven tick by tick.
struct Opened {
    std::unique_ptr<QDialog> dialog;
    std::function<void()> tick;
    QPushButton* saveToDevice = nullptr;
};

enum class Which { SafeValueSend, SafeValueLoad, IpSend, IpLoad };

class TransferMessages : public ::testing::Test {
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

    Opened open(Which which) {
        Opened o;
        if (which == Which::SafeValueSend || which == Which::SafeValueLoad) {
            const bool load = which == Which::SafeValueLoad;
            auto* d = new SafeValueDialog(load ? DialogMode::LoadFromDevice : DialogMode::NewSetting, session, config,
                                          jobs, prompts);
            o.dialog.reset(d);
            o.tick = [d] { d->onTransferTimer(); };
            o.saveToDevice = d->button(SafeValueDialog::Button::SaveToDevice);
        } else {
            const bool load = which == Which::IpLoad;
            auto* d = new IpSettingDialog(load ? DialogMode::LoadFromDevice : DialogMode::NewSetting, session, config,
                                          jobs, record, prompts);
            o.dialog.reset(d);
            o.tick = [d] { d->onTransferTimer(); };
            o.saveToDevice = d->saveToDeviceButton();
        }
        if (which == Which::SafeValueSend || which == Which::IpSend) o.saveToDevice->click();
        return o;
    }

    // The end of the job asked last, with whatever data a whole read brings.
    JobResult endOf(JobOutcome outcome, GatewayError error) const {
        JobResult result;
        result.kind = jobs.last().job.kind;
        result.outcome = outcome;
        result.error = error;
        if (outcome == JobOutcome::Done && result.kind == JobKind::ReadSafeValues)
            result.safeValues.assign(safeValueBlockBytes(session.safeValueLayout), 0x5A);
        if (outcome == JobOutcome::Done && result.kind == JobKind::ReadIpSetting) setDefaultIpSetting(result.ipSetting);
        return result;
    }
};

TEST_F(TransferMessages, eachEndIsShownInItsDialogsWordsAtTheNextTick) {
    struct Case {
        Which which;
        JobOutcome outcome;
        GatewayError error;
        const char* shown;
    };
    using O = JobOutcome;
    using E = GatewayError;
    const Case cases[] = {
        {Which::SafeValueSend, O::Done, E::None, "Save Safe Value Finish."},
        {Which::SafeValueSend, O::GatewayError, E::ReceiveFailed, "Send Safe Value Error !"},
        {Which::SafeValueSend, O::GatewayError, E::SaveFailed, "Save Safe Value Error !"},
        {Which::SafeValueSend, O::BlockIncomplete, E::None, "Send Safe Value Error !"},
        {Which::SafeValueSend, O::NoAnswer, E::None, "Receive Safe Value Error !"},
        {Which::SafeValueSend, O::LinkLost, E::None, "Error ! Save Safe Value break."},
        {Which::SafeValueSend, O::Cancelled, E::None, "Error ! Save Safe Value break."},
        {Which::SafeValueLoad, O::Done, E::None, "Receive Safe Value finish ."},
        {Which::SafeValueLoad, O::GatewayError, E::ReadEeprom, "Read Safe Value Error !"},
        {Which::SafeValueLoad, O::BlockIncomplete, E::None, "Receive Safe Value Error !"},
        {Which::SafeValueLoad, O::NoAnswer, E::None, "Receive Safe Value Error !"},
        {Which::SafeValueLoad, O::LinkLost, E::None, "Error ! Save Safe Value break."},
        {Which::IpSend, O::Done, E::None, "Save IP Setting Finish."},
        {Which::IpSend, O::GatewayError, E::ReceiveFailed, "Send IP Setting Error !"},
        {Which::IpSend, O::GatewayError, E::SaveFailed, "Save IP Setting Error !"},
        {Which::IpSend, O::BlockIncomplete, E::None, "Send IP Setting Error !"},
        {Which::IpSend, O::NoAnswer, E::None, "Receive IP Setting Error !"},
        {Which::IpSend, O::LinkLost, E::None, "Error ! IP Setting Value break."},
        {Which::IpLoad, O::Done, E::None, "Receive IP Setting finish ."},
        {Which::IpLoad, O::GatewayError, E::ReadEeprom, "Read IP Setting Error !"},
        {Which::IpLoad, O::BlockIncomplete, E::None, "Receive IP Setting Error !"},
        {Which::IpLoad, O::NoAnswer, E::None, "Receive IP Setting Error !"},
        {Which::IpLoad, O::LinkLost, E::None, "Error ! IP Setting Value break."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        SCOPED_TRACE(jobOutcomeName(c.outcome));
        prompts.shown.clear();
        Opened o = open(c.which);
        o.tick();
        o.tick();
        EXPECT_TRUE(prompts.shown.empty()) << "nothing before the job ends";
        EXPECT_FALSE(o.saveToDevice->isEnabled());
        jobs.endLast(endOf(c.outcome, c.error));
        EXPECT_TRUE(prompts.shown.empty()) << "the end waits for the tick";
        bool enabledBeforeTheBox = false;
        prompts.whileOpen = [&] { enabledBeforeTheBox = o.saveToDevice->isEnabled(); };
        o.tick();
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].title, "Message");
        EXPECT_EQ(prompts.shown[0].text, c.shown);
        EXPECT_TRUE(enabledBeforeTheBox);
        prompts.whileOpen = nullptr;
        o.tick();
        EXPECT_EQ(prompts.shown.size(), 1u) << "one message per job";
    }
}

TEST_F(TransferMessages, anUnansweredSendIsGivenUpOnTheEleventhTickAndShownOnTheTwelfth) {
    const std::pair<Which, const char*> cases[] = {{Which::SafeValueSend, "Receive Safe Value Error !"},
                                                   {Which::IpSend, "Receive IP Setting Error !"}};
    for (const auto& [which, shown] : cases) {
        SCOPED_TRACE(shown);
        prompts.shown.clear();
        Opened o = open(which);
        for (int tick = 1; tick <= 11; ++tick) o.tick();
        EXPECT_TRUE(jobs.last().cancelled);
        EXPECT_TRUE(prompts.shown.empty());
        jobs.deliverCancelled();
        o.tick();
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, shown);
    }
}

// Every message each dialog can show, word for word.
TEST(TransferMessageTexts, areTheUsersOwn) {
    using M = EditorMessage;
    const std::pair<M, const char*> shared[] = {
        {M::Loading, "Error ! It is loading parameter now. Please wait."},
        {M::NotConnected, "Error ! Device is not connected yet."},
        {M::NoParameter, "Error ! It is not loaded parameter yet. Please wait."},
        {M::FileOpenError, "Error ! File doesn't exits or other unexpected error."},
        {M::FileCreateError, "Error ! File can not create or other unexpected error."},
        {M::TimerFailure, "Timer Creat failure"},
    };
    for (const auto& [message, text] : shared) {
        EXPECT_EQ(SafeValueDialog::messageText(message).toStdString(), text);
        EXPECT_EQ(IpSettingDialog::messageText(message).toStdString(), text);
    }
    const std::pair<M, const char*> safeValues[] = {
        {M::WordLength, "Error ! Data length are not 4 digit"},
        {M::WordDigits, "Error ! Data is not 0~9 or A~F"},
        {M::ValuesUnset, "Error ! AI/AO value is not set."},
    };
    for (const auto& [message, text] : safeValues) EXPECT_EQ(SafeValueDialog::messageText(message).toStdString(), text);
    const std::pair<M, const char*> ip[] = {
        {M::OnlyHx3420, "Error ! This function is only supported HX-3420."},
        {M::LocalIpIllegal, "Error ! Local IP isn't legal."},
        {remoteIpIllegal(0), "Error ! Remote IP (1) isn't legal."},
        {remoteIpIllegal(4), "Error ! Remote IP (5) isn't legal."},
        {remoteIpIllegal(7), "Error ! Remote IP (8) isn't legal."},
        {M::TimeOutOfRange, "Error !! Value must be 1~65535"},
    };
    for (const auto& [message, text] : ip) EXPECT_EQ(IpSettingDialog::messageText(message).toStdString(), text);
    EXPECT_EQ(IpSettingDialog::fieldLabel(kGatewayField).toStdString(), "GATEWAY :");
    EXPECT_EQ(IpSettingDialog::timeEditLabel(timeoutEdit(2)).toStdString(), "I P (3) : Time out value (ms) :");
    EXPECT_EQ(IpSettingDialog::timeEditLabel(reconnectEdit(7)).toStdString(), "I P (8) : ReConnect time (ms) :");
}

}  // namespace
}  // namespace norvik
