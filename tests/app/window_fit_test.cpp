// Every window and dialog, built as the user meets it, at the scale and in the
// language of the run: no label, button, box title or menu is narrower or lower
// than its text needs.

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QHeaderView>
#include <QMenuBar>
#include <QTreeWidget>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/main_window.h"
#include "app/port_devices_dialog.h"
#include "app/serial_traffic_window.h"
#include "app/status_line.h"
#include "app/status_texts.h"
#include "backup/backup_texts.h"
#include "firmware/firmware_dialog.h"
#include "ipsetting/ip_setting_dialog.h"
#include "ipsetting/ip_setting.h"
#include "link/link_session.h"
#include "model/gateway_config.h"
#include "report_dialog/report_export_dialog.h"
#include "run_language.h"
#include "safevalue/safe_value_dialog.h"
#include "serial/traffic_log.h"
#include "support/fake_gateway_jobs.h"
#include "support/fake_port.h"
#include "support/recording_prompts.h"
#include "support/window_link_driver.h"
#include "support/window_recorders.h"
#include "views/device_space_dialog.h"
#include "views/modbus_space_dialog.h"
#include "views/profibus_space_dialog.h"

namespace norvik {
namespace {

std::string describe(const QWidget* widget, const QString& text, QSize need) {
    std::ostringstream out;
    out << widget->metaObject()->className() << " \"" << text.toStdString() << "\" needs " << need.width() << "x"
        << need.height() << ", has " << widget->width() << "x" << widget->height();
    return out.str();
}

// What the widget's text needs, or an empty size for widgets without one.
QSize textNeed(const QWidget* widget, QString& text) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
        if (text.isEmpty()) return {};
        // A wrapping label needs only the height of its lines at its width.
        if (label->wordWrap()) return {0, label->heightForWidth(label->width())};
        return label->sizeHint();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        text = button->text();
        return button->sizeHint();
    }
    if (const auto* box = qobject_cast<const QComboBox*>(widget)) {
        text = box->currentText();
        return box->minimumSizeHint();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        // Its least width holds the title; its height is its layout's affair.
        text = group->title();
        return {group->minimumSizeHint().width(), 0};
    }
    return {};
}

std::vector<std::string> misfits(QWidget& window) {
    std::vector<std::string> found;
    if (auto* main = qobject_cast<QMainWindow*>(&window)) {
        QMenuBar* bar = main->menuBar();
        // A menu bar narrower than its titles hides the last behind an extension button.
        if (bar->sizeHint().width() > bar->width())
            found.push_back(describe(bar, QStringLiteral("menu"), bar->sizeHint()));
    }
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window) || widget->window() != &window) continue;
        QString text;
        const QSize need = textNeed(widget, text);
        if (need.width() > widget->width() || need.height() > widget->height())
            found.push_back(describe(widget, text, need));
    }
    return found;
}

GatewayConfig demoConfig() {
    GatewayConfig config;
    config.modelName = kModelHx3420;
    config.moduleCount = 2;
    config.modules[0].deviceId = kSystemModuleId;
    config.modules[1].type = static_cast<ModuleType>(0);
    config.modules[1].dataLength = 2;
    config.modules[2].type = static_cast<ModuleType>(3);
    config.modules[2].dataLength = 4;
    return config;
}

TEST(WindowFit, everyTextFitsItsWidgetInEveryWindow) {
    if (test::expectedLanguage() == "de")
        ASSERT_TRUE(test::loadRunLanguage()) << "no German translation in " NORVIK_QM_DIR;
    else test::loadRunLanguage();

    test::FakePort port;
    test::RecordingBoxes boxes;
    test::RecordingOpener opener;
    test::RecordingPrompts prompts;
    test::FakeGatewayJobs jobs;
    LinkSession session;
    session.linkState = LinkState::Connected;
    session.parameterLoaded = true;
    session.firmwareAutoQuery = false;
    session.fileNamesReceived = true;
    const GatewayConfig config = demoConfig();
    IpSettingRecord ipSetting;
    TrafficLog log;

    using Make = std::function<std::unique_ptr<QWidget>()>;
    const std::vector<std::pair<const char*, Make>> windows{
        {"main window",
         [&] {
             return std::make_unique<MainWindow>(MainWindow::Services{&port, &boxes, &opener, true});
         }},
        {"about", [] { return std::make_unique<AboutDialog>(); }},
        {"port devices", [] { return std::make_unique<PortDevicesDialog>(); }},
        {"serial traffic", [&] { return std::make_unique<SerialTrafficWindow>(log); }},
        {"firmware",
         [&] { return std::make_unique<FirmwareDialog>(FirmwareQueryState::Received, session.firmwareFileNames, 0); }},
        {"safe value",
         [&] { return std::make_unique<SafeValueDialog>(DialogMode::NewSetting, session, config, jobs, prompts); }},
        {"ip setting",
         [&] {
             return std::make_unique<IpSettingDialog>(DialogMode::NewSetting, session, config, jobs, ipSetting,
                                                      prompts);
         }},
        {"device view", [&] { return std::make_unique<DeviceSpaceDialog>(config); }},
        {"profibus view", [&] { return std::make_unique<ProfibusSpaceDialog>(config); }},
        {"modbus view", [&] { return std::make_unique<ModbusSpaceDialog>(config); }},
        {"report export", [&] { return std::make_unique<ReportExportDialog>(norvik::ReportSource{}, prompts); }},
    };
    for (const auto& [name, make] : windows) {
        SCOPED_TRACE(name);
        const std::unique_ptr<QWidget> window = make();
        window->show();
        QCoreApplication::processEvents();
        // For looking at them: NORVIK_GALLERY_DIR=/tmp/shots keeps a picture of each.
        const QString gallery = qEnvironmentVariable("NORVIK_GALLERY_DIR");
        if (!gallery.isEmpty())
            window->grab().save(gallery + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
        const std::vector<std::string> found = misfits(*window);
        for (const std::string& misfit : found) ADD_FAILURE() << misfit;
        // Nothing to measure would pass everything: each window shows some text.
        EXPECT_FALSE(window->findChildren<QLabel*>().isEmpty() && window->findChildren<QAbstractButton*>().isEmpty());
    }
}

TEST(WindowFit, parameterListShowsItsLongestItemAndFillsItsWidth) {
    test::loadRunLanguage();
    test::FakePort port;
    test::RecordingBoxes boxes;
    test::RecordingOpener opener;
    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    test::editConfig(window, [](GatewayConfig& c) { c = demoConfig(); });
    window.rebuildTree();
    window.show();
    QTreeWidget& list = *window.list();
    for (const char* node : {kModelHx3420, "Module 1", "Module 2"}) {
        SCOPED_TRACE(node);
        window.showRows(QLatin1String(node));
        QCoreApplication::processEvents();
        EXPECT_GE(list.columnWidth(0), static_cast<QAbstractItemView&>(list).sizeHintForColumn(0));
        EXPECT_EQ(list.header()->sectionViewportPosition(1) + list.header()->sectionSize(1), list.viewport()->width());
    }
}

// Every text the status line can show, with whether it stands in the link
// part (or else in the operation part). Names and paths are as long as users
// give them.
std::vector<std::pair<bool, QString>> statusCatalogue() {
    std::vector<std::pair<bool, QString>> texts;
    for (int s = 0; s <= static_cast<int>(LinkStatus::PortLost); ++s)
        texts.push_back({true, status::linkStatusText(static_cast<LinkStatus>(s), 4294967295u)});
    texts.push_back({true, BackupTexts::offlineStatus(QStringLiteral("HX-3420-line-4-north-hall-2026-12-08.norvik"))});
    for (int o = 0; o <= static_cast<int>(Operation::FileNameError); ++o)
        texts.push_back({false, status::operationText(static_cast<Operation>(o))});
    for (int j = 0; j <= static_cast<int>(JobKind::SendIpSetting); ++j) {
        RunFailure cancelled{static_cast<JobKind>(j), JobOutcome::Cancelled, {}, {}, {}};
        texts.push_back({false, BackupTexts::stepText(cancelled.step)});
        for (int c = 0; c <= static_cast<int>(BackupCommand::Report); ++c)
            texts.push_back(
                {false, BackupTexts::failureText(static_cast<BackupCommand>(c), cancelled).replace('\n', ' ')});
    }
    for (const bool verified : {true, false}) {
        RestoreReport report;
        report.verified = verified;
        report.safeValuesSent = true;
        report.ipSettingSent = true;
        texts.push_back({false, BackupTexts::restoreReportText(report).section('\n', 0, 0)});
    }
    GatewayBackup backup;
    backup.gateway.config.modelName = kModelHx3420;
    texts.push_back(
        {false, BackupTexts::savedText(
                    QStringLiteral("/home/commissioning/north-hall/line-4/HX-3420-2026-12-08.norvik"), backup)});
    return texts;
}

TEST(WindowFit, everyStatusTextShowsWholeInItsPartAtTheDefaultSize) {
    test::loadRunLanguage();
    test::FakePort port;
    test::RecordingBoxes boxes;
    test::RecordingOpener opener;
    MainWindow window(MainWindow::Services{&port, &boxes, &opener, true});
    window.show();
    const auto settle = [] {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    };
    settle();
    const int defaultWidth = window.width();
    const QString gallery = qEnvironmentVariable("NORVIK_GALLERY_DIR");
    int shown = 0;
    for (const auto& [linkPart, text] : statusCatalogue()) {
        SCOPED_TRACE(text.toStdString());
        StatusLine& line = *window.statusLine();
        linkPart ? line.setLinkText(text) : line.setOperationText(text);
        settle();
        if (!gallery.isEmpty()) window.grab().save(gallery + QStringLiteral("/status-%1.png").arg(++shown));
        const QLabel& part = linkPart ? *line.linkLabel() : *line.operationLabel();
        EXPECT_EQ(part.toolTip(), text);
        EXPECT_EQ(window.width(), defaultWidth);
        EXPECT_TRUE(window.rect().contains(QRect(part.mapTo(&window, QPoint()), part.size())));
        // The lines the part needs at its width, broken as text is broken:
        // between words, and inside a word only where it alone is too wide.
        const QRect area = part.contentsRect().adjusted(part.indent(), 0, 0, 0);
        const QFontMetrics metrics = part.fontMetrics();
        const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")));
        const bool wideWord = std::any_of(
            words.begin(), words.end(), [&](const QString& w) { return metrics.horizontalAdvance(w) > area.width(); });
        const QRect need = metrics.boundingRect(QRect(0, 0, area.width(), 1 << 20),
                                                wideWord ? Qt::TextWrapAnywhere : Qt::TextWordWrap, text);
        EXPECT_LE(need.width(), area.width());
        EXPECT_LE(need.height(), area.height());
    }
}

}  // namespace
}  // namespace norvik
