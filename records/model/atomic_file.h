#pragma once
// Whole-file reads and writes for the settings files the user saves. A save
// never leaves a half-written file behind in place of a good one, and a read
// never waits on something that only looks like a file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace norvik {

// Writes `bytes` to a new file beside `path`, flushes it to the disk and only
// then renames it over `path`, so `path` holds either its old content or all
// of the new one. An existing file keeps its permissions; a symbolic link is
// followed and its target replaced. False, with `path` untouched, when any
// step fails or `path` names something other than a regular file.
bool writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// Up to `maxBytes` from the start of the regular file at `path`; empty when it
// cannot be opened or is not a regular file (a directory, a FIFO, a device).
// A shorter file gives fewer bytes: the caller decides whether that is enough.
std::optional<std::vector<uint8_t>> readRegularFile(const std::string& path, std::size_t maxBytes);

}  // namespace norvik
