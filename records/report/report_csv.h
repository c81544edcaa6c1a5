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
    // The folder or file that could not be made, or the first entry of the
    // folder that is no report table.
    std::string failedPath;
    bool foreignEntry = false;  // the folder holds something that is not a report's table
    std::vector<std::string> written;
};

// One file per table, named after it, in `folder`, which is made when it does
// not exist yet. The folder is the report's: afterwards it holds exactly this
// report's tables, all of them new, or (on any failure) exactly what it held
// before. The tables are written to a sibling folder that then takes the
// old one's place. A folder holding anything but report tables (the user's
// own files) is refused and left as it is, never emptied.
CsvWriteOutcome writeReportCsvFolder(const std::string& folder, const ReportContent& content);

// The Modbus map alone, at `path`.
CsvWriteOutcome writeModbusMapCsv(const std::string& path, const ReportContent& content);

}  // namespace norvik
