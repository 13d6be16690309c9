// AtomicFile against what can stand at a path: the contract is cp's and a
// compiler's, not "replace whatever is there".
#include "app/AtomicFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace tallis {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '-');
        dir_ =
            fs::temp_directory_path() / ("tallis-atomic-" + std::to_string(getpid()) + "-" + test);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Put(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return dir_ / name;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // The names in the folder: nothing may be left beside the target.
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }
    static std::string Write(const fs::path& path, const std::string& text) {
        AtomicFile file(path);
        if (std::string error = file.Create(); !error.empty()) {
            return error;
        }
        file.Stream() << text;
        return file.Commit();
    }

    fs::path dir_;
};

TEST_F(AtomicFileTest, ReplacesTheFileALinkNamesAndKeepsItsMode) {
    const fs::path target = Put("target.hex", "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("target.hex", dir_ / "link.hex");

    ASSERT_EQ(Write(dir_ / "link.hex", "new"), "");

    EXPECT_TRUE(fs::is_symlink(dir_ / "link.hex"));
    EXPECT_EQ(Read(target), "new");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Entries(), 2u);
}

// Paths that are not regular files are written where they are: the node
// stays what it was and nothing is created beside it.
TEST_F(AtomicFileTest, WritesAFifoInPlace) {
    const fs::path fifo = dir_ / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    // Opened without blocking, so that a writer replacing the FIFO fails the
    // test instead of hanging it; the text fits the pipe's buffer.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    EXPECT_EQ(Write(fifo, "through the pipe"), "");

    char received[64] = {};
    EXPECT_EQ(read(reader, received, sizeof received), 16);
    close(reader);
    EXPECT_STREQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(AtomicFileTest, WritesADeviceNodeInPlace) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "making a device node needs root";
    }
    const fs::path null = dir_ / "null";
    ASSERT_EQ(mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);

    EXPECT_EQ(Write(null, "discarded"), "");

    EXPECT_TRUE(fs::is_character_file(null));
    EXPECT_EQ(Entries(), 1u);
}

struct Unwritable {
    const char* name;
    std::function<fs::path(const fs::path& dir)> make;  // the path to write
    const char* reason;
};

class AtomicFileRefusal : public AtomicFileTest,
                          public ::testing::WithParamInterface<Unwritable> {};

// Each is found by Check, before anything is written, and Create refuses too;
// what stands at the path is left as it was.
TEST_P(AtomicFileRefusal, IsFoundBeforeWritingAndLeavesThePath) {
    const fs::path path = GetParam().make(dir_);
    const std::size_t entries = Entries();
    std::error_code loop;
    const bool regular = fs::is_regular_file(path, loop);
    const std::string before = regular ? Read(path) : "";

    EXPECT_NE(AtomicFile(path).Check().find(GetParam().reason), std::string::npos)
        << AtomicFile(path).Check();
    EXPECT_NE(Write(path, "new").find(GetParam().reason), std::string::npos);

    EXPECT_EQ(Entries(), entries);
    if (regular) {
        EXPECT_EQ(Read(path), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AtomicFileRefusal,
    ::testing::Values(Unwritable{"ReadOnlyFile",
                                 [](const fs::path& dir) {
                                     std::ofstream(dir / "kept.hex") << "keep";
                                     fs::permissions(dir / "kept.hex", fs::perms::owner_read);
                                     return dir / "kept.hex";
                                 },
                                 "permission denied"},
                      Unwritable{"LinkToAReadOnlyFile",
                                 [](const fs::path& dir) {
                                     std::ofstream(dir / "kept.hex") << "keep";
                                     fs::permissions(dir / "kept.hex", fs::perms::owner_read);
                                     fs::create_symlink("kept.hex", dir / "link.hex");
                                     return dir / "link.hex";
                                 },
                                 "permission denied"},
                      Unwritable{"Folder",
                                 [](const fs::path& dir) {
                                     fs::create_directory(dir / "sub");
                                     return dir / "sub";
                                 },
                                 "folder"},
                      Unwritable{"MissingFolder",
                                 [](const fs::path& dir) { return dir / "none" / "x.hex"; },
                                 "does not exist"},
                      // Fits the system's limit, but the hidden, numbered temporary does not.
                      Unwritable{"NameTooLongForTheTemporary",
                                 [](const fs::path& dir) { return dir / std::string(250, 'n'); },
                                 "too long"},
                      Unwritable{"LinkLoop",
                                 [](const fs::path& dir) {
                                     fs::create_symlink("loop", dir / "loop");
                                     return dir / "loop";
                                 },
                                 "symbolic links"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tallis
