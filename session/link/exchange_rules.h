#pragma once
// The rules of the dialogue with the gateway's console: a state machine over
// the lines and blocks it reads, driven by the caller's ticks. Runs on the
// link's thread; blocks arrive on one short-lived worker at a time. It does no
// I/O beyond the port and the worker runner it is given.
//
// Every command but the prompt opens an exchange with the gateway, which lives
// until the gateway's last line of it, until it has been silent for
// kExchangeTimeoutTicks ticks, or until the link ends:
//
//   Asked ──announce──▶ Receiving ──worker──▶ Received / Failed ──finish──▶ closed   (loads)
//   Asked ──"receive …"──▶ Sent (block and "transmit_end" out) ──verdict──▶ closed   (sends)
//   Asked ──"receive …", block not sendable──▶ Withheld ──verdict──▶ closed
//
// While an exchange is open no second command starts, a "connect" reply queued
// behind the one that started it only keeps the link alive, and silent ticks
// send nothing: after a send command the gateway may be waiting for our block,
// and any line would land in it.
//
// The dialogue carries out GatewayJobs: each job is one such exchange, started
// at a "connect" reply in the command order; the exchange's end ends the job.
// The parameter load after Connect and the first file-name query run whether
// or not a job asks for them; a job that does rides along with them.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/file_names.h"
#include "ipsetting/ip_setting.h"
#include "link/block_worker.h"
#include "link/dialogue_hooks.h"
#include "link/gateway_jobs.h"
#include "link/job_queue.h"
#include "link/link_session.h"
#include "link/link_ui.h"
#include "link/link_view.h"
#include "serial/serial_port.h"
#include "model/gateway_config.h"

namespace norvik {

// How the dialogue keeps time with the gateway. Tick: it reads and answers on
// the one-second tick alone, the window's pace. AsAnswered: the caller also
// hands it every line as it arrives, and the next command goes out as soon as
// the answer before it has been read; the keep-alive prompt still goes once a
// second, and only while the link is idle. Every other rule is the same.
enum class DialoguePace : uint8_t { Tick, AsAnswered };

class ExchangeRules final : public GatewayJobs {
public:
    // Silent ticks an open exchange waits for a line of its answer before it is
    // given up. Longer than a gateway waits for a block it has asked for (three
    // seconds), so that a command given up never lands in such a block.
    static constexpr uint8_t kExchangeTimeoutTicks = 5;

    ExchangeRules(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting, SerialPort& port,
                  LinkViewSink& view, LinkTimers& timers, DialogueHooks hooks, DialoguePace pace = DialoguePace::Tick);
    ~ExchangeRules() override;
    ExchangeRules(const ExchangeRules&) = delete;
    ExchangeRules& operator=(const ExchangeRules&) = delete;

    void connect(const PortSettings& settings);
    // Cuts a running worker short, joins it, then closes the port.
    void disconnect();
    void onPollTimer();
    // AsAnswered: a whole line has arrived (the caller waits for one while no
    // worker owns the port). Acts on what has come; counts no tick.
    void onLinesArrived();
    DialoguePace pace() const { return pace_; }
    void onAnimationTimer();
    // The worker's notice. The worker posts it through the hook; tests hand
    // in stale tickets themselves.
    void onWorkerDone(uint64_t ticket);

    // GatewayJobs
    JobId submit(Job job, JobDone done, JobProgressHook progress = {}) override;
    bool cancel(JobId id) override;
    std::size_t pendingJobs() const override;

    // The window ends: a running worker is cut short and joined and what it
    // received is dropped. The port is left as it is.
    void finishWorker();
    // A worker was started and its notice has not been taken: the port is its.
    bool workerBusy() const { return worker_.busy(); }
    bool workerRunning() const { return worker_.running(); }
    bool exchangeOpen() const { return exchange_ != Exchange::None; }
    // The progress bar runs.
    bool animating() const { return animating_; }
    // What the window shows of the link now.
    const LinkView& view() const { return view_.view(); }

private:
    enum class LoadCommand : uint8_t { None, SafeValue, IpSetting };
    enum class Exchange : uint8_t {
        None,
        Parameter,
        FileName,
        SendSafeValue,
        LoadSafeValue,
        SendIpSetting,
        LoadIpSetting
    };
    enum class Phase : uint8_t { Asked, Receiving, Received, Failed, Sent, Withheld };

    // A line as read; false when it is no reply the dialogue knows.
    bool handleLine(std::string_view line);
    bool handleReply(std::string_view line);
    bool handleBrokenFinish(std::string_view line);
    enum class Drop : uint8_t { Nothing, Dropped, Finished };
    Drop dropToFinishLine();
    static const char* finishLineOf(Exchange exchange);
    bool handleSendResult(std::string_view line);
    void onConnectReply();
    void onBlockAsked(Exchange exchange);
    void onAnnounce(Exchange exchange, BlockWorker::Kind kind);
    void onLoadFinish(Exchange exchange, bool intactLine);
    void onReadEepromError();
    void finishTransfer(Operation text, Exchange owner, JobOutcome outcome, GatewayError error);
    void completeLoad(Exchange exchange);
    void failLoad(Exchange exchange);

    void sendCommand(const char* text);
    void sendPrompt();
    // Reads every line that has come and acts on the replies; whether one
    // came, or nothing once the device has gone.
    std::optional<bool> readReplies(uint16_t firstWaitMs);
    // AsAnswered: what the tick does once a second, and a job's prompt at once.
    void keepAlive();
    void sendNextCommand();
    void ask(Exchange exchange, const char* command);
    void closeExchange();
    void giveUpExchange();
    void silence();

    // The ways a link ends, each resetting what that ending resets.
    void endFailedOpen(uint16_t code);
    void endDisconnect();
    void endLostDevice(uint32_t code);
    void endDisconnectNotice();
    enum class LinkEnd : uint8_t { Disconnect, DeviceLost, Silence, Notice };
    void resetLink(LinkEnd end);
    bool endIfDeviceGone();

    // Jobs. The running one belongs to the open exchange.
    void askFor(Exchange exchange, const char* command, JobKind job);
    // The gateway goes on with another exchange than the one open: the job of
    // the open one gets no answer.
    void retarget(Exchange exchange);
    // Whether the exchange of `owner` now open was asked for by a job: its
    // results go to that job.
    bool jobOwns(Exchange owner) const { return exchange_ == owner && jobExchange_; }
    void endJob(JobOutcome outcome, GatewayError error = GatewayError::None);
    // Forgets the blocks received and not yet confirmed by their finish line.
    void dropPending();

    void startAnimation();
    void startWorker(BlockWorker::Kind kind);
    void fileNameCompletion();
    void fileNameFailure();
    // On Disconnect: a send the gateway has acknowledged gets its block out first.
    void finishAcknowledgedSend();

    LinkSession& session_;
    GatewayConfig& config_;
    IpSettingRecord& ipSetting_;
    SerialPort& port_;
    LinkViewState view_;
    LinkTimers& timers_;
    DialogueHooks hooks_;
    DialoguePace pace_;
    JobQueue jobs_;
    BlockWorker worker_;

    LoadCommand lastLoad_ = LoadCommand::None;  // the load command sent last

    Exchange exchange_ = Exchange::None;
    Phase phase_ = Phase::Asked;
    uint8_t exchangeQuietTicks_ = 0;
    // Ticks in a row that a queued safe-value job has kept quiet.
    uint8_t quietTicks_ = 0;
    bool animating_ = false;
    uint8_t progressStep_ = 0;

    std::vector<uint8_t> exchangeRaw_;  // the open exchange's block, as it came
    bool jobExchange_ = false;          // the open exchange was asked for by a job
    // What the open send exchange sends: its job's block.
    std::vector<uint8_t> sendSafeValues_;
    IpSettingRecord sendIpSetting_{};
    bool sentThisTick_ = false;
    bool promptThisTick_ = false;  // reset with sentThisTick_ and by connect()
    bool readingLines_ = false;    // a tick is reading what has come
    bool promptOwed_ = false;      // asked for meanwhile, sent once the reading ends
    // A prompt went out and no "connect" has come since.
    bool promptOutstanding_ = false;
    // AsAnswered: a reply was read between ticks.
    bool heardSinceTick_ = false;
    // The next line dropped after a failed block is the first after it.
    bool firstDroppedLine_ = false;
    // The line being read, or the bytes dropped after a block: kept so that reading allocates nothing.
    std::string line_;
    // A load's block that came whole, installed when its "finish" line confirms it.
    std::optional<std::vector<uint8_t>> pendingSafeValues_;
    std::optional<IpSettingRecord> pendingIpSetting_;
    // A parameter block and file names as received, shown when confirmed.
    std::unique_ptr<GatewayConfig> pendingConfig_;
    // What the next parameter worker decodes into: a configuration is some
    // 11 KB, so the one installed or dropped is kept for it.
    std::unique_ptr<GatewayConfig> spareConfig_;
    std::optional<FileNameReply> pendingFileNames_;
};

}  // namespace norvik
