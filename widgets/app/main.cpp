// Norvik: inspects and configures HX-3410 and HX-3420 gateways over a serial port.

#include <QApplication>
#include <QFile>
#include <QCommandLineParser>
#include <QTimer>
#include <cstring>

#include "app/gateway_menu.h"
#include "app/main_window.h"
#include "app/painted_icons.h"
#include "app/translations.h"
#include "norvik_version.h"

namespace {

void describe(QCoreApplication& app, QCommandLineParser& parser) {
    QCoreApplication::setApplicationName(QStringLiteral("norvik"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVIK_VERSION));
    parser.setApplicationDescription(QStringLiteral(NORVIK_DESCRIPTION));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("backup"),
                                 QStringLiteral("A backup (*.norvik) to open without a gateway."),
                                 QStringLiteral("[backup]"));
    parser.process(app);
}

// --help and --version must answer on a terminal without a display, where a
// QApplication cannot even start; they need no window, so they get none.
bool asksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-?", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0) return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (asksForTextOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCommandLineParser parser;
        describe(app, parser);  // prints and exits
        return 0;
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    describe(app, parser);
    QApplication::setApplicationName(QStringLiteral("Norvik"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.norvik.Norvik"));
    QApplication::setWindowIcon(programIcon());
    // QLocale() is the system's (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) unless set otherwise.
    installTranslations(app, QLocale());

    MainWindow window;
    window.show();
    // A backup named on the command line (a file manager's "Open with") is
    // shown as Open Backup shows it; a refused one says why and leaves the window empty.
    if (!parser.positionalArguments().isEmpty()) {
        // The name as the system gave it: decoding it to text and back would
        // change a name that is no UTF-8.
        const QString named = parser.positionalArguments().front();
        std::string backup = QFile::encodeName(named).toStdString();
        for (int i = argc - 1; i > 0; --i)
            if (QFile::decodeName(argv[i]) == named) backup = argv[i];
        QTimer::singleShot(0, &window, [&window, backup] { window.gatewayMenu()->openBackupFile(backup); });
    }
    // For demonstrations and the README screenshot: press Connect as soon as
    // the window shows.
    if (qEnvironmentVariableIntValue("NORVIK_AUTOCONNECT") == 1) QTimer::singleShot(0, &window, &MainWindow::onConnect);
    return QApplication::exec();
}
