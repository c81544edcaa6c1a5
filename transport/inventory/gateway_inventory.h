#pragma once
// A plant's gateways, one a line: `NAME DEVICE [BAUD] [PARITY]`. `#` starts a
// comment; blank lines are skipped. The name is what files, messages and
// reports call the gateway, so it is kept to what is safe in a file name.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/serial_port.h"

namespace norvik {

struct InventoryEntry {
    std::string name;
    std::string device;
    uint32_t baud = 115200;
    Parity parity = Parity::None;
    uint32_t line = 0;  // 1-based, for messages about the gateway
    bool operator==(const InventoryEntry&) const = default;
};

enum class InventoryError : uint8_t {
    None,
    BadName,          // a byte outside letters, digits, '.', '_', '-'; or a leading '.' or '-'
    NameTooLong,      // more than kMaxInventoryNameBytes
    MissingDevice,    // a name alone on its line
    BadBaud,          // not one of the port's rates
    BadParity,        // not none, odd or even
    ExtraField,       // more than four fields
    DuplicateName,    // the name of an earlier line
    DuplicateDevice,  // the device of an earlier line: one link per gateway
    NoGateways,       // nothing but comments and blank lines
};

struct InventoryProblem {
    InventoryError error = InventoryError::None;
    uint32_t line = 0;
    std::string field;         // the offending field as written (bytes, may be anything)
    uint32_t earlierLine = 0;  // for the duplicates: the line that named it first
    bool operator==(const InventoryProblem&) const = default;
};

struct InventoryParse {
    std::vector<InventoryEntry> entries;  // empty when there is a problem
    InventoryProblem problem;
    bool ok() const { return problem.error == InventoryError::None; }
};

// A name longer than this makes file names that some file systems refuse.
inline constexpr std::size_t kMaxInventoryNameBytes = 64;

// The whole file or nothing: the first bad line is the problem, and no entry
// is given then. BAUD and PARITY default to `baud` and `parity`.
InventoryParse parseInventory(std::string_view text, uint32_t baud = 115200, Parity parity = Parity::None);

}  // namespace norvik
