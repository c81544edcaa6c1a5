#include "link/block_worker.h"

#include <utility>

namespace norvik {

BlockWorker::BlockWorker(SerialPort& port, WorkerRunner* runner, PostHook post, Notice notice)
    : port_(port), runner_(runner ? runner : &ownRunner_), post_(std::move(post)), notice_(std::move(notice)) {}

BlockWorker::~BlockWorker() { stop(); }

void BlockWorker::start(std::unique_ptr<Result> result, Line line, ReceiveProgress progress) {
    runner_->join();  // an earlier worker whose notice never came
    result_ = std::move(result);
    const uint64_t ticket = ++ticket_;
    Result* out = result_.get();
    SerialPort* port = &port_;
    PostHook post = post_;
    std::weak_ptr<int> alive = alive_;
    runner_->start([=, this, progress = std::move(progress)] {
        switch (out->kind) {
        case Kind::Parameter:
            out->outcome = parseParameterBlock(*port, line.portNumber, line.baud, *out->config, progress);
            break;
        case Kind::SafeValue:
            out->outcome =
                safeValueWorker(*port, line.portNumber, line.baud, line.safeValueBytes, out->safeValueBytes, progress);
            break;
        case Kind::IpSetting:
            out->outcome = ipSettingWorker(*port, line.portNumber, line.baud, out->ipSetting, progress);
            break;
        case Kind::FileName:
            out->outcome = fileNameWorker(*port, line.portNumber, line.baud, out->fileNames, progress);
            break;
        }
        // The last thing the worker does: after it, the owner may join it.
        if (post) {
            post([this, alive, ticket] {
                if (!alive.expired()) notice_(ticket);
            });
        }
    });
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
