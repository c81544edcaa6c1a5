// GoogleTest on a QApplication, so widgets can be made in every test.

#include <QApplication>
#include <QByteArray>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // --env=NAME=VALUE sets a variable before Qt reads it (scale, locale), so one
    // binary can run under several.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        const qsizetype equals = arg.indexOf('=', 6);
        if (arg.startsWith("--env=") && equals > 6) qputenv(arg.mid(6, equals - 6).constData(), arg.mid(equals + 1));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Saved choices (the port devices) are the tests' own, never the user's.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
