// The runner's side of a stop signal, against links that wait until told.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "device_run.h"
#include "device_runner.h"

namespace norvik::cli {
namespace {

// Every link waits in open() until it is interrupted; the test learns when
// all of them are waiting.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    int waiting = 0;
};

class WaitingLink : public GatewayLink {
public:
    explicit WaitingLink(Gate& gate) : gate_(gate) {}
    LinkOpening open(const PortSettings&, const JobProgressHook&) override {
        std::unique_lock lock(gate_.mutex);
        ++gate_.waiting;
        gate_.changed.notify_all();
        gate_.changed.wait(lock, [&] { return interrupted_.load(); });
        LinkOpening opening;
        opening.outcome = LinkOpenOutcome::Interrupted;
        return opening;
    }
    JobResult run(Job job, const JobProgressHook&) override {
        JobResult result;
        result.kind = job.kind;
        result.outcome = JobOutcome::Cancelled;
        return result;
    }
    void close() override {}
    void interrupt() override {
        std::lock_guard lock(gate_.mutex);
        interrupted_ = true;
        gate_.changed.notify_all();
    }
    bool interrupted() const override { return interrupted_.load(); }
    GatewayJobs& jobs() override { std::abort(); }
    bool runUntil(const std::function<bool()>&, int) override { return false; }

private:
    Gate& gate_;
    std::atomic<bool> interrupted_{false};
};

TEST(CliRunner, aStopSignalEndsEveryLinkAndPrintsOnlyItsOutcome) {
    for (const ExitCode why : {ExitCode::Interrupted, ExitCode::Terminated}) {
        CliOptions options;
        options.json = true;
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        Terminal terminal(out, err, false);
        Gate gate;
        DeviceRunner runner(
            options, [&] { return std::make_unique<WaitingLink>(gate); }, terminal);
        std::vector<DeviceTarget> targets(3);
        ExitCode result = ExitCode::Done;
        std::thread running([&] { result = runner.run(targets); });
        {
            std::unique_lock lock(gate.mutex);
            gate.changed.wait(lock, [&] { return gate.waiting == 3; });
        }
        runner.interrupt(why);
        running.join();
        EXPECT_EQ(result, why);
        // One document that says the run was cut, and no device's result: a
        // script must not take a partial run for a result.
        std::rewind(out);
        std::string printed(4096, '\0');
        printed.resize(std::fread(printed.data(), 1, printed.size(), out));
        const nlohmann::json document = nlohmann::json::parse(printed);
        EXPECT_EQ(document["outcome"], outcomeName(why));
        EXPECT_EQ(document["exit_code"], exitStatus(why));
        EXPECT_FALSE(document.contains("device"));
        EXPECT_GT(std::ftell(err), 0L);
        std::fclose(out);
        std::fclose(err);
    }
}

}  // namespace
}  // namespace norvik::cli
