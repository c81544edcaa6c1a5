#include "model/atomic_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace norvik {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// A folder of its own per test, so leftovers of a failed write can be counted.
class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("norvik_atomic_" + std::to_string(::getpid()) + "_" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string at(const std::string& name) const { return (folder / name).string(); }
    static void put(const std::string& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    static Bytes get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    fs::path folder;
};

TEST_F(AtomicFile, writesNewFilesAndReplacesOldOnesWhole) {
    const std::string path = at("values.ptm");
    ASSERT_TRUE(writeFileAtomically(path, Bytes(512, 0xFF)));
    EXPECT_EQ(get(path), Bytes(512, 0xFF));

    put(path, Bytes(2000, 0x11));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeFileAtomically(path, Bytes{1, 2, 3}));
    EXPECT_EQ(get(path), (Bytes{1, 2, 3}));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "the replaced file's permissions stay";
    EXPECT_EQ(entries(), 1u) << "no temporary file is left beside it";

    ASSERT_TRUE(writeFileAtomically(path, Bytes{}));
    EXPECT_TRUE(get(path).empty());
}

TEST_F(AtomicFile, aLinkKeepsPointingAtTheFileItNames) {
    const std::string target = at("real.ptm");
    const std::string link = at("link.ptm");
    put(target, Bytes(4, 0));
    fs::create_symlink(target, link);
    ASSERT_TRUE(writeFileAtomically(link, Bytes{9, 9}));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(get(target), (Bytes{9, 9}));

    fs::create_symlink(at("nowhere.ptm"), at("dangling.ptm"));
    EXPECT_FALSE(writeFileAtomically(at("dangling.ptm"), Bytes{1}));
}

TEST_F(AtomicFile, refusesWhatIsNotARegularFileAndLeavesItAlone) {
    const std::string fifo = at("pipe.ptm");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string dir = at("dir.ptm");
    fs::create_directory(dir);
    struct Case {
        const char* name;
        std::string path;
    };
    const Case cases[] = {
        {"FIFO", fifo},     {"directory", dir}, {"device", "/dev/null"}, {"missing folder", at("no/such/values.ptm")},
        {"empty name", ""},
    };
    for (const Case& c : cases) EXPECT_FALSE(writeFileAtomically(c.path, Bytes(8, 1))) << c.name;
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_EQ(entries(), 2u);
}

// A write that fails half-way (here: the file-size limit, as a full disk would)
// must leave the old file as it was and take its temporary file away again.
TEST_F(AtomicFile, aFailedWriteLeavesTheOldFileAsItWas) {
    const std::string path = at("values.ptm");
    put(path, Bytes(16, 0x42));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(writeFileAtomically(path, Bytes(4096, 0x00)) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write was reported as a success";
    EXPECT_EQ(get(path), Bytes(16, 0x42));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFile, readsAtMostTheAskedBytesOfARegularFileOnly) {
    const std::string path = at("values.ptm");
    Bytes content(976);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i);
    put(path, content);
    EXPECT_EQ(readRegularFile(path, 512), Bytes(content.begin(), content.begin() + 512));
    EXPECT_EQ(readRegularFile(path, 2000), content) << "a shorter file gives what it has";

    const std::string fifo = at("pipe.ptm");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // No writer ever opens the FIFO: a read that waited for one would hang here.
    for (const std::string& refused : {fifo, folder.string(), std::string("/dev/zero"), at("missing.ptm")}) {
        EXPECT_FALSE(readRegularFile(refused, 512).has_value()) << refused;
    }
}

}  // namespace
}  // namespace norvik
