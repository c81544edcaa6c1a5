#include "pdf/cli_pdf.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <span>

#include <QGuiApplication>
#include <QString>
#include <QtGlobal>

#include "model/atomic_file.h"
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
    // Written by the core under the name's own bytes: Qt would read them as
    // UTF-8 and change a name that is none.
    const QByteArray bytes = reportPdf(content);
    if (bytes.isEmpty()) return false;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    return writeFileAtomically(path, std::span<const uint8_t>(data, static_cast<std::size_t>(bytes.size())));
}

}  // namespace norvik::cli
