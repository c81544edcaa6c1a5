#include "app/CNorvikApp.h"

#include <QTimer>

#include "app/CNorvikDlg.h"
#include "app/painted_icons.h"

CNorvikApp::CNorvikApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Norvik"));
    setApplicationVersion(QStringLiteral("1.5"));
    setDesktopFileName(QStringLiteral("norvik"));
    setWindowIcon(programIcon());
}

int CNorvikApp::run() {
    CNorvikDlg window;
    if (qEnvironmentVariableIntValue("NORVIK_AUTOCONNECT") == 1)
        QTimer::singleShot(0, &window, &CNorvikDlg::onConnect);
    window.exec();
    return 0;
}
