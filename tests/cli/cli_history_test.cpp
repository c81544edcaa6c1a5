// backup --history over an inventory, run as a timer runs it: against
// norvik-gatesim on pseudo-terminals, one of them behind ser2net, into a
// temporary repository that the git program itself then reads.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/cli_process.h"
#include "support/gatesim_process.h"
#include "support/ser2net_process.h"

namespace norvik::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string git(const fs::path& repo, const std::string& args) {
    std::string out;
    if (FILE* pipe = ::popen(("git -C '" + repo.string() + "' " + args + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool logHas(const GatesimProcess& sim, const std::string& entry) {
    const auto lines = sim.logLines();
    return std::find(lines.begin(), lines.end(), entry) != lines.end();
}

TEST(CliHistory, commitsOnlyWhatChangedKeepsFailedFilesAndLeavesAnInterruptedRunUnseen) {
    const fs::path root = fs::temp_directory_path() / ("norvik-history-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    const fs::path repo = root / "history";
    const std::string inventory = (root / "gateways").string();
    GatesimProcess a(NORVIK_GATESIM), b(NORVIK_GATESIM), c(NORVIK_GATESIM);
    // Its safe-value block comes long after the line that announces it: the signal finds the run waiting.
    GatesimProcess slow(NORVIK_GATESIM, {"--late-block-of", "safe", "--late-block-ms", "20000"});
    Ser2netProcess server(b.slavePath());
    const std::string three =
        "a " + a.slavePath() + "\nb " + server.rfc2217Url() + "  # line 2\nc " + c.slavePath() + "\n";

    auto changeSafeValue = [&](const GatesimProcess& sim, int bit) {
        const std::string ptm = (root / "sv.ptm").string();
        CliProcess get({"--device", sim.slavePath(), "safe-values", "get", "-o", ptm});
        ASSERT_EQ(get.wait(), 0) << get.err();
        std::string bytes = slurp(ptm);
        bytes[0] = static_cast<char>(bytes[0] ^ (1 << bit));  // DI: the block holds it first
        std::ofstream(ptm, std::ios::binary) << bytes;
        CliProcess put({"--device", sim.slavePath(), "safe-values", "put", ptm});
        ASSERT_EQ(put.wait(), 0) << put.err();
        fs::remove(ptm);
    };
    struct Step {
        const char* what;
        std::function<void()> before;
        std::string gateways;
        int exit;
        std::size_t commits;
        std::vector<std::string> touched;  // by the last commit
        std::vector<bool> changed;         // per gateway in the JSON
        const char* shown;                 // in `git show` of the last commit
        bool interrupt = false;
    };
    const Step steps[] = {
        {"first run",
         [] {},
         three,
         0,
         1,
         {".gitattributes", "a.norvik", "b.norvik", "c.norvik"},
         {true, true, true},
         "+model: HX-3420"},
        {"unchanged",
         [] {},
         three,
         0,
         1,
         {".gitattributes", "a.norvik", "b.norvik", "c.norvik"},
         {false, false, false},
         "Backup: 3 changed, 0 unchanged, 0 failed"},
        {"one safe value",
         [&] { changeSafeValue(b, 0); },
         three,
         0,
         2,
         {"b.norvik"},
         {false, true, false},
         "+safe value DI 0: "},
        {"unreachable",
         [] {},
         "a " + a.slavePath() + "\nb " + server.rfc2217Url() + "\nc /nonexistent/tty\n",
         2,
         2,
         {"b.norvik"},
         {false, false, false},
         "Backup: 1 changed, 2 unchanged, 0 failed"},
        {"interrupted",
         [&] { changeSafeValue(a, 1); },
         three + "slow " + slow.slavePath() + "\n",
         130,
         2,
         {"b.norvik"},
         {},
         "b: safe values changed",
         true},
    };
    std::string cFile;
    for (const Step& step : steps) {
        step.before();
        std::ofstream(inventory) << step.gateways;
        CliProcess run({"--json", "--inventory", inventory, "backup", "-o", repo.string(), "--history"});
        if (step.interrupt) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!logHas(slow, "TX LINE send safe value to com") && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            run.signal(SIGINT);
        }
        ASSERT_EQ(run.wait(), step.exit) << step.what << run.err();
        EXPECT_EQ(std::stoul(git(repo, "rev-list --count HEAD")), step.commits) << step.what;
        std::string touched = git(repo, "show --root --format= --name-only HEAD");
        for (const std::string& file : step.touched)
            EXPECT_NE(touched.find(file + "\n"), std::string::npos) << step.what;
        EXPECT_EQ(std::count(touched.begin(), touched.end(), '\n'), static_cast<long>(step.touched.size())) << touched;
        EXPECT_NE(git(repo, "show HEAD").find(step.shown), std::string::npos) << step.what << git(repo, "show HEAD");
        EXPECT_EQ(git(repo, "status --porcelain --untracked-files=all"), "") << step.what;
        if (!step.changed.empty()) {
            const json docs = json::parse(run.out());
            ASSERT_EQ(docs.size(), step.changed.size()) << step.what;
            for (std::size_t i = 0; i < docs.size(); ++i) {
                EXPECT_EQ(docs[i]["changed"], step.changed[i]) << step.what << docs[i].dump();
                EXPECT_EQ(docs[i]["name"], std::string(1, static_cast<char>('a' + i))) << step.what;
            }
        }
        // The gateway that fails keeps its file as it was.
        if (!cFile.empty()) {
            EXPECT_EQ(slurp(repo / "c.norvik"), cFile) << step.what;
        }
        cFile = slurp(repo / "c.norvik");
    }
    fs::remove_all(root);
}

}  // namespace
}  // namespace norvik::test
