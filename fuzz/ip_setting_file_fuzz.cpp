// Any bytes as an IP-setting *.ptm file: a file shorter than the 76-byte block
// is refused and leaves the record alone; a longer one is read by its first 76
// bytes, and the record read back encodes to exactly them.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz/settings_file.h"
#include "ipsetting/ip_setting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace norvik;
    using fuzz::require;
    const fuzz::MemoryFile file(data, size);
    IpSettingRecord record;
    setDefaultIpSetting(record);
    const IpSettingRecord before = record;
    const bool read = readIpSettingFile(file.path(), record);
    if (size < kIpSettingBlockBytes) {
        require(!read);
        require(record == before);
        return 0;
    }
    require(read);
    const IpSettingBlock block = encodeIpSettingBlock(record);
    require(std::equal(block.begin(), block.end(), data));
    return 0;
}
