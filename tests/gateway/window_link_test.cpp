// The window's link on its own thread: jobs handed over and their outcomes
// delivered once on the window's thread, the state the link publishes, and
// the link's end in the middle of a block.

#include "gateway/window_link.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gateway/gateway_state.h"
#include "link/console_dialogue.h"
#include "link/console_texts.h"
#include "serial/traffic_log.h"
#include "support/fake_port.h"
#include "support/wait_for.h"

namespace norvik {
namespace {

namespace c = console;

class WindowLinkTest : public ::testing::Test {
protected:
    test::FakePort port;
    TrafficLog log;
    TrafficTap tap{port, log};
    QObject window;
    std::unique_ptr<WindowLink> link = std::make_unique<WindowLink>(tap, true, true);
    LinkJobs jobs{*link, window};
    std::vector<std::pair<JobOutcome, QThread*>> ends;

    void tick(const std::string& line = {}) {
        if (!line.empty()) port.queueLine(line);
        link->callAndWait([&] { link->tick(); });
        QCoreApplication::processEvents();
    }
    JobDone recordEnd() {
        return [this](const JobResult& r) { ends.emplace_back(r.outcome, QThread::currentThread()); };
    }
};

TEST_F(WindowLinkTest, outcomesReachTheWindowsThreadOnceEach) {
    struct Case {
        const char* name;
        bool connected;
        bool cancel;
        JobOutcome outcome;
    };
    const std::vector<Case> cases{
        {"port closed", false, false, JobOutcome::LinkLost},
        {"cancelled while queued", true, true, JobOutcome::Cancelled},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ends.clear();
        if (k.connected) link->call([this] { link->connectPort(PortSettings{}); });
        const JobId id = jobs.submit(Job::read(JobKind::ReadIpSetting), recordEnd());
        EXPECT_EQ(jobs.pendingJobs(), 1u);
        if (k.cancel) {
            EXPECT_TRUE(jobs.cancel(id));
        }
        ASSERT_TRUE(test::waitFor([&] { return !ends.empty(); }));
        tick();
        QCoreApplication::processEvents();
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].first, k.outcome);
        EXPECT_EQ(ends[0].second, QThread::currentThread());
        EXPECT_EQ(jobs.pendingJobs(), 0u);
        EXPECT_FALSE(jobs.cancel(id)) << "an ended job is no longer the link's";
    }
}

TEST_F(WindowLinkTest, theStateFollowsTheLinkAndGivesWayToABackup) {
    GatewayState state;
    QObject::connect(link.get(), &WindowLink::sessionChanged, &state, &GatewayState::showLinkSession);
    link->call([this] { link->connectPort(PortSettings{}); });
    tick(c::kReplyConnect);
    EXPECT_TRUE(state.session().portOpen);
    EXPECT_EQ(state.session().linkState, LinkState::Connected);
    EXPECT_EQ(state.refusal(), LinkRefusal::NoParameter);

    GatewayBackup backup;
    backup.gateway.fileCount = 2;
    state.openBackup(backup, QStringLiteral("plant.norvik"));
    EXPECT_FALSE(state.refusal().has_value()) << "the backup stands in for the gateway";
    EXPECT_EQ(state.session().fileCount, 2);
    tick(c::kReplyDisconnect);  // the link goes on meanwhile, unseen
    EXPECT_EQ(state.session().linkState, LinkState::Connected);
    state.closeBackup();
    EXPECT_EQ(state.session().linkState, LinkState::NotConnected) << "what the link said while the backup showed";
    EXPECT_TRUE(state.session().portOpen);
}

TEST_F(WindowLinkTest, endingMidBlockCutsTheReceiveAndEndsTheThread) {
    link->call([this] { link->connectPort(PortSettings{}); });
    tick(c::kReplyConnect);
    port.holdBlocks();
    tick(c::kReplyParameter);
    bool running = false;
    link->callAndWait([&] { running = link->dialogue().workerRunning(); });
    ASSERT_TRUE(running);
    const QPointer<QThread> thread = link->thread();
    const int cutBefore = port.holdsCut();
    link.reset();
    EXPECT_EQ(port.holdsCut(), cutBefore + 1);
    EXPECT_TRUE(thread.isNull());
    port.release();
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace norvik
