// A save that fails, for whatever reason, leaves the file it would have
// replaced byte for byte as it was and leaves nothing else behind: every
// writer (BMP, PCX, GIF, JPEG, depth maps, configuration files) against a
// full disk, a read-only folder, a refused overwrite and a picture the
// format cannot take.

#include "Scratch.h"

#include "app/Configuration.h"
#include "depthmap/TMapDocument.h"
#include "pictrans/TGraphIO.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct Picture {
    std::unique_ptr<platform::Bitmap> bitmap;
    platform::Palette palette;
};

// Noise compresses badly, so every format's file is well over the small
// file system's size.
Picture noisePicture(int w, int h, int depth, std::size_t colours)
{
    Picture p;
    p.bitmap = platform::Bitmap::create(w, h, depth);
    std::mt19937 rng(7);
    const std::uint32_t mask = depth >= 24 ? 0xFFFFFFu : (1u << depth) - 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.bitmap->setPixel(x, y, rng() & mask);
    std::vector<platform::PALETTEENTRY> e(colours);
    for (std::size_t i = 0; i < colours; ++i)
        e[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7), 0};
    p.palette = platform::Palette(e);
    return p;
}

const Picture& picture()
{
    static const Picture p = noisePicture(800, 600, 8, 256);
    return p;
}

struct Saver {
    std::string name;
    std::string fileName;
    bool asks; // asks before it replaces a file
    std::function<bool(const std::string& path, platform::Window* owner)> save;
};

std::function<bool(const std::string&, platform::Window*)> pictureSaver(int format)
{
    return [format](const std::string& path, platform::Window* owner) {
        TGraphIO io(nullptr, owner);
        io.SetGraphicFormat(format);
        const Picture& p = picture();
        return io.Write_File(path, p.bitmap->description(), p.bitmap.get(), &p.palette) != 0;
    };
}

bool saveDepthMap(const std::string& path, platform::Window* owner)
{
    depthmap::TMapDocument doc("map", 800, 600, owner);
    for (int i = 0; i < 3000; ++i)
        doc.AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, i % 700, i % 500, i % 700 + 50, i % 500 + 40,
                                                           depthmap::DepthKind::SquareBox, i % 60));
    const bool ok = doc.WriteFile(path);
    EXPECT_EQ(doc.IsSaved(), ok) << "the map counts as saved exactly when it was";
    return ok;
}

bool saveProfile(const std::string& path, platform::Window*)
{
    platform::ProfileFile profile;
    for (int i = 0; i < 4000; ++i)
        profile.set("Section" + std::to_string(i % 17), "key" + std::to_string(i), "value number " + std::to_string(i));
    return profile.save(path);
}

bool saveConfiguration(const std::string& path, platform::Window*)
{
    app::Configuration config;
    config.demo.w = 777;
    return config.save(path);
}

std::vector<Saver> savers()
{
    return {
        {"bmp", "picture.bmp", true, pictureSaver(GFORMAT_BMP)},
        {"pcx", "picture.pcx", true, pictureSaver(GFORMAT_PCX)},
        {"gif", "picture.gif", true, pictureSaver(GFORMAT_GIF)},
        {"jpeg", "picture.jpg", true, pictureSaver(GFORMAT_JPEG)},
        {"rds", "map.rds", false, saveDepthMap},
        {"ini", "settings.ini", false, saveProfile},
        {"configuration", "DOTSCAPE.INI", false, saveConfiguration},
    };
}

// Fills the rest of the folder's file system, so that the next byte written
// anywhere on it fails.
void fillUp(const fs::path& dir)
{
    std::FILE* f = std::fopen((dir / "filler").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::setvbuf(f, nullptr, _IONBF, 0);
    const Bytes chunk(4096, 0xAB);
    while (std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size()) {
    }
    EXPECT_EQ(errno, ENOSPC);
    std::fclose(f);
}

class FailedSave : public ::testing::TestWithParam<Saver> {};

TEST_P(FailedSave, EveryWriterSavesIntoAnOrdinaryFolder)
{
    // The other cases only mean something if the save itself works.
    const Saver& s = GetParam();
    ScratchDir dir;
    const std::string target = dir.file(s.fileName);
    spit(target, oldContent());
    AnsweringWindow owner(platform::IDYES);
    ASSERT_TRUE(s.save(target, &owner)) << s.name;
    EXPECT_NE(slurp(target), oldContent()) << s.name << " replaced the old file";
    if (s.name != "configuration") {
        EXPECT_GT(slurp(target).size(), 64u * 1024) << s.name << " must not fit the small file system";
    }
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{s.fileName}) << "no temporary left";
    EXPECT_EQ(owner.boxes.size(), s.asks ? 1u : 0u) << "the overwrite question and nothing else";
}

TEST_P(FailedSave, AFullDiskKeepsTheOldFile)
{
    const Saver& s = GetParam();
    ScratchDir dir;
    std::string reason;
    if (!dir.mountSmall(64 * 1024, reason))
        GTEST_SKIP() << reason;
    const std::string target = dir.file(s.fileName);
    spit(target, oldContent());
    fillUp(dir.path());
    AnsweringWindow owner(platform::IDYES);
    EXPECT_FALSE(s.save(target, &owner)) << s.name << " reported a save to a full disk as done";
    EXPECT_EQ(slurp(target), oldContent()) << s.name;
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{s.fileName, "filler"})) << s.name;
}

TEST_P(FailedSave, AFullDiskLeavesNoFileWhereThereWasNone)
{
    // Room for the temporary's first blocks but not for the whole file.
    const Saver& s = GetParam();
    if (s.name == "configuration")
        GTEST_SKIP() << "the configuration file is smaller than a block";
    ScratchDir dir;
    std::string reason;
    if (!dir.mountSmall(64 * 1024, reason))
        GTEST_SKIP() << reason;
    AnsweringWindow owner(platform::IDYES);
    EXPECT_FALSE(s.save(dir.file(s.fileName), &owner)) << s.name;
    EXPECT_TRUE(namesIn(dir.path()).empty()) << s.name << " left " << *namesIn(dir.path()).begin();
}

TEST_P(FailedSave, AReadOnlyFolderKeepsTheOldFile)
{
    const Saver& s = GetParam();
    ScratchDir dir;
    std::string reason;
    if (!dir.mountSmall(1024 * 1024, reason))
        GTEST_SKIP() << reason;
    const std::string target = dir.file(s.fileName);
    spit(target, oldContent());
    ASSERT_TRUE(dir.remountReadOnly());
    AnsweringWindow owner(platform::IDYES);
    EXPECT_FALSE(s.save(target, &owner)) << s.name;
    EXPECT_EQ(slurp(target), oldContent()) << s.name;
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{s.fileName}) << s.name;
}

TEST_P(FailedSave, AFolderThatIsNoFolderFailsWithoutCreatingAnything)
{
    // Works without root: a path below a regular file.
    const Saver& s = GetParam();
    ScratchDir dir;
    spit(dir.file("plain"), oldContent());
    AnsweringWindow owner(platform::IDYES);
    EXPECT_FALSE(s.save(dir.file("plain") + "/" + s.fileName, &owner)) << s.name;
    EXPECT_EQ(slurp(dir.file("plain")), oldContent());
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"plain"});
}

// A name that is a pipe, a device or a folder is refused before anything is
// written and stays what it was; the save never waits on a pipe (opening one
// to look at it would wait for a writer, so an alarm ends a save that hangs).
TEST_P(FailedSave, APipeDeviceOrFolderOfThatNameIsRefusedAtOnce)
{
    const Saver& s = GetParam();
    ScratchDir dir;
    const std::string target = dir.file(s.fileName);
    struct Kind {
        const char* name;
        std::function<bool()> make;
        std::function<bool(const struct stat&)> is;
    };
    const std::vector<Kind> kinds = {
        {"pipe", [&] { return ::mkfifo(target.c_str(), 0644) == 0; }, [](const struct stat& st) { return S_ISFIFO(st.st_mode); }},
        // A second null device, as only root may make one.
        {"device", [&] { return ::mknod(target.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         [](const struct stat& st) { return S_ISCHR(st.st_mode); }},
        {"folder", [&] { return ::mkdir(target.c_str(), 0755) == 0; }, [](const struct stat& st) { return S_ISDIR(st.st_mode); }},
    };
    for (const Kind& kind : kinds) {
        if (!kind.make())
            continue; // no permission to make a device
        AnsweringWindow owner(platform::IDYES);
        ::alarm(30);
        EXPECT_FALSE(s.save(target, &owner)) << s.name << " saved over a " << kind.name;
        ::alarm(0);
        struct stat st{};
        ASSERT_EQ(::lstat(target.c_str(), &st), 0) << s.name << ' ' << kind.name;
        EXPECT_TRUE(kind.is(st)) << s.name << " replaced the " << kind.name;
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{s.fileName}) << s.name << ' ' << kind.name;
        if (s.asks) {
            // Said why, and asked nothing.
            ASSERT_EQ(owner.boxes.size(), 1u) << s.name << ' ' << kind.name;
            EXPECT_NE(owner.boxes[0].find(kind.name == std::string("folder") ? "folder" : "not a regular file"),
                      std::string::npos)
                << owner.boxes[0];
        }
        fs::remove(target);
    }
}

// A symbolic link is followed: the file it points to is replaced (in its own
// folder) and the link stays a link; a link to a file not made yet makes it.
TEST_P(FailedSave, ASymbolicLinkIsFollowedAndKept)
{
    const Saver& s = GetParam();
    ScratchDir dir;
    fs::create_directories(dir.path() / "real");
    const fs::path real = dir.path() / "real" / ("target-" + s.fileName);
    spit(real, oldContent());
    const fs::path link = dir.path() / s.fileName;
    fs::create_symlink("real/target-" + s.fileName, link);
    AnsweringWindow owner(platform::IDYES);
    ASSERT_TRUE(s.save(link.string(), &owner)) << s.name;
    EXPECT_TRUE(fs::is_symlink(link)) << s.name << " replaced the link";
    EXPECT_NE(slurp(real), oldContent()) << s.name << " did not write the link's target";
    EXPECT_EQ(namesIn(dir.path() / "real"), std::set<std::string>{real.filename().string()}) << s.name;
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"real", s.fileName})) << s.name;

    fs::remove(real);
    ASSERT_TRUE(s.save(link.string(), &owner)) << s.name << " through a dangling link";
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_regular_file(real)) << s.name;
}

INSTANTIATE_TEST_SUITE_P(Writers, FailedSave, ::testing::ValuesIn(savers()),
                         [](const ::testing::TestParamInfo<Saver>& p) { return p.param.name; });

TEST(RefusedOverwrite, EveryPictureWriterKeepsTheOldFileWhenTheAnswerIsNo)
{
    for (const Saver& s : savers()) {
        if (!s.asks)
            continue;
        ScratchDir dir;
        const std::string target = dir.file(s.fileName);
        spit(target, oldContent());
        AnsweringWindow owner(platform::IDNO);
        EXPECT_FALSE(s.save(target, &owner)) << s.name;
        ASSERT_EQ(owner.boxes.size(), 1u) << s.name;
        EXPECT_EQ(owner.boxes[0], "Confirm: Overwrite " + target + "?");
        EXPECT_EQ(slurp(target), oldContent()) << s.name;
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{s.fileName}) << s.name;

        // Without anybody to ask, nothing is overwritten either.
        EXPECT_FALSE(s.save(target, nullptr)) << s.name;
        EXPECT_EQ(slurp(target), oldContent()) << s.name;
    }
}

struct BadPicture {
    const char* name;
    int format;
    int depth;
    std::size_t colours;
    bool mismatched; // the description is not that of the bitmap
};

TEST(RefusedPicture, APictureTheFormatCannotTakeKeepsTheOldFile)
{
    const BadPicture cases[] = {
        {"JPEG of 16 colours", GFORMAT_JPEG, 4, 16, false},
        {"JPEG of 2 colours", GFORMAT_JPEG, 1, 2, false},
        {"GIF of true colour", GFORMAT_GIF, 24, 0, false},
        {"PCX of true colour", GFORMAT_PCX, 24, 0, false},
        {"BMP of another bitmap's size", GFORMAT_BMP, 8, 256, true},
        {"JPEG of another bitmap's size", GFORMAT_JPEG, 8, 256, true},
    };
    for (const BadPicture& c : cases) {
        ScratchDir dir;
        const std::string target = dir.file("picture");
        spit(target, oldContent());
        Picture p = noisePicture(64, 48, c.depth, c.colours);
        platform::BITMAP bm = p.bitmap->description();
        if (c.mismatched)
            bm.bmWidth += 5;
        AnsweringWindow owner(platform::IDYES);
        TGraphIO io(nullptr, &owner);
        io.SetGraphicFormat(c.format);
        EXPECT_EQ(io.Write_File(target, bm, p.bitmap.get(), c.colours ? &p.palette : nullptr), 0) << c.name;
        EXPECT_GE(owner.boxes.size(), 2u) << c.name << ": the question, then why it was not written";
        EXPECT_EQ(slurp(target), oldContent()) << c.name;
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"picture"}) << c.name;
    }
}

} // namespace
