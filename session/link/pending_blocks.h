#pragma once
// A load's block as its worker received it, held until the gateway's finish
// line confirms it: a block short by a few bytes that took the head of a
// garbled finish line for them looks whole, and only the line that fails to
// come tells. Confirmed, it is installed where it belongs (the session, the
// configuration, the IP record, the view, the job's result); otherwise it is
// dropped, and the load's error shows.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "firmware/file_names.h"
#include "ipsetting/ip_setting.h"
#include "link/block_worker.h"
#include "link/exchange.h"
#include "link/gateway_jobs.h"
#include "link/job_queue.h"
#include "link/link_session.h"
#include "link/link_view.h"
#include "model/gateway_config.h"

namespace norvik {

class PendingBlocks {
public:
    PendingBlocks(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting, LinkViewState& view,
                  JobQueue& jobs)
        : session_(session), config_(config), ipSetting_(ipSetting), view_(view), jobs_(jobs) {}

    // What a worker receiving `kind` fills, with the inputs it adds to (the
    // configuration, the names held before). Workers fill private copies; what
    // they received is installed on this thread.
    std::unique_ptr<BlockWorker::Result> resultFor(BlockWorker::Kind kind);
    // Holds what a worker received whole (for names: a reply that parsed);
    // false when nothing came to hold.
    bool hold(BlockWorker::Result& result);

    // The finish line of `load` confirms its block: installed. Returns how the
    // exchange's job ends, when this ends it; `jobAsked`: a job asked for the load.
    std::optional<JobOutcome> install(Exchange load, bool jobAsked);
    // A load whose block did not come whole: its error shows and nothing of it
    // is installed. `takenAsWhole`: it had been held, so what was shown of an
    // earlier load goes too. False when `load` is no load.
    bool refuse(Exchange load, bool takenAsWhole);
    // Forgets the blocks held.
    void drop();

    // The open exchange's block, as it came: kept for its job until the exchange ends.
    std::span<const uint8_t> raw() const { return raw_; }
    void forgetRaw() { raw_.clear(); }

private:
    void fileNameCompletion();
    void fileNameFailure();

    LinkSession& session_;
    GatewayConfig& config_;
    IpSettingRecord& ipSetting_;
    LinkViewState& view_;
    JobQueue& jobs_;

    std::vector<uint8_t> raw_;
    std::optional<std::vector<uint8_t>> pendingSafeValues_;
    std::optional<IpSettingRecord> pendingIpSetting_;
    std::unique_ptr<GatewayConfig> pendingConfig_;
    // What the next parameter worker decodes into: a configuration is some
    // 11 KB, so the one installed or dropped is kept for it.
    std::unique_ptr<GatewayConfig> spareConfig_;
    std::optional<FileNameReply> pendingFileNames_;
};

}  // namespace norvik
