// What the serial traffic window costs the dialogue's once-a-second tick: the
// main window ticks against a port that answers at once, with the traffic
// window closed, open, and open over a full log, each tick followed by the
// event processing and painting it causes. It prints figures and goals and
// never fails on timing: a loaded machine must not break a build.

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>
#include <string>
#include <vector>

#include "app/dialog_opener.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "app/serial_traffic_window.h"
#include "gateway/window_link.h"
#include "link/console_dialogue.h"
#include "link/console_texts.h"
#include "serial/traffic_log.h"

namespace {

constexpr int kTicks = 1500;

// A gateway that has its answer ready whenever a line is read.
class AnsweringPort : public norvik::SerialPort {
public:
    uint16_t openPort(const norvik::PortSettings&) override { return 0; }
    uint32_t closePort(uint8_t) override { return 0; }
    void sendLine(uint8_t, std::string_view) override {}
    void sendBlock(uint8_t, std::span<const uint8_t>) override {}
    std::string receiveLine(uint8_t, uint16_t) override { return norvik::console::kReplyConnect; }
    norvik::BlockReceipt receiveBlock(uint8_t, std::span<uint8_t>, uint16_t) override { return {1, 0}; }
};

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

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

const char* verdict(bool met) { return met ? "met" : "NOT MET"; }

// Resident memory in MB, as the kernel counts it.
double residentMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// One append with nobody listening, and the memory of a log at its bound
// holding a session's usual lines.
void appendFigures() {
    const double before = residentMb();
    auto log = std::make_unique<norvik::TrafficLog>();
    QElapsedTimer timer;
    timer.start();
    constexpr std::size_t kRows = 200000;
    for (std::size_t i = 0; i < kRows; ++i)
        log->addLine(i % 2 ? norvik::TrafficDirection::Received : norvik::TrafficDirection::Sent,
                     i % 2 ? norvik::console::kReplyConnect : norvik::console::kPrompt);
    const double nsPerRow = static_cast<double>(timer.nsecsElapsed()) / static_cast<double>(kRows);
    const double held = residentMb() - before;
    std::printf("Log append: %.0f ns a row (goal < 10000 ns) %s\n", nsPerRow, verdict(nsPerRow < 10000));
    std::printf("Full log of prompt and reply lines: %zu rows, about %.1f MB (goal a few MB) %s\n", log->size(), held,
                verdict(held < 8.0));
}

struct Figures {
    double median = 0;
    double p99 = 0;
};

// Each tick as the poll timer gives it, and everything it leaves for the
// event loop: the queued rows, the table's update and its painting.
Figures timeTicks(MainWindow& window) {
    std::vector<double> ms;
    ms.reserve(kTicks);
    QElapsedTimer timer;
    for (int i = 0; i < kTicks; ++i) {
        timer.start();
        // On the link's thread, as the poll timer runs it; waited for here.
        window.link().callAndWait([&window] { window.link().tick(); });
        // The queued rows first, then the update and painting they ask for.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return {percentile(ms, 0.5), percentile(ms, 0.99)};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    AnsweringPort port;
    SilentBoxes boxes;
    NoDialogs opener;

    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    window.show();
    window.onConnect();
    QCoreApplication::processEvents();

    const Figures closed = timeTicks(window);
    window.onSerialTraffic();
    QCoreApplication::processEvents();
    window.trafficLog().clear();
    const Figures open = timeTicks(window);

    // A day-long session: the log at its bound, each new row pushing out the oldest.
    for (std::size_t i = window.trafficLog().size(); i < norvik::TrafficLog::kMaxRows; ++i)
        window.trafficLog().addLine(norvik::TrafficDirection::Received, norvik::console::kReplyConnect);
    QCoreApplication::processEvents();
    const Figures full = timeTicks(window);

    std::printf("Norvik traffic benchmark: %d ticks each, offscreen; a tick sends a line and reads one\n\n", kTicks);
    std::printf("%-40s %10s %10s\n", "tick with its events and painting", "median ms", "99% ms");
    std::printf("%-40s %10.3f %10.3f\n", "traffic window closed", closed.median, closed.p99);
    std::printf("%-40s %10.3f %10.3f\n", "traffic window open", open.median, open.p99);
    std::printf("%-40s %10.3f %10.3f\n", "open, log full (20,000 rows)", full.median, full.p99);
    const double extra = std::max(open.median, full.median) - closed.median;
    std::printf("\nExtra for the open window: %.3f ms a tick (goal <= 1 ms) %s\n", extra, verdict(extra <= 1.0));
    std::printf("Rows held: %zu of at most %zu\n", window.trafficLog().size(), norvik::TrafficLog::kMaxRows);
    window.onDisconnect();
    appendFigures();
    return 0;
}
