#pragma once
// The report's PDF for the command line. Qt's PDF writer needs a
// QGuiApplication; this header keeps Qt out of the rest of the tool.

#include <memory>
#include <string>

#include "report/report_content.h"

namespace norvik::cli {

// The Qt application the PDF writer needs, made on the main thread before any
// link starts. Without a display it renders off-screen.
class PdfSupport {
public:
    PdfSupport(int& argc, char** argv);
    ~PdfSupport();
    PdfSupport(const PdfSupport&) = delete;
    PdfSupport& operator=(const PdfSupport&) = delete;

private:
    struct App;
    std::unique_ptr<App> app_;
};

// Writes the report whole or not at all; false when the file cannot be
// written. Several links may call it at once: one document is made at a time.
bool writePdf(const std::string& path, const ReportContent& content);

}  // namespace norvik::cli
