// Any bytes as an inventory file. Either the whole file is refused, with the
// line of the problem inside the file and no entry, or every entry is one a
// run can use: a name safe in a file name, a device, one of the port's rates,
// names and devices each once, lines rising. Written back in the file's own
// format, the entries read again as themselves.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/settings_file.h"
#include "inventory/gateway_inventory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace norvik;
    using fuzz::require;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const InventoryParse parse = parseInventory(text, 9600, Parity::Odd);
    const auto lines = static_cast<uint32_t>(std::count(text.begin(), text.end(), '\n') + 1);
    if (!parse.ok()) {
        require(parse.entries.empty());
        require(parse.problem.line <= lines);
        require(parse.problem.earlierLine < parse.problem.line || parse.problem.earlierLine == 0);
        return 0;
    }
    require(!parse.entries.empty());
    std::set<std::string> names, devices;
    uint32_t previous = 0;
    std::string written;
    for (const InventoryEntry& e : parse.entries) {
        require(!e.name.empty() && e.name.size() <= kMaxInventoryNameBytes);
        require(e.name.front() != '.' && e.name.front() != '-');
        require(e.name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-") ==
                std::string::npos);
        require(!e.device.empty() && e.device.find_first_of(" \t\r\n#") == std::string::npos);
        require(std::find(kBaudRates.begin(), kBaudRates.end(), e.baud) != kBaudRates.end());
        require(names.insert(e.name).second && devices.insert(e.device).second);
        require(e.line > previous && e.line <= lines);
        previous = e.line;
        const char* parity = e.parity == Parity::None ? "none" : e.parity == Parity::Odd ? "odd" : "even";
        written += e.name + " " + e.device + " " + std::to_string(e.baud) + " " + parity + "\n";
    }
    const InventoryParse again = parseInventory(written);
    require(again.ok() && again.entries.size() == parse.entries.size());
    for (std::size_t i = 0; i < again.entries.size(); ++i) {
        InventoryEntry expected = parse.entries[i];
        expected.line = static_cast<uint32_t>(i + 1);
        require(again.entries[i] == expected);
    }
    return 0;
}
