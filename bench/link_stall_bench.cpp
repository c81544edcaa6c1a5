// How long the window's event loop stalls because of its gateway link: the
// main window holds its link at 2400 Bd, once with a gateway that never
// answers (a pseudo-terminal nobody reads) and once with the simulated one,
// while a 1 ms timer on the window's thread notes the longest gap between its
// firings. It prints figures and the goal and never fails on timing: a loaded
// machine must not break a build. On a busy machine the longest gap is the
// machine's as much as the link's, so each run also prints how many gaps
// passed the goal and the 99.9th percentile: a link that stalls the loop does
// so at every tick, sixty times a minute, where the machine's own waits do not.
// Apart from the gaps, it times every event in which the link's news reaches
// the window's thread, with all the window does about it: the link's own share
// of the loop, which a busy machine hardly changes.
//
//   norvik_link_stall_bench [--seconds N]   (60 by default)

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <csignal>

#include <fcntl.h>
#include <sys/wait.h>
#include <stdlib.h>
#include <unistd.h>

#include "app/dialog_opener.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "gateway/work_inbox.h"

namespace {

constexpr double kGoalMs = 5.0;

class SilentBoxes : public MessageBoxes {
public:
    void showMessage(QWidget*, const QString&, const QString&) override {}
    bool confirmExit(QWidget*) override { return true; }
};

class NoDialogs : public DialogOpener {
public:
    void openSafeValueDialog(QWidget*, norvik::DialogMode) override {}
    void openIpSettingDialog(QWidget*, norvik::DialogMode) override {}
    void openDeviceView(QWidget*) override {}
    void openProfibusView(QWidget*) override {}
    void openModbusView(QWidget*) override {}
    void openFirmwareDialog(QWidget*, const norvik::JobResult&) override {}
    void openAboutBox(QWidget*) override {}
    void openPortDevicesDialog(QWidget*) override {}
};

// A pseudo-terminal whose other end nobody reads or writes.
class SilentGateway {
public:
    SilentGateway() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        slave_ = ::ptsname(master_);
    }
    ~SilentGateway() {
        if (master_ >= 0) ::close(master_);
    }
    SilentGateway(const SilentGateway&) = delete;
    SilentGateway& operator=(const SilentGateway&) = delete;
    const std::string& slavePath() const { return slave_; }

private:
    int master_ = -1;
    std::string slave_;
};

// The simulated gateway on a pseudo-terminal of its own, for as long as this lives.
class TalkingGateway {
public:
    TalkingGateway() {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            ::execl(NORVIK_GATESIM, NORVIK_GATESIM, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        // Its first line names the pseudo-terminal.
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n') slave_.push_back(c);
        out_ = out[0];
    }
    ~TalkingGateway() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }
    TalkingGateway(const TalkingGateway&) = delete;
    TalkingGateway& operator=(const TalkingGateway&) = delete;
    const std::string& slavePath() const { return slave_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string slave_;
};

struct Stalls {
    double longestMs = 0;
    double p999Ms = 0;
    int overGoal = 0;
    double linkMs = 0;  // the longest event of the link's on the window's thread
};

// Times the events that carry the link's news to the window's thread, and the
// calls queued to the window (the link's notices), each with all the window
// does about them.
class TimingApplication final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        const bool link = event->type() == WorkInbox::eventType() ||
                          (event->type() == QEvent::MetaCall && qobject_cast<MainWindow*>(receiver) != nullptr);
        if (!link || thread() != QThread::currentThread()) return QApplication::notify(receiver, event);
        QElapsedTimer took;
        took.start();
        const bool handled = QApplication::notify(receiver, event);
        longestLinkMs = std::max(longestLinkMs, static_cast<double>(took.nsecsElapsed()) / 1e6);
        return handled;
    }

    double longestLinkMs = 0;
};

// Runs the window's link against `device` (none: the port stays closed) for
// `seconds` and measures the gaps, beyond its own millisecond, between two
// firings of a 1 ms timer.
Stalls measureStalls(const std::string& device, int seconds) {
    ::setenv("NORVIK_COM1", device.c_str(), 1);
    SilentBoxes boxes;
    NoDialogs dialogs;
    MainWindow window(MainWindow::Services{nullptr, &boxes, &dialogs, false});
    window.show();
    window.portBox(1)->setCurrentIndex(0);  // 2400 Bd
    // The window's first layout and painting are no part of the link's cost.
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
    if (!device.empty()) window.onConnect();

    std::vector<double> gaps;
    gaps.reserve(static_cast<std::size_t>(seconds) * 1000);
    QElapsedTimer gap;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        gaps.push_back(static_cast<double>(gap.nsecsElapsed()) / 1e6 - 1.0);
        gap.restart();
    });
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    auto* app = static_cast<TimingApplication*>(QCoreApplication::instance());
    app->longestLinkMs = 0;
    gap.start();
    beat.start();
    loop.exec();
    beat.stop();
    window.onDisconnect();
    ::unsetenv("NORVIK_COM1");

    Stalls stalls;
    stalls.linkMs = app->longestLinkMs;
    if (gaps.empty()) return stalls;
    std::sort(gaps.begin(), gaps.end());
    stalls.longestMs = gaps.back();
    stalls.p999Ms = gaps[gaps.size() * 999 / 1000];
    stalls.overGoal = static_cast<int>(gaps.end() - std::upper_bound(gaps.begin(), gaps.end(), kGoalMs));
    return stalls;
}

void report(const char* gateway, int seconds, const Stalls& stalls) {
    std::printf(
        "link stall, %s gateway at 2400 Bd over %d s: the link's longest event on the window's thread %.2f ms "
        "(goal <= %.0f ms); the event loop's gaps: longest %.1f ms, 99.9th percentile %.1f ms, %d over the goal\n",
        gateway, seconds, stalls.linkMs, kGoalMs, stalls.longestMs, stalls.p999Ms, stalls.overGoal);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(1, std::atoi(argv[i + 1]));
    }
    TimingApplication app(argc, argv);

    // What the machine itself costs the event loop, without a link: on a busy
    // machine a thread waits for a core now and then.
    report("no", seconds, measureStalls({}, seconds));

    SilentGateway silent;
    if (silent.slavePath().empty()) {
        std::fprintf(stderr, "no pseudo-terminal to be had\n");
        return 1;
    }
    report("silent", seconds, measureStalls(silent.slavePath(), seconds));

    TalkingGateway sim;
    if (sim.slavePath().empty()) {
        std::fprintf(stderr, "the simulated gateway did not start\n");
        return 1;
    }
    report("talking", seconds, measureStalls(sim.slavePath(), seconds));
    return 0;
}
