// norvik-cli against norvik-gatesim, run as a user runs it: the exit code, what
// it prints, the files it leaves and what reached the gateway.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/cli_process.h"
#include "ipsetting/ip_setting.h"
#include "support/gatesim_process.h"

namespace norvik::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kSim = NORVIK_GATESIM;
const std::string kDemo3410 = std::string(NORVIK_GATESIM_DIR) + "/demo-hx3410.json";

class Folder {
public:
    explicit Folder(const std::string& name)
        : path_(fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~Folder() { fs::remove_all(path_); }
    std::string operator/(const std::string& file) const { return (path_ / file).string(); }
    std::size_t count() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), {})); }

private:
    fs::path path_;
};

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string hex(const std::vector<uint8_t>& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) text += {kHex[b >> 4], kHex[b & 0x0F]};
    return text;
}

// The blocks the gateway received, as its wire log holds them ("RX BLOCK n HEX").
std::vector<std::string> blocksReceived(const GatesimProcess& sim) {
    std::vector<std::string> blocks;
    for (const std::string& line : sim.logLines())
        if (line.starts_with("RX BLOCK ")) blocks.push_back(line.substr(line.rfind(' ') + 1));
    return blocks;
}

bool logHas(const GatesimProcess& sim, const std::string& entry) {
    const auto lines = sim.logLines();
    return std::find(lines.begin(), lines.end(), entry) != lines.end();
}

// A description of an HX-3420 whose stored safe values are `fill` throughout.
std::string describeWithSafeValues(const Folder& folder, const std::string& name, uint8_t fill) {
    std::ifstream demoIn(std::string(NORVIK_GATESIM_DIR) + "/demo-hx3420.json");
    json description = json::parse(demoIn);
    description["safe_value_block"] = hex(std::vector<uint8_t>(512, fill));
    const std::string path = folder / name;
    std::ofstream(path) << description.dump();
    return path;
}

// --- each command: exit code, output, files, wire -------------------------------

struct CommandCase {
    const char* name;
    std::vector<std::string> simArgs;
    // "{dev}" stands for the simulator's device, "{out}" for a file in the
    // test's folder, "{in}" for a valid 512-byte safe-value file.
    std::vector<std::string> cliArgs;
    int status;
    const char* outHas;      // on stdout, "" for nothing to check
    const char* errHas;      // on stderr
    bool writesOut;          // whether {out} exists afterwards
    const char* wireHasNot;  // a wire log entry that must not appear, "" for none
};

class CliCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CliCommand, exitCodeOutputAndFiles) {
    const CommandCase& c = GetParam();
#ifndef NORVIK_CLI_PDF
    if (std::string_view(c.name) == "reportPdf") GTEST_SKIP() << "this build has no PDF writer";
#endif
    Folder folder(std::string("cli-") + c.name);
    GatesimProcess sim(kSim, c.simArgs);
    const std::string out = folder / "result.ptm";
    const std::string in = folder / "input.ptm";
    writeBytes(in, std::vector<uint8_t>(512, 0x5A));

    std::vector<std::string> args;
    for (std::string a : c.cliArgs) {
        if (a == "{dev}") a = sim.slavePath();
        if (a == "{out}") a = out;
        if (a == "{in}") a = in;
        if (a == "{big}") {
            a = folder / "big.ptm";
            writeBytes(a, std::vector<uint8_t>(513, 0x5A));
        }
        args.push_back(a);
    }
    const CliRun run = runCli(args);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_NE(run.out.find(c.outHas), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
    EXPECT_EQ(fs::exists(out), c.writesOut);
    if (*c.wireHasNot) {
        EXPECT_FALSE(logHas(sim, c.wireHasNot));
    }
}

const std::vector<std::string> kNone;
const std::vector<std::string> k3410{"--config", kDemo3410};

INSTANTIATE_TEST_SUITE_P(
    Commands, CliCommand,
    ::testing::Values(
        CommandCase{"info", kNone, {"--device", "{dev}", "info"}, 0, "Module 7", "", false, ""},
        CommandCase{"infoRegisterNumbers",
                    kNone,
                    {"--json", "--device", "{dev}", "info"},
                    0,
                    "\"first_register\": \"40101\"",
                    "",
                    false,
                    ""},
        CommandCase{"files", kNone, {"--device", "{dev}", "files"}, 0, "3420V10.bin", "", false, ""},
        CommandCase{"safeValuesGet",
                    kNone,
                    {"--device", "{dev}", "safe-values", "get", "-o", "{out}"},
                    0,
                    "Written to",
                    "",
                    true,
                    ""},
        CommandCase{"safeValuesPut",
                    kNone,
                    {"--device", "{dev}", "safe-values", "put", "{in}"},
                    0,
                    "Read back: the same",
                    "",
                    false,
                    ""},
        CommandCase{
            "ipGet", kNone, {"--device", "{dev}", "ip", "get", "-o", "{out}"}, 0, "Subnet mask: ", "", true, ""},
        CommandCase{"reportPdf", kNone, {"--device", "{dev}", "report", "-o", "{out}"}, 0, "Written to", "", true, ""},
        CommandCase{
            "reportCsv", k3410, {"--device", "{dev}", "report", "--csv", "-o", "{out}"}, 0, "(9 tables)", "", true, ""},
        CommandCase{"ipRefusedOnHx3410",
                    k3410,
                    {"--device", "{dev}", "ip", "get", "-o", "{out}"},
                    4,
                    "",
                    "only supported HX-3420",
                    false,
                    "RX LINE LOAD_IP_SETTING"},
        CommandCase{"gatewaySaveError",
                    {"--reply-error", "save-safe"},
                    {"--device", "{dev}", "safe-values", "put", "{in}"},
                    4,
                    "",
                    "Save safe value error !",
                    false,
                    "RX LINE LOAD_SAFE_VALUE"},
        CommandCase{"blockCutShort",
                    {"--truncate-safe-block", "100"},
                    {"--device", "{dev}", "safe-values", "get", "-o", "{out}"},
                    4,
                    "",
                    "Receive safe value error !",
                    false,
                    ""},
        CommandCase{"strayLinesInsideATransfer",
                    {"--short-block-by", "10", "--short-block-of", "parameter", "--noise-lines", "3",
                     "--stray-inside-transfer"},
                    {"--device", "{dev}", "backup", "-o", "{out}"},
                    4,
                    "",
                    "Parameter block incomplete",
                    false,
                    ""},
        CommandCase{"brokenFileNameReply",
                    {"--truncate-file-name-reply", "20"},
                    {"--device", "{dev}", "backup", "-o", "{out}"},
                    4,
                    "",
                    "size of the gateway's safe values is not known",
                    false,
                    "RX LINE LOAD_SAFE_VALUE"},
        CommandCase{"linkCut",
                    {"--silent-after", "5"},
                    {"--device", "{dev}", "safe-values", "get", "-o", "{out}"},
                    3,
                    "",
                    "No answer from the gateway.",
                    false,
                    ""},
        CommandCase{"portAbsent",
                    kNone,
                    {"--device", "/nonexistent/tty", "info"},
                    2,
                    "",
                    "Reason: No such file or directory",
                    false,
                    ""},
        CommandCase{"portAbsentAdvice",
                    kNone,
                    {"--device", "/nonexistent/tty", "info"},
                    2,
                    "",
                    "and the path given to --device. Then run the command again.",
                    false,
                    ""},
        CommandCase{"unknownCommand",
                    kNone,
                    {"--device", "{dev}", "bogus"},
                    1,
                    "",
                    "norvik-cli: unknown command 'bogus'\nThe commands: info, files, safe-values, ip,",
                    false,
                    "RX LINE KESTRA--r4460k>"},
        CommandCase{"inputMissing",
                    kNone,
                    {"--device", "{dev}", "ip", "put", "/nonexistent/ip.ptm"},
                    6,
                    "",
                    "File: /nonexistent/ip.ptm",
                    false,
                    "RX LINE LOAD--PARAMETER"},
        CommandCase{"outputUnwritable",
                    kNone,
                    {"--device", "{dev}", "safe-values", "get", "-o", "/nonexistent/sv.ptm"},
                    6,
                    "",
                    "File: /nonexistent/sv.ptm",
                    false,
                    ""},
        CommandCase{"usage",
                    kNone,
                    {"--device", "{dev}", "safe-values", "get"},
                    1,
                    "",
                    "--output is required",
                    false,
                    "RX LINE KESTRA--r4460k>"},
        CommandCase{"usageJson",
                    kNone,
                    {"--json", "--device", "{dev}", "safe-values", "get"},
                    1,
                    "\"outcome\": \"usage\"",
                    "--output is required",
                    false,
                    "RX LINE KESTRA--r4460k>"},
        // A file that is no block of the gateway's size is sent by no put.
        CommandCase{"ipPutOfTheWrongSize",
                    kNone,
                    {"--device", "{dev}", "ip", "put", "{in}"},
                    6,
                    "",
                    "The file holds 512 bytes; the block takes 76.",
                    false,
                    "RX LINE SEND_IP_SETTING"},
        CommandCase{"safeValuesPutOfTheWrongSize",
                    kNone,
                    {"--device", "{dev}", "safe-values", "put", "{big}"},
                    6,
                    "",
                    "The file holds 513 bytes; the block takes 512.",
                    false,
                    "RX LINE SEND_SAFE_VALUE"}),
    [](const auto& param) { return std::string(param.param.name); });

// A file name that is no UTF-8 is written under its own bytes, and the JSON
// names it as it can.
TEST(CliFileNames, aReportKeepsANameThatIsNoUtf8ByteForByte) {
#ifndef NORVIK_CLI_PDF
    GTEST_SKIP() << "this build has no PDF writer";
#endif
    Folder folder("cli-names");
    GatesimProcess sim(kSim, {});
    const std::string name = folder / "caf\xE9.pdf";
    const CliRun run = runCli({"--device", sim.slavePath(), "report", "-o", name});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(name));
    EXPECT_EQ(folder.count(), 1u);
}

// --- two gateways, crosswise ------------------------------------------------------

TEST(CliCrosswise, eachGatewaysSafeValuesLandOnTheOtherByteForByte) {
    Folder folder("cli-crosswise");
    GatesimProcess a(kSim, {"--config", describeWithSafeValues(folder, "a.json", 0x11)});
    GatesimProcess b(kSim, {"--config", describeWithSafeValues(folder, "b.json", 0x22)});

    // Both read in one run: one file per device, named after it.
    const CliRun got = runCli(
        {"--json", "--device", a.slavePath(), "--device", b.slavePath(), "safe-values", "get", "-o", folder / "saved"});
    ASSERT_EQ(got.status, 0) << got.err;
    const json docs = json::parse(got.out);
    ASSERT_EQ(docs.size(), 2u);
    const std::string fileA = docs[0]["file"], fileB = docs[1]["file"];
    ASSERT_EQ(readBytes(fileA), std::vector<uint8_t>(512, 0x11));
    ASSERT_EQ(readBytes(fileB), std::vector<uint8_t>(512, 0x22));

    // Each file sent to the other gateway, both at once.
    CliProcess toB({"--device", b.slavePath(), "safe-values", "put", fileA});
    CliProcess toA({"--device", a.slavePath(), "safe-values", "put", fileB});
    EXPECT_EQ(toB.wait(), 0) << toB.err();
    EXPECT_EQ(toA.wait(), 0) << toA.err();
    EXPECT_EQ(blocksReceived(b), std::vector<std::string>{hex(readBytes(fileA))});
    EXPECT_EQ(blocksReceived(a), std::vector<std::string>{hex(readBytes(fileB))});
}

TEST(CliSeveral, oneArrayInDeviceOrderAndTheWorstExitCode) {
    Folder folder("cli-several");
    GatesimProcess one(kSim), two(kSim);
    const CliRun run = runCli({"--json", "--device", one.slavePath(), "--device", "/nonexistent/tty", "--device",
                               two.slavePath(), "safe-values", "get", "-o", folder / "saved"});
    EXPECT_EQ(run.status, 2);
    const json docs = json::parse(run.out);
    ASSERT_EQ(docs.size(), 3u);
    EXPECT_EQ(docs[0]["device"], one.slavePath());
    EXPECT_EQ(docs[1]["outcome"], "port-error");
    EXPECT_EQ(docs[2]["outcome"], "done");
    EXPECT_TRUE(fs::exists(docs[0]["file"].get<std::string>()));
    EXPECT_TRUE(fs::exists(docs[2]["file"].get<std::string>()));
    EXPECT_NE(run.err.find("/nonexistent/tty: Open Com Error"), std::string::npos) << run.err;
}

// --- backup, restore, diff --------------------------------------------------------

// An HX-3420 whose safe values are `fill` throughout and whose local IP address ends in `host`.
std::string describeGateway(const Folder& folder, const std::string& name, uint8_t fill, uint8_t host) {
    std::ifstream demoIn(std::string(NORVIK_GATESIM_DIR) + "/demo-hx3420.json");
    json description = json::parse(demoIn);
    description["safe_value_block"] = hex(std::vector<uint8_t>(512, fill));
    IpSettingRecord ip;
    setDefaultIpSetting(ip);
    ip.localIp = {10, 0, 0, host};
    const IpSettingBlock block = encodeIpSettingBlock(ip);
    description["ip_block"] = hex(std::vector<uint8_t>(block.begin(), block.end()));
    const std::string path = folder / name;
    std::ofstream(path) << description.dump();
    return path;
}

std::string ipBlockHex(uint8_t host) {
    IpSettingRecord ip;
    setDefaultIpSetting(ip);
    ip.localIp = {10, 0, 0, host};
    const IpSettingBlock block = encodeIpSettingBlock(ip);
    return hex(std::vector<uint8_t>(block.begin(), block.end()));
}

TEST(CliBackup, twoGatewaysRestoredCrosswiseHoldEachOthersBlocks) {
    Folder folder("cli-backup");
    GatesimProcess a(kSim, {"--config", describeGateway(folder, "a.json", 0x11, 1)});
    GatesimProcess b(kSim, {"--config", describeGateway(folder, "b.json", 0x22, 2)});

    const CliRun backedUp =
        runCli({"--json", "--device", a.slavePath(), "--device", b.slavePath(), "backup", "-o", folder / "backups"});
    ASSERT_EQ(backedUp.status, 0) << backedUp.err;
    const json docs = json::parse(backedUp.out);
    const std::string backupA = docs[0]["file"], backupB = docs[1]["file"];

    // Before: each differs from the other's backup in its safe values and IP setting.
    const CliRun before = runCli({"--json", "--device", b.slavePath(), "diff", backupA});
    EXPECT_EQ(before.status, 5) << before.err;
    const json differences = json::parse(before.out)["differences"];
    EXPECT_FALSE(differences["safe_values"].empty());
    EXPECT_EQ(differences["ip_setting"].size(), 1u);

    CliProcess toB({"--device", b.slavePath(), "restore", backupA});
    CliProcess toA({"--device", a.slavePath(), "restore", backupB});
    EXPECT_EQ(toB.wait(), 0) << toB.err();
    EXPECT_EQ(toA.wait(), 0) << toA.err();
    EXPECT_NE(toB.out().find("Restore verified"), std::string::npos) << toB.out();

    // What each gateway stored, as its wire log shows it: the other's blocks.
    EXPECT_EQ(blocksReceived(b), (std::vector<std::string>{hex(std::vector<uint8_t>(512, 0x11)), ipBlockHex(1)}));
    EXPECT_EQ(blocksReceived(a), (std::vector<std::string>{hex(std::vector<uint8_t>(512, 0x22)), ipBlockHex(2)}));

    const CliRun after = runCli({"--device", b.slavePath(), "diff", backupA});
    EXPECT_EQ(after.status, 0) << after.out << after.err;

    // The report of a backup needs no gateway.
    const CliRun report = runCli({"report", "--csv", "--from-backup", backupA, "-o", folder / "report"});
    EXPECT_EQ(report.status, 0) << report.err;
    EXPECT_TRUE(fs::exists(folder / "report/modbus_map.csv"));
}

TEST(CliBackup, aBackupOfTheOtherModelIsRefusedBeforeAnythingIsSent) {
    Folder folder("cli-refused");
    GatesimProcess hx3410(kSim, {"--config", kDemo3410});
    GatesimProcess hx3420(kSim);
    const std::string backup = folder / "hx3410.norvik";
    ASSERT_EQ(runCli({"--device", hx3410.slavePath(), "backup", "-o", backup}).status, 0);

    const CliRun refused = runCli({"--device", hx3420.slavePath(), "restore", backup});
    EXPECT_EQ(refused.status, 4);
    EXPECT_NE(refused.err.find("HX-3410"), std::string::npos) << refused.err;
    EXPECT_FALSE(logHas(hx3420, "RX LINE SEND_SAFE_VALUE"));
    EXPECT_TRUE(blocksReceived(hx3420).empty());
}

// The gateway stored the safe values and vanished before it said so: the
// restore does not claim that nothing changed.
TEST(CliBackup, aRestoreCutAfterTheStoreSaysTheValuesMayBeStored) {
    Folder folder("cli-vanished");
    GatesimProcess source(kSim);
    const std::string backup = folder / "hx3420.norvik";
    ASSERT_EQ(runCli({"--device", source.slavePath(), "backup", "-o", backup}).status, 0);

    GatesimProcess vanishing(kSim, {"--vanish-after-storing", "safe"});
    const CliRun cut = runCli({"--json", "--device", vanishing.slavePath(), "restore", backup});
    EXPECT_NE(cut.status, 0);
    EXPECT_EQ(blocksReceived(vanishing).size(), 1u) << cut.out;
    const json document = json::parse(cut.out);
    EXPECT_EQ(document["safe_values"], "unconfirmed");
    EXPECT_EQ(document["ip_setting"], "not-sent");
    EXPECT_EQ(document["may_have_changed"], true);
}

// --- the two paces, compared on the wire ------------------------------------------

// What reached the gateway, in order, without the prompts (the keep-alive ones
// come with the clock) and without what the gateway said back.
std::vector<std::string> commandsAndBlocks(const GatesimProcess& sim) {
    std::vector<std::string> kept;
    for (const std::string& line : sim.logLines())
        if ((line.starts_with("RX LINE ") && line != "RX LINE KESTRA--r4460k>") || line.starts_with("RX BLOCK ") ||
            line.starts_with("RX STORED "))
            kept.push_back(line);
    return kept;
}

struct PaceCommand {
    const char* name;
    std::vector<std::string> cliArgs;  // "{dev}", "{out}", "{sv}", "{ip}", "{backup}" filled in per run
    int plainStatus;                   // against a gateway without faults
};

struct PaceMode {
    const char* name;
    std::vector<std::string> simArgs;
};

// Every command that talks to a gateway, in every mode, runs as answered and at
// the tick against simulators of its own, all at once: the gateway must see the
// same commands and blocks, and the user the same exit code.
TEST(CliPace, asAnsweredSendsWhatTheTickSendsInEveryMode) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // A hundred and twenty instrumented programs at once on a small machine
    // miss the tick's deadlines: the comparison runs in the optimised build.
    GTEST_SKIP() << "runs in the optimised build only";
#endif
    const std::vector<PaceCommand> commands{
        {"info", {"info"}, 0},
        {"files", {"files"}, 0},
        {"safe-values get", {"safe-values", "get", "-o", "{out}"}, 0},
        {"safe-values put", {"safe-values", "put", "{sv}"}, 0},
        {"ip get", {"ip", "get", "-o", "{out}"}, 0},
        {"ip put", {"ip", "put", "{ip}"}, 0},
        {"backup", {"backup", "-o", "{out}"}, 0},
        {"diff", {"diff", "{backup}"}, 5},
        {"restore", {"restore", "{backup}"}, 0},
        {"report --csv", {"report", "--csv", "-o", "{out}"}, 0},
    };
    const std::vector<PaceMode> modes{
        {"plain", {}},
        {"chatty", {"--noise-lines", "2", "--blank-lines", "1"}},
        {"banner", {"--banner"}},
        {"short-block", {"--short-block-by", "10", "--short-block-of", "safe"}},
        {"vanishing", {"--vanish-after-storing", "safe"}},
        // Late, yet in time for the tick that reads the announcing line.
        {"late-block", {"--late-block-ms", "500"}},
    };

    Folder folder("cli-pace");
    const std::string sv = folder / "sv.ptm", ip = folder / "ip.ptm", backup = folder / "source.norvik";
    writeBytes(sv, std::vector<uint8_t>(512, 0x5A));
    {
        GatesimProcess source(kSim, {"--config", describeGateway(folder, "source.json", 0x11, 7)});
        ASSERT_EQ(runCli({"--device", source.slavePath(), "backup", "-o", backup}).status, 0);
        ASSERT_EQ(runCli({"--device", source.slavePath(), "ip", "get", "-o", ip}).status, 0);
    }

    struct Run {
        std::string what;
        std::unique_ptr<GatesimProcess> sim;
        std::unique_ptr<CliProcess> cli;
        int status = -1;
    };
    std::vector<Run> runs;  // in pairs: as answered, then at the tick
    for (const PaceMode& mode : modes)
        for (const PaceCommand& command : commands)
            for (const char* pace : {"as-answered", "tick"}) {
                Run run;
                run.what = std::string(command.name) + " / " + mode.name + " / " + pace;
                run.sim = std::make_unique<GatesimProcess>(kSim, mode.simArgs);
                std::vector<std::string> args{"--pace", pace, "--device", run.sim->slavePath()};
                for (std::string a : command.cliArgs) {
                    if (a == "{out}") a = folder / ("out-" + std::to_string(runs.size()));
                    if (a == "{sv}") a = sv;
                    if (a == "{ip}") a = ip;
                    if (a == "{backup}") a = backup;
                    args.push_back(a);
                }
                run.cli = std::make_unique<CliProcess>(args);
                runs.push_back(std::move(run));
            }
    for (Run& run : runs) run.status = run.cli->wait();

    for (std::size_t i = 0; i < runs.size(); i += 2) {
        const Run &fast = runs[i], &tick = runs[i + 1];
        EXPECT_EQ(fast.status, tick.status) << fast.what << "\n" << fast.cli->err() << "\n" << tick.cli->err();
        EXPECT_EQ(commandsAndBlocks(*fast.sim), commandsAndBlocks(*tick.sim)) << fast.what;
        if (i < 2 * commands.size()) {
            EXPECT_EQ(fast.status, commands[i / 2].plainStatus) << fast.what << "\n" << fast.cli->err();
        }
    }
}

// --- cancelled during a block ------------------------------------------------------

struct StopCase {
    const char* name;
    int signal;
    int status;
};

class CliStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(CliStop, duringABlockEndsAtOnceAndLeavesNoFile) {
    Folder folder(std::string("cli-stop-") + GetParam().name);
    // The safe-value block comes long after its announcement: the signal finds
    // the link waiting for it.
    GatesimProcess sim(kSim, {"--late-block-of", "safe", "--late-block-ms", "20000"});
    const std::string out = folder / "sv.ptm";
    CliProcess cli({"--json", "--device", sim.slavePath(), "safe-values", "get", "-o", out});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!logHas(sim, "TX LINE send safe value to com") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(logHas(sim, "TX LINE send safe value to com"));

    cli.signal(GetParam().signal);
    EXPECT_EQ(cli.wait(), GetParam().status) << cli.err();
    EXPECT_EQ(json::parse(cli.out())["exit_code"], GetParam().status);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(folder.count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Signals, CliStop,
                         ::testing::Values(StopCase{"interrupt", SIGINT, 130}, StopCase{"terminate", SIGTERM, 143}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace norvik::test
