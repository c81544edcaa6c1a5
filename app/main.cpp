// Norvik: inspects and configures HX-3410 and HX-3420 gateways over a serial port.

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include "app/main_window.h"
#include "app/painted_icons.h"
#include "norvik_version.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvik"));
    QApplication::setApplicationVersion(QStringLiteral(NORVIK_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("norvik"));
    QApplication::setWindowIcon(programIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(NORVIK_DESCRIPTION));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    MainWindow window;
    window.show();
    // For demonstrations and the README screenshot: press Connect as soon as
    // the window shows.
    if (qEnvironmentVariableIntValue("NORVIK_AUTOCONNECT") == 1)
        QTimer::singleShot(0, &window, &MainWindow::onConnect);
    return QApplication::exec();
}
