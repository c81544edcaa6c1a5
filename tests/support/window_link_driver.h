#pragma once
// Drives the window's link from a test: each call runs on the link's thread
// and has ended when it returns, and what the link told the window by then
// has reached the window.

#include <QCoreApplication>
#include <functional>

#include "gateway/gateway_state.h"
#include "app/main_window.h"
#include "gateway/window_link.h"
#include "link/console_dialogue.h"
#include "support/window_recorders.h"

namespace norvik::test {

inline void onLink(MainWindow& window, const std::function<void(WindowLink&)>& work) {
    WindowLink& link = window.link();
    link.callAndWait([&] { work(link); });
    QCoreApplication::processEvents();
}

// What the link says of itself; `otherwise` once it has ended.
template <class T>
T linkValue(MainWindow& window, const std::function<T(WindowLink&)>& read, T otherwise = T{}) {
    WindowLink& link = window.link();
    T value = otherwise;
    link.callAndWait([&] { value = read(link); });
    return value;
}

// Twice: what the link posted to itself while it ran the first has run too.
inline void settle(MainWindow& window) {
    onLink(window, [](WindowLink&) {});
    onLink(window, [](WindowLink&) {});
}

inline bool linkWorkerBusy(MainWindow& window) {
    return linkValue<bool>(window, [](WindowLink& l) { return l.dialogue().workerBusy(); });
}
inline bool linkWorkerRunning(MainWindow& window) {
    return linkValue<bool>(window, [](WindowLink& l) { return l.dialogue().workerRunning(); });
}

// The worker's notice has been taken on the link's thread and its news has
// reached the window.
inline bool awaitLinkWorker(MainWindow& window) {
    const bool done = waitFor([&] { return !linkWorkerBusy(window); });
    settle(window);
    return done;
}

// The state the window shows, set as if the link had told it.
inline void editSession(MainWindow& window, const std::function<void(LinkSession&)>& edit) {
    LinkSession session = window.state().session();
    edit(session);
    window.state().showLinkSession(session);
}
inline void editConfig(MainWindow& window, const std::function<void(GatewayConfig&)>& edit) {
    auto config = std::make_shared<GatewayConfig>(window.state().config());
    edit(*config);
    window.state().showLinkConfig(std::move(config));
}

}  // namespace norvik::test
