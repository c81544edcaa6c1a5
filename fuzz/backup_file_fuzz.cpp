// Any bytes as a backup file: the reader either refuses them with a reason or
// gives a backup whose blocks pass every check; written out again, that
// backup reads back the same, blocks and origin alike.

#include <cstddef>
#include <cstdint>

#include "backup/backup_file.h"
#include "fuzz/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace norvik;
    using fuzz::require;
    const fuzz::MemoryFile file(data, size);
    const BackupReadResult read = readBackupFile(file.path());
    require(read.backup.has_value() == read.problem.ok());
    if (!read.backup) return 0;

    const GatewayBlocks& blocks = read.backup->gateway.blocks;
    require(checkGatewayBlocks(blocks).problem.ok());
    require(blocks.safeValues.size() == safeValueBlockBytes(blocks.safeValueLayout));

    const BackupReadResult again = parseBackupText(backupFileText(*read.backup));
    require(again.backup.has_value());
    require(again.backup->gateway.blocks == blocks);
    require(again.backup->origin == read.backup->origin);
    return 0;
}
