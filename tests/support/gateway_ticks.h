#pragma once
// Driving the console dialogue against norvik-gatesim the way the window's
// timers and event loop do, in end-to-end tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/console_dialogue.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"
#include "support/gatesim_process.h"
#include "support/recording_ui.h"

namespace norvik::test {

// True once the simulator has read `linesSent` lines and has written what it
// answers at once. A line read at 2400 baud waits only 150 ms, so on a loaded
// machine a fixed pause before a tick would sometimes not be enough; this
// waits for the gateway itself, up to `bound`.
inline bool awaitGateway(const GatesimProcess& sim, unsigned linesSent,
                         std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (true) {
        const auto lines = sim.logLines();
        const auto received =
            std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("RX LINE "); });
        const bool answered = lines.empty() || !lines.back().starts_with("RX ");
        if (static_cast<unsigned>(received) >= linesSent && answered) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Bytes of the simulator's answer to the last line it heard: what its log
// says it wrote after its last entry of a line or block received.
inline std::size_t lastAnswerBytes(const std::vector<std::string>& log) {
    std::size_t bytes = 0;
    for (auto it = log.rbegin(); it != log.rend() && !it->starts_with("RX "); ++it) {
        if (it->starts_with("TX LINE ")) {
            const std::string text = it->substr(8);
            std::size_t escapes = 0;
            for (std::size_t at = text.find("\\x"); at != std::string::npos; at = text.find("\\x", at + 1)) ++escapes;
            bytes += text.size() - 3 * escapes + 2;
        } else if (it->starts_with("TX BLOCK ")) {
            bytes += std::stoul(it->substr(9));
        }
    }
    return bytes;
}

// A pseudo-terminal hands what the simulator wrote to the reading side a
// moment later, longer on a loaded machine, where a real port has had the
// whole second of a tick. Waits, up to `bound`, until `bytes` have arrived
// since the last write, so that the tick after it reads the answer as it
// would on a real port.
template <class Port>
void awaitArrival(const Port& port, std::size_t bytes, std::chrono::milliseconds bound = std::chrono::seconds(2)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (port.bytesSinceWrite() < bytes && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Before a tick: the simulator has heard every line and answered, and, when
// the tick will read lines rather than find a worker still busy, the answer
// has reached the port. False when the simulator did not answer in `bound`.
template <class Port>
bool awaitAnswer(const GatesimProcess& sim, const Port& port, const ConsoleDialogue& dialogue,
                 std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    if (!awaitGateway(sim, port.linesSent(), bound)) return false;
    if (!dialogue.workerBusy()) awaitArrival(port, lastAnswerBytes(sim.logLines()));
    return true;
}

// The jobs a test asks for and how they ended, as the test's loop hands the
// ends over.
class JobLog {
public:
    JobId ask(GatewayJobs& jobs, Job job) {
        return jobs.submit(std::move(job), [this](const JobResult& r) { ended_.push_back(r); });
    }
    // The last end of a job of `kind`; null while none has ended.
    const JobResult* last(JobKind kind) const {
        for (auto it = ended_.rbegin(); it != ended_.rend(); ++it)
            if (it->kind == kind) return &*it;
        return nullptr;
    }
    bool endedWith(JobKind kind, JobOutcome outcome) const {
        const JobResult* r = last(kind);
        return r != nullptr && r->outcome == outcome;
    }
    std::size_t count() const { return ended_.size(); }
    void clear() { ended_.clear(); }

private:
    std::vector<JobResult> ended_;
};

// One poll tick, with the worker's notice delivered as the window's loop would.
// Job outcomes posted on the way are delivered too.
inline ::testing::AssertionResult pollOnce(ConsoleDialogue& dialogue, const LinkSession&, RecordingUi& ui) {
    dialogue.onPollTimer();
    while (dialogue.workerBusy()) {
        if (!ui.runPosted(std::chrono::seconds(10))) return ::testing::AssertionFailure() << "worker did not finish";
    }
    ui.runAllPosted();
    return ::testing::AssertionSuccess();
}

}  // namespace norvik::test
