#include "gateway/window_link.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>
#include <utility>

#include "link/console_dialogue.h"
#include "link/dialogue_hooks.h"
#include "serial/traffic_log.h"

WindowLink::WindowLink(norvik::TrafficTap& port, bool manualTimers, bool ownThread)
    : port_(port), manualTimers_(manualTimers), home_(QThread::currentThread()) {
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
    hooks.post = [this](std::function<void()> work) { post(std::move(work), Qt::QueuedConnection); };
    dialogue_ = std::make_unique<norvik::ConsoleDialogue>(session_, config_, ipSetting_, port_,
                                                          static_cast<norvik::LinkUi&>(*this), hooks);

    if (ownThread) {
        thread_ = new QThread;
        thread_->setObjectName(QStringLiteral("gateway link"));
        moveToThread(thread_);
        thread_->start();
    }
}

WindowLink::~WindowLink() { stop(); }

void WindowLink::call(std::function<void()> work) {
    if (stopped_) return;
    post(std::move(work), Qt::AutoConnection);
}

void WindowLink::post(std::function<void()> work, Qt::ConnectionType type) {
    QMetaObject::invokeMethod(
        this,
        [this, work = std::move(work)] {
            if (!dialogue_) return;
            work();
            publish();
        },
        type);
}

void WindowLink::callAndWait(std::function<void()> work) {
    if (stopped_) return;
    const auto run = [this, &work] {
        work();
        publish();
    };
    if (!thread_ || QThread::currentThread() == thread_) {
        run();
        return;
    }
    QMetaObject::invokeMethod(this, run, Qt::BlockingQueuedConnection);
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
        if (thread_) moveToThread(home_);
    };
    if (thread_ && thread_->isRunning()) {
        QMetaObject::invokeMethod(this, end, Qt::BlockingQueuedConnection);
        thread_->quit();
        thread_->wait();
    } else {
        end();
    }
    delete thread_;
    thread_ = nullptr;
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
        emit sessionChanged(session_);
    }
    if (!(publishedIpSetting_ == ipSetting_)) {
        publishedIpSetting_ = ipSetting_;
        emit ipSettingChanged(ipSetting_);
    }
}

void WindowLink::publishConfig() {
    publish();
    emit configChanged(std::make_shared<const norvik::GatewayConfig>(config_));
}

void WindowLink::setTimers(bool poll, bool animation) {
    if (poll == pollRunning_ && animation == animationRunning_) return;
    pollRunning_ = poll;
    animationRunning_ = animation;
    emit timersChanged(poll, animation);
}

// --- what the dialogue tells the window ------------------------------------------

void WindowLink::setLinkStatus(norvik::LinkStatus status, uint32_t code) {
    publish();
    emit linkStatusChanged(status, code);
}
void WindowLink::setOperation(norvik::Operation operation) { emit operationChanged(operation); }
void WindowLink::setProgress(int step) { emit progressChanged(step); }
void WindowLink::setPortLamp(bool green) { emit portLampChanged(green); }
void WindowLink::setModuleLamp(bool green) { emit moduleLampChanged(green); }
void WindowLink::setConnectionMenu(bool connectEnabled, bool disconnectEnabled) {
    emit connectionMenuChanged(connectEnabled, disconnectEnabled);
}
void WindowLink::setIpSettingMenu(bool enabled) { emit ipSettingMenuChanged(enabled); }
void WindowLink::setPortBoxesEnabled(bool enabled) { emit portBoxesEnabledChanged(enabled); }

void WindowLink::rebuildTree() {
    publishConfig();
    emit treeRebuilt();
}
void WindowLink::clearTree() {
    publishConfig();
    emit treeCleared();
}
void WindowLink::resetList() { emit listReset(); }

// The box shows on the window's thread; the dialogue goes on meanwhile.
void WindowLink::showNotice(norvik::LinkNotice notice) {
    publish();
    emit noticeRaised(notice, port_.lastOpenCode());
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
    : link_(link), context_(context), open_(std::make_shared<std::unordered_set<norvik::JobId>>()) {}

LinkJobs::~LinkJobs() = default;

norvik::JobId LinkJobs::submit(norvik::Job job, norvik::JobDone done, norvik::JobProgressHook progress) {
    const norvik::JobId id = ++nextId_;
    open_->insert(id);
    QObject* context = &context_;
    std::weak_ptr<std::unordered_set<norvik::JobId>> open = open_;
    norvik::JobDone back = [context, open, id, done = std::move(done)](const norvik::JobResult& result) {
        QMetaObject::invokeMethod(
            context,
            [open, id, done, result] {
                const auto jobs = open.lock();
                if (!jobs || !jobs->erase(id)) return;  // delivered once
                if (done) done(result);
            },
            Qt::AutoConnection);
    };
    norvik::JobProgressHook forward;
    if (progress) {
        forward = [context, open, id, progress = std::move(progress)](const norvik::JobProgress& p) {
            QMetaObject::invokeMethod(
                context,
                [open, id, progress, p] {
                    const auto jobs = open.lock();
                    if (jobs && jobs->contains(id)) progress(p);
                },
                Qt::AutoConnection);
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
