#include "inventory_file.h"

#include "model/atomic_file.h"

namespace norvik::cli {

namespace {

// An inventory of some thousand gateways is some 100 KB.
constexpr std::size_t kMaxInventoryBytes = 1u << 20;

// A field as a person can read it back: bytes that are no printable ASCII as \xNN.
std::string shown(const std::string& field) {
    std::string out;
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            out += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
        }
    }
    return "\"" + out + "\"";
}

}  // namespace

std::string inventoryProblemText(const InventoryProblem& p) {
    const std::string where = "line " + std::to_string(p.line) + ": ";
    const std::string earlier = " (line " + std::to_string(p.earlierLine) + ")";
    switch (p.error) {
    case InventoryError::None: return {};
    case InventoryError::BadName:
        return where + "the name " + shown(p.field) +
               " may hold only letters, digits, '.', '_' and '-', and not start with '.' or '-'";
    case InventoryError::NameTooLong:
        return where + "the name " + shown(p.field) + " is longer than " + std::to_string(kMaxInventoryNameBytes) +
               " characters";
    case InventoryError::MissingDevice: return where + "the gateway " + shown(p.field) + " has no device";
    case InventoryError::BadBaud:
        return where + shown(p.field) + " is no baud rate (2400, 4800, 9600, 19200, 38400, 57600 or 115200)";
    case InventoryError::BadParity: return where + shown(p.field) + " is no parity (none, odd or even)";
    case InventoryError::ExtraField:
        return where + shown(p.field) + " is one field too many: NAME DEVICE [BAUD] [PARITY]";
    case InventoryError::DuplicateName: return where + "the name " + shown(p.field) + " is taken already" + earlier;
    case InventoryError::DuplicateDevice:
        return where + "the device " + shown(p.field) + " is named already" + earlier +
               ": each gateway needs a link of its own";
    case InventoryError::NoGateways: return "it names no gateway";
    }
    return {};
}

InventoryRead readInventoryFile(const std::string& path, uint32_t baud, Parity parity) {
    InventoryRead read;
    const auto bytes = readRegularFile(path, kMaxInventoryBytes + 1);
    if (!bytes) {
        read.error = path + ": cannot be read";
        return read;
    }
    if (bytes->size() > kMaxInventoryBytes) {
        read.error = path + ": larger than an inventory can be (1 MiB)";
        return read;
    }
    InventoryParse parse =
        parseInventory(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), baud, parity);
    if (!parse.ok()) read.error = path + ": " + inventoryProblemText(parse.problem);
    else read.entries = std::move(parse.entries);
    return read;
}

}  // namespace norvik::cli
