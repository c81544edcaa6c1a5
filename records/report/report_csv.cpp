#include "report/report_csv.h"

#include <filesystem>
#include <span>
#include <system_error>

#include "model/atomic_file.h"

namespace norvik {

namespace {

void appendField(std::string& out, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void appendRecord(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ',';
        appendField(out, fields[i]);
    }
    out += "\r\n";
}

bool writeText(const std::string& path, const std::string& text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    return writeFileAtomically(path, std::span<const uint8_t>(bytes, text.size()));
}

CsvWriteOutcome writeTable(const std::string& path, const ReportTable& table, CsvWriteOutcome outcome) {
    if (!writeText(path, csvText(table))) {
        outcome.ok = false;
        outcome.failedPath = path;
    } else {
        outcome.written.push_back(path);
    }
    return outcome;
}

}  // namespace

std::string csvText(const ReportTable& table) {
    std::string out;
    appendRecord(out, table.columns);
    for (const auto& row : table.rows) appendRecord(out, row);
    return out;
}

CsvWriteOutcome writeReportCsvFolder(const std::string& folder, const ReportContent& content) {
    CsvWriteOutcome outcome;
    std::error_code error;
    const std::filesystem::path dir(folder);
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir, error)) {
        outcome.ok = false;
        outcome.failedPath = folder;
        return outcome;
    }
    for (const ReportTable& table : reportTables(content)) {
        outcome = writeTable((dir / (table.name + ".csv")).string(), table, std::move(outcome));
        if (!outcome.ok) break;
    }
    return outcome;
}

CsvWriteOutcome writeModbusMapCsv(const std::string& path, const ReportContent& content) {
    return writeTable(path, modbusMapTable(content), {});
}

}  // namespace norvik
