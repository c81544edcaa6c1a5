#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include <git2.h>
#include <unistd.h>

#include "backup/backup_file.h"
#include "backup/backup_blocks.h"
#include "backup_history.h"

namespace norvik::cli {
namespace {

namespace fs = std::filesystem;
using test::Kind;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// What git itself would say of the repository: the files the last commit
// touched, and whether the working tree and index are clean.
struct RepositoryView {
    std::size_t commits = 0;
    std::vector<std::string> lastTouched;
    std::size_t unclean = 0;
    std::string lastMessage;
};

RepositoryView look(const std::string& folder) {
    RepositoryView view;
    git_libgit2_init();
    git_repository* repo = nullptr;
    if (git_repository_open(&repo, folder.c_str()) == 0) {
        git_revwalk* walk = nullptr;
        git_revwalk_new(&walk, repo);
        if (git_revwalk_push_head(walk) == 0)
            for (git_oid id; git_revwalk_next(&id, walk) == 0;) ++view.commits;
        git_revwalk_free(walk);
        git_object* head = nullptr;
        if (git_revparse_single(&head, repo, "HEAD") == 0) {
            auto* commit = reinterpret_cast<git_commit*>(head);
            view.lastMessage = git_commit_message(commit);
            git_tree *tree = nullptr, *parentTree = nullptr;
            git_commit_tree(&tree, commit);
            git_commit* parent = nullptr;
            if (git_commit_parent(&parent, commit, 0) == 0) git_commit_tree(&parentTree, parent);
            git_diff* diff = nullptr;
            git_diff_tree_to_tree(&diff, repo, parentTree, tree, nullptr);
            for (std::size_t i = 0; i < git_diff_num_deltas(diff); ++i)
                view.lastTouched.push_back(git_diff_get_delta(diff, i)->new_file.path);
            git_diff_free(diff);
            git_tree_free(tree);
            git_tree_free(parentTree);
            git_commit_free(parent);
            git_object_free(head);
        }
        git_status_list* status = nullptr;
        git_status_options options = GIT_STATUS_OPTIONS_INIT;
        options.flags = GIT_STATUS_OPT_INCLUDE_UNTRACKED;
        git_status_list_new(&status, repo, &options);
        view.unclean = git_status_list_entrycount(status);
        git_status_list_free(status);
        git_repository_free(repo);
    }
    git_libgit2_shutdown();
    return view;
}

HistoryGateway ok(const char* name, const GatewayBlocks& blocks, const char* takenAt = "2026-12-07T17:20:05Z") {
    GatewayBackup backup = test::backupOf(blocks);
    backup.origin.takenAt = takenAt;
    return {name, std::move(backup), {}};
}
HistoryGateway failed(const char* name) { return {name, std::nullopt, "No answer from the gateway."}; }

TEST(BackupHistory, commitsWhatChangedOnceAndLeavesTheRestAlone) {
    const fs::path folder = fs::temp_directory_path() / ("norvik_history_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    GatewayBlocks changedA = test::gatewayBlocks(Kind::Hx3410);
    changedA.safeValues[128 + 1] ^= 0x80;  // DO 15: the block holds DI first

    struct Step {
        std::vector<HistoryGateway> gateways;
        std::vector<HistoryState> states;
        std::size_t commits;
        std::vector<std::string> touched;  // by the last commit
        const char* subject;
        const char* bodyLine;
    };
    const Step steps[] = {
        // Every gateway fails: not even the repository is made.
        {{failed("a")}, {HistoryState::Failed}, 0, {}, "", ""},
        {{ok("a", test::gatewayBlocks(Kind::Hx3410)), ok("b", test::gatewayBlocks(Kind::Hx3420Small))},
         {HistoryState::New, HistoryState::New},
         1,
         {".gitattributes", "a.norvik", "b.norvik"},
         "Backup: 2 changed, 0 unchanged, 0 failed\n",
         "a: first backup\n"},
        // Only the time (and the port) differ: nothing is written.
        {{ok("a", test::gatewayBlocks(Kind::Hx3410), "2026-12-08T01:00:00Z"),
          ok("b", test::gatewayBlocks(Kind::Hx3420Small), "2026-12-08T01:00:00Z")},
         {HistoryState::Unchanged, HistoryState::Unchanged},
         1,
         {".gitattributes", "a.norvik", "b.norvik"},
         "Backup: 2 changed",
         ""},
        {{ok("a", changedA, "2026-12-08T02:00:00Z"), failed("b")},
         {HistoryState::Changed, HistoryState::Failed},
         2,
         {"a.norvik"},
         "Backup: 1 changed, 0 unchanged, 1 failed\n",
         "a: safe values changed\n  safe value DO 15: "},
        {{failed("a"), failed("b")},
         {HistoryState::Failed, HistoryState::Failed},
         2,
         {"a.norvik"},
         "Backup: 1 changed",
         ""},
    };
    std::map<std::string, std::string> files;
    for (std::size_t s = 0; s < std::size(steps); ++s) {
        const Step& step = steps[s];
        const HistoryRun run = recordHistory(folder.string(), step.gateways, "/usr/bin/norvik-cli");
        ASSERT_EQ(run.error, "") << s;
        for (std::size_t i = 0; i < step.states.size(); ++i) EXPECT_EQ(run.entries[i].state, step.states[i]) << s;
        const RepositoryView view = look(folder.string());
        EXPECT_EQ(view.commits, step.commits) << s;
        EXPECT_EQ(view.lastTouched, step.touched) << s;
        EXPECT_EQ(view.unclean, 0u) << s;
        EXPECT_EQ(view.lastMessage.rfind(step.subject, 0), 0u) << s << view.lastMessage;
        EXPECT_NE(view.lastMessage.find(step.bodyLine), std::string::npos) << s << view.lastMessage;
        EXPECT_EQ(run.commit.has_value(), run.changed()) << s;
        // A file changes only with what its gateway holds; a failed gateway keeps its file.
        for (const HistoryEntry& e : run.entries) {
            const std::string now = slurp(folder / (e.name + ".norvik"));
            if (e.state == HistoryState::Unchanged || e.state == HistoryState::Failed) {
                EXPECT_EQ(now, files[e.name]) << s;
            }
            files[e.name] = now;
        }
    }
    EXPECT_EQ(slurp(folder / ".gitattributes"), "*.norvik diff=norvik\n");
    EXPECT_NE(slurp(folder / ".git" / "config").find("textconv = '/usr/bin/norvik-cli' show"), std::string::npos);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace norvik::cli
