#include "app/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QStringList norvikTranslationFolders() { return norvikTranslationFolders(QCoreApplication::applicationDirPath()); }

QStringList norvikTranslationFolders(const QString& programFolder) {
    const QDir program(programFolder);
    return {program.filePath(QStringLiteral("translations")),
            program.filePath(QStringLiteral("../share/norvik/translations"))};
}

bool installTranslations(QCoreApplication& app, const QLocale& locale, const QStringList& folders) {
    // Qt's own first, so that a text Norvik translates itself wins: the
    // translator installed last is asked first.
    auto* qt = new QTranslator(&app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else delete qt;

    auto* own = new QTranslator(&app);
    for (const QString& folder : folders) {
        if (own->load(locale, QStringLiteral("norvik"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(own);
            return true;
        }
    }
    delete own;
    return false;
}
