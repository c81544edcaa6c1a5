// The gateway reached through Debian's ser2net over loopback, as RFC 2217 and
// as raw TCP: the link, the jobs, backup and restore, and a server that goes
// away and comes back.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_process.h"
#include "link/headless_link.h"
#include "support/gatesim_process.h"
#include "support/ser2net_process.h"

namespace norvik::test {
namespace {

namespace fs = std::filesystem;

const std::string kSim = NORVIK_GATESIM;

struct Scheme {
    const char* name;
    bool telnet;
};

class NetworkPort : public ::testing::TestWithParam<Scheme> {
protected:
    void SetUp() override {
        if (!Ser2netProcess::installed()) GTEST_SKIP() << "ser2net is not installed (scripts/install-deps)";
        folder_ = fs::temp_directory_path() /
                  ("norvik-net-" + std::string(GetParam().name) + "-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string url(const Ser2netProcess& server) const {
        return GetParam().telnet ? server.rfc2217Url() : server.rawUrl();
    }
    std::string file(const std::string& name) const { return (folder_ / name).string(); }

    // The outcome, and the error of a port that did not open.
    static std::pair<LinkOpenOutcome, uint16_t> connect(const std::string& device) {
        HeadlessLink link;
        PortSettings settings;
        settings.device = device;
        const LinkOpening opening = link.open(settings);
        link.close();
        return {opening.outcome, opening.openError};
    }

    fs::path folder_;
};

TEST_P(NetworkPort, everyCommandRunsThroughSer2netAsOnTheLocalPort) {
    GatesimProcess sim(kSim), local(kSim);
    Ser2netProcess server(sim.slavePath());
    const std::string device = url(server);
    EXPECT_EQ(connect(device).first, LinkOpenOutcome::Ready);

    // A network port and a local one side by side, each named in the JSON as given.
    const CliRun info = runCli({"--json", "--device", device, "--device", local.slavePath(), "info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("\"device\": \"" + device + "\""), std::string::npos) << info.out;

    const std::vector<std::vector<std::string>> steps{
        {"safe-values", "get", "-o", file("sv.ptm")}, {"safe-values", "put", file("sv.ptm")},
        {"ip", "get", "-o", file("ip.ptm")},          {"ip", "put", file("ip.ptm")},
        {"backup", "-o", file("gw.norvik")},          {"restore", file("gw.norvik")},
    };
    for (std::vector<std::string> step : steps) {
        step.insert(step.begin(), {"--device", device});
        const CliRun run = runCli(step);
        EXPECT_EQ(run.status, 0) << step[2] << ": " << run.err;
    }
    EXPECT_TRUE(fs::exists(file("gw.norvik")));
}

TEST_P(NetworkPort, aServerKilledMidBlockLosesTheLinkWritesNothingAndComesBack) {
    // The block comes late enough to find the link waiting for it, and the
    // simulator free again for the next Connect.
    GatesimProcess sim(kSim, {"--late-block-of", "safe", "--late-block-ms", "4000"});
    Ser2netProcess server(sim.slavePath());
    const std::string out = file("sv.ptm");
    CliProcess cli({"--device", url(server), "safe-values", "get", "-o", out});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const auto asked = [&] {
        const auto lines = sim.logLines();
        return std::find(lines.begin(), lines.end(), "TX LINE send safe value to com") != lines.end();
    };
    while (!asked() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(asked());

    const auto killed = std::chrono::steady_clock::now();
    server.kill(SIGKILL);
    EXPECT_NE(cli.wait(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::seconds(5));
    EXPECT_NE(cli.err().find("No connection to the Module"), std::string::npos) << cli.err();
    EXPECT_FALSE(fs::exists(out));

    EXPECT_EQ(connect(url(server)), std::make_pair(LinkOpenOutcome::PortError, uint16_t{ECONNREFUSED}));
    server.start();
    std::this_thread::sleep_until(killed + std::chrono::milliseconds(4500));
    const auto again = connect(url(server));
    EXPECT_EQ(again.first, LinkOpenOutcome::Ready) << again.second;
}

INSTANTIATE_TEST_SUITE_P(Ser2net, NetworkPort, ::testing::Values(Scheme{"rfc2217", true}, Scheme{"socket", false}),
                         [](const ::testing::TestParamInfo<Scheme>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace norvik::test
