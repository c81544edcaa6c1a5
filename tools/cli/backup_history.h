#pragma once
// A folder of backups kept as a git repository: one file per gateway
// (NAME.norvik), rewritten only when what the gateway holds has changed, and
// at most one commit per run that says what changed where.
//
// Nothing reaches the folder before the run is recorded: the files are
// written, added and committed together at the end, so a run that is
// interrupted before leaves the repository exactly as it was.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backup/gateway_backup.h"

namespace norvik::cli {

// One gateway of the run: its backup, or why it has none.
struct HistoryGateway {
    std::string name;  // the file is NAME.norvik
    std::optional<GatewayBackup> backup;
    std::string failure;  // why it failed, when `backup` is empty
};

enum class HistoryState : uint8_t { New, Changed, Unchanged, Failed };

struct HistoryEntry {
    std::string name;
    HistoryState state = HistoryState::Failed;
    std::vector<std::string> blocks;  // what changed: "parameters", "safe values", ...
    std::vector<std::string> points;  // the values that differ, as the difference table words them
    std::string failure;
};

struct HistoryRun {
    std::vector<HistoryEntry> entries;  // in the order of the gateways
    std::optional<std::string> commit;  // the commit made, when anything changed
    std::string head;                   // the last commit after the run; empty in a repository without one
    std::string error;                  // the repository could not be read or written; nothing was committed
    std::size_t count(HistoryState state) const;
    bool changed() const { return count(HistoryState::New) + count(HistoryState::Changed) > 0; }
};

// The commit's subject and body for a run.
std::string historySubject(const HistoryRun& run);
std::string historyBody(const HistoryRun& run);

// What `git diff` runs on a backup file to show it as text: `program` show.
std::string historyTextconv(const std::string& program);

// Records the run in `folder`, creating the repository when it is missing
// (only once there is something to commit). `program` is this norvik-cli,
// which the repository's diff driver runs to turn a backup into text.
HistoryRun recordHistory(const std::string& folder, const std::vector<HistoryGateway>& gateways,
                         const std::string& program);

}  // namespace norvik::cli
