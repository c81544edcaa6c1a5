// Any bytes as a safe-value *.ptm file, read under both block sizes: a file
// shorter than the block is refused and leaves the table alone; a longer one
// is read by its first bytes, and the table read back encodes to exactly them.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/settings_file.h"
#include "safevalue/safe_value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace norvik;
    using fuzz::require;
    const fuzz::MemoryFile file(data, size);
    for (const SafeValueLayout layout : {SafeValueLayout::Block512, SafeValueLayout::Block976}) {
        const std::size_t blockBytes = safeValueBlockBytes(layout);
        const SafeValueTable before = resetSafeValueTable(layout, false);
        SafeValueTable table = before;
        const SafeValueFileResult result = loadSafeValueFile(file.path(), layout, table);
        if (size < blockBytes) {
            require(result != SafeValueFileResult::Ok);
            require(table == before);
            continue;
        }
        require(result == SafeValueFileResult::Ok);
        require(tableFitsLayout(table, layout));
        const auto encoded = encodeSafeValueBlock(table, layout);
        require(encoded.has_value());
        require(*encoded == std::vector<uint8_t>(data, data + blockBytes));
    }
    return 0;
}
