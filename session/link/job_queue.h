#pragma once
// The jobs waiting for the console dialogue and the one it runs now. The
// queue knows nothing of the console: the dialogue decides which job starts
// and how it ends; the queue sees to it that each ends exactly once, that its
// outcome and progress reach the asking thread through the posting hook (never
// from inside a call of the asker's), and that a job that has ended hears
// nothing more of its block.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "link/block_receivers.h"
#include "link/dialogue_hooks.h"
#include "link/gateway_jobs.h"

namespace norvik {

class JobQueue {
public:
    JobQueue(PostHook post, const Clock& clock) : post_(std::move(post)), clock_(clock) {
        // Room for a job of every kind, as the dialogs and menus ask them.
        queue_.reserve(6);
    }
    // Whoever owns the queue ends its jobs first (endAll): only it knows how.
    ~JobQueue() = default;
    JobQueue(const JobQueue&) = delete;
    JobQueue& operator=(const JobQueue&) = delete;

    struct Submitted {
        JobId id = 0;
        bool queued = false;  // false: it has ended at once (posted)
    };
    // Queues a job, or ends it at once: Refused when its block breaks a rule of
    // the gateway, LinkLost when no link is open.
    Submitted submit(Job job, JobDone done, JobProgressHook progress, bool linkOpen);
    // A queued job ends at once, a running one as its exchange goes on without it.
    bool cancel(JobId id);
    std::size_t pending() const { return queue_.size() + (running_ ? 1 : 0); }

    bool queued(JobKind kind) const;
    // The first queued job of `kind` becomes the running one; without one, none runs.
    void start(JobKind kind);
    bool running() const { return running_.has_value(); }
    // The running job's request; only while one runs.
    const Job& runningJob() const { return running_->job; }

    // What the running job has learnt so far, made when it learns something:
    // most exchanges have no job, and a result is large.
    JobResult& data();
    void forgetData() { data_.reset(); }

    // Ends the running job, if any. Data (and `raw`, the block as it came) go
    // only with a job that is done: nothing half received is handed on.
    void end(JobOutcome outcome, GatewayError error = GatewayError::None, std::span<const uint8_t> raw = {});
    void endAll(JobOutcome outcome);

    // How far the running job's block has come, called on a worker's thread:
    // posted to the job while it still runs. Empty when it asked for none.
    ReceiveProgress progressOfRunning() const;

private:
    struct Queued {
        JobId id = 0;
        Job job;
        JobDone done;
        JobProgressHook progress;
        uint64_t startMs = 0;
    };

    // Taken as they are handed: a result is large, and moved once into the post.
    void post(JobDone&& done, JobResult&& result) const;
    uint64_t elapsedSince(uint64_t startMs) const { return clock_.nowMs() - startMs; }

    PostHook post_;
    const Clock& clock_;
    // Posted progress checks it, so that nothing posted runs into a queue that has gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    // A handful of jobs at most, looked through at every tick: kept side by side.
    std::vector<Queued> queue_;
    std::optional<Queued> running_;
    std::optional<JobResult> data_;
    JobId nextId_ = 0;
};

}  // namespace norvik
