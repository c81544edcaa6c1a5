// Opens one of the three views for a demo configuration; with --shot it saves a
// picture of the dialog and quits, which is how the views are checked by eye.

#include <QApplication>
#include <QCommandLineParser>
#include <QCheckBox>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <memory>

#include "bench/demo_configs.h"
#include "views/device_space_dialog.h"
#include "views/modbus_space_dialog.h"
#include "views/profibus_space_dialog.h"

namespace {

// A dark palette of the kind desktop themes hand to Qt programs.
QPalette darkPalette() {
    QPalette dark;
    const QColor window(53, 53, 53);
    const QColor text(230, 230, 230);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Light, QColor(80, 80, 80));
    dark.setColor(QPalette::Midlight, QColor(66, 66, 66));
    dark.setColor(QPalette::Mid, QColor(40, 40, 40));
    dark.setColor(QPalette::Dark, QColor(25, 25, 25));
    dark.setColor(QPalette::Shadow, QColor(10, 10, 10));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    return dark;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"view", "device, profibus or modbus", "name", "modbus"});
    parser.addOption({"config", "demo, overlap, slave, full or a description file", "name", "demo"});
    parser.addOption({"space", "Modbus pair to show: write, input or read", "name", "write"});
    parser.addOption({"scroll", "scroll every grid down by this many pixels", "pixels", "0"});
    parser.addOption({"untick", "untick module box k before the shot", "k"});
    parser.addOption({"shot", "save a picture of the dialog to this file and quit", "file"});
    parser.addOption({"dark", "show the view under a dark palette"});
    parser.process(app);
    if (parser.isSet("dark")) QApplication::setPalette(darkPalette());

    const QString which = parser.value("config");
    norvik::GatewayConfig config;
    try {
        if (which == "demo") config = norvik::bench::configFromDescription(NORVIK_DEMO_DESCRIPTION);
        else if (which == "overlap") config = norvik::bench::overlapConfig();
        else if (which == "slave") config = norvik::bench::slaveConfig();
        else if (which == "full") config = norvik::bench::fullConfig();
        else config = norvik::bench::configFromDescription(which.toStdString());
    } catch (const std::exception& error) {
        qCritical("%s", error.what());
        return 2;
    }

    std::unique_ptr<SpaceDialog> dialog;
    const QString view = parser.value("view");
    if (view == "device") dialog = std::make_unique<DeviceSpaceDialog>(config, nullptr);
    else if (view == "profibus") dialog = std::make_unique<ProfibusSpaceDialog>(config, nullptr);
    else dialog = std::make_unique<ModbusSpaceDialog>(config, nullptr);

    if (auto* modbus = dynamic_cast<ModbusSpaceDialog*>(dialog.get())) {
        const QString space = parser.value("space");
        if (space == "input") modbus->readInputButton()->click();
        else if (space == "read") modbus->readOutputButton()->click();
    }
    for (const QString& k : parser.values("untick")) {
        if (QCheckBox* box = dialog->moduleBox(k.toInt())) box->click();
    }

    if (!parser.isSet("shot")) return dialog->exec();

    dialog->show();
    const int scroll = parser.value("scroll").toInt();
    const QString file = parser.value("shot");
    QTimer::singleShot(400, [&] {
        for (GridWidget* grid : dialog->findChildren<GridWidget*>()) grid->verticalScrollBar()->setValue(scroll);
        QTimer::singleShot(200, [&] {
            const bool saved = dialog->grab().save(file);
            app.exit(saved ? 0 : 1);
        });
    });
    return app.exec();
}
