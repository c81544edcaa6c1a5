#pragma once
// The files `safe-values put` and `ip put` send: one block each, byte for
// byte as the gateway takes it. A file of another size is something else (a
// PDF, a backup, a block of the other safe-value layout), and sending its
// first bytes would store a stranger's values.

#include <cstddef>
#include <optional>
#include <string>

namespace norvik::cli {

struct BlockFileRefusal {
    std::string message;
    std::string advice;
};

// Why the file at `path` may not be sent as a block of `blockBytes`, or
// nothing when it may.
std::optional<BlockFileRefusal> blockFileRefusal(const std::string& path, std::size_t blockBytes);

}  // namespace norvik::cli
