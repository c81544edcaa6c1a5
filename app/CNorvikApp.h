#pragma once
// The program: shows the main window modally and ends when it closes.

#include <QApplication>

class CNorvikApp : public QApplication {
    Q_OBJECT
public:
    CNorvikApp(int& argc, char** argv);

    // Runs the main window. With NORVIK_AUTOCONNECT=1 in the environment the
    // window presses Connect as soon as it shows (for demonstrations and the
    // README screenshot).
    int run();
};
