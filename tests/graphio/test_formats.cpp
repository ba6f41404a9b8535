// Every format folder of tests/data, held to what other programs say:
// good/ files (made by PIL or netpbm, see each folder's make_*.py) must show
// the colours of NAME.want.png beside them (as decoded by PIL), within the
// folder's tolerance, and keep 16-bit samples where NAME.want16.png holds
// them; malformed/ files must each be refused with exactly the message their
// expected.tsv lists.

#include "ReadPictures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const fs::path kData = DOTSCAPE_TESTDATA_DIR;

struct GoodFolder {
    const char* folder;
    int tolerance; // per channel
    int files;     // at least this many pictures
};

// JPEG decoders may round differently (the IDCT, upsampling, CMYK to RGB);
// everything else must come out exact.
const GoodFolder kGood[] = {
    {"jpeg", 2, 17},
};

bool isWant(const fs::path& p)
{
    const std::string n = p.filename().string();
    return n.find(".want") != std::string::npos;
}

class GoodFiles : public ::testing::TestWithParam<GoodFolder> {};

TEST_P(GoodFiles, ShowWhatAnotherDecoderShows)
{
    const GoodFolder& g = GetParam();
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(kData / g.folder / "good")) {
        const fs::path& file = entry.path();
        if (isWant(file) || file.extension() == ".py")
            continue;
        const fs::path stem = file.parent_path() / file.stem();
        const fs::path want = fs::path(stem.string() + ".want.png");
        if (!fs::exists(want))
            continue;
        ++seen;
        SCOPED_TRACE(file.filename().string());
        const ReadPicture got = readPicture(file.string());
        ASSERT_TRUE(got.ok) << (got.messages.empty() ? "" : got.messages[0]);
        EXPECT_TRUE(got.messages.empty());
        const ReadPicture ref = readPicture(want.string());
        ASSERT_TRUE(ref.ok);
        EXPECT_EQ(got.width, ref.width);
        EXPECT_EQ(got.height, ref.height);
        const int diff = maxDifference(got, ref);
        EXPECT_GE(diff, 0);
        EXPECT_LE(diff, g.tolerance);

        const fs::path want16 = fs::path(stem.string() + ".want16.png");
        if (fs::exists(want16)) {
            const ReadPicture ref16 = readPicture(want16.string());
            ASSERT_TRUE(ref16.grey16 && got.grey16) << "16-bit samples lost";
            EXPECT_EQ(got.grey16->samples, ref16.grey16->samples);
            EXPECT_EQ(got.sourceBits, 16);
        } else {
            EXPECT_FALSE(got.grey16);
            EXPECT_LE(got.sourceBits, 8);
        }
    }
    EXPECT_GE(seen, g.files);
}

INSTANTIATE_TEST_SUITE_P(Formats, GoodFiles, ::testing::ValuesIn(kGood),
                         [](const auto& p) { return std::string(p.param.folder); });

// One walker for every format's malformed corpus.
TEST(MalformedFiles, EachIsRefusedWithItsListedMessage)
{
    int folders = 0;
    for (const auto& format : fs::directory_iterator(kData)) {
        const fs::path dir = format.path() / "malformed";
        if (!fs::exists(dir / "expected.tsv"))
            continue;
        ++folders;
        const auto expected = expectedMessages(dir.string());
        std::size_t walked = 0;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name == "expected.tsv" || name.front() == '.' || entry.path().extension() == ".py" ||
                entry.path().extension() == ".md")
                continue;
            SCOPED_TRACE(format.path().filename().string() + "/" + name);
            ++walked;
            const auto it = expected.find(name);
            ASSERT_NE(it, expected.end()) << "not listed in expected.tsv";
            const ReadPicture got = readPicture(entry.path().string());
            EXPECT_FALSE(got.ok);
            ASSERT_EQ(got.messages.size(), 1u);
            EXPECT_EQ(got.messages[0], it->second);
        }
        EXPECT_EQ(walked, expected.size()) << dir << ": a listed file is missing";
    }
    EXPECT_GE(folders, 5);
}

} // namespace
