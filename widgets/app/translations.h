#pragma once
// The user's language: Norvik's own texts and Qt's (file dialogs, standard
// buttons), as the system locale asks for them.

#include <QLocale>
#include <QStringList>

class QCoreApplication;

// Where Norvik's .qm files may lie: beside the program in the build tree, and
// in the installed tree's data folder.
QStringList norvikTranslationFolders();
// The same for a program that lies in `programFolder`.
QStringList norvikTranslationFolders(const QString& programFolder);

// Installs Qt's and Norvik's translators for `locale` on `app`; they live as
// long as the application. Returns false when Norvik has no translation for
// it, which is no error: the texts stay English.
bool installTranslations(QCoreApplication& app, const QLocale& locale,
                         const QStringList& folders = norvikTranslationFolders());
