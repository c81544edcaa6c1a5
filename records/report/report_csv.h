#pragma once
// The report's tables as CSV files: RFC 4180 (fields quoted where they must
// be, quotes doubled, CRLF line ends), UTF-8, a header row first. Every file is
// written whole or not at all.

#include <string>
#include <vector>

#include "report/report_content.h"

namespace norvik {

std::string csvText(const ReportTable& table);

struct CsvWriteOutcome {
    bool ok = true;
    // The folder or file that could not be made; the files before it were written.
    std::string failedPath;
    std::vector<std::string> written;
};

// One file per table, named after it, in `folder`, which is made when it does
// not exist yet. A file of the same name is replaced.
CsvWriteOutcome writeReportCsvFolder(const std::string& folder, const ReportContent& content);

// The Modbus map alone, at `path`.
CsvWriteOutcome writeModbusMapCsv(const std::string& path, const ReportContent& content);

}  // namespace norvik
