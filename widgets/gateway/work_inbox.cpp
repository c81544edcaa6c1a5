#include "gateway/work_inbox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <future>
#include <memory>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define NORVIK_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define NORVIK_TSAN 1
#endif
#endif

#ifdef NORVIK_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace {

void handOver(void* what) {
#ifdef NORVIK_TSAN
    __tsan_release(what);
#else
    (void)what;
#endif
}

void takeOver(void* what) {
#ifdef NORVIK_TSAN
    __tsan_acquire(what);
#else
    (void)what;
#endif
}

class WorkEvent final : public QEvent {
public:
    explicit WorkEvent(std::function<void()> work) : QEvent(WorkInbox::eventType()), work_(std::move(work)) {
        handOver(this);
    }
    // Destroyed where it ran, or wherever Qt drops it undelivered.
    ~WorkEvent() override { takeOver(this); }
    WorkEvent(const WorkEvent&) = delete;
    WorkEvent& operator=(const WorkEvent&) = delete;

    void run() const { work_(); }

private:
    std::function<void()> work_;
};

}  // namespace

WorkInbox::WorkInbox(QObject* parent) : QObject(parent) {}

QEvent::Type WorkInbox::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WorkInbox::~WorkInbox() = default;

void WorkInbox::post(std::function<void()> work) { QCoreApplication::postEvent(this, new WorkEvent(std::move(work))); }

void WorkInbox::run(std::function<void()> work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    post(std::move(work));
}

void WorkInbox::runAndWait(const std::function<void()>& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    // Told when the work has gone, run or dropped undelivered with the inbox.
    std::promise<void> gone;
    std::future<void> ran = gone.get_future();
    std::shared_ptr<void> owner(nullptr, [&gone](void*) { gone.set_value(); });
    post([&work, owner = std::move(owner)] { work(); });
    ran.wait();
}

bool WorkInbox::event(QEvent* event) {
    // Before anything of the event is read: it was built on the sending thread.
    takeOver(event);
    if (event->type() != WorkInbox::eventType()) return QObject::event(event);
    static_cast<const WorkEvent*>(event)->run();
    return true;
}
