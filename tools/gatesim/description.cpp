#include "description.h"

#include "gateway_blocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <initializer_list>
#include <utility>

#include <nlohmann/json.hpp>

namespace gatesim {
namespace {

using nlohmann::json;

constexpr std::string_view kDemoJson = R"json({
  "model": "HX-3420",
  "role": "master",
  "format": "RTU",
  "stop_mode": "safe",
  "byte_order": "big",
  "output_data_mode": "manual",
  "slave_device_id": 1,
  "poll_interval_ms": 100,
  "timeout_ms": 1000,
  "tcp_connect_count": 0,
  "system_module": {"position": 1, "type": 3, "profibus_base": 0, "internal_base": 0, "data_length": 2},
  "modules": [
    {"device_id": 1, "type": 0, "profibus_base": 2, "internal_base": 0, "data_length": 2, "bits_in_last_byte": 8, "modbus_start": 0},
    {"device_id": 1, "type": 1, "profibus_base": 4, "internal_base": 0, "data_length": 1, "bits_in_last_byte": 4, "modbus_start": 16},
    {"device_id": 2, "type": 2, "profibus_base": 5, "internal_base": 0, "data_length": 4, "modbus_start": 100},
    {"device_id": 2, "type": 2, "profibus_base": 9, "internal_base": 2, "data_length": 4, "modbus_start": 101},
    {"device_id": 3, "type": 3, "profibus_base": 13, "internal_base": 1, "data_length": 6, "modbus_start": 200, "tcp_index": 2, "word_swap": true},
    {"device_id": 4, "type": 4, "profibus_base": 19, "internal_base": 16, "data_length": 1, "bits_in_last_byte": 6, "modbus_start": 32}
  ],
  "file_names": ["autoexec.bat", "3420V10.bin"]
}
)json";

// A key the loader does not know is an error: a misspelt key would otherwise
// silently fall back to its default and the test built on it would prove nothing.
void rejectUnknownKeys(const json& object, std::string_view where, std::initializer_list<std::string_view> known) {
    for (const auto& item : object.items()) {
        bool found = false;
        for (auto k : known) found = found || item.key() == k;
        if (!found) throw DescriptionError(std::string(where) + ": unknown key \"" + item.key() + "\"");
    }
}

uint64_t unsignedIn(const json& value, const std::string& key, uint64_t max) {
    if (!value.is_number_unsigned() && !(value.is_number_integer() && value.get<int64_t>() >= 0))
        throw DescriptionError(key + ": expected a non-negative integer");
    auto v = value.get<uint64_t>();
    if (v > max) throw DescriptionError(key + ": " + std::to_string(v) + " is above " + std::to_string(max));
    return v;
}

template <typename T>
void readUnsigned(const json& object, const char* key, T& out, const std::string& where, uint64_t max) {
    if (auto it = object.find(key); it != object.end()) out = static_cast<T>(unsignedIn(*it, where + "." + key, max));
}

// A field given either by its name or by the raw byte value that the wire carries.
uint8_t namedByte(const json& value, const std::string& key,
                  std::initializer_list<std::pair<std::string_view, uint8_t>> names) {
    if (value.is_string()) {
        auto text = value.get<std::string>();
        for (auto& [name, code] : names) {
            std::string lowered;
            for (char c : text) lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (lowered == name) return code;
        }
        throw DescriptionError(key + ": unknown value \"" + text + "\"");
    }
    return static_cast<uint8_t>(unsignedIn(value, key, 255));
}

std::vector<uint8_t> bytesFrom(const json& value, const std::string& key) {
    std::vector<uint8_t> out;
    if (value.is_array()) {
        for (std::size_t i = 0; i < value.size(); ++i)
            out.push_back(static_cast<uint8_t>(unsignedIn(value[i], key + "[" + std::to_string(i) + "]", 255)));
        return out;
    }
    if (!value.is_string()) throw DescriptionError(key + ": expected a hex string or an array of bytes");
    std::string digits;
    for (char c : value.get<std::string>()) {
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
        else if (!std::isspace(static_cast<unsigned char>(c)) && c != ':' && c != '-' && c != ',')
            throw DescriptionError(key + ": '" + std::string(1, c) + "' is not a hex digit");
    }
    if (digits.size() % 2 != 0) throw DescriptionError(key + ": odd number of hex digits");
    for (std::size_t i = 0; i < digits.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return out;
}

ModuleRecord moduleFrom(const json& object, const std::string& where, bool isSystem) {
    if (!object.is_object()) throw DescriptionError(where + ": expected an object");
    ModuleRecord m;
    if (isSystem) {
        rejectUnknownKeys(object, where,
                          {"position", "type", "profibus_base", "internal_base", "data_length", "bits_in_last_byte",
                           "tcp_index", "word_swap"});
        if (!object.contains("position")) throw DescriptionError(where + ": \"position\" is required");
        m.deviceId = 0xFF;
        readUnsigned(object, "position", m.modbusStart, where, 0xFFFF);
    } else {
        rejectUnknownKeys(object, where,
                          {"device_id", "type", "profibus_base", "internal_base", "data_length", "bits_in_last_byte",
                           "modbus_start", "tcp_index", "word_swap"});
        if (!object.contains("device_id") || !object.contains("type"))
            throw DescriptionError(where + ": \"device_id\" and \"type\" are required");
        readUnsigned(object, "device_id", m.deviceId, where, 255);
        readUnsigned(object, "modbus_start", m.modbusStart, where, 0xFFFF);
    }
    readUnsigned(object, "type", m.type, where, 255);
    readUnsigned(object, "profibus_base", m.profibusBase, where, 255);
    readUnsigned(object, "internal_base", m.internalBase, where, 0xFFFF);
    readUnsigned(object, "data_length", m.dataLength, where, 255);
    readUnsigned(object, "bits_in_last_byte", m.bitsInLastByte, where, 255);
    readUnsigned(object, "tcp_index", m.tcpIndex, where, 256);
    if (object.contains("tcp_index") && m.tcpIndex == 0) throw DescriptionError(where + ".tcp_index: counted from 1");
    if (auto it = object.find("word_swap"); it != object.end()) {
        if (!it->is_boolean()) throw DescriptionError(where + ".word_swap: expected true or false");
        m.wordSwap = it->get<bool>();
    }
    return m;
}

}  // namespace

GatewayDescription parseDescription(std::string_view jsonText) {
    json root;
    try {
        root = json::parse(jsonText);
    } catch (const json::exception& e) {
        // Syntax errors and numbers too large for any type alike.
        throw DescriptionError(std::string("not valid JSON: ") + e.what());
    }
    if (!root.is_object()) throw DescriptionError("the description must be a JSON object");
    rejectUnknownKeys(root, "description",
                      {"model", "marker", "role", "format", "stop_mode", "byte_order", "output_data_mode",
                       "slave_device_id", "poll_interval_ms", "timeout_ms", "tcp_connect_count", "system_module",
                       "modules", "file_names", "file_count", "safe_value_bytes", "safe_value_block", "ip_block"});

    GatewayDescription d;
    const std::string top = "description";
    if (auto it = root.find("model"); it != root.end()) {
        if (!it->is_string() || (*it != "HX-3410" && *it != "HX-3420"))
            throw DescriptionError("model: expected \"HX-3410\" or \"HX-3420\"");
        d.model = it->get<std::string>();
    }
    if (auto it = root.find("marker"); it != root.end()) {
        if (it->is_string() && it->get<std::string>().size() == 1)
            d.marker = static_cast<uint8_t>(it->get<std::string>()[0]);
        else d.marker = static_cast<uint8_t>(unsignedIn(*it, "marker", 255));
    }
    if (auto it = root.find("role"); it != root.end()) d.role = namedByte(*it, "role", {{"master", 0}, {"slave", 1}});
    if (auto it = root.find("format"); it != root.end())
        d.format = namedByte(*it, "format", {{"rtu", 0}, {"ascii", 1}, {"tcp", 2}});
    if (auto it = root.find("stop_mode"); it != root.end())
        d.stopMode = namedByte(*it, "stop_mode", {{"retain", 0}, {"safe", 1}});
    if (auto it = root.find("byte_order"); it != root.end())
        d.bigEndian = namedByte(*it, "byte_order", {{"little", 0}, {"big", 1}}) != 0;
    if (auto it = root.find("output_data_mode"); it != root.end())
        d.outputAuto = namedByte(*it, "output_data_mode", {{"manual", 0}, {"auto", 1}}) != 0;
    readUnsigned(root, "slave_device_id", d.slaveDeviceId, top, 255);
    readUnsigned(root, "poll_interval_ms", d.pollIntervalMs, top, 0xFFFF);
    readUnsigned(root, "timeout_ms", d.timeoutMs, top, 0xFFFF);
    readUnsigned(root, "tcp_connect_count", d.tcpConnectCount, top, 255);

    if (auto it = root.find("system_module"); it != root.end() && !it->is_null())
        d.systemModule = moduleFrom(*it, "system_module", true);
    if (auto it = root.find("modules"); it != root.end()) {
        if (!it->is_array()) throw DescriptionError("modules: expected a list");
        for (std::size_t i = 0; i < it->size(); ++i)
            d.modules.push_back(moduleFrom((*it)[i], "modules[" + std::to_string(i) + "]", false));
    }
    // Byte 11 of the header carries the record count minus one.
    if (d.modules.size() + (d.systemModule ? 1 : 0) > 256)
        throw DescriptionError("modules: at most 256 records fit the header's count byte");

    if (auto it = root.find("file_names"); it != root.end()) {
        if (!it->is_array()) throw DescriptionError("file_names: expected a list of texts");
        for (const auto& name : *it) {
            if (!name.is_string()) throw DescriptionError("file_names: expected a list of texts");
            d.fileNames.push_back(name.get<std::string>());
        }
    }
    if (d.fileNames.size() > 255) throw DescriptionError("file_names: at most 255 names fit the count byte");
    if (auto it = root.find("file_count"); it != root.end())
        d.fileCountOverride = static_cast<uint8_t>(unsignedIn(*it, "file_count", 255));

    if (auto it = root.find("safe_value_bytes"); it != root.end()) {
        auto n = unsignedIn(*it, "safe_value_bytes", 976);
        if (n != 512 && n != 976) throw DescriptionError("safe_value_bytes: expected 512 or 976");
        d.safeValueBytes = static_cast<uint32_t>(n);
    }
    if (auto it = root.find("safe_value_block"); it != root.end())
        d.safeValueBlock = bytesFrom(*it, "safe_value_block");
    if (auto it = root.find("ip_block"); it != root.end()) {
        d.ipBlock = bytesFrom(*it, "ip_block");
        if (d.ipBlock->size() != 76)
            throw DescriptionError("ip_block: expected 76 bytes, got " + std::to_string(d.ipBlock->size()));
    }
    if (d.safeValueBlock && d.safeValueBlock->size() != safeValueBlockSize(d))
        throw DescriptionError("safe_value_block: expected " + std::to_string(safeValueBlockSize(d)) +
                               " bytes for this gateway, got " + std::to_string(d.safeValueBlock->size()));
    return d;
}

GatewayDescription loadDescriptionFile(const std::string& path) {
    // Opened without blocking and looked at before a byte is read: a FIFO would
    // wait for a writer, and /dev/zero or a file that keeps growing would be
    // read without end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw DescriptionError(path + ": cannot be opened");
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) throw DescriptionError(path + ": not a regular file");
    if (info.st_size > static_cast<off_t>(kMaxDescriptionBytes))
        throw DescriptionError(path + ": larger than " + std::to_string(kMaxDescriptionBytes) + " bytes");

    std::string text(kMaxDescriptionBytes + 1, '\0');
    std::size_t have = 0;
    while (have < text.size()) {
        const ssize_t n = ::read(fd, text.data() + have, text.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw DescriptionError(path + ": cannot be read");
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    if (have > kMaxDescriptionBytes)
        throw DescriptionError(path + ": grew past " + std::to_string(kMaxDescriptionBytes) + " bytes while read");
    text.resize(have);
    try {
        return parseDescription(text);
    } catch (const DescriptionError& e) {
        throw DescriptionError(path + ": " + e.what());
    }
}

std::string_view demoDescriptionJson() { return kDemoJson; }

}  // namespace gatesim
