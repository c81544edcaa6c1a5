#include "link/block_worker.h"

#include <utility>

namespace norvik {

BlockWorker::BlockWorker(SerialPort& port, WorkerRunner* runner, PostHook post, Notice notice)
    : port_(port), runner_(runner ? runner : &ownRunner_), post_(std::move(post)), notice_(std::move(notice)) {}

BlockWorker::~BlockWorker() { stop(); }

void BlockWorker::start(std::unique_ptr<Result> result, Line line, ReceiveProgress progress) {
    runner_->join();  // an earlier worker whose notice never came
    result_ = std::move(result);
    line_ = line;
    progress_ = std::move(progress);
    // The worker reads what it needs from the members set above, which stay
    // untouched until it has been joined: the work itself carries no copies.
    runner_->start([this, ticket = ++ticket_] { receive(ticket); });
}

void BlockWorker::receive(uint64_t ticket) {
    Result& out = *result_;
    switch (out.kind) {
    case Kind::Parameter:
        out.outcome = parseParameterBlock(port_, line_.portNumber, line_.baud, *out.config, progress_);
        break;
    case Kind::SafeValue:
        out.outcome =
            safeValueWorker(port_, line_.portNumber, line_.baud, line_.safeValueBytes, out.safeValueBytes, progress_);
        break;
    case Kind::IpSetting:
        out.outcome = ipSettingWorker(port_, line_.portNumber, line_.baud, out.ipSetting, progress_);
        break;
    case Kind::FileName:
        out.outcome = fileNameWorker(port_, line_.portNumber, line_.baud, out.fileNames, progress_);
        break;
    }
    // The last thing the worker does: after it, the owner may join it.
    if (post_) {
        post_([this, alive = std::weak_ptr<int>(alive_), ticket] {
            if (!alive.expired()) notice_(ticket);
        });
    }
}

std::unique_ptr<BlockWorker::Result> BlockWorker::take(uint64_t ticket) {
    if (!result_ || ticket != ticket_) return nullptr;  // a worker of a link that has since ended
    runner_->join();
    return std::move(result_);
}

bool BlockWorker::stop() {
    const bool started = result_ != nullptr;
    if (runner_->running()) {
        port_.cancelWaits();
        runner_->join();
    }
    // Whatever the worker received belongs to a link that has ended or to a
    // receive cut short; its notice, if still queued, finds no result.
    result_.reset();
    return started;
}

}  // namespace norvik
