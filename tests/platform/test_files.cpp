#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace platform;
namespace fs = std::filesystem;

namespace {
fs::path freshDir()
{
    auto dir = fs::temp_directory_path() /
               ("dotscape-files-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}
std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
std::size_t entries(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}
} // namespace

TEST(SafeFile, CommitReplacesAndDiscardLeavesTheOldFileAsItWas)
{
    auto dir = freshDir();
    auto target = dir / "picture.bmp";
    {
        std::ofstream(target) << "old contents";
    }
    {
        SafeFile f(target.string());
        ASSERT_TRUE(f.open());
        ASSERT_TRUE(f.write("new", 3));
        EXPECT_EQ(slurp(target), "old contents"); // untouched until commit
    } // destroyed without commit
    EXPECT_EQ(slurp(target), "old contents");
    EXPECT_EQ(entries(dir), 1u);
    {
        SafeFile f(target.string());
        ASSERT_TRUE(f.open());
        ASSERT_TRUE(f.write("new", 3));
        ASSERT_TRUE(f.commit());
    }
    EXPECT_EQ(slurp(target), "new");
    EXPECT_EQ(entries(dir), 1u);
}

TEST(SafeFile, AFolderThatCannotBeWrittenFailsCleanly)
{
    SafeFile f("/nonexistent-folder-for-dotscape/x.gif");
    EXPECT_FALSE(f.open());
    EXPECT_FALSE(f.write("x", 1));
    EXPECT_FALSE(f.commit());
}

TEST(SafeFile, ANewFileGetsOrdinaryPermissions)
{
    ::umask(022);
    auto dir = freshDir();
    auto target = dir / "new.pcx";
    SafeFile f(target.string());
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.commit());
    struct stat st{};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0044, 0u); // readable by others under the usual umask
}

TEST(ReadWholeFile, HonoursTheSizeCap)
{
    auto dir = freshDir();
    auto path = dir / "data";
    std::ofstream(path) << "0123456789";
    auto all = readWholeFile(path.string());
    ASSERT_TRUE(all);
    EXPECT_EQ(all->size(), 10u);
    EXPECT_FALSE(readWholeFile(path.string(), 9));
    EXPECT_FALSE(readWholeFile((dir / "missing").string()));
}
