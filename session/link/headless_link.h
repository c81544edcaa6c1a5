#pragma once
// A gateway link without a window: the same console dialogue the window runs,
// driven by a plain loop on the calling thread. The loop runs the dialogue's
// one-second poll tick and whatever the workers post back, so the dialogue
// sees exactly the sequence of calls it sees under the window.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "ipsetting/ip_setting.h"
#include "link/console_dialogue.h"
#include "link/gateway_link.h"
#include "link/link_session.h"
#include "link/link_ui.h"
#include "model/gateway_config.h"
#include "serial/serial_port.h"

namespace norvik {

class HeadlessLink : public GatewayLink {
public:
    // Poll ticks the gateway has to answer the first prompt, and to have sent
    // its parameter block and file names after Connect.
    static constexpr int kAnswerTicks = 3;
    static constexpr int kOpenTicks = 20;
    // Poll ticks one job may take before it counts as unanswered: more than
    // the dialogue gives an exchange before it asks again.
    static constexpr int kJobTicks = 3 * ConsoleDialogue::kExchangeTimeoutTicks;

    // A link over the terminal device named in the settings.
    explicit HeadlessLink(DialoguePace pace = DialoguePace::Tick);
    // A link over the given port, with a tick of `tick` (tests).
    HeadlessLink(std::unique_ptr<SerialPort> port, std::chrono::milliseconds tick,
                 DialoguePace pace = DialoguePace::Tick);
    ~HeadlessLink() override;
    HeadlessLink(const HeadlessLink&) = delete;
    HeadlessLink& operator=(const HeadlessLink&) = delete;

    LinkOpening open(const PortSettings& settings, const JobProgressHook& progress = {}) override;
    JobResult run(Job job, const JobProgressHook& progress = {}) override;
    void close() override;
    void interrupt() override;
    bool interrupted() const override { return interrupted_; }
    GatewayJobs& jobs() override { return *dialogue_; }
    bool runUntil(const std::function<bool()>& done, int ticks) override;

private:
    class Ui;

    struct Pending {
        JobId id = 0;
        JobKind kind = JobKind::ReadParameters;
        std::shared_ptr<std::optional<JobResult>> result;
    };
    Pending submit(Job job, const JobProgressHook& progress);
    // Runs the loop until the job's outcome comes: NoAnswer after `ticks`
    // ticks without one, Cancelled on interrupt().
    JobResult await(const Pending& pending, int ticks);
    void post(std::function<void()> call);
    // AsAnswered: the port is the loop's to watch for lines until the tick.
    bool watchesPort() const;

    std::unique_ptr<SerialPort> port_;
    std::chrono::milliseconds tick_;
    LinkSession session_;
    GatewayConfig config_;
    IpSettingRecord ipSetting_{};
    std::unique_ptr<Ui> ui_;
    std::unique_ptr<ConsoleDialogue> dialogue_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
    std::atomic<bool> interrupted_{false};
};

}  // namespace norvik
