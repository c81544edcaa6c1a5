#pragma once
// The window's link to the gateway: the console dialogue with its timers,
// living on a thread of its own so that no wait on the port ever holds the
// window. It tells the window everything by signals, emitted on the window's
// thread from work queued there (see WorkInbox), and hands over values, never
// references: the session, the configuration and the IP setting it keeps are
// its own.
//
// Everything but the constructor, stop() and the signals runs on the link's
// thread; the window reaches it through call(), and its jobs through LinkJobs.

#include <QObject>
#include <QThread>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "gateway/work_inbox.h"
#include "ipsetting/ip_setting.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"
#include "link/link_ui.h"
#include "model/gateway_config.h"
#include "serial/serial_port.h"

class QTimer;

namespace norvik {
class ConsoleDialogue;
class TrafficTap;
}  // namespace norvik

class WindowLink : public QObject, private norvik::LinkUi {
    Q_OBJECT
public:
    // `manualTimers`: the timers only say that they run; a test ticks.
    // `ownThread`: the link runs on a thread of its own (false: on the
    // caller's, for tests that need every call to have ended when it returns).
    WindowLink(norvik::TrafficTap& port, bool manualTimers, bool ownThread);
    ~WindowLink() override;
    WindowLink(const WindowLink&) = delete;
    WindowLink& operator=(const WindowLink&) = delete;

    // Runs `work` on the link's thread, then tells the window what it changed;
    // returns at once.
    void call(std::function<void()> work);
    // The same, and waits until it has run (tests, and the window's end).
    void callAndWait(std::function<void()> work);
    // Ends the link: the port is left as it is, a receive under way is cut
    // short, and the thread has ended when this returns.
    void stop();
    bool onOwnThread() const { return linkThread_ != nullptr; }

    // On the link's thread.
    void connectPort(const norvik::PortSettings& settings);
    void disconnectPort();
    void tick();
    void animate();
    bool portOpen() const { return session_.portOpen; }
    norvik::ConsoleDialogue& dialogue() { return *dialogue_; }
    void submitJob(norvik::JobId id, norvik::Job job, norvik::JobDone done, norvik::JobProgressHook progress);
    void cancelJob(norvik::JobId id);

signals:
    void linkStatusChanged(norvik::LinkStatus status, uint32_t code);
    void operationChanged(norvik::Operation operation);
    void progressChanged(int step);
    void portLampChanged(bool green);
    void moduleLampChanged(bool green);
    void connectionMenuChanged(bool connectEnabled, bool disconnectEnabled);
    void ipSettingMenuChanged(bool enabled);
    void portBoxesEnabledChanged(bool enabled);
    void treeRebuilt();
    void treeCleared();
    void listReset();
    // `openCode` is the system's error of a failed open.
    void noticeRaised(norvik::LinkNotice notice, uint32_t openCode);
    void timersChanged(bool poll, bool animation);
    void sessionChanged(const norvik::LinkSession& session);
    void configChanged(std::shared_ptr<const norvik::GatewayConfig> config);
    void ipSettingChanged(const norvik::IpSettingRecord& record);

private:
    // norvik::LinkUi
    void setLinkStatus(norvik::LinkStatus status, uint32_t code) override;
    void setOperation(norvik::Operation operation) override;
    void setProgress(int step) override;
    void setPortLamp(bool green) override;
    void setModuleLamp(bool green) override;
    void setConnectionMenu(bool connectEnabled, bool disconnectEnabled) override;
    void setIpSettingMenu(bool enabled) override;
    void setPortBoxesEnabled(bool enabled) override;
    void rebuildTree() override;
    void clearTree() override;
    void resetList() override;
    void showNotice(norvik::LinkNotice notice) override;
    bool startPollTimer() override;
    void stopPollTimer() override;
    void startAnimationTimer() override;
    void stopAnimationTimer() override;

    // Runs `work` on the link's thread, unless the dialogue has gone by then,
    // and publishes what it changed; `queued`: later even when called there.
    void post(std::function<void()> work, bool queued);
    // Emits `signal` on the window's thread, with copies of `args` made here;
    // at once when the link shares the window's thread.
    template <class... Params, class... Args>
    void tell(void (WindowLink::*signal)(Params...), Args&&... args) {
        windowInbox_->run(
            [this, signal, ... copies = std::decay_t<Args>(std::forward<Args>(args))] { (this->*signal)(copies...); });
    }
    // Tells the window of the session and the IP setting when they changed.
    void publish();
    void publishConfig();
    void setTimers(bool poll, bool animation);

    norvik::TrafficTap& port_;
    const bool manualTimers_;
    QThread* const home_;
    std::thread thread_;
    QThread* linkThread_ = nullptr;  // Qt's name for it
    // Where the window's calls and the workers' notices reach the link's
    // thread, and where the link's news reaches the window's.
    WorkInbox* const linkInbox_;
    const std::unique_ptr<WorkInbox> windowInbox_;
    bool stopped_ = false;  // the window's thread's
    QTimer* pollTimer_ = nullptr;
    QTimer* animationTimer_ = nullptr;
    bool pollRunning_ = false;
    bool animationRunning_ = false;
    norvik::LinkSession session_;
    norvik::GatewayConfig config_;
    norvik::IpSettingRecord ipSetting_{};
    std::optional<norvik::LinkSession> publishedSession_;
    norvik::IpSettingRecord publishedIpSetting_{};
    std::unique_ptr<norvik::ConsoleDialogue> dialogue_;
    // The window's job ids and the dialogue's.
    std::unordered_map<norvik::JobId, norvik::JobId> jobIds_;
};

// The window's side of the link's jobs: a job is handed to the link's thread,
// and its outcome and progress come back to the window's, in order.
class LinkJobs final : public norvik::GatewayJobs {
public:
    // `context`: where outcomes are delivered; they are dropped once it has gone.
    LinkJobs(WindowLink& link, QObject& context);
    ~LinkJobs() override;

    norvik::JobId submit(norvik::Job job, norvik::JobDone done, norvik::JobProgressHook progress = {}) override;
    bool cancel(norvik::JobId id) override;
    std::size_t pendingJobs() const override;

private:
    WindowLink& link_;
    WorkInbox* const inbox_;  // on the context's thread, gone with it
    norvik::JobId nextId_ = 0;
    // The jobs whose outcome has not yet reached the window.
    std::shared_ptr<std::unordered_set<norvik::JobId>> open_;
};
