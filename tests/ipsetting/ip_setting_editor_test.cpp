// The rules of the "IP Setting" dialog, driven without a window.

#include "editors/ip_setting_editor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "link/link_session.h"
#include "model/gateway_config.h"
#include "support/fake_gateway_jobs.h"
#include "support/fake_ip_setting_view.h"
#include "support/recording_prompts.h"
#include "support/temp_file.h"

namespace norvik {
namespace {

using test::FakeGatewayJobs;
using test::FakeIpSettingView;
using Told = std::vector<EditorMessage>;
using test::RecordingPrompts;
using test::TempFile;

IpSettingRecord defaults() {
    IpSettingRecord r;
    setDefaultIpSetting(r);
    return r;
}

// A pattern record whose every value differs, all of them legal.
IpSettingRecord pattern() {
    IpSettingRecord r;
    r.localIp = {10, 0, 0, 1};
    r.subnetMask = {255, 255, 255, 0};
    r.gateway = {10, 0, 0, 254};
    for (std::size_t k = 0; k < kRemoteIpEntries; ++k) {
        r.remotes[k].address = {10, 1, 0, static_cast<uint8_t>(10 + k)};
        r.remotes[k].timeoutValueMs = static_cast<uint32_t>(100 + k);
        r.remotes[k].reconnectTimeMs = static_cast<uint32_t>(60000 + k);
    }
    return r;
}

class IpSettingEditorTest : public ::testing::Test {
protected:
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord record;
    RecordingPrompts prompts;
    FakeGatewayJobs jobs;
    FakeIpSettingView view;
    std::unique_ptr<IpSettingEditor> editor;

    void SetUp() override {
        make(DialogMode::NewSetting);
        session.linkState = LinkState::Connected;
        session.parameterLoaded = true;
        config.modelName = kModelHx3420;
    }
    void make(DialogMode mode) {
        editor = std::make_unique<IpSettingEditor>(mode, session, config, jobs, record, prompts, view);
        view.editor = editor.get();
    }
    // The dialog as the menu opens it.
    void openIn(DialogMode mode) {
        make(mode);
        editor->open();
    }
    IpSettingRecord shownRecord() const {
        IpSettingRecord r;
        r.localIp = view.addresses[kLocalIpField];
        r.subnetMask = view.addresses[kSubnetMaskField];
        r.gateway = view.addresses[kGatewayField];
        for (std::size_t k = 0; k < kRemoteIpEntries; ++k) {
            r.remotes[k].address = view.addresses[remoteIpField(k)];
            r.remotes[k].timeoutValueMs = timeEditValue(view.times[timeoutEdit(k)]);
            r.remotes[k].reconnectTimeMs = timeEditValue(view.times[reconnectEdit(k)]);
        }
        return r;
    }
};

// --- plain rules ---------------------------------------------------------------

TEST(IpSettingTimeEdit, valueIsTheLeadingDigitsAndSaturates) {
    constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
    const std::pair<const char*, uint32_t> cases[] = {
        {"", 0},
        {"0", 0},
        {"1", 1},
        {"65535", 65535},
        {"65536", 65536},
        {"70000", 70000},
        {"0001500", 1500},
        {"12ab3", 12},
        {"x12", 0},
        {"4294967295", kMax},
        {"4294967296", kMax},            // one more would wrap to 0
        {"4294967306", kMax},            // ... or to 10
        {"99999999999999999999", kMax},  // twenty digits
        {"18446744073709551617", kMax},  // would wrap a 64-bit count to 1
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(timeEditValue(text), value) << '"' << text << '"';
}

TEST(IpSettingTimeEdit, replacementKeepsOneTo65535) {
    const std::pair<uint32_t, const char*> cases[] = {{0, "1"},         {1, nullptr},     {1500, nullptr},
                                                      {65535, nullptr}, {65536, "65535"}, {4294967295u, "65535"}};
    for (const auto& [value, replacement] : cases) {
        const char* got = timeEditReplacement(value);
        if (replacement == nullptr) {
            EXPECT_EQ(got, nullptr) << value;
        } else {
            ASSERT_NE(got, nullptr) << value;
            EXPECT_STREQ(got, replacement) << value;
        }
    }
}

// --- reading and showing the fields ------------------------------------------------

TEST_F(IpSettingEditorTest, illegalLocalAddressIsRefusedWithItsMessage) {
    const std::pair<Ipv4, bool> cases[] = {
        {{10, 0, 0, 255}, false}, {{255, 255, 255, 0}, false}, {{127, 0, 0, 1}, false}, {{224, 0, 0, 0}, false},
        {{0, 0, 0, 0}, true},     {{127, 0, 0, 2}, true},      {{224, 0, 0, 1}, true},  {{255, 0, 0, 1}, true},
    };
    for (const auto& [local, legal] : cases) {
        view.told.clear();
        view.fill(pattern());
        view.addresses[kLocalIpField] = local;
        record = defaults();
        EXPECT_EQ(editor->readIpControls(record), legal);
        EXPECT_EQ(view.told, legal ? Told{} : Told{EditorMessage::LocalIpIllegal});
        EXPECT_EQ(record.localIp, local);
        // Nothing after the local address was read on a refusal.
        EXPECT_EQ(record.subnetMask, legal ? pattern().subnetMask : defaults().subnetMask);
    }
}

TEST_F(IpSettingEditorTest, maskAndGatewayAreNotChecked) {
    view.fill(pattern());
    view.addresses[kSubnetMaskField] = {1, 2, 3, 255};
    view.addresses[kGatewayField] = {127, 0, 0, 1};
    ASSERT_TRUE(editor->readIpControls(record));
    EXPECT_TRUE(view.told.empty());
    EXPECT_EQ(record.gateway, (Ipv4{127, 0, 0, 1}));
}

// A text that slipped past the range check is held to it, never wrapped by the
// block's 16 bits; an edit never filled still reads as 0.
TEST_F(IpSettingEditorTest, timesAreReadWithinTheirRangeAndNeverWrap) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"70000", 65535}, {"65536", 65535}, {"99999999999", 65535}, {"0", 1}, {"", 0}, {"65535", 65535}, {"1", 1},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        view.fill(pattern());
        view.times[timeoutEdit(4)] = text;
        view.times[reconnectEdit(7)] = text;
        ASSERT_TRUE(editor->readIpControls(record));
        EXPECT_EQ(record.remotes[4].timeoutValueMs, expected);
        EXPECT_EQ(record.remotes[7].reconnectTimeMs, expected);
        EXPECT_EQ(record.remotes[3].timeoutValueMs, pattern().remotes[3].timeoutValueMs);
    }
}

TEST_F(IpSettingEditorTest, eachIllegalRemoteAddressNamesItsRowAndKeepsWhatWasRead) {
    for (std::size_t bad = 0; bad < kRemoteIpEntries; ++bad) {
        SCOPED_TRACE(bad + 1);
        view.told.clear();
        view.fill(pattern());
        view.addresses[remoteIpField(bad)] = {192, 168, 1, 255};
        record = defaults();

        EXPECT_FALSE(editor->readIpControls(record));

        EXPECT_EQ(view.told, Told{remoteIpIllegal(bad)});
        EXPECT_EQ(record.localIp, pattern().localIp);
        EXPECT_EQ(record.subnetMask, pattern().subnetMask);
        EXPECT_EQ(record.gateway, pattern().gateway);
        for (std::size_t k = 0; k < kRemoteIpEntries; ++k) {
            const Ipv4 expected = k < bad    ? pattern().remotes[k].address
                                  : k == bad ? Ipv4{192, 168, 1, 255}
                                             : defaults().remotes[k].address;
            EXPECT_EQ(record.remotes[k].address, expected) << k;
            // The times are read last, so none of them were.
            EXPECT_EQ(record.remotes[k].timeoutValueMs, 1500u);
        }
    }
}

TEST_F(IpSettingEditorTest, remoteFiveIllegalSendsAndSavesNothing) {
    view.fill(pattern());
    view.addresses[remoteIpField(4)] = {192, 168, 1, 255};
    editor->saveToDevice();
    editor->saveToFile();
    EXPECT_EQ(view.told, (Told{remoteIpIllegal(4), remoteIpIllegal(4)}));
    EXPECT_TRUE(jobs.asked.empty());
    EXPECT_TRUE(prompts.fileQuestions.empty());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_TRUE(view.saveToDeviceEnabled);
}

TEST_F(IpSettingEditorTest, showingPutsEveryValueInItsFieldAsDecimal) {
    record = pattern();
    editor->showIpSetting();
    EXPECT_EQ(shownRecord(), pattern());
    EXPECT_EQ(view.times[timeoutEdit(0)], "100");
    EXPECT_EQ(view.times[reconnectEdit(7)], "60007");
    EXPECT_TRUE(view.told.empty());
}

// --- range check ---------------------------------------------------------------------

TEST_F(IpSettingEditorTest, rangeCheckReplacesOutOfRangeTextsOnce) {
    struct Case {
        const char* typed;
        const char* shown;  // nullptr: kept as typed, no box
    };
    const Case cases[] = {
        {"", "1"},
        {"0", "1"},
        {"000", "1"},
        {"70000", "65535"},
        {"65536", "65535"},
        {"99999999999999999999", "65535"},
        {"4294967296", "65535"},
        {"1", nullptr},
        {"65535", nullptr},
        {"8000", nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.typed);
        view.told.clear();
        view.type(reconnectEdit(3), k.typed);
        EXPECT_EQ(view.times[reconnectEdit(3)], k.shown ? k.shown : k.typed);
        EXPECT_EQ(view.told, k.shown ? Told{EditorMessage::TimeOutOfRange} : Told{});
    }
}

// --- opening -------------------------------------------------------------------------

TEST_F(IpSettingEditorTest, newSettingShowsTheDefaultsWithoutAMessage) {
    record = pattern();
    openIn(DialogMode::NewSetting);
    EXPECT_EQ(record, defaults());
    EXPECT_EQ(shownRecord(), defaults());
    EXPECT_EQ(view.times[timeoutEdit(5)], "1500");
    EXPECT_TRUE(view.told.empty());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_TRUE(jobs.asked.empty());
}

TEST_F(IpSettingEditorTest, loadFromFileShowsTheFile) {
    TempFile file("norvik_ip_editor_open");
    ASSERT_TRUE(writeIpSettingFile(file.path(), pattern()));
    prompts.fileAnswers.push_back(file.path());
    openIn(DialogMode::LoadFromFile);

    ASSERT_EQ(prompts.fileQuestions.size(), 1u);
    EXPECT_FALSE(prompts.fileQuestions[0].save);
    EXPECT_EQ(prompts.fileQuestions[0].choice.filter, "Norvik File (*.ptm)");
    EXPECT_EQ(prompts.fileQuestions[0].choice.proposedName, "IP_setting");
    EXPECT_EQ(prompts.fileQuestions[0].choice.defaultSuffix, "ptm");
    EXPECT_EQ(record, pattern());
    EXPECT_EQ(shownRecord(), pattern());
    EXPECT_TRUE(view.told.empty());
}

TEST_F(IpSettingEditorTest, loadFromFileThatFailsOrIsCancelledShowsNothing) {
    TempFile missing("norvik_ip_editor_missing");
    TempFile shortFile("norvik_ip_editor_short");
    shortFile.write(std::vector<uint8_t>(75, 1));
    const struct {
        const char* name;
        std::optional<std::string> answer;
        Told messages;
    } cases[] = {
        {"cancelled", std::nullopt, {}},
        {"missing", missing.path(), {EditorMessage::FileOpenError}},
        {"short", shortFile.path(), {EditorMessage::FileOpenError}},
        {"a folder", std::filesystem::temp_directory_path().string(), {EditorMessage::FileOpenError}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        view.told.clear();
        view = FakeIpSettingView{};
        view.editor = editor.get();
        record = pattern();
        prompts.fileAnswers = {k.answer};
        openIn(DialogMode::LoadFromFile);
        EXPECT_EQ(view.told, k.messages);
        EXPECT_EQ(record, pattern());
        for (bool shown : view.addressShown) EXPECT_FALSE(shown);
        for (const std::string& text : view.times) EXPECT_EQ(text, "");
    }
}

TEST_F(IpSettingEditorTest, cancelledLoadThenSaveToFileWritesZeros) {
    openIn(DialogMode::LoadFromFile);
    TempFile file("norvik_ip_editor_zeros");
    prompts.fileAnswers.push_back(file.path());
    editor->saveToFile();
    EXPECT_TRUE(view.told.empty());
    EXPECT_EQ(file.read(), std::vector<uint8_t>(kIpSettingBlockBytes, 0));
}

TEST_F(IpSettingEditorTest, fileWithZeroTimesWarnsOncePerEditAndKeepsTheRecord) {
    IpSettingRecord zeros = pattern();
    zeros.remotes[1].timeoutValueMs = 0;
    zeros.remotes[6].reconnectTimeMs = 0;
    TempFile file("norvik_ip_editor_zero_times");
    ASSERT_TRUE(writeIpSettingFile(file.path(), zeros));
    prompts.fileAnswers.push_back(file.path());
    openIn(DialogMode::LoadFromFile);

    EXPECT_EQ(view.told, (Told{EditorMessage::TimeOutOfRange, EditorMessage::TimeOutOfRange}));
    EXPECT_EQ(view.times[timeoutEdit(1)], "1");
    EXPECT_EQ(view.times[reconnectEdit(6)], "1");
    EXPECT_EQ(record, zeros);
    ASSERT_TRUE(editor->readIpControls(record));
    EXPECT_EQ(record.remotes[1].timeoutValueMs, 1u);
}

TEST_F(IpSettingEditorTest, loadFromDeviceClearsTheRecordAndWaitsForTheBlock) {
    for (const bool timerAvailable : {true, false}) {
        SCOPED_TRACE(timerAvailable);
        view.told.clear();
        view = FakeIpSettingView{};
        view.editor = editor.get();
        view.timerAvailable = timerAvailable;
        record = pattern();
        openIn(DialogMode::LoadFromDevice);

        EXPECT_EQ(record, IpSettingRecord{});
        EXPECT_EQ(jobs.last().job.kind, JobKind::ReadIpSetting);
        EXPECT_EQ(jobs.pendingJobs(), 1u);
        jobs.asked.clear();
        EXPECT_FALSE(view.saveToDeviceEnabled);
        EXPECT_EQ(view.timerRunning, timerAvailable);
        EXPECT_EQ(view.told, timerAvailable ? Told{} : Told{EditorMessage::TimerFailure});
        for (bool shown : view.addressShown) EXPECT_FALSE(shown);
    }
}

// --- Save to File ----------------------------------------------------------------------

TEST_F(IpSettingEditorTest, saveToFileWritesTheFieldsWithoutAQuestion) {
    TempFile file("norvik_ip_editor_save");
    file.write(std::vector<uint8_t>(200, 0x5A));  // replaced silently
    view.fill(pattern());
    prompts.fileAnswers.push_back(file.path());
    editor->saveToFile();

    ASSERT_EQ(prompts.fileQuestions.size(), 1u);
    EXPECT_TRUE(prompts.fileQuestions[0].save);
    EXPECT_EQ(prompts.fileQuestions[0].choice.proposedName, "IP_setting");
    EXPECT_TRUE(view.told.empty());
    EXPECT_EQ(record, pattern());
    const IpSettingBlock block = encodeIpSettingBlock(pattern());
    EXPECT_EQ(file.read(), std::vector<uint8_t>(block.begin(), block.end()));
}

TEST_F(IpSettingEditorTest, saveToFileCancelledOrRefusedByTheFileSystem) {
    view.fill(pattern());
    editor->saveToFile();  // cancelled
    EXPECT_TRUE(view.told.empty());

    prompts.fileAnswers.push_back(std::filesystem::temp_directory_path().string());
    editor->saveToFile();
    EXPECT_EQ(view.told, Told{EditorMessage::FileCreateError});
}

TEST_F(IpSettingEditorTest, saveToFileDuringALoadWritesACopyAndLeavesTheRecordToTheBlock) {
    openIn(DialogMode::LoadFromDevice);
    view.fill(pattern());
    TempFile file("norvik_ip_editor_copy");
    prompts.fileAnswers.push_back(file.path());
    editor->saveToFile();

    EXPECT_EQ(record, IpSettingRecord{});
    ASSERT_TRUE(readIpSettingFile(file.path(), record));
    EXPECT_EQ(record, pattern());
    EXPECT_TRUE(editor->transferPending());
}

// --- Save to Device ----------------------------------------------------------------------

TEST_F(IpSettingEditorTest, saveToDeviceChecksInOrder) {
    struct Case {
        const char* name;
        LinkState link;
        bool parameterLoaded;
        const char* model;
        std::optional<EditorMessage> message;  // none: sent
    };
    const Case cases[] = {
        {"loading", LinkState::LoadingParameters, false, kModelHx3420, EditorMessage::Loading},
        {"not connected", LinkState::NotConnected, true, kModelHx3410, EditorMessage::NotConnected},
        {"no parameter", LinkState::Connected, false, kModelHx3410, EditorMessage::NoParameter},
        {"HX-3410", LinkState::Connected, true, kModelHx3410, EditorMessage::OnlyHx3420},
        {"unknown model", LinkState::Connected, true, kModelUnknown, EditorMessage::OnlyHx3420},
        {"HX-3420", LinkState::Connected, true, kModelHx3420, std::nullopt},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        view.told.clear();
        view = FakeIpSettingView{};
        view.editor = editor.get();
        view.fill(pattern());
        record = defaults();
        openIn(DialogMode::LoadFromFile);
        session.linkState = k.link;
        session.parameterLoaded = k.parameterLoaded;
        config.modelName = k.model;

        editor->saveToDevice();

        EXPECT_EQ(view.told, k.message ? Told{*k.message} : Told{});
        EXPECT_EQ(jobs.asked.size(), k.message ? 0u : 1u);
        if (!k.message) {
            EXPECT_EQ(jobs.last().job.kind, JobKind::SendIpSetting);
            EXPECT_EQ(jobs.last().job.ipSetting, pattern()) << "the job carries the fields as read";
        }
        jobs.asked.clear();
        EXPECT_EQ(record, k.message ? defaults() : pattern());
        EXPECT_EQ(view.saveToDeviceEnabled, k.message.has_value());
        EXPECT_EQ(view.timerRunning, !k.message);
    }
}

TEST_F(IpSettingEditorTest, saveToDeviceWithoutATimerLeavesTheRequestPosted) {
    view.fill(pattern());
    view.timerAvailable = false;
    editor->saveToDevice();
    EXPECT_EQ(view.told, Told{EditorMessage::TimerFailure});
    EXPECT_EQ(jobs.pendingJobs(), 1u) << "the job still goes to the gateway";
    EXPECT_FALSE(view.saveToDeviceEnabled);
}

// --- transfer timer ------------------------------------------------------------------------

TEST_F(IpSettingEditorTest, theEndOfASendIsShownAtTheNextTick) {
    view.fill(pattern());
    editor->saveToDevice();
    jobs.endLast(JobOutcome::GatewayError, GatewayError::SaveFailed);
    EXPECT_TRUE(view.told.empty()) << "held until the tick";
    EXPECT_FALSE(view.saveToDeviceEnabled);
    record = defaults();
    editor->onTransferTick();
    EXPECT_EQ(view.told, Told{EditorMessage::SaveError});
    EXPECT_TRUE(view.saveToDeviceEnabled);
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(record, defaults()) << "a send leaves the record alone";
}

TEST_F(IpSettingEditorTest, receivedBlockIsShownBeforeItsMessage) {
    openIn(DialogMode::LoadFromDevice);
    for (int tick = 0; tick < 30; ++tick) editor->onTransferTick();  // a load has no time-out
    EXPECT_TRUE(view.told.empty());
    EXPECT_TRUE(view.timerRunning);

    JobResult block;
    block.kind = JobKind::ReadIpSetting;
    block.ipSetting = pattern();
    jobs.endLast(block);
    EXPECT_EQ(record, IpSettingRecord{}) << "taken at the tick, not before";
    view.whileOpen = [&] { EXPECT_EQ(shownRecord(), pattern()); };
    editor->onTransferTick();
    EXPECT_EQ(view.told, Told{EditorMessage::ReceiveFinished});
    EXPECT_EQ(record, pattern());
    EXPECT_TRUE(view.saveToDeviceEnabled);
    EXPECT_FALSE(view.timerRunning);
}

TEST_F(IpSettingEditorTest, unansweredSendFailsAtTheEleventhTickAndIsReportedAtTheTwelfth) {
    openIn(DialogMode::NewSetting);
    editor->saveToDevice();
    for (int tick = 1; tick <= 10; ++tick) {
        editor->onTransferTick();
        EXPECT_EQ(editor->sendWaitTicks(), tick);
    }
    EXPECT_EQ(jobs.pendingJobs(), 1u);
    editor->onTransferTick();
    EXPECT_EQ(jobs.pendingJobs(), 0u) << "given up: the job is cancelled";
    EXPECT_TRUE(jobs.last().cancelled);
    EXPECT_EQ(editor->sendWaitTicks(), 0);
    EXPECT_TRUE(view.told.empty());
    // The job's own end comes after the dialog gave up: it is not shown.
    jobs.deliverCancelled();
    editor->onTransferTick();
    EXPECT_EQ(view.told, Told{EditorMessage::ReceiveError});
    EXPECT_TRUE(view.saveToDeviceEnabled);
    editor->onTransferTick();
    EXPECT_EQ(view.told.size(), 1u);
}

TEST_F(IpSettingEditorTest, secondSendInOneOpeningCountsOnFromTheFirst) {
    openIn(DialogMode::NewSetting);
    editor->saveToDevice();
    for (int tick = 0; tick < 4; ++tick) editor->onTransferTick();
    jobs.endLast(JobOutcome::Done);
    editor->onTransferTick();
    EXPECT_EQ(view.told, Told{EditorMessage::SendFinished});

    editor->saveToDevice();
    for (int tick = 0; tick < 6; ++tick) editor->onTransferTick();
    EXPECT_EQ(jobs.pendingJobs(), 1u);
    editor->onTransferTick();
    EXPECT_EQ(jobs.pendingJobs(), 0u);
    // A new opening counts from zero.
    openIn(DialogMode::NewSetting);
    editor->saveToDevice();
    for (int tick = 0; tick < 10; ++tick) editor->onTransferTick();
    EXPECT_EQ(jobs.pendingJobs(), 1u);
}

}  // namespace
}  // namespace norvik
