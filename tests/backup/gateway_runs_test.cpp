#include "backup/gateway_runs.h"

#include <gtest/gtest.h>

#include <memory>

#include "backup_blocks.h"
#include "safevalue/safe_value.h"
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

TEST(RestoreRun, saysWhereTheBlocksReadBackDifferFromTheBackup) {
    const GatewaySnapshot backup = test::snapshotOf(test::gatewayBlocks(Kind::Hx3420Small, 1));
    const GatewaySnapshot before = test::snapshotOf(test::gatewayBlocks(Kind::Hx3420Small, 2));
    GatewayBlocks gateway = before.blocks;
    test::ScriptedJobs jobs;
    std::optional<RestoreReport> report;
    RestoreRun run(jobs, backup, before, {}, [&](const RestoreReport& r) { report = r; });
    run.start();
    jobs.answerFrom(gateway);  // the two sends
    jobs.answerFrom(gateway);
    gateway.safeValues[3 * 128] ^= 0xFF;  // the gateway keeps AO word 0 otherwise
    jobs.answerAllFrom(gateway);
    ASSERT_TRUE(report);
    EXPECT_FALSE(report->verified);
    ASSERT_EQ(report->differences.safeValues.size(), 1u);
    EXPECT_EQ(report->differences.safeValues[0].area, DeviceArea::AO);
    EXPECT_EQ(report->differences.safeValues[0].index, 0u);
    EXPECT_TRUE(report->differences.ipSetting.empty());
    EXPECT_TRUE(report->differences.parameters.empty());
    // Each value on its own side.
    const auto sent = decodeSafeValueBlock(backup.blocks.safeValues, backup.blocks.safeValueLayout);
    const auto held = decodeSafeValueBlock(gateway.safeValues, gateway.safeValueLayout);
    ASSERT_TRUE(sent && held);
    ASSERT_NE(sent->ao[0], held->ao[0]);
    EXPECT_EQ(report->differences.safeValues[0].backupValue, safeWordText(sent->ao[0]));
    EXPECT_EQ(report->differences.safeValues[0].gatewayValue, safeWordText(held->ao[0]));
}

// A send the gateway never acknowledged may still have been stored: the
// report says so, and only a send that never began leaves the gateway as it was.
TEST(RestoreRun, saysOfEachBlockWhetherItWasSentAndAcknowledged) {
    using S = SendState;
    struct Case {
        int acknowledged;  // sends the gateway acknowledged before the failure
        JobOutcome outcome;
        S safeValues;
        S ipSetting;
        bool mayHaveChanged;
    };
    const Case cases[] = {
        {0, JobOutcome::LinkLost, S::Unconfirmed, S::NotSent, true},
        {0, JobOutcome::NoAnswer, S::Unconfirmed, S::NotSent, true},
        {0, JobOutcome::GatewayError, S::Unconfirmed, S::NotSent, true},
        {0, JobOutcome::Refused, S::NotSent, S::NotSent, false},
        {1, JobOutcome::LinkLost, S::Acknowledged, S::Unconfirmed, true},
        {2, JobOutcome::LinkLost, S::Acknowledged, S::Acknowledged, true},  // the read-back failed
    };
    const GatewaySnapshot backup = test::snapshotOf(test::gatewayBlocks(Kind::Hx3420Small, 1));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.acknowledged << " " << jobOutcomeName(c.outcome));
        GatewayBlocks gateway = test::gatewayBlocks(Kind::Hx3420Small, 2);
        test::ScriptedJobs jobs;
        std::optional<RestoreReport> report;
        RestoreRun run(jobs, backup, test::snapshotOf(gateway), {}, [&](const RestoreReport& r) { report = r; });
        run.start();
        for (int i = 0; i < c.acknowledged; ++i) jobs.answerFrom(gateway);
        JobResult failed;
        failed.outcome = c.outcome;
        jobs.answer(failed);
        ASSERT_TRUE(report && report->failure);
        EXPECT_EQ(report->safeValueSend, c.safeValues);
        EXPECT_EQ(report->ipSettingSend, c.ipSetting);
        EXPECT_EQ(report->mayHaveChanged(), c.mayHaveChanged);
    }
}

}  // namespace
}  // namespace norvik
