#include "backup/gateway_runs.h"

#include <gtest/gtest.h>

#include <memory>

#include "backup_blocks.h"
#include "scripted_jobs.h"

namespace norvik {
namespace {

using test::Kind;
using K = JobKind;

struct ReadEnd {
    int calls = 0;
    std::optional<GatewaySnapshot> snapshot;
    std::optional<RunFailure> failure;
};

GatewayReadRun::Finished recordInto(ReadEnd& end) {
    return [&end](std::optional<GatewaySnapshot> s, std::optional<RunFailure> f) {
        ++end.calls;
        end.snapshot = std::move(s);
        end.failure = std::move(f);
    };
}

TEST(GatewayReadRun, asksOnlyForWhatIsNotYetKnownAndChecksWhatCame) {
    struct Case {
        const char* name;
        Kind kind;
        bool parametersKnown;
        bool namesKnown;
        bool namesUnavailable;
        std::vector<JobKind> asked;
    };
    const Case cases[] = {
        {"HX-3410, nothing known", Kind::Hx3410, false, false, false, {K::ReadParameters, K::ReadFileNames, K::ReadSafeValues}},
        {"HX-3420, nothing known", Kind::Hx3420Large, false, false, false,
         {K::ReadParameters, K::ReadFileNames, K::ReadSafeValues, K::ReadIpSetting}},
        {"HX-3420, parameters and names known", Kind::Hx3420Small, true, true, false,
         {K::ReadSafeValues, K::ReadIpSetting}},
        {"HX-3410 without a file list", Kind::Hx3410, false, true, true, {K::ReadParameters, K::ReadSafeValues}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GatewayBlocks gateway = test::gatewayBlocks(c.kind, 3);
        if (c.namesUnavailable) gateway.fileNames.reset();
        KnownBlocks known;
        if (c.parametersKnown) known.parameters = gateway.parameters;
        if (c.namesKnown) known.fileNames = gateway.fileNames;
        test::ScriptedJobs jobs;
        ReadEnd end;
        std::vector<std::pair<int, int>> steps;
        GatewayReadRun run(jobs, known, {[&](JobKind, int i, int n) { steps.emplace_back(i, n); }, {}}, recordInto(end));
        run.start();
        jobs.answerAllFrom(gateway);
        EXPECT_EQ(jobs.asked, c.asked);
        ASSERT_EQ(end.calls, 1);
        ASSERT_TRUE(end.snapshot);
        EXPECT_EQ(end.snapshot->blocks, gateway);
        // The last step knows the whole count.
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back(), std::make_pair(static_cast<int>(c.asked.size()) - 1, static_cast<int>(c.asked.size())));
    }
}

TEST(GatewayReadRun, endsAtTheFirstJobThatFailsAndAsksNothingMore) {
    const JobOutcome outcomes[] = {JobOutcome::GatewayError, JobOutcome::BlockIncomplete, JobOutcome::NoAnswer,
                                   JobOutcome::LinkLost, JobOutcome::Cancelled};
    for (const JobOutcome outcome : outcomes) {
        for (int failing = 0; failing < 4; ++failing) {
            SCOPED_TRACE(std::string(jobOutcomeName(outcome)) + " at job " + std::to_string(failing));
            GatewayBlocks gateway = test::gatewayBlocks(Kind::Hx3420Small);
            test::ScriptedJobs jobs;
            ReadEnd end;
            GatewayReadRun run(jobs, {}, {}, recordInto(end));
            run.start();
            for (int i = 0; i < failing; ++i) jobs.answerFrom(gateway);
            JobResult bad;
            bad.outcome = outcome;
            bad.error = outcome == JobOutcome::GatewayError ? GatewayError::ReadEeprom : GatewayError::None;
            jobs.answer(bad);
            EXPECT_TRUE(jobs.pending.empty());
            EXPECT_EQ(jobs.asked.size(), static_cast<std::size_t>(failing + 1));
            ASSERT_EQ(end.calls, 1);
            EXPECT_FALSE(end.snapshot);
            ASSERT_TRUE(end.failure);
            EXPECT_EQ(end.failure->step, jobs.asked.back());
            EXPECT_EQ(end.failure->outcome, outcome);
            EXPECT_EQ(end.failure->error, bad.error);
        }
    }
}

TEST(GatewayReadRun, blocksThatCameWholeButDisagreeAreRefused) {
    GatewayBlocks gateway = test::gatewayBlocks(Kind::Hx3420Small);
    gateway.safeValueLayout = SafeValueLayout::Block976;  // the link read the other size
    gateway.safeValues.resize(976);
    test::ScriptedJobs jobs;
    ReadEnd end;
    GatewayReadRun run(jobs, {}, {}, recordInto(end));
    run.start();
    jobs.answerAllFrom(gateway);
    ASSERT_TRUE(end.failure);
    EXPECT_EQ(end.failure->problem.error, BackupError::Inconsistent);
    EXPECT_EQ(end.failure->problem.field, "safeValueLayout");
}

TEST(GatewayReadRun, cancelEndsAtOnceAndALateAnswerChangesNothing) {
    GatewayBlocks gateway = test::gatewayBlocks(Kind::Hx3410);
    test::ScriptedJobs jobs;
    ReadEnd end;
    GatewayReadRun run(jobs, {}, {}, recordInto(end));
    run.start();
    jobs.answerFrom(gateway);
    ASSERT_EQ(jobs.pending.size(), 1u);
    const JobId second = jobs.pending.front().id;
    run.cancel();
    EXPECT_EQ(jobs.cancelled, std::vector<JobId>{second});
    ASSERT_EQ(end.calls, 1);
    EXPECT_EQ(end.failure->outcome, JobOutcome::Cancelled);
    EXPECT_EQ(end.failure->step, K::ReadFileNames);
    EXPECT_FALSE(run.running());
    run.cancel();
    EXPECT_EQ(end.calls, 1);
}

TEST(GatewayReadRun, aRunDestroyedWhileAJobWaitsCancelsItAndIsNeverCalledBack) {
    test::ScriptedJobs jobs;
    ReadEnd end;
    auto run = std::make_unique<GatewayReadRun>(jobs, KnownBlocks{}, RunHooks{}, recordInto(end));
    run->start();
    // A job whose outcome is already on its way cannot be taken back.
    jobs.pending.front().id = 999;
    run.reset();
    ASSERT_EQ(jobs.pending.size(), 1u);
    jobs.answer(JobResult{});
    EXPECT_EQ(end.calls, 0);
}

TEST(RestoreRun, sendsTheBackupReadsItBackAndFindsItEqual) {
    struct Case {
        const char* name;
        Kind kind;
        std::vector<JobKind> asked;
    };
    const Case cases[] = {
        {"HX-3410", Kind::Hx3410, {K::SendSafeValues, K::ReadSafeValues}},
        {"HX-3420, 512 bytes", Kind::Hx3420Small,
         {K::SendSafeValues, K::SendIpSetting, K::ReadSafeValues, K::ReadIpSetting}},
        {"HX-3420, 976 bytes", Kind::Hx3420Large,
         {K::SendSafeValues, K::SendIpSetting, K::ReadSafeValues, K::ReadIpSetting}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GatewaySnapshot backup = test::snapshotOf(test::gatewayBlocks(c.kind, 1));
        GatewayBlocks gateway = test::gatewayBlocks(c.kind, 2);
        if (gateway.ipSetting) gateway.ipSetting = test::ipBlock(77);
        test::ScriptedJobs jobs;
        std::optional<RestoreReport> report;
        RestoreRun run(jobs, backup, test::snapshotOf(gateway), {}, [&](const RestoreReport& r) { report = r; });
        run.start();
        jobs.answerAllFrom(gateway);
        EXPECT_EQ(jobs.asked, c.asked);
        ASSERT_TRUE(report);
        EXPECT_TRUE(report->verified);
        EXPECT_FALSE(report->failure);
        EXPECT_TRUE(report->safeValuesSent);
        EXPECT_EQ(report->ipSettingSent, backup.ipSetting.has_value());
        EXPECT_EQ(gateway.safeValues, backup.blocks.safeValues);
        EXPECT_EQ(gateway.ipSetting, backup.blocks.ipSetting);
    }
}

TEST(RestoreRun, saysWhatTheGatewayHoldsOtherwiseAndWhatCouldNotBeSent) {
    const GatewaySnapshot backup = test::snapshotOf(test::gatewayBlocks(Kind::Hx3420Small, 1));
    const GatewaySnapshot before = test::snapshotOf(test::gatewayBlocks(Kind::Hx3420Small, 2));

    {
        SCOPED_TRACE("the word read back differs");
        GatewayBlocks gateway = before.blocks;
        test::ScriptedJobs jobs;
        std::optional<RestoreReport> report;
        RestoreRun run(jobs, backup, before, {}, [&](const RestoreReport& r) { report = r; });
        run.start();
        jobs.answerFrom(gateway);
        jobs.answerFrom(gateway);
        gateway.safeValues[3 * 128] ^= 0xFF;  // AO word 0, low byte
        jobs.answerAllFrom(gateway);
        ASSERT_TRUE(report);
        EXPECT_FALSE(report->verified);
        ASSERT_EQ(report->differences.safeValues.size(), 1u);
        EXPECT_EQ(report->differences.safeValues[0].area, DeviceArea::AO);
        EXPECT_EQ(report->differences.safeValues[0].index, 0u);
        EXPECT_TRUE(report->differences.ipSetting.empty());
        EXPECT_TRUE(report->differences.parameters.empty());
    }
    {
        SCOPED_TRACE("the IP setting refused");
        GatewayBlocks gateway = before.blocks;
        test::ScriptedJobs jobs;
        std::optional<RestoreReport> report;
        RestoreRun run(jobs, backup, before, {}, [&](const RestoreReport& r) { report = r; });
        run.start();
        jobs.answerFrom(gateway);
        JobResult refused;
        refused.outcome = JobOutcome::GatewayError;
        refused.error = GatewayError::SaveFailed;
        jobs.answer(refused);
        ASSERT_TRUE(report);
        EXPECT_FALSE(report->verified);
        EXPECT_TRUE(report->safeValuesSent);
        EXPECT_FALSE(report->ipSettingSent);
        ASSERT_TRUE(report->failure);
        EXPECT_EQ(report->failure->step, K::SendIpSetting);
        EXPECT_EQ(report->failure->error, GatewayError::SaveFailed);
        EXPECT_TRUE(jobs.pending.empty());
    }
}

}  // namespace
}  // namespace norvik
