#include "block_files.h"

#include <sys/stat.h>

#include "backup/backup_file.h"
#include "cli_texts.h"

namespace norvik::cli {

std::optional<BlockFileRefusal> blockFileRefusal(const std::string& path, std::size_t blockBytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return BlockFileRefusal{texts::kFileOpenError, texts::kFilePrefix + path};
    const auto size = static_cast<uint64_t>(info.st_size);
    if (size == blockBytes) return std::nullopt;
    if (readBackupFile(path).backup) return BlockFileRefusal{texts::kBackupNotBlock, texts::kUseRestore};
    return BlockFileRefusal{texts::kFileOpenError, "The file holds " + std::to_string(size) +
                                                       " bytes; the block takes " + std::to_string(blockBytes) + ". " +
                                                       texts::kFilePrefix + path};
}

}  // namespace norvik::cli
