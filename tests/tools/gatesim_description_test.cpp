// What the simulator's description loader takes from the file system, and
// what it refuses before it reads a byte.

#include "description.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "support/temp_file.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string errorOf(const std::string& path) {
    try {
        gatesim::loadDescriptionFile(path);
    } catch (const gatesim::DescriptionError& e) {
        return e.what();
    }
    return {};
}

TEST(GatesimDescriptionFile, takesARegularFileWithinTheLimit) {
    const fs::path dir = fs::temp_directory_path() / ("gatesim-desc-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "one.json";
    std::ofstream(file) << R"({"model": "HX-3410", "file_names": ["3410V12.bin"]})";
    EXPECT_EQ(gatesim::loadDescriptionFile(file.string()).model, "HX-3410");
    fs::remove_all(dir);
}

TEST(GatesimDescription, aNumberTooLargeForAnyTypeIsADescriptionError) {
    EXPECT_THROW(gatesim::parseDescription(R"({"slave_device_id": 3333333335555555E5555555555555555555})"),
                 gatesim::DescriptionError);
}

TEST(GatesimDescriptionFile, refusesAtOnceWhatIsNoRegularFileOrTooLarge) {
    const fs::path dir = fs::temp_directory_path() / ("gatesim-refuse-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path big = dir / "big.json";
    {
        std::ofstream out(big);
        out << '"' << std::string(gatesim::kMaxDescriptionBytes, 'x') << '"';
    }
    struct Case {
        std::string path;
        const char* why;
    };
    const Case cases[] = {
        {fifo.string(), "not a regular file"},  // would wait for a writer for ever
        {"/dev/zero", "not a regular file"},    // would be read without end
        {dir.string(), "not a regular file"},
        {big.string(), "larger than"},
        {(dir / "absent.json").string(), "cannot be opened"},
    };
    for (const Case& c : cases) {
        auto load = std::async(std::launch::async, [&] { return errorOf(c.path); });
        ASSERT_EQ(load.wait_for(10s), std::future_status::ready) << c.path << " hangs the loader";
        EXPECT_NE(load.get().find(c.why), std::string::npos) << c.path;
    }
    fs::remove_all(dir);
}

}  // namespace
