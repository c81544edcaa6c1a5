#include "pdf/cli_pdf.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <QGuiApplication>
#include <QString>
#include <QtGlobal>

#include "report/report_pdf.h"

namespace norvik::cli {

struct PdfSupport::App {
    App(int& argc, char** argv) : app(argc, argv) {}
    QGuiApplication app;
};

PdfSupport::PdfSupport(int& argc, char** argv) {
    // A terminal over ssh has no display, and a PDF needs none.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt's notes about its run-time folder and fonts are not the user's business;
    // what would break the PDF still shows.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    app_ = std::make_unique<App>(argc, argv);
}

PdfSupport::~PdfSupport() = default;

bool writePdf(const std::string& path, const ReportContent& content) {
    // The font database and the painter's caches are shared by every thread.
    static std::mutex oneAtATime;
    std::lock_guard lock(oneAtATime);
    return writeReportPdf(QString::fromStdString(path), content);
}

}  // namespace norvik::cli
