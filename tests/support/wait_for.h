#pragma once
// Waiting for what another thread hands to this one's event loop (Qt Core only).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

namespace norvik::test {

// Runs the event loop until `done` holds or `ms` have passed.
inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace norvik::test
