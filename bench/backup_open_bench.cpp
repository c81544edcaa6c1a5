// How long the window takes to show a backup without a gateway: from the file
// read to the module tree and the parameter list painted, for the largest
// gateway (an HX-3420 with 32 modules and 976-byte safe values). It prints
// figures and a goal and never fails on timing: a loaded machine must not
// break a build.

#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <unistd.h>

#include "app/gateway_menu.h"
#include "app/main_window.h"
#include "backup/backup_file.h"
#include "bench/bench_timing.h"
#include "tests/backup/backup_blocks.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using namespace norvik;

    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("norvik_backup_bench_" + std::to_string(::getpid()) + ".norvik");
    const GatewayBackup backup = test::backupOf(test::gatewayBlocks(test::Kind::Hx3420Large, 1, 31));
    if (!writeBackupFile(path.string(), backup).ok()) return 1;
    std::printf("backup file: %ju bytes, %d modules\n", static_cast<uintmax_t>(std::filesystem::file_size(path)),
                backup.gateway.config.moduleCount);

    MainWindow window;
    window.show();
    QCoreApplication::processEvents();
    GatewayMenu& menu = *window.gatewayMenu();
    const QString file = QString::fromStdString(path.string());
    std::vector<double> times;
    for (int run = 0; run < 8; ++run) {
        const double ms = bench::timeMs([&] {
            menu.openBackupFile(file);
            QPixmap pixmap(window.size());
            window.render(&pixmap);
        });
        if (run > 0) times.push_back(ms);  // the first run warms fonts and styles
        menu.onCloseBackup();
        QCoreApplication::processEvents();
    }
    std::printf("open a backup offline, tree and list painted: median %.1f ms (goal < 100 ms)\n", bench::median(times));
    std::filesystem::remove(path);
    return 0;
}
