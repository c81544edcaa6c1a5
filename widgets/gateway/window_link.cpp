#include "gateway/window_link.h"

#include <QEventLoop>
#include <QTimer>
#include <pthread.h>
#include <future>
#include <utility>

#include "gateway/work_inbox.h"
#include "link/console_dialogue.h"
#include "link/dialogue_hooks.h"
#include "serial/traffic_log.h"

WindowLink::WindowLink(norvik::TrafficTap& port, bool manualTimers, bool ownThread)
    : port_(port),
      manualTimers_(manualTimers),
      home_(QThread::currentThread()),
      linkInbox_(new WorkInbox(this)),
      windowInbox_(std::make_unique<WorkInbox>()) {
    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(1000);
    connect(pollTimer_, &QTimer::timeout, this, [this] {
        if (pollTimer_->isActive()) tick();
    });
    animationTimer_ = new QTimer(this);
    animationTimer_->setInterval(100);
    connect(animationTimer_, &QTimer::timeout, this, &WindowLink::animate);

    norvik::DialogueHooks hooks;
    // Workers post from their own threads: only a queued call may cross to the
    // link's thread, and one still queued when the link ends is dropped with it.
    hooks.post = [this](std::function<void()> work) { post(std::move(work), true); };
    dialogue_ = std::make_unique<norvik::ConsoleDialogue>(session_, config_, ipSetting_, port_,
                                                          static_cast<norvik::LinkUi&>(*this), hooks);

    if (ownThread) {
        // A plain thread that Qt adopts and that runs an event loop: unlike a
        // QThread, it is joined, so that its end is visible to every checker.
        std::promise<QThread*> ready;
        std::future<QThread*> running = ready.get_future();
        thread_ = std::thread([&ready] {
            pthread_setname_np(pthread_self(), "gateway link");
            QEventLoop loop;  // makes the thread's event dispatcher
            ready.set_value(QThread::currentThread());
            loop.exec();
        });
        linkThread_ = running.get();
        moveToThread(linkThread_);
    }
}

WindowLink::~WindowLink() { stop(); }

void WindowLink::call(std::function<void()> work) {
    if (stopped_) return;
    post(std::move(work), false);
}

void WindowLink::post(std::function<void()> work, bool queued) {
    auto run = [this, work = std::move(work)] {
        if (!dialogue_) return;
        work();
        publish();
    };
    if (queued) {
        linkInbox_->post(std::move(run));
    } else {
        linkInbox_->run(std::move(run));
    }
}

void WindowLink::callAndWait(std::function<void()> work) {
    if (stopped_) return;
    const auto run = [this, &work] {
        work();
        publish();
    };
    linkInbox_->runAndWait(run);
}

void WindowLink::stop() {
    if (stopped_) return;
    stopped_ = true;
    const auto end = [this] {
        pollTimer_->stop();
        animationTimer_->stop();
        // A worker still reading must end before the port and the records go;
        // its waits are cut short.
        dialogue_->finishWorker();
        dialogue_.reset();
        // Back to the thread that made it, so that it can be destroyed there.
        if (linkThread_) {
            moveToThread(home_);
            linkThread_->quit();
        }
    };
    if (thread_.joinable()) {
        linkInbox_->runAndWait(end);
        thread_.join();
    } else {
        end();
    }
    linkThread_ = nullptr;
}

// --- on the link's thread -----------------------------------------------------------

void WindowLink::connectPort(const norvik::PortSettings& settings) { dialogue_->connect(settings); }
void WindowLink::disconnectPort() { dialogue_->disconnect(); }

void WindowLink::tick() {
    if (!dialogue_) return;
    dialogue_->onPollTimer();
    publish();
}

void WindowLink::animate() {
    if (!dialogue_) return;
    dialogue_->onAnimationTimer();
}

void WindowLink::submitJob(norvik::JobId id, norvik::Job job, norvik::JobDone done, norvik::JobProgressHook progress) {
    jobIds_[id] = dialogue_->submit(
        std::move(job),
        [this, id, done = std::move(done)](const norvik::JobResult& result) {
            jobIds_.erase(id);
            done(result);
        },
        std::move(progress));
}

void WindowLink::cancelJob(norvik::JobId id) {
    const auto it = jobIds_.find(id);
    if (it != jobIds_.end()) dialogue_->cancel(it->second);
}

void WindowLink::publish() {
    if (!publishedSession_ || !(*publishedSession_ == session_)) {
        publishedSession_ = session_;
        tell(&WindowLink::sessionChanged, session_);
    }
    if (!(publishedIpSetting_ == ipSetting_)) {
        publishedIpSetting_ = ipSetting_;
        tell(&WindowLink::ipSettingChanged, ipSetting_);
    }
}

void WindowLink::publishConfig() {
    publish();
    tell(&WindowLink::configChanged, std::make_shared<const norvik::GatewayConfig>(config_));
}

void WindowLink::setTimers(bool poll, bool animation) {
    if (poll == pollRunning_ && animation == animationRunning_) return;
    pollRunning_ = poll;
    animationRunning_ = animation;
    tell(&WindowLink::timersChanged, poll, animation);
}

// --- what the dialogue tells the window ------------------------------------------

void WindowLink::setLinkStatus(norvik::LinkStatus status, uint32_t code) {
    publish();
    tell(&WindowLink::linkStatusChanged, status, code);
}
void WindowLink::setOperation(norvik::Operation operation) { tell(&WindowLink::operationChanged, operation); }
void WindowLink::setProgress(int step) { tell(&WindowLink::progressChanged, step); }
void WindowLink::setPortLamp(bool green) { tell(&WindowLink::portLampChanged, green); }
void WindowLink::setModuleLamp(bool green) { tell(&WindowLink::moduleLampChanged, green); }
void WindowLink::setConnectionMenu(bool connectEnabled, bool disconnectEnabled) {
    tell(&WindowLink::connectionMenuChanged, connectEnabled, disconnectEnabled);
}
void WindowLink::setIpSettingMenu(bool enabled) { tell(&WindowLink::ipSettingMenuChanged, enabled); }
void WindowLink::setPortBoxesEnabled(bool enabled) { tell(&WindowLink::portBoxesEnabledChanged, enabled); }

void WindowLink::rebuildTree() {
    publishConfig();
    tell(&WindowLink::treeRebuilt);
}
void WindowLink::clearTree() {
    publishConfig();
    tell(&WindowLink::treeCleared);
}
void WindowLink::resetList() { tell(&WindowLink::listReset); }

// The box shows on the window's thread; the dialogue goes on meanwhile.
void WindowLink::showNotice(norvik::LinkNotice notice) {
    publish();
    tell(&WindowLink::noticeRaised, notice, port_.lastOpenCode());
}

bool WindowLink::startPollTimer() {
    if (!manualTimers_) pollTimer_->start();
    setTimers(true, animationRunning_);
    return true;
}
void WindowLink::stopPollTimer() {
    pollTimer_->stop();
    setTimers(false, animationRunning_);
}
void WindowLink::startAnimationTimer() {
    if (!manualTimers_) animationTimer_->start();
    setTimers(pollRunning_, true);
}
void WindowLink::stopAnimationTimer() {
    animationTimer_->stop();
    setTimers(pollRunning_, false);
}

// --- the window's side of the jobs --------------------------------------------------

LinkJobs::LinkJobs(WindowLink& link, QObject& context)
    : link_(link), inbox_(new WorkInbox(&context)), open_(std::make_shared<std::unordered_set<norvik::JobId>>()) {}

LinkJobs::~LinkJobs() = default;

norvik::JobId LinkJobs::submit(norvik::Job job, norvik::JobDone done, norvik::JobProgressHook progress) {
    const norvik::JobId id = ++nextId_;
    open_->insert(id);
    WorkInbox* inbox = inbox_;
    std::weak_ptr<std::unordered_set<norvik::JobId>> open = open_;
    norvik::JobDone back = [inbox, open, id, done = std::move(done)](const norvik::JobResult& result) {
        inbox->run([open, id, done, result] {
            const auto jobs = open.lock();
            if (!jobs || !jobs->erase(id)) return;  // delivered once
            if (done) done(result);
        });
    };
    norvik::JobProgressHook forward;
    if (progress) {
        forward = [inbox, open, id, progress = std::move(progress)](const norvik::JobProgress& p) {
            inbox->run([open, id, progress, p] {
                const auto jobs = open.lock();
                if (jobs && jobs->contains(id)) progress(p);
            });
        };
    }
    link_.call([link = &link_, id, job = std::move(job), back = std::move(back), forward = std::move(forward)] {
        link->submitJob(id, job, back, forward);
    });
    return id;
}

bool LinkJobs::cancel(norvik::JobId id) {
    if (!open_->contains(id)) return false;
    link_.call([link = &link_, id] { link->cancelJob(id); });
    return true;
}

std::size_t LinkJobs::pendingJobs() const { return open_->size(); }
