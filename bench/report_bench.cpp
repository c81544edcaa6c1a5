// Times a commissioning report of 32 modules with safe values (976-byte block)
// and an IP setting: the PDF and the CSV folder, against the CSV folder alone
// measured in the same run. Prints figures and the goal, never fails on timing.
//
//   norvik_report_bench [--pdf FILE]        also writes the demo gateway's report to FILE
//   norvik_report_bench [--full-pdf FILE]   ... or the 32-module report that is timed
//   norvik_report_bench [--csv FOLDER]      ... or the demo gateway's CSV tables

#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/bench_timing.h"
#include "bench/demo_configs.h"
#include "report/report_content.h"
#include "report/report_csv.h"
#include "report/report_pdf.h"
#include "tests/report/described_gateway.h"

namespace {

using norvik::bench::median;
using norvik::bench::timeMs;

constexpr int kRuns = 7;

norvik::ReportSource sourceFor(const norvik::GatewayConfig& config) {
    norvik::ReportSource source;
    source.config = config;
    source.fileNames[0] = "autoexec.bat";
    source.fileNames[1] = "3420V13.bin";
    source.fileCount = 2;
    std::vector<uint8_t> block(976);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 37);
    source.safeValues = norvik::ReportSafeValues{norvik::SafeValueLayout::Block976, block};
    norvik::IpSettingRecord ip;
    norvik::setDefaultIpSetting(ip);
    source.ipSetting = ip;
    source.origin = "/dev/ttyS0";
    stampReportSource(source);
    return source;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const norvik::ReportSource source = sourceFor(norvik::bench::fullConfig());
    QTemporaryDir dir;

    if (argc == 3 && std::strcmp(argv[1], "--full-pdf") == 0) {
        const bool ok = writeReportPdf(QString::fromLocal8Bit(argv[2]), norvik::buildReportContent(source));
        std::printf("32-module report %s: %s\n", argv[2], ok ? "written" : "NOT written");
    }
    const bool demoPdf = argc == 3 && std::strcmp(argv[1], "--pdf") == 0;
    const bool demoCsv = argc == 3 && std::strcmp(argv[1], "--csv") == 0;
    if (demoPdf || demoCsv) {
        norvik::ReportSource demo =
            norvik::test::describedGateway(gatesim::loadDescriptionFile(NORVIK_DEMO_DESCRIPTION));
        demo.date.clear();
        stampReportSource(demo);
        const norvik::ReportContent content = norvik::buildReportContent(demo);
        const bool ok = demoPdf ? writeReportPdf(QString::fromLocal8Bit(argv[2]), content)
                                : norvik::writeReportCsvFolder(argv[2], content).ok;
        std::printf("demo report %s: %s\n", argv[2], ok ? "written" : "NOT written");
    }

    const std::string csvDir = (dir.path() + QStringLiteral("/csv")).toStdString();
    const QString pdfPath = dir.path() + QStringLiteral("/report.pdf");
    const auto csvOnly = [&] { norvik::writeReportCsvFolder(csvDir, norvik::buildReportContent(source)); };
    const auto full = [&] {
        const norvik::ReportContent content = norvik::buildReportContent(source);
        norvik::writeReportCsvFolder(csvDir, content);
        writeReportPdf(pdfPath, content);
    };
    csvOnly();
    full();
    std::vector<double> csvTimes, fullTimes;
    for (int i = 0; i < kRuns; ++i) {
        csvTimes.push_back(timeMs(csvOnly));
        fullTimes.push_back(timeMs(full));
    }
    const double csv = median(csvTimes), all = median(fullTimes);
    std::printf("32-module report, median of %d runs:\n", kRuns);
    std::printf("  CSV folder alone (baseline)   %8.1f ms\n", csv);
    std::printf("  PDF and CSV folder            %8.1f ms  (%.1f x the baseline)\n", all, all / csv);
    std::printf("  goal: PDF and CSV under 1000 ms: %s\n", all < 1000.0 ? "met" : "NOT met");
    return 0;
}
