#include "report/report_csv.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <span>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

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

// Every table a report of any gateway may hold: what a folder of an earlier
// report may be emptied of.
constexpr std::string_view kTableNames[] = {
    "device_map", "file_names",   "ip_setting", "modbus_map",         "modules",
    "parameters", "profibus_map", "report",     "safe_values_analog", "safe_values_digital",
};

bool isReportTableFile(const std::filesystem::directory_entry& entry) {
    std::error_code error;
    if (!entry.is_regular_file(error) || entry.is_symlink(error)) return false;
    const std::filesystem::path name = entry.path().filename();
    if (name.extension() != ".csv") return false;
    return std::find(std::begin(kTableNames), std::end(kTableNames), name.stem().string()) != std::end(kTableNames);
}

// A new empty folder beside `target`, named after it.
std::optional<std::filesystem::path> makeSibling(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path sibling = target;
        sibling += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        std::error_code error;
        if (std::filesystem::create_directory(sibling, error)) return sibling;
        if (error) return std::nullopt;
    }
    return std::nullopt;
}

// `fresh` takes `target`'s place. An existing target changes places with it
// in one step where the file system can (nobody sees a half folder or none),
// else in two renames; the old tables go afterwards.
bool replaceFolder(const std::filesystem::path& fresh, const std::filesystem::path& target, bool existed) {
    std::error_code error;
    if (!existed) return ::rename(fresh.c_str(), target.c_str()) == 0;
    if (::renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        std::filesystem::remove_all(fresh, error);
        return true;
    }
    const std::optional<std::filesystem::path> old = makeSibling(target);
    if (!old) return false;
    if (::rename(target.c_str(), old->c_str()) != 0) {
        std::filesystem::remove(*old, error);
        return false;
    }
    if (::rename(fresh.c_str(), target.c_str()) != 0) {
        ::rename(old->c_str(), target.c_str());
        return false;
    }
    std::filesystem::remove_all(*old, error);
    return true;
}

}  // namespace

std::string csvText(const ReportTable& table) {
    std::string out;
    appendRecord(out, table.columns);
    for (const auto& row : table.rows) appendRecord(out, row);
    return out;
}

CsvWriteOutcome writeReportCsvFolder(const std::string& folder, const ReportContent& content) {
    namespace fs = std::filesystem;
    CsvWriteOutcome outcome;
    std::error_code error;
    fs::path target = fs::path(folder).lexically_normal();
    if (!target.has_filename()) target = target.parent_path();  // "out/" is "out"
    const auto refuse = [&](const fs::path& path, bool foreign) {
        outcome.ok = false;
        outcome.failedPath = path.string();
        outcome.foreignEntry = foreign;
        outcome.written.clear();
        return outcome;
    };
    const fs::file_status status = fs::symlink_status(target, error);
    const bool existed = fs::exists(status);
    if (existed) {
        if (!fs::is_directory(status)) return refuse(target, false);
        for (const fs::directory_entry& entry : fs::directory_iterator(target, error))
            if (!isReportTableFile(entry)) return refuse(entry.path(), true);
        if (error) return refuse(target, false);
    } else if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
    }
    const std::optional<fs::path> fresh = makeSibling(target);
    if (!fresh) return refuse(target, false);
    if (existed) fs::permissions(*fresh, status.permissions(), error);
    for (const ReportTable& table : reportTables(content)) {
        const fs::path name = table.name + ".csv";
        if (!writeText((*fresh / name).string(), csvText(table))) {
            fs::remove_all(*fresh, error);
            return refuse(target / name, false);
        }
        outcome.written.push_back((target / name).string());
    }
    if (!replaceFolder(*fresh, target, existed)) {
        fs::remove_all(*fresh, error);
        return refuse(target, false);
    }
    return outcome;
}

CsvWriteOutcome writeModbusMapCsv(const std::string& path, const ReportContent& content) {
    return writeTable(path, modbusMapTable(content), {});
}

}  // namespace norvik
