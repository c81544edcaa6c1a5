#include "inventory/gateway_inventory.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace norvik {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::vector<std::string_view> fieldsOf(std::string_view line) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isSpace(line[at])) ++at;
        const std::size_t start = at;
        while (at < line.size() && !isSpace(line[at])) ++at;
        if (at > start) fields.push_back(line.substr(start, at - start));
    }
    return fields;
}

bool nameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

// A leading '.' would hide the gateway's files, a leading '-' make its name
// read as an option in a shell or a git command.
bool goodName(std::string_view name) {
    return std::all_of(name.begin(), name.end(), nameByte) && name.front() != '.' && name.front() != '-';
}

std::optional<uint32_t> baudOf(std::string_view field) {
    uint32_t value = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc() || end != field.data() + field.size()) return std::nullopt;
    if (std::find(kBaudRates.begin(), kBaudRates.end(), value) == kBaudRates.end()) return std::nullopt;
    return value;
}

std::optional<Parity> parityOf(std::string_view field) {
    std::string lower(field);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (lower == "none") return Parity::None;
    if (lower == "odd") return Parity::Odd;
    if (lower == "even") return Parity::Even;
    return std::nullopt;
}

}  // namespace

InventoryParse parseInventory(std::string_view text, uint32_t baud, Parity parity) {
    InventoryParse parse;
    std::map<std::string, uint32_t, std::less<>> names;
    std::map<std::string, uint32_t, std::less<>> devices;
    auto refuse = [&](InventoryError error, uint32_t line, std::string_view field, uint32_t earlier = 0) {
        parse.entries.clear();
        parse.problem = {error, line, std::string(field), earlier};
        return parse;
    };

    uint32_t number = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        const std::vector<std::string_view> fields = fieldsOf(line);
        if (fields.empty()) continue;

        InventoryEntry entry{std::string(fields[0]), {}, baud, parity, number};
        if (entry.name.size() > kMaxInventoryNameBytes) return refuse(InventoryError::NameTooLong, number, fields[0]);
        if (!goodName(entry.name)) return refuse(InventoryError::BadName, number, fields[0]);
        if (fields.size() < 2) return refuse(InventoryError::MissingDevice, number, fields[0]);
        if (fields.size() > 4) return refuse(InventoryError::ExtraField, number, fields[4]);
        entry.device = std::string(fields[1]);
        // With three fields the third may be either: "plc-1 /dev/ttyUSB0 even" keeps the rate.
        if (fields.size() >= 3) {
            if (const auto rate = baudOf(fields[2])) entry.baud = *rate;
            else if (const auto p = parityOf(fields[2]); p && fields.size() == 3) entry.parity = *p;
            else return refuse(InventoryError::BadBaud, number, fields[2]);
        }
        if (fields.size() == 4) {
            const auto p = parityOf(fields[3]);
            if (!p) return refuse(InventoryError::BadParity, number, fields[3]);
            entry.parity = *p;
        }
        if (const auto seen = names.find(entry.name); seen != names.end())
            return refuse(InventoryError::DuplicateName, number, fields[0], seen->second);
        if (const auto seen = devices.find(entry.device); seen != devices.end())
            return refuse(InventoryError::DuplicateDevice, number, fields[1], seen->second);
        names.emplace(entry.name, number);
        devices.emplace(entry.device, number);
        parse.entries.push_back(std::move(entry));
    }
    if (parse.entries.empty()) return refuse(InventoryError::NoGateways, 0, {});
    return parse;
}

}  // namespace norvik
