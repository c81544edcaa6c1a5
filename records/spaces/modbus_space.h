#pragma once
// The Modbus space view's arithmetic: which addresses each module uses, how many
// modules of each device ID use an address, and the class an address shows.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/gateway_config.h"
#include "model/module_types.h"
#include "spaces/device_space.h"

namespace norvik {

inline constexpr uint32_t kModbusAddresses = 1024;
// IDs 0..254 are the Modbus device IDs; 255 marks the system module and has its own entry.
inline constexpr int kCountedIds = 256;

const char* modbusKindName(ModbusKind kind);
int modbusGridRows(ModbusKind kind);
int modbusGridColumns(ModbusKind kind);
std::string modbusHeaderText(ModbusKind kind, int column);
// A row's label: its addresses as the protocol carries them, counted from 0,
// or as register numbers (below) where `registerNumbers` says so.
std::string modbusRowLabel(ModbusKind kind, int row, bool registerNumbers = false);

// The register number a master that counts from 1 gives an address: the
// area's digit (0 coils, 1 discrete inputs, 3 input registers, 4 holding
// registers) before the address plus one, so coil 0 is 00001 and holding
// register 0 is 40001. Five digits while the address fits in four, six beyond
// (holding register 9999 is 410000).
uint32_t modbusRegisterNumber(ModbusKind kind, uint32_t address);
// The same number with its leading zeros, as masters print it ("00001").
std::string modbusRegisterText(ModbusKind kind, uint32_t address);

struct GridCellRef {
    int row;
    int column;
};
GridCellRef modbusCell(ModbusKind kind, uint32_t address);

struct ModbusAddresses {
    ModbusKind kind;
    uint32_t first;
    uint32_t count;
};
// The kind and address run of module k; addresses above 1023 are for the caller to skip.
std::optional<ModbusAddresses> modbusModuleAddresses(const GatewayConfig& config, int k);

class UsageCounters {
public:
    UsageCounters();
    void reset();
    unsigned count(ModbusKind kind, uint32_t address, uint8_t deviceId) const;
    void add(ModbusKind kind, uint32_t address, uint8_t deviceId);
    // Leaves a counter that is already 0 alone.
    void remove(ModbusKind kind, uint32_t address, uint8_t deviceId);
    // How many device IDs use the address; kept alongside so classes need no scan.
    unsigned idsUsing(ModbusKind kind, uint32_t address) const;

private:
    std::size_t slot(ModbusKind kind, uint32_t address) const {
        return static_cast<std::size_t>(kind) * kModbusAddresses + address;
    }
    // One row of per-ID counters per (kind, address), made when the address is first
    // counted: a configuration touches a small part of the 6 x 1024 addresses.
    std::vector<std::unique_ptr<std::array<uint8_t, kCountedIds>>> counters_;
    std::vector<uint16_t> idsUsing_;
};

SpaceUse classifyBeforeAdd(const UsageCounters& counters, ModbusKind kind, uint32_t address, uint8_t deviceId);
SpaceUse classifyAfterRemove(const UsageCounters& counters, ModbusKind kind, uint32_t address, uint8_t deviceId);

struct AddressMark {
    ModbusKind kind;
    uint32_t address;
    SpaceUse use;
};
// Adds or removes module k and gives the class each of its addresses now shows, in order.
std::vector<AddressMark> markModbusModule(UsageCounters& counters, const GatewayConfig& config, int k, bool add);

}  // namespace norvik
