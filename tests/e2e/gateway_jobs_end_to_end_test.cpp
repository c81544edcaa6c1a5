// Gateway jobs against norvik-gatesim on a pseudo-terminal: the real port and
// real worker threads, each outcome as a real peer produces it, checked on
// the simulator's wire log.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "link/console_dialogue.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"
#include "model/gateway_config.h"
#include "safevalue/safe_value_layout.h"
#include "support/counting_port.h"
#include "support/gatesim_process.h"
#include "support/gateway_ticks.h"
#include "support/recording_ui.h"

namespace norvik {
namespace {

using namespace std::chrono_literals;
using test::GatesimProcess;

struct Peer {
    std::unique_ptr<GatesimProcess> sim;
    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    test::CountingPort port;
    test::RecordingUi ui;
    std::unique_ptr<ConsoleDialogue> dialogue;
    std::map<JobId, std::vector<JobResult>> results;

    explicit Peer(std::vector<std::string> simArgs) {
        sim = std::make_unique<GatesimProcess>(NORVIK_GATESIM, std::move(simArgs));
        ::setenv("NORVIK_COM1", sim->slavePath().c_str(), 1);
        dialogue = std::make_unique<ConsoleDialogue>(session, config, ip, port, ui, ui.hooks());
        PortSettings settings;
        settings.baud = 2400;  // a pty ignores it; the slow rate gives generous time-outs
        dialogue->connect(settings);
    }
    ~Peer() {
        if (session.portOpen) dialogue->disconnect();
        dialogue.reset();
    }
    ::testing::AssertionResult tick() {
        test::awaitAnswer(*sim, port, *dialogue);
        return test::pollOnce(*dialogue, session, ui);
    }
    bool tickUntil(const std::function<bool()>& done, int maxTicks = 40) {
        for (int i = 0; i < maxTicks && !done(); ++i) {
            if (!tick()) return false;
        }
        return done();
    }
    bool ready() {
        return tickUntil(
            [&] { return session.parameterLoaded && !session.firmwareAutoQuery && !dialogue->exchangeOpen(); });
    }
    JobId submit(Job job) {
        auto slot = std::make_shared<JobId>(0);
        *slot = dialogue->submit(std::move(job), [this, slot](const JobResult& r) { results[*slot].push_back(r); });
        return *slot;
    }
    // The simulator logs an answer once the pty holds it, so the link may read
    // it a moment before the entry is written: wait a little for it.
    bool logHas(const std::string& entry) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        for (;;) {
            const auto lines = sim->logLines();
            if (std::find(lines.begin(), lines.end(), entry) != lines.end()) return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    bool logHasPrefix(const std::string& prefix) const {
        const auto lines = sim->logLines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
    }
};

TEST(GatewayJobsEndToEnd, eachOutcomeAsARealPeerProducesIt) {
    struct Case {
        const char* name;
        std::vector<std::string> simArgs;
        std::function<Job(const Peer&)> job;
        // What the test does once the job is queued; ticks until it ends by default.
        std::function<void(Peer&, JobId)> drive;
        JobOutcome outcome;
        GatewayError error;
        std::vector<std::string> logged;     // wire log entries that must be there
        std::vector<std::string> notLogged;  // and prefixes that must not
    };
    const auto safeBlock = [](const Peer& p) {
        return Job::sendSafeValues(std::vector<uint8_t>(safeValueBlockBytes(p.session.safeValueLayout), 0x5A));
    };
    const auto read = [](JobKind kind) { return [kind](const Peer&) { return Job::read(kind); }; };
    const std::vector<Case> cases = {
        {"safe values sent",
         {},
         safeBlock,
         {},
         JobOutcome::Done,
         GatewayError::None,
         {"RX LINE SEND_SAFE_VALUE", "TX LINE receive_safe_value finish"},
         {}},
        {"safe values read",
         {},
         read(JobKind::ReadSafeValues),
         {},
         JobOutcome::Done,
         GatewayError::None,
         {"RX LINE LOAD_SAFE_VALUE", "TX LINE send safe value to com finish"},
         {}},
        {"ip setting not stored",
         {"--reply-error", "save-ip"},
         [](const Peer&) { return Job::sendIpSetting(IpSettingRecord{}); },
         {},
         JobOutcome::GatewayError,
         GatewayError::SaveFailed,
         {"RX LINE SEND_IP_SETTING", "TX LINE save_ip_setting error!"},
         {"RX STORED"}},
        {"ip setting short",
         {"--truncate-ip-block", "40"},
         read(JobKind::ReadIpSetting),
         {},
         JobOutcome::BlockIncomplete,
         GatewayError::None,
         {"RX LINE LOAD_IP_SETTING", "TX BLOCK 40"},
         {}},
        {"file names never answered",
         {"--ignore-file-name"},
         read(JobKind::ReadFileNames),
         {},
         JobOutcome::NoAnswer,
         GatewayError::None,
         {"RX LINE LOAD--FILE_NAME"},
         {"TX LINE send file name to com"}},
        {"disconnect under a late block",
         {"--late-block-ms", "3000", "--late-block-of", "ip"},
         read(JobKind::ReadIpSetting),
         [](Peer& p, JobId) {
             // Ticked by hand: the worker must still be waiting when Disconnect comes.
             for (int i = 0; i < 20 && !p.dialogue->workerBusy(); ++i) {
                 test::awaitGateway(*p.sim, p.port.linesSent());
                 p.dialogue->onPollTimer();
                 p.ui.runAllPosted();
             }
             ASSERT_TRUE(p.dialogue->workerBusy());
             p.dialogue->disconnect();
         },
         JobOutcome::LinkLost,
         GatewayError::None,
         {"RX LINE LOAD_IP_SETTING"},
         {}},
        {"cancelled before its turn",
         {},
         safeBlock,
         [](Peer& p, JobId id) {
             ASSERT_TRUE(p.dialogue->cancel(id));
             for (int i = 0; i < 3; ++i) ASSERT_TRUE(p.tick());
         },
         JobOutcome::Cancelled,
         GatewayError::None,
         {},
         {"RX LINE SEND_SAFE_VALUE"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<std::string> args = {"--finish-delay-ms", "20"};
        args.insert(args.end(), k.simArgs.begin(), k.simArgs.end());
        Peer peer(args);
        if (k.outcome == JobOutcome::NoAnswer) {
            // The first query goes unanswered too: wait until the link is up.
            ASSERT_TRUE(peer.tickUntil([&] { return peer.session.parameterLoaded; }));
        } else {
            ASSERT_TRUE(peer.ready());
        }
        const JobId id = peer.submit(k.job(peer));
        if (k.drive) {
            k.drive(peer, id);
            peer.ui.runAllPosted();
        } else {
            ASSERT_TRUE(peer.tickUntil([&] { return !peer.results[id].empty(); }, 60));
        }
        ASSERT_EQ(peer.results[id].size(), 1u);
        const JobResult& r = peer.results[id][0];
        EXPECT_EQ(r.outcome, k.outcome) << jobOutcomeName(r.outcome);
        EXPECT_EQ(r.error, k.error);
        for (const std::string& entry : k.logged) EXPECT_TRUE(peer.logHas(entry)) << entry;
        for (const std::string& prefix : k.notLogged) EXPECT_FALSE(peer.logHasPrefix(prefix)) << prefix;
        if (r.done() && r.kind == JobKind::ReadSafeValues) {
            EXPECT_EQ(r.raw.size(), safeValueBlockBytes(peer.session.safeValueLayout));
            EXPECT_EQ(r.raw, r.safeValues);
        }
    }
}

}  // namespace
}  // namespace norvik
