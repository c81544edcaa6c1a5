#pragma once
// The inventory file read for a run: its gateways, or the usage error that
// names the file, the line and what is wrong with it.

#include <string>
#include <vector>

#include "inventory/gateway_inventory.h"

namespace norvik::cli {

struct InventoryRead {
    std::vector<InventoryEntry> entries;
    std::string error;  // empty when the file was read
};

InventoryRead readInventoryFile(const std::string& path, uint32_t baud, Parity parity);

// What is wrong, in words: "line 4: 115201 is no baud rate (2400 ... 115200)".
std::string inventoryProblemText(const InventoryProblem& problem);

}  // namespace norvik::cli
