#include "platform/FileIO.h"

#include "ChangingFile.h"

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

// A file that another program shortens or rewrites while it is read: the
// reader never crashes (a shortened mapped file would raise SIGBUS), the
// bytes it lost read as zeros, and the file counts as changed; a file left
// alone reads as it is and does not.
TEST(FileBytes, AFileChangedWhileItIsReadIsNoticedWithoutACrash)
{
    const fs::path dir = freshDir();
    struct Case {
        std::size_t size; // below 256 KiB files are read, from there mapped
        FileChange change;
    };
    const Case cases[] = {
        {4096, FileChange::None},           {4096, FileChange::HalfLength},
        {4096, FileChange::Empty},          {4096, FileChange::SameLengthNewTime},
        {3 << 20, FileChange::None},        {3 << 20, FileChange::HalfLength},
        {3 << 20, FileChange::Empty},       {3 << 20, FileChange::SameLengthNewTime},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " bytes, " + describe(c.change));
        const std::string path = (dir / "changing.bin").string();
        std::string content(c.size, '\0');
        for (std::size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>(1 + i % 251); // never zero
        std::ofstream(path, std::ios::binary) << content;

        const ReadWatch watch;
        {
            ChangingFile changer(path, c.change);
            auto bytes = FileBytes::open(path);
            ASSERT_TRUE(bytes.has_value());
            const std::size_t kept = ChangingFile::keptBytes(c.size, c.change);
            const bool mapped = c.size >= (256u << 10);
            // A mapped file keeps the size it had when it was opened.
            ASSERT_EQ(bytes->size(), mapped ? c.size : kept);
            // Every byte is read, and once more after giving the first half back.
            std::size_t lost = 0, wrong = 0;
            for (int pass = 0; pass < 2; ++pass) {
                for (std::size_t i = 0; i < bytes->size(); ++i) {
                    const auto b = static_cast<char>(bytes->data()[i]);
                    if (b == 0)
                        ++lost;
                    else if (b != content[i])
                        ++wrong;
                }
                bytes->release(bytes->size() / 2);
            }
            EXPECT_EQ(wrong, 0u);
            // A mapped file's lost pages read as zeros (from the first lost
            // page on); a read file simply has its old bytes or none.
            if (mapped && kept < c.size) {
                EXPECT_GE(lost, 2 * (c.size - kept - 4096)) << "the lost part reads as zeros";
            } else {
                EXPECT_EQ(lost, 0u);
            }
            EXPECT_EQ(bytes->changed(), c.change != FileChange::None);
        }
        EXPECT_EQ(watch.changed(), c.change != FileChange::None);
    }
}
