#pragma once
// The language a test run was started in (tests/app/CMakeLists.txt sets the
// locale for each run), with the translations loaded as the program loads them.

#include <QApplication>
#include <QLocale>
#include <string>

#include "app/translations.h"

namespace norvik::test {

// "de" or "en" where the run says which texts it expects; empty otherwise.
inline std::string expectedLanguage() { return qEnvironmentVariable("NORVIK_EXPECT_LANGUAGE").toStdString(); }

// Installs Qt's and Norvik's translators for the system locale, once; true when
// Norvik's own was found.
inline bool loadRunLanguage() {
    static const bool loaded = installTranslations(*qApp, QLocale(), {QStringLiteral(NORVIK_QM_DIR)});
    return loaded;
}

}  // namespace norvik::test
