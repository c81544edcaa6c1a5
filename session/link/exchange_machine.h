#pragma once
// The exchange under way with the gateway (see exchange.h) and what each of
// the gateway's replies, each block a worker brings and each silent tick does
// to it: the state machine the exchange rules drive over the lines they read.
// It opens the exchanges in the command order, sends and receives their blocks,
// and ends the job each one carries; the link and its ticks are the rules'.

#include <cstdint>
#include <string>
#include <string_view>

#include "ipsetting/ip_setting.h"
#include "link/block_tail.h"
#include "link/block_worker.h"
#include "link/command_output.h"
#include "link/exchange.h"
#include "link/gateway_jobs.h"
#include "link/job_queue.h"
#include "link/link_session.h"
#include "link/link_view.h"
#include "link/pending_blocks.h"
#include "link/progress_animation.h"
#include "link/send_blocks.h"
#include "model/gateway_config.h"
#include "serial/serial_port.h"

namespace norvik {

class ExchangeMachine {
public:
    // Silent ticks an open exchange waits for a line of its answer before it is
    // given up. Longer than a gateway waits for a block it has asked for (three
    // seconds), so that a command given up never lands in such a block.
    static constexpr uint8_t kExchangeTimeoutTicks = 5;

    ExchangeMachine(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting, SerialPort& port,
                    LinkViewState& view, JobQueue& jobs, BlockWorker& worker, CommandOutput& output,
                    ProgressAnimation& progress);

    // What a line read was to the dialogue. A "connect" and the module's
    // disconnect notice are the link's to act on.
    enum class Heard : uint8_t { Unknown, Reply, Connect, Notice };
    Heard handleLine(std::string_view line);

    bool open() const { return exchange_ != Exchange::None; }
    // The rest of a block that failed is being dropped: no line read could be trusted.
    bool dropping() const { return open() && phase_ == ExchangePhase::Failed; }
    // Drops what has come of that rest, reading into `buffer`.
    BlockTail::Drop dropTail(std::string& buffer) { return tail_.dropTo(finishLineOf(exchange_), buffer); }
    // The dropping reached the finish line.
    void finishDropped() { onLoadFinish(exchange_, false); }
    // The gateway is still sending what belongs to the exchange.
    void stillHeard() { exchangeQuietTicks_ = 0; }
    // A tick in which the gateway said nothing of the open exchange: true while
    // its answer may still come; after too many it is given up.
    bool waitOutSilence();

    // Opens the next exchange in the command order; false when none is due.
    bool askNext();
    // Ends the open exchange: a job still running with it gets no answer, and
    // what it received is dropped.
    void close();
    // The worker brought what it received of the announced block.
    void received(BlockWorker::Result& result);

    // The module's disconnect notice. An exchange under way goes on all the
    // same on the wire, as the notice was queued ahead of its answer.
    void onDisconnectNotice();
    // On Disconnect: a send the gateway has acknowledged gets its block out first.
    void finishAcknowledgedSend();
    // On a Disconnect whose close failed: the worker cut short got no whole block.
    void failCutLoad() { failLoad(exchange_); }
    // The port closed or opened anew: no load command was sent on it.
    void forgetLastLoad() { lastLoad_ = LoadCommand::None; }

private:
    using Phase = ExchangePhase;
    enum class LoadCommand : uint8_t { None, SafeValue, IpSetting };

    Heard handleReply(std::string_view line);
    bool handleBrokenFinish(std::string_view line);
    static const char* finishLineOf(Exchange exchange);
    bool handleSendResult(std::string_view line);
    void onBlockAsked(Exchange exchange);
    void onAnnounce(Exchange exchange, BlockWorker::Kind kind);
    void onLoadFinish(Exchange exchange, bool intactLine);
    void onReadEepromError();
    void finishTransfer(Operation text, Exchange owner, JobOutcome outcome, GatewayError error);
    void completeLoad(Exchange exchange);
    void failLoad(Exchange exchange);
    void startWorker(BlockWorker::Kind kind);

    void ask(Exchange exchange, const char* command);
    void askFor(Exchange exchange, const char* command, JobKind job);
    void giveUpExchange();
    // The gateway goes on with another exchange than the one open: the job of
    // the open one gets no answer.
    void retarget(Exchange exchange);
    // Whether the exchange of `owner` now open was asked for by a job: its
    // results go to that job.
    bool jobOwns(Exchange owner) const { return exchange_ == owner && jobExchange_; }
    void endJob(JobOutcome outcome, GatewayError error = GatewayError::None);

    LinkSession& session_;
    LinkViewState& view_;
    JobQueue& jobs_;
    BlockWorker& worker_;
    CommandOutput& output_;
    ProgressAnimation& progress_;
    PendingBlocks pending_;
    SendBlocks sends_;
    BlockTail tail_;

    LoadCommand lastLoad_ = LoadCommand::None;  // the load command sent last
    Exchange exchange_ = Exchange::None;
    Phase phase_ = Phase::Asked;
    uint8_t exchangeQuietTicks_ = 0;
    bool jobExchange_ = false;  // the open exchange was asked for by a job
};

}  // namespace norvik
