#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace platform;

namespace {
std::string tempDir()
{
    auto dir = std::filesystem::temp_directory_path() /
               ("dotscape-profile-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}
std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
} // namespace

TEST(Profile, NamesCompareWithoutCaseAndValuesAreTrimmed)
{
    auto p = ProfileFile::parse("; comment\r\n[Demo]\r\n  Zmax = 63 \r\nname=\"quoted value\"\nbad line\n[Other]\nzmax=1\n");
    EXPECT_EQ(p.getInt("DEMO", "zmax", 0), 63);
    EXPECT_EQ(p.getInt("other", "ZMAX", 0), 1);
    EXPECT_EQ(p.getString("demo", "name", ""), "quoted value");
    EXPECT_EQ(p.getString("demo", "missing", "def"), "def");
    EXPECT_EQ(p.getInt("nosection", "zmax", -7), -7);
}

TEST(Profile, IntegersParseLikeTheProfileFunctions)
{
    auto p = ProfileFile::parse("[s]\na=-200\nb=+5x\nc=abc\nd=\ne=99999999999999\nf=  12 34\n");
    EXPECT_EQ(p.getInt("s", "a", 0), -200);
    EXPECT_EQ(p.getInt("s", "b", 0), 5);
    EXPECT_EQ(p.getInt("s", "c", 9), 9);
    EXPECT_EQ(p.getInt("s", "d", 9), 9);
    EXPECT_EQ(p.getInt("s", "e", 0), 2147483647);
    EXPECT_EQ(p.getInt("s", "f", 0), 12);
}

TEST(Profile, WritingKeepsEverythingElse)
{
    auto p = ProfileFile::parse("; keep me\n[A]\nx=1\ny=2\n\n[B]\nz=3\n");
    p.set("a", "X", "10");
    p.set("A", "w", "4");
    p.set("C", "k", "v");
    EXPECT_EQ(p.text(), "; keep me\n[A]\nX=10\ny=2\nw=4\n\n[B]\nz=3\n\n[C]\nk=v\n");
    p.remove("b", "Z");
    EXPECT_FALSE(p.get("B", "z"));
    EXPECT_EQ(p.sections().size(), 3u);
    EXPECT_EQ(p.keys("a").size(), 3u);
}

TEST(Profile, FileFunctionsCreateTheFileAndReadMissingFilesAsDefaults)
{
    std::string path = tempDir() + "/sub/DOTSCAPE.INI";
    EXPECT_EQ(GetPrivateProfileInt("DEMO", "w", 400, path), 400);
    EXPECT_TRUE(WritePrivateProfileString("DEMO", "w", "-5", path));
    EXPECT_TRUE(WritePrivateProfileString("Patterns", "Current", "3", path));
    EXPECT_TRUE(WritePrivateProfileString("demo", "h", "7", path));
    EXPECT_EQ(GetPrivateProfileInt("demo", "W", 400, path), -5);
    EXPECT_EQ(GetPrivateProfileString("PATTERNS", "current", "", path), "3");
    EXPECT_EQ(slurp(path), "[DEMO]\nw=-5\nh=7\n\n[Patterns]\nCurrent=3\n");
}

TEST(Profile, GarbledOrOversizedFilesGiveDefaults)
{
    std::string dir = tempDir();
    std::string garbled = dir + "/garbled.ini";
    {
        std::ofstream out(garbled, std::ios::binary);
        std::string junk = "[DEMO\n\0\0\xff\xfe=\n=\n[[]]\nw";
        out.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    EXPECT_EQ(GetPrivateProfileInt("DEMO", "w", 400, garbled), 400);
    std::string big = dir + "/big.ini";
    {
        std::ofstream out(big, std::ios::binary);
        out << "[DEMO]\nw=1\n";
        out << std::string(ProfileFile::kMaxFileSize, ';');
    }
    EXPECT_EQ(GetPrivateProfileInt("DEMO", "w", 400, big), 400);
    EXPECT_EQ(GetPrivateProfileInt("DEMO", "w", 400, dir), 400); // a folder
}
