#pragma once
// Work handed to the thread an object lives on, as an event of its own: it
// runs there in the order it was posted, after what was posted before it, and
// is dropped when the inbox goes first.
//
// Everything the work carries is built before it is posted, and the thread
// that runs it takes it over with an acquire: the hand-over is an edge that
// ThreadSanitizer sees even though Qt's own queue (not built with it) hides
// the lock behind it. Qt's queued calls copy their arguments inside the post,
// out of that edge's reach, so the link's thread crosses only through here.

#include <QEvent>
#include <QObject>
#include <functional>

class WorkInbox final : public QObject {
public:
    explicit WorkInbox(QObject* parent = nullptr);
    ~WorkInbox() override;
    WorkInbox(const WorkInbox&) = delete;
    WorkInbox& operator=(const WorkInbox&) = delete;

    // Runs `work` on the inbox's thread later, from its event loop.
    void post(std::function<void()> work);
    // At once when called on the inbox's thread, else as post().
    void run(std::function<void()> work);
    // Runs `work` on the inbox's thread and returns once it has run; at once
    // when called there. The inbox's thread must be running its event loop.
    void runAndWait(const std::function<void()>& work);

    // The type of the events that carry the work.
    static QEvent::Type eventType();

protected:
    bool event(QEvent* event) override;
};
