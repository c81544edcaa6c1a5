#include "backup/backup_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include "backup/backup_file.h"
#include "backup_blocks.h"
#include "recording_backup_window.h"
#include "scripted_jobs.h"

namespace norvik {
namespace {

namespace fs = std::filesystem;
using test::Kind;
using K = JobKind;

class BackupCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("norvik_commands_" + std::to_string(::getpid()) + "_" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = (folder / "gateway.norvik").string();
    }
    void TearDown() override { fs::remove_all(folder); }

    void writeBackup(const GatewayBlocks& blocks) { ASSERT_TRUE(writeBackupFile(path, test::backupOf(blocks)).ok()); }

    fs::path folder;
    std::string path;
    test::ScriptedJobs jobs;
    test::RecordingBackupWindow window;
    BackupCommands commands{jobs, window};
};

TEST_F(BackupCommandsTest, backUpReadsTheGatewayThenWritesTheFileTheUserNames) {
    GatewayBlocks gateway = test::gatewayBlocks(Kind::Hx3420Large, 4);
    window.savePath = path;
    ASSERT_TRUE(commands.backUp({}, "/dev/ttyUSB1", 57600));
    EXPECT_FALSE(commands.backUp({}, "/dev/ttyUSB1", 57600));  // one command at a time
    jobs.answerAllFrom(gateway);

    EXPECT_EQ(window.steps.size(), 4u);
    EXPECT_EQ(window.steps.back(), std::make_pair(K::ReadIpSetting, 4));
    ASSERT_TRUE(window.proposed);
    EXPECT_TRUE(window.proposed->starts_with("HX-3420_20")) << *window.proposed;
    EXPECT_TRUE(window.proposed->ends_with(".norvik"));
    ASSERT_EQ(window.saved, path);
    const BackupReadResult read = readBackupFile(path);
    ASSERT_TRUE(read.backup);
    EXPECT_EQ(read.backup->gateway.blocks, gateway);
    EXPECT_EQ(read.backup->origin.port, "/dev/ttyUSB1");
    EXPECT_EQ(read.backup->origin.baud, 57600u);
    EXPECT_EQ(window.ends, 1);
    EXPECT_FALSE(commands.running());
}

TEST_F(BackupCommandsTest, aBackUpCancelledOrFailedOrNotNamedWritesNothing) {
    struct Case {
        const char* name;
        std::function<void(BackupCommands&, test::ScriptedJobs&, GatewayBlocks&)> act;
        std::optional<JobOutcome> failure;
    };
    const Case cases[] = {
        {"cancelled during the safe values",
         [](BackupCommands& c, test::ScriptedJobs& j, GatewayBlocks& g) {
             j.answerFrom(g);
             j.answerFrom(g);
             c.cancel();
         },
         JobOutcome::Cancelled},
        {"the link lost during the file names",
         [](BackupCommands&, test::ScriptedJobs& j, GatewayBlocks& g) {
             j.answerFrom(g);
             JobResult lost;
             lost.outcome = JobOutcome::LinkLost;
             j.answer(lost);
         },
         JobOutcome::LinkLost},
        {"no file name given", [](BackupCommands&, test::ScriptedJobs& j, GatewayBlocks& g) { j.answerAllFrom(g); },
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedJobs scripted;
        test::RecordingBackupWindow recorder;
        BackupCommands run(scripted, recorder);
        recorder.savePath = c.failure ? std::optional(path) : std::nullopt;
        GatewayBlocks gateway = test::gatewayBlocks(Kind::Hx3410);
        run.backUp({}, "/dev/ttyS0", 9600);
        c.act(run, scripted, gateway);
        EXPECT_FALSE(run.running());
        EXPECT_EQ(recorder.ends, 1);
        EXPECT_TRUE(scripted.pending.empty());
        EXPECT_FALSE(fs::exists(path));
        EXPECT_FALSE(recorder.saved);
        if (c.failure) {
            ASSERT_TRUE(recorder.runFailure);
            EXPECT_EQ(recorder.runFailure->outcome, *c.failure);
            EXPECT_FALSE(recorder.proposed);
        }
    }
}

TEST_F(BackupCommandsTest, restoreSendsOnlyWhatTheUserConfirmedToAGatewayOfTheSameKind) {
    struct Case {
        const char* name;
        Kind backup;
        Kind gateway;
        bool confirm;
        std::vector<JobKind> sends;
        bool refused;
    };
    const Case cases[] = {
        {"a clone", Kind::Hx3420Small, Kind::Hx3420Small, true, {K::SendSafeValues, K::SendIpSetting}, false},
        {"not confirmed", Kind::Hx3420Small, Kind::Hx3420Small, false, {}, false},
        {"another model", Kind::Hx3410, Kind::Hx3420Small, true, {}, true},
        {"another safe-value layout", Kind::Hx3420Large, Kind::Hx3420Small, true, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBackup(test::gatewayBlocks(c.backup, 1));
        GatewayBlocks gateway = test::gatewayBlocks(c.gateway, 2);
        test::ScriptedJobs scripted;
        test::RecordingBackupWindow recorder;
        recorder.openPath = path;
        recorder.confirm = c.confirm;
        BackupCommands run(scripted, recorder);
        run.restore({});
        scripted.answerAllFrom(gateway);

        std::vector<JobKind> sends;
        for (JobKind k : scripted.asked) {
            if (k == K::SendSafeValues || k == K::SendIpSetting) sends.push_back(k);
        }
        EXPECT_EQ(sends, c.sends);
        EXPECT_EQ(recorder.refused.has_value(), c.refused);
        EXPECT_EQ(recorder.confirmed.has_value(), !c.refused);
        EXPECT_EQ(recorder.restored.has_value(), !c.refused && c.confirm);
        if (recorder.restored) {
            EXPECT_TRUE(recorder.restored->verified);
        }
        if (recorder.confirmed) {
            EXPECT_FALSE(recorder.confirmed->safeValues.empty());
        }
        EXPECT_EQ(recorder.ends, 1);
        EXPECT_FALSE(run.running());
    }
}

TEST_F(BackupCommandsTest, compareShowsTheDifferencesAndSendsNothing) {
    writeBackup(test::gatewayBlocks(Kind::Hx3410, 1));
    GatewayBlocks gateway = test::gatewayBlocks(Kind::Hx3410, 1);
    gateway.safeValues[0] ^= 0x04;  // DI bit 2
    window.openPath = path;
    commands.compare({});
    jobs.answerAllFrom(gateway);
    ASSERT_TRUE(window.compared);
    ASSERT_EQ(window.compared->safeValues.size(), 1u);
    EXPECT_EQ(window.compared->safeValues[0].index, 2u);
    EXPECT_EQ(jobs.asked, (std::vector<JobKind>{K::ReadParameters, K::ReadFileNames, K::ReadSafeValues}));
}

TEST_F(BackupCommandsTest, aBackupFileThatIsRefusedAsksTheGatewayNothing) {
    window.openPath = (folder / "missing.norvik").string();
    commands.restore({});
    ASSERT_TRUE(window.fileProblem);
    EXPECT_EQ(window.fileProblem->error, BackupError::CannotOpen);
    EXPECT_TRUE(jobs.asked.empty());
    EXPECT_FALSE(commands.running());
}

}  // namespace
}  // namespace norvik
