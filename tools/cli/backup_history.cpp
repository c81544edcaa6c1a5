#include "backup_history.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include <git2.h>

#include "backup/backup_diff.h"
#include "backup/backup_file.h"
#include "backup_words.h"
#include "model/atomic_file.h"

namespace norvik::cli {

namespace fs = std::filesystem;

namespace {

template <typename T, void (*Free)(T*)>
struct GitFree {
    void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using GitPtr = std::unique_ptr<T, GitFree<T, Free>>;

using Repository = GitPtr<git_repository, git_repository_free>;
using Tree = GitPtr<git_tree, git_tree_free>;
using TreeEntry = GitPtr<git_tree_entry, git_tree_entry_free>;
using TreeBuilder = GitPtr<git_treebuilder, git_treebuilder_free>;
using Blob = GitPtr<git_blob, git_blob_free>;
using Commit = GitPtr<git_commit, git_commit_free>;
using Signature = GitPtr<git_signature, git_signature_free>;
using Index = GitPtr<git_index, git_index_free>;
using Config = GitPtr<git_config, git_config_free>;

constexpr const char* kAttributesFile = ".gitattributes";
constexpr const char* kAttributes = "*.norvik diff=norvik\n";
constexpr const char* kTextconvKey = "diff.norvik.textconv";
// Shown instead of the points when a block changed in many places at once.
constexpr std::size_t kPointsShown = 5;

// libgit2's last error, for the message of a failed step.
class GitError {
public:
    explicit GitError(std::string step) {
        const git_error* e = git_error_last();
        text_ = step + (e && e->message ? std::string(": ") + e->message : std::string());
    }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

void check(int result, const char* step) {
    if (result < 0) throw GitError(step);
}

// libgit2 keeps global state (its allocator, the TLS of its errors) that
// must be set up once before any call and torn down after the last.
class Library {
public:
    Library() { git_libgit2_init(); }
    ~Library() { git_libgit2_shutdown(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
};

std::string oidText(const git_oid& id) {
    char text[GIT_OID_HEXSZ + 1] = {};
    git_oid_tostr(text, sizeof text, &id);
    return text;
}

// The repository in `folder` itself, never one of a folder above it.
Repository openRepository(const std::string& folder) {
    git_repository* repo = nullptr;
    const int result = git_repository_open_ext(&repo, folder.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr);
    if (result == GIT_ENOTFOUND) return {};
    check(result, "cannot open the repository");
    return Repository(repo);
}

Commit headCommit(git_repository* repo) {
    git_object* object = nullptr;
    const int result = git_revparse_single(&object, repo, "HEAD^{commit}");
    if (result == GIT_ENOTFOUND || result == GIT_EUNBORNBRANCH) return {};
    check(result, "cannot read HEAD");
    return Commit(reinterpret_cast<git_commit*>(object));
}

std::optional<std::string> fileAt(git_repository* repo, git_tree* tree, const std::string& path) {
    if (tree == nullptr) return std::nullopt;
    git_tree_entry* found = nullptr;
    if (git_tree_entry_bypath(&found, tree, path.c_str()) < 0) return std::nullopt;
    const TreeEntry entry(found);
    git_blob* blob = nullptr;
    check(git_blob_lookup(&blob, repo, git_tree_entry_id(entry.get())), "cannot read a file of the last commit");
    const Blob held(blob);
    return std::string(static_cast<const char*>(git_blob_rawcontent(blob)),
                       static_cast<std::size_t>(git_blob_rawsize(blob)));
}

// The blocks that differ. The origin (time, program version, port) is not
// what a gateway holds, so it never counts.
std::vector<std::string> changedBlocks(const GatewayBlocks& before, const GatewayBlocks& now) {
    std::vector<std::string> blocks;
    if (before.parameters != now.parameters) blocks.emplace_back("parameters");
    if (before.fileNames != now.fileNames) blocks.emplace_back("file names");
    if (before.safeValueLayout != now.safeValueLayout) blocks.emplace_back("safe-value layout");
    if (before.safeValues != now.safeValues) blocks.emplace_back("safe values");
    if (before.ipSetting != now.ipSetting) blocks.emplace_back("IP setting");
    return blocks;
}

std::vector<std::string> changedPoints(const GatewaySnapshot& before, const GatewaySnapshot& now) {
    std::vector<std::string> lines = differenceLines(compareWithBackup(before, now));
    for (std::string& line : lines) {
        line.erase(0, line.find_first_not_of(' '));
        for (const auto& [from, to] : {std::pair{": backup ", ": "}, std::pair{", gateway ", " -> "}})
            if (const auto at = line.find(from); at != std::string::npos)
                line.replace(at, std::string(from).size(), to);
    }
    return lines;
}

Signature signatureFor(git_repository* repo) {
    git_signature* signature = nullptr;
    // A service has no user.name; its commits are then the tool's own.
    if (git_signature_default(&signature, repo) < 0)
        check(git_signature_now(&signature, "norvik-cli", "norvik-cli@localhost"), "cannot make a signature");
    return Signature(signature);
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct PendingFile {
    std::string path;  // in the repository
    std::string text;
};

void writeRun(const std::string& folder, HistoryRun& run, const std::vector<PendingFile>& files,
              const std::string& program) {
    Repository repo = openRepository(folder);
    if (!repo) {
        git_repository* made = nullptr;
        check(git_repository_init(&made, folder.c_str(), 0), "cannot create the repository");
        repo = Repository(made);
    }
    git_config* config = nullptr;
    check(git_repository_config(&config, repo.get()), "cannot open the repository's config");
    const Config held(config);
    check(git_config_set_string(config, kTextconvKey, historyTextconv(program).c_str()), "cannot set the diff driver");

    const Commit parent = headCommit(repo.get());
    git_tree* parentTree = nullptr;
    if (parent) check(git_commit_tree(&parentTree, parent.get()), "cannot read the last commit");
    const Tree heldParentTree(parentTree);

    git_treebuilder* made = nullptr;
    check(git_treebuilder_new(&made, repo.get(), parentTree), "cannot build the tree");
    const TreeBuilder builder(made);
    std::vector<PendingFile> all = files;
    if (!fileAt(repo.get(), parentTree, kAttributesFile)) all.push_back({kAttributesFile, kAttributes});
    for (const PendingFile& file : all) {
        git_oid blob;
        check(git_blob_create_from_buffer(&blob, repo.get(), file.text.data(), file.text.size()),
              "cannot store a file");
        check(git_treebuilder_insert(nullptr, builder.get(), file.path.c_str(), &blob, GIT_FILEMODE_BLOB),
              "cannot build the tree");
    }
    git_oid treeId;
    check(git_treebuilder_write(&treeId, builder.get()), "cannot write the tree");
    git_tree* tree = nullptr;
    check(git_tree_lookup(&tree, repo.get(), &treeId), "cannot read the tree");
    const Tree heldTree(tree);

    // The files go into place before the branch moves: a run cut short in
    // between leaves the last commit as it was and files the next run
    // compares against that commit again.
    for (const PendingFile& file : all) {
        const std::string path = (fs::path(folder) / file.path).string();
        if (!writeFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(file.text.data()), file.text.size())))
            throw GitError("cannot write " + path);
    }
    git_index* index = nullptr;
    check(git_repository_index(&index, repo.get()), "cannot open the index");
    const Index heldIndex(index);
    for (const PendingFile& file : all)
        check(git_index_add_bypath(index, file.path.c_str()), "cannot add a file to the index");
    check(git_index_write(index), "cannot write the index");

    const Signature signature = signatureFor(repo.get());
    const std::string message = historySubject(run) + "\n\n" + historyBody(run);
    const git_commit* parents[] = {parent.get()};
    git_oid commitId;
    check(git_commit_create(&commitId, repo.get(), "HEAD", signature.get(), signature.get(), "UTF-8", message.c_str(),
                            tree, parent ? 1 : 0, parent ? parents : nullptr),
          "cannot commit");
    run.commit = oidText(commitId);
    run.head = *run.commit;
}

}  // namespace

std::size_t HistoryRun::count(HistoryState state) const {
    return static_cast<std::size_t>(
        std::count_if(entries.begin(), entries.end(), [state](const HistoryEntry& e) { return e.state == state; }));
}

std::string historySubject(const HistoryRun& run) {
    return "Backup: " + std::to_string(run.count(HistoryState::New) + run.count(HistoryState::Changed)) + " changed, " +
           std::to_string(run.count(HistoryState::Unchanged)) + " unchanged, " +
           std::to_string(run.count(HistoryState::Failed)) + " failed";
}

std::string historyBody(const HistoryRun& run) {
    std::string body;
    for (const HistoryEntry& e : run.entries) {
        switch (e.state) {
        case HistoryState::Unchanged: continue;
        case HistoryState::New: body += e.name + ": first backup\n"; break;
        case HistoryState::Failed: body += e.name + ": failed: " + e.failure + "\n"; break;
        case HistoryState::Changed: {
            std::string blocks;
            for (const std::string& b : e.blocks) blocks += (blocks.empty() ? "" : ", ") + b;
            body += e.name + ": " + blocks + " changed\n";
            for (std::size_t i = 0; i < e.points.size() && i < kPointsShown; ++i) body += "  " + e.points[i] + "\n";
            if (e.points.size() > kPointsShown)
                body += "  and " + std::to_string(e.points.size() - kPointsShown) + " more\n";
            break;
        }
        }
    }
    return body;
}

std::string historyTextconv(const std::string& program) { return shellQuoted(program) + " show"; }

HistoryRun recordHistory(const std::string& folder, const std::vector<HistoryGateway>& gateways,
                         const std::string& program) {
    const Library library;
    HistoryRun run;
    std::vector<PendingFile> files;
    try {
        const Repository repo = openRepository(folder);
        const Commit head = repo ? headCommit(repo.get()) : Commit();
        git_tree* tree = nullptr;
        if (head) check(git_commit_tree(&tree, head.get()), "cannot read the last commit");
        const Tree heldTree(tree);
        if (head) run.head = oidText(*git_commit_id(head.get()));

        for (const HistoryGateway& g : gateways) {
            HistoryEntry entry{g.name, HistoryState::Failed, {}, {}, g.failure};
            if (g.backup) {
                const std::string path = g.name + "." + kBackupFileExtension;
                const std::optional<std::string> last = repo ? fileAt(repo.get(), tree, path) : std::nullopt;
                const BackupReadResult before = last ? parseBackupText(*last) : BackupReadResult{};
                if (!last) {
                    entry.state = HistoryState::New;
                } else if (!before.backup) {
                    // A file this Norvik cannot read is replaced by one it can.
                    entry.state = HistoryState::Changed;
                    entry.blocks = {"unreadable file"};
                } else {
                    entry.blocks = changedBlocks(before.backup->gateway.blocks, g.backup->gateway.blocks);
                    entry.state = entry.blocks.empty() ? HistoryState::Unchanged : HistoryState::Changed;
                    if (!entry.blocks.empty()) entry.points = changedPoints(before.backup->gateway, g.backup->gateway);
                }
                if (entry.state != HistoryState::Unchanged) files.push_back({path, backupFileText(*g.backup)});
            }
            run.entries.push_back(std::move(entry));
        }
        if (!files.empty()) writeRun(folder, run, files, program);
    } catch (const GitError& e) {
        run.error = e.text();
        run.commit.reset();
    }
    return run;
}

}  // namespace norvik::cli
