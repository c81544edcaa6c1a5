// Norvik in the language of the system locale: German under de_DE, today's
// English texts exactly under C and en_US (tests/app/CMakeLists.txt starts one
// run under each).

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTranslator>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "app/parameter_list_texts.h"
#include "app/port_devices_dialog.h"
#include "app/translations.h"
#include "link/link_guards.h"
#include "model/parameter_rows.h"
#include "run_language.h"
#include "grid/grid_widget.h"
#include "views/device_space_dialog.h"
#include "support/fake_port.h"
#include "support/window_link_driver.h"
#include "support/window_recorders.h"

namespace norvik {
namespace {

std::string plain(const QString& text) { return QString(text).remove(QLatin1Char('&')).toStdString(); }

// The built program finds its .qm files in the build tree, and an installed
// one where the install rule puts them; whatever the run's language.
TEST(TranslationFolders, theBuiltAndTheInstalledProgramFindTheirGerman) {
    const auto findsGerman = [](const QString& programFolder) {
        for (const QString& folder : norvikTranslationFolders(programFolder)) {
            QTranslator translator;
            if (translator.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("norvik"),
                                QStringLiteral("_"), folder))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(findsGerman(QStringLiteral(NORVIK_PROGRAM_DIR)));

    QTemporaryDir prefix;
    const QDir root(prefix.path());
    const QString bin = QStringLiteral(NORVIK_INSTALL_BINDIR);
    const QString data = QStringLiteral(NORVIK_INSTALL_DATADIR "/norvik/translations");
    ASSERT_TRUE(root.mkpath(bin) && root.mkpath(data));
    ASSERT_TRUE(QFile::copy(QStringLiteral(NORVIK_QM_DIR "/norvik_de.qm"), root.filePath(data + "/norvik_de.qm")));
    EXPECT_TRUE(findsGerman(root.filePath(bin)));
    EXPECT_FALSE(findsGerman(root.path()));  // a folder off finds none
}

class TranslationTest : public ::testing::Test {
protected:
    void SetUp() override {
        language = test::expectedLanguage();
        if (language.empty()) GTEST_SKIP() << "run without a locale of its own";
        ASSERT_EQ(test::loadRunLanguage(), language == "de");
    }
    // The text the run expects.
    const char* in(const char* english, const char* german) const { return language == "de" ? german : english; }

    std::string language;
};

TEST_F(TranslationTest, menusSpeakTheLocalesLanguageWithOneKeyPerItem) {
    test::FakePort port;
    test::RecordingBoxes boxes;
    test::RecordingOpener opener;
    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    std::vector<std::string> seen;
    std::set<int> topKeys;
    for (QAction* top : window.menu()->actions()) {
        seen.push_back("[" + plain(top->text()) + "]");
        EXPECT_TRUE(topKeys.insert(QKeySequence::mnemonic(top->text())[0].toCombined()).second) << plain(top->text());
        std::set<int> keys;
        for (QAction* item : top->menu()->actions()) {
            if (item->isSeparator()) continue;
            seen.push_back(plain(item->text()));
            const QKeySequence key = QKeySequence::mnemonic(item->text());
            ASSERT_FALSE(key.isEmpty()) << plain(item->text());
            EXPECT_TRUE(keys.insert(key[0].toCombined()).second) << plain(item->text());
        }
    }
    const std::vector<std::string> expected{
        in("[Communication]", "[Verbindung]"),
        in("Connect", "Verbinden"),
        in("Disconnect", "Trennen"),
        in("Port devices…", "COM-Zuordnung…"),
        in("Exit", "Beenden"),
        "[Gateway]",
        in("Back Up…", "Sichern…"),
        in("Restore…", "Zurückspielen…"),
        in("Compare with Backup…", "Mit Sicherung vergleichen…"),
        in("Cancel", "Abbrechen"),
        in("Export Report…", "Bericht exportieren…"),
        in("Open Backup…", "Sicherung öffnen…"),
        in("Close Backup", "Sicherung schließen"),
        in("[IP setting]", "[IP-Einstellung]"),
        in("New setting", "Neue Einstellung"),
        in("Load from file", "Aus Datei laden"),
        in("Load from device", "Vom Gerät laden"),
        in("[Safe value setting]", "[Ersatzwerte]"),
        in("New setting", "Neue Einstellung"),
        in("Load from file", "Aus Datei laden"),
        in("Load from device", "Vom Gerät laden"),
        in("[View]", "[Ansicht]"),
        in("Space configuration in device", "Adressbelegung im Gerät"),
        in("Space configuration in profibus", "Adressbelegung in PROFIBUS"),
        in("Space configuration in modbus", "Adressbelegung in Modbus"),
        in("Serial traffic", "Serieller Datenverkehr"),
        in("[Help]", "[Hilfe]"),
        in("Get Firmware Version From Module", "Firmwareversion vom Modul lesen"),
        in("About Norvik", "Über Norvik"),
    };
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(window.windowTitle().toStdString(), "Norvik");
}

TEST_F(TranslationTest, dialogsSpeakTheLocalesLanguage) {
    AboutDialog about;
    EXPECT_EQ(about.windowTitle().toStdString(), in("About Norvik", "Über Norvik"));

    PortDevicesDialog devices;
    EXPECT_EQ(devices.windowTitle().toStdString(), in("Port devices", "COM-Zuordnung"));
    std::vector<std::string> buttons;
    for (QAbstractButton* button : devices.findChild<QDialogButtonBox*>()->buttons())
        buttons.push_back(plain(button->text()));
    std::sort(buttons.begin(), buttons.end());
    // OK and Cancel are Qt's own words, from Qt's translation.
    const std::vector<std::string> english{"Cancel", "Detect again", "OK"};
    const std::vector<std::string> german{"Abbrechen", "Erneut suchen", "OK"};
    EXPECT_EQ(buttons, language == "de" ? german : english);
}

TEST_F(TranslationTest, aViewsHeadersSpeakTheLocalesLanguage) {
    const GatewayConfig config;
    DeviceSpaceDialog view(config);
    GridWidget& grid = view.areaGrid(DeviceArea::DO);
    EXPECT_EQ(view.windowTitle().toStdString(), in("Space configuration in device", "Adressbelegung im Gerät"));
    EXPECT_EQ(grid.text(0, 0).toStdString(), in("Addr.", "Adr."));
    EXPECT_EQ(grid.text(0, 1).toStdString(), in("Configure", "Belegung"));
}

TEST_F(TranslationTest, theExitQuestionSpeaksTheLocalesLanguage) {
    const std::unique_ptr<QMessageBox> box = exitQuestion(nullptr);
    EXPECT_EQ(box->text().toStdString(), in("Exit Norvik", "Norvik beenden"));
    EXPECT_EQ(plain(box->button(QMessageBox::Cancel)->text()), in("Cancel", "Abbrechen"));
    EXPECT_EQ(plain(box->button(QMessageBox::Ok)->text()), "OK");
}

TEST_F(TranslationTest, aModuleNodeInTheLanguageStillShowsItsRows) {
    test::FakePort port;
    test::RecordingBoxes boxes;
    test::RecordingOpener opener;
    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    test::editConfig(window, [](GatewayConfig& c) { c.moduleCount = 1; });
    window.rebuildTree();
    QTreeWidgetItem* node = window.treeRoot()->child(0);
    EXPECT_EQ(node->text(0).toStdString(), in("Module 1", "Modul 1"));
    window.tree()->setCurrentItem(node);
    EXPECT_EQ(window.list()->topLevelItem(0)->text(0).toStdString(),
              in("Modbus Device ID (M)", "Modbus-Geräte-ID (M)"));
}

// The words the core hands the window as it spells them, each with the context the
// window translates it in.
TEST_F(TranslationTest, everyCoreWordTheWindowShowsHasItsTranslation) {
    std::vector<std::pair<const char*, const char*>> words;
    for (const char* label : gatewayRowLabels) words.emplace_back(window::kParameterListContext, label);
    for (const char* label : moduleRowLabels) words.emplace_back(window::kParameterListContext, label);
    for (const char* word : {kSystemModuleIdLabel, kSystemModuleTypeLabel, kSystemModuleTypeValue})
        words.emplace_back(window::kParameterListContext, word);
    for (const char* text :
         {guard::kNotConnected, guard::kLoading, guard::kNoParameter, guard::kNoFirmware, guard::kOnlyHx3420})
        words.emplace_back("MainWindow", text);
    for (const auto& [context, word] : words) {
        const QString shown = QCoreApplication::translate(context, word);
        if (language == "de") EXPECT_NE(shown.toStdString(), word);
        else EXPECT_EQ(shown.toStdString(), word);
    }
}

}  // namespace
}  // namespace norvik
