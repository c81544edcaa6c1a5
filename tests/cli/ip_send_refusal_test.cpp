// An IP setting the IP dialog refuses is refused on every way of sending one,
// before anything goes out. Reads are answered from blocks; every send goes to
// the console dialogue over a fake port, whose wire is then looked at.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>

#include <unistd.h>

#include "../backup/backup_blocks.h"
#include "../backup/recording_backup_window.h"
#include "backup/backup_commands.h"
#include "backup/backup_file.h"
#include "device_run.h"
#include "editors/ip_setting_editor.h"
#include "link/console_dialogue.h"
#include "serial/console_lines.h"
#include "support/fake_ip_setting_view.h"
#include "support/fake_port.h"
#include "support/recording_prompts.h"
#include "support/recording_ui.h"

namespace norvik::cli {
namespace {

namespace fs = std::filesystem;
using test::Kind;

class TickClock final : public Clock {
public:
    uint64_t nowMs() const override { return 0; }
};

// Reads from the blocks of an HX-3420; sends to the dialogue and its wire.
struct Rig final : GatewayJobs, GatewayLink {
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    test::FakePort port;
    test::RecordingUi ui;
    InlineRunner runner;
    TickClock clock;
    ConsoleDialogue dialogue{session, config, ip, port, ui, ui.hooks(&runner, &clock)};
    GatewayBlocks blocks = test::gatewayBlocks(Kind::Hx3420Small);
    std::deque<std::function<void()>> answers;
    JobId lastId = JobId{1} << 40;

    Rig() {
        dialogue.connect({});
        port.clearSent();
    }
    JobId submit(Job job, JobDone done, JobProgressHook progress) override {
        if (job.kind == JobKind::SendSafeValues || job.kind == JobKind::SendIpSetting)
            return dialogue.submit(std::move(job), std::move(done), std::move(progress));
        answers.push_back([this, kind = job.kind, done = std::move(done)] {
            JobResult r;
            r.kind = kind;
            r.raw = kind == JobKind::ReadSafeValues ? blocks.safeValues : *blocks.ipSetting;
            r.safeValueLayout = blocks.safeValueLayout;
            done(r);
        });
        return ++lastId;
    }
    bool cancel(JobId id) override { return dialogue.cancel(id); }
    std::size_t pendingJobs() const override { return answers.size() + dialogue.pendingJobs(); }

    void tick() {
        port.queueLine(console::kReplyConnect);
        dialogue.onPollTimer();
        ui.runAllPosted();
        while (!answers.empty()) {
            auto answer = std::move(answers.front());
            answers.pop_front();
            answer();
        }
    }
    bool runUntil(const std::function<bool()>& done, int ticks) override {
        for (int i = 0; i < ticks && !done(); ++i) tick();
        return done();
    }
    LinkOpening open(const PortSettings&, const JobProgressHook&) override {
        const GatewaySnapshot gateway = *checkGatewayBlocks(blocks).snapshot;
        LinkOpening opening;
        opening.outcome = LinkOpenOutcome::Ready;
        opening.config = gateway.config;
        opening.parameterBlock = blocks.parameters;
        opening.fileNamesRead = true;
        opening.fileNameReply = *blocks.fileNames;
        opening.safeValueLayout = blocks.safeValueLayout;
        return opening;
    }
    JobResult run(Job job, const JobProgressHook&) override {
        std::optional<JobResult> end;
        submit(std::move(job), [&](const JobResult& r) { end = r; }, {});
        runUntil([&] { return end.has_value(); }, 20);
        return end.value_or(JobResult{});
    }
    void close() override {}
    void interrupt() override {}
    bool interrupted() const override { return false; }
    GatewayJobs& jobs() override { return *this; }

    // Whatever of a send reached the wire: its command or a block.
    bool sentAnything() const {
        for (const test::FakePort::Sent& s : port.sent())
            if (s.isBlock || s.line == console::kSendIpSetting || s.line == console::kSendSafeValue) return true;
        return false;
    }
};

// How one path ended: the refused address as the path reports it.
using Path = std::function<std::string(Rig&, const IpSettingRecord&, const std::string& folder)>;

std::string cliRun(Rig& rig, CommandKind command, const std::string& file, bool noVerify) {
    CliOptions options;
    options.command = command;
    options.inputFile = file;
    options.noVerify = noVerify;
    const DeviceReport report = runOnDevice(options, DeviceTarget{"/dev/fake", {}, {}}, rig, {});
    EXPECT_EQ(report.exit, ExitCode::FileError);
    return report.errors.empty() ? std::string() : report.errors.front();
}

std::string backupFile(Rig& rig, const IpSettingRecord& record, const std::string& folder) {
    GatewayBlocks blocks = rig.blocks;
    const IpSettingBlock ip = encodeIpSettingBlock(record);
    blocks.ipSetting = std::vector<uint8_t>(ip.begin(), ip.end());
    const std::string path = folder + "/illegal.norvik";
    EXPECT_TRUE(writeBackupFile(path, test::backupOf(blocks)).ok());
    return path;
}

std::string named(const std::optional<IllegalIpAddress>& illegal) {
    if (!illegal) return "(none)";
    return illegal->remoteRow ? "remote " + std::to_string(*illegal->remoteRow + 1) : "local";
}

TEST(IpSendRefusal, anAddressTheDialogRefusesReachesTheWireOnNoPath) {
    const std::pair<const char*, Path> paths[] = {
        {"IP dialog, Save to Device",
         [](Rig& rig, const IpSettingRecord& record, const std::string&) {
             LinkSession session;
             session.linkState = LinkState::Connected;
             session.parameterLoaded = true;
             GatewayConfig config;
             config.modelName = kModelHx3420;
             IpSettingRecord edited;
             test::RecordingPrompts prompts;
             test::FakeIpSettingView view;
             IpSettingEditor editor(DialogMode::NewSetting, session, config, rig, edited, prompts, view);
             view.fill(record);
             editor.saveToDevice();
             rig.runUntil([] { return false; }, 3);
             return view.told.size() == 1 && view.told[0] == illegalIpMessage(*firstIllegalIpAddress(record))
                        ? named(firstIllegalIpAddress(record))
                        : std::string("not told");
         }},
        {"a job handed to the link",
         [](Rig& rig, const IpSettingRecord& record, const std::string&) {
             const JobResult end = rig.run(Job::sendIpSetting(record), {});
             return end.outcome == JobOutcome::Refused ? named(end.illegalIp) : std::string("outcome");
         }},
        {"window Restore",
         [](Rig& rig, const IpSettingRecord& record, const std::string& folder) {
             test::RecordingBackupWindow window;
             window.openPath = backupFile(rig, record, folder);
             BackupCommands commands(rig, window);
             KnownBlocks known;
             known.parameters = rig.blocks.parameters;
             known.fileNames = rig.blocks.fileNames;
             commands.restore(known);
             rig.runUntil([&] { return !commands.running(); }, 20);
             if (!window.restored || !window.restored->failure) return std::string("no failure");
             EXPECT_EQ(window.restored->safeValueSend, SendState::NotSent);
             EXPECT_FALSE(window.restored->mayHaveChanged());
             return named(window.restored->failure->illegalIp);
         }},
        {"norvik-cli ip put",
         [](Rig& rig, const IpSettingRecord& record, const std::string& folder) {
             const std::string file = folder + "/illegal.ptm";
             EXPECT_TRUE(writeIpSettingFile(file, record));
             return cliRun(rig, CommandKind::IpPut, file, false);
         }},
        {"norvik-cli restore",
         [](Rig& rig, const IpSettingRecord& record, const std::string& folder) {
             return cliRun(rig, CommandKind::Restore, backupFile(rig, record, folder), false);
         }},
        {"norvik-cli restore --no-verify",
         [](Rig& rig, const IpSettingRecord& record, const std::string& folder) {
             return cliRun(rig, CommandKind::Restore, backupFile(rig, record, folder), true);
         }},
    };
    IpSettingRecord legal;
    setDefaultIpSetting(legal);
    struct Record {
        IpSettingRecord record;
        const char* windowSays;  // the refused address, as the core names it
        const char* cliSays;     // the dialog's own message
    };
    Record local{legal, "local", "Error ! Local IP isn't legal."};
    local.record.localIp = {127, 0, 0, 1};
    Record remote{legal, "remote 3", "Error ! Remote IP (3) isn't legal."};
    remote.record.remotes[2].address = {224, 0, 0, 0};

    const fs::path folder = fs::temp_directory_path() / ("ip_send_refusal_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (const Record& r : {local, remote}) {
        for (const auto& [name, path] : paths) {
            SCOPED_TRACE(std::string(name) + ", " + r.windowSays);
            Rig rig;
            const std::string said = path(rig, r.record, folder.string());
            EXPECT_EQ(said, std::string(name).starts_with("norvik-cli") ? r.cliSays : r.windowSays);
            EXPECT_FALSE(rig.sentAnything());
        }
    }
    fs::remove_all(folder);
}

// A restore cannot write the parameters, but a gateway whose parameters
// differ from the backup's is not the backup's gateway.
TEST(CliDiff, aGatewayWhoseParametersAloneDifferDiffers) {
    Rig rig;
    GatewayBlocks blocks = rig.blocks;
    blocks.parameters = test::sampleParameterBlock('5', 3, 200);
    const fs::path file = fs::temp_directory_path() / ("diff_" + std::to_string(::getpid()) + ".norvik");
    ASSERT_TRUE(writeBackupFile(file.string(), test::backupOf(blocks)).ok());
    CliOptions options;
    options.command = CommandKind::Diff;
    options.inputFile = file.string();
    const DeviceReport report = runOnDevice(options, DeviceTarget{"/dev/fake", {}, {}}, rig, {});
    fs::remove(file);
    EXPECT_EQ(report.exit, ExitCode::Differs);
    EXPECT_FALSE(report.json["differences"]["parameters"].empty()) << report.json.dump();
}

}  // namespace
}  // namespace norvik::cli
