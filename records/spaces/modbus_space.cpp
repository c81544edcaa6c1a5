#include "spaces/modbus_space.h"

#include <algorithm>

namespace norvik {

const char* modbusKindName(ModbusKind kind) {
    static constexpr const char* names[kModbusKinds] = {"DO", "DI", "AO", "AI", "RDO", "RAO"};
    return names[static_cast<int>(kind)];
}

int modbusGridRows(ModbusKind kind) {
    return isBitKind(kind) ? static_cast<int>(kModbusAddresses / 8) + 1 : static_cast<int>(kModbusAddresses) + 1;
}

int modbusGridColumns(ModbusKind kind) { return isBitKind(kind) ? 9 : 2; }

std::string modbusHeaderText(ModbusKind kind, int column) {
    if (column == 0) return "Address";
    return isBitKind(kind) ? "bit " + std::to_string(column - 1) : "Configure";
}

std::string modbusRowLabel(ModbusKind kind, int row, bool registerNumbers) {
    const auto label = [&](int address) {
        return registerNumbers ? modbusRegisterText(kind, static_cast<uint32_t>(address)) : std::to_string(address);
    };
    if (!isBitKind(kind)) return label(row - 1);
    return label(8 * row - 8) + "~" + label(8 * row - 1);
}

namespace {

uint32_t areaDigit(ModbusKind kind) {
    switch (kind) {
    case ModbusKind::DO:
    case ModbusKind::RDO: return 0;
    case ModbusKind::DI: return 1;
    case ModbusKind::AI: return 3;
    case ModbusKind::AO:
    case ModbusKind::RAO: return 4;
    }
    return 0;
}

uint32_t registerDigits(uint32_t address) { return address < 9999 ? 5 : 6; }

}  // namespace

uint32_t modbusRegisterNumber(ModbusKind kind, uint32_t address) {
    const uint32_t scale = registerDigits(address) == 5 ? 10000 : 100000;
    return areaDigit(kind) * scale + address + 1;
}

std::string modbusRegisterText(ModbusKind kind, uint32_t address) {
    std::string text = std::to_string(modbusRegisterNumber(kind, address));
    const std::size_t digits = registerDigits(address);
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

GridCellRef modbusCell(ModbusKind kind, uint32_t address) {
    if (isBitKind(kind)) {
        return {static_cast<int>(address / 8) + 1, static_cast<int>(address % 8) + 1};
    }
    return {static_cast<int>(address) + 1, 1};
}

std::optional<ModbusAddresses> modbusModuleAddresses(const GatewayConfig& config, int k) {
    if (k < 1 || k > kModuleBoxCount) return std::nullopt;
    const ModuleEntry& module = config.modules[static_cast<std::size_t>(k)];
    const auto meaning = moduleMeaning(module.type, config.role);
    if (!meaning) return std::nullopt;
    // As master the gateway addresses the remote device; as slave it is addressed
    // at its own internal addresses.
    const uint32_t first = config.role == ModbusRole::Master ? module.modbusStart : module.internalBase;
    return ModbusAddresses{meaning->modbusKind, first, moduleItemCount(module, config.role)};
}

UsageCounters::UsageCounters()
    : counters_(kModbusKinds * kModbusAddresses), idsUsing_(kModbusKinds * kModbusAddresses, 0) {}

void UsageCounters::reset() {
    for (auto& row : counters_) row.reset();
    std::fill(idsUsing_.begin(), idsUsing_.end(), uint16_t{0});
}

unsigned UsageCounters::count(ModbusKind kind, uint32_t address, uint8_t deviceId) const {
    if (address >= kModbusAddresses) return 0;
    const auto& row = counters_[slot(kind, address)];
    return row ? (*row)[deviceId] : 0u;
}

void UsageCounters::add(ModbusKind kind, uint32_t address, uint8_t deviceId) {
    if (address >= kModbusAddresses) return;
    auto& row = counters_[slot(kind, address)];
    if (!row) row = std::make_unique<std::array<uint8_t, kCountedIds>>();
    uint8_t& counter = (*row)[deviceId];
    // At most 32 modules exist, so the counter cannot wrap; guard anyway.
    if (counter == 0xFF) return;
    if (counter++ == 0) ++idsUsing_[slot(kind, address)];
}

void UsageCounters::remove(ModbusKind kind, uint32_t address, uint8_t deviceId) {
    if (address >= kModbusAddresses) return;
    auto& row = counters_[slot(kind, address)];
    if (!row) return;
    uint8_t& counter = (*row)[deviceId];
    if (counter == 0) return;
    if (--counter == 0) --idsUsing_[slot(kind, address)];
}

unsigned UsageCounters::idsUsing(ModbusKind kind, uint32_t address) const {
    return address < kModbusAddresses ? idsUsing_[slot(kind, address)] : 0;
}

SpaceUse classifyBeforeAdd(const UsageCounters& counters, ModbusKind kind, uint32_t address, uint8_t deviceId) {
    if (counters.count(kind, address, deviceId) > 0) return SpaceUse::AddrIdOverlap;
    if (counters.idsUsing(kind, address) > 0) return SpaceUse::AddrOverlap;
    return SpaceUse::InUse;
}

SpaceUse classifyAfterRemove(const UsageCounters& counters, ModbusKind kind, uint32_t address, uint8_t deviceId) {
    if (counters.count(kind, address, deviceId) > 1) return SpaceUse::AddrIdOverlap;
    const unsigned ids = counters.idsUsing(kind, address);
    if (ids > 1) return SpaceUse::AddrOverlap;
    return ids == 1 ? SpaceUse::InUse : SpaceUse::NotUsed;
}

std::vector<AddressMark> markModbusModule(UsageCounters& counters, const GatewayConfig& config, int k, bool add) {
    std::vector<AddressMark> marks;
    const auto run = modbusModuleAddresses(config, k);
    if (!run || run->first >= kModbusAddresses) return marks;
    const uint8_t id = config.modules[static_cast<std::size_t>(k)].deviceId;
    const uint64_t end = std::min<uint64_t>(uint64_t{run->first} + run->count, kModbusAddresses);
    marks.reserve(static_cast<std::size_t>(end - run->first));
    for (uint32_t a = run->first; a < end; ++a) {
        if (add) {
            marks.push_back({run->kind, a, classifyBeforeAdd(counters, run->kind, a, id)});
            counters.add(run->kind, a, id);
        } else {
            counters.remove(run->kind, a, id);
            marks.push_back({run->kind, a, classifyAfterRemove(counters, run->kind, a, id)});
        }
    }
    return marks;
}

}  // namespace norvik
