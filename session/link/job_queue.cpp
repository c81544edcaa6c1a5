#include "link/job_queue.h"

#include <algorithm>
#include <utility>

namespace norvik {

JobQueue::Submitted JobQueue::submit(Job job, JobDone done, JobProgressHook progress, bool linkOpen) {
    const JobId id = ++nextId_;
    std::optional<IllegalIpAddress> illegal = sendRefusal(job);
    if (illegal || !linkOpen) {
        JobResult result;
        result.kind = job.kind;
        result.outcome = illegal ? JobOutcome::Refused : JobOutcome::LinkLost;
        result.illegalIp = illegal;
        post(std::move(done), std::move(result));
        return {id, false};
    }
    queue_.push_back(Queued{id, std::move(job), std::move(done), std::move(progress), clock_.nowMs()});
    return {id, true};
}

bool JobQueue::cancel(JobId id) {
    const auto it = std::find_if(queue_.begin(), queue_.end(), [id](const Queued& j) { return j.id == id; });
    if (it != queue_.end()) {
        JobResult result;
        result.kind = it->job.kind;
        result.outcome = JobOutcome::Cancelled;
        result.elapsedMs = elapsedSince(it->startMs);
        post(std::move(it->done), std::move(result));
        queue_.erase(it);
        return true;
    }
    if (!running_ || running_->id != id) return false;
    end(JobOutcome::Cancelled);
    return true;
}

bool JobQueue::queued(JobKind kind) const {
    return std::any_of(queue_.begin(), queue_.end(), [kind](const Queued& j) { return j.job.kind == kind; });
}

void JobQueue::start(JobKind kind) {
    const auto it = std::find_if(queue_.begin(), queue_.end(), [kind](const Queued& j) { return j.job.kind == kind; });
    data_.reset();
    if (it == queue_.end()) {
        running_.reset();
        return;
    }
    running_ = std::move(*it);
    queue_.erase(it);
}

JobResult& JobQueue::data() {
    if (!data_) data_.emplace();
    return *data_;
}

void JobQueue::end(JobOutcome outcome, GatewayError error, std::span<const uint8_t> raw) {
    if (!running_) return;
    const bool finished = outcome == JobOutcome::Done;
    JobResult result = finished && data_ ? std::move(*data_) : JobResult{};
    data_.reset();
    if (finished) result.raw.assign(raw.begin(), raw.end());
    result.kind = running_->job.kind;
    result.outcome = outcome;
    result.error = error;
    result.elapsedMs = elapsedSince(running_->startMs);
    JobDone done = std::move(running_->done);
    running_.reset();
    post(std::move(done), std::move(result));
}

void JobQueue::endAll(JobOutcome outcome) {
    end(outcome);
    // Posting runs nothing at once, so the queue can be emptied in place.
    for (Queued& job : queue_) {
        JobResult result;
        result.kind = job.job.kind;
        result.outcome = outcome;
        result.elapsedMs = elapsedSince(job.startMs);
        post(std::move(job.done), std::move(result));
    }
    queue_.clear();
}

void JobQueue::post(JobDone&& done, JobResult&& result) const {
    if (!done || !post_) return;
    post_([done = std::move(done), result = std::move(result)] { done(result); });
}

ReceiveProgress JobQueue::progressOfRunning() const {
    if (!running_ || !running_->progress || !post_) return {};
    const JobId id = running_->id;
    const JobKind kind = running_->job.kind;
    // Only copies travel to the worker's thread; the queue is touched back on
    // the dialogue's, once the post has run there.
    return [this, post = post_, alive = std::weak_ptr<int>(alive_), id, kind](uint32_t bytes, uint32_t total) {
        post([this, alive, id, progress = JobProgress{kind, bytes, total}] {
            // A job that has ended hears nothing more of its block.
            if (alive.expired() || !running_ || running_->id != id || !running_->progress) return;
            running_->progress(progress);
        });
    };
}

}  // namespace norvik
