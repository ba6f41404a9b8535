// The external image corpus: every file its manifest lists is read through
// the facade and held to the manifest's verdict. "decode" files must give
// exactly the listed index and colour dumps, "refuse" files must be refused
// with a message (and nothing worse), and "either" files may be refused or
// must decode to the listed size and dumps.

#include "RecordingWindow.h"
#include "Sha256.h"
#include "pictrans/TGraphIO.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kCorpus = DOTSCAPE_SHARED_IMAGES_DIR;

struct ManifestRow {
    std::string file;
    std::string format;
    std::string expected;
    std::string dumpRegion;
    std::string indexSha;
    std::string rgbSha;
    std::vector<std::string> altRgbSha;
    std::string note;
};

// Shown by the test runner in place of the record's bytes.
void PrintTo(const ManifestRow& row, std::ostream* os)
{
    *os << row.file << " (" << row.expected << ")";
}

std::vector<std::string> split(const std::string& line, char sep)
{
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, sep))
        out.push_back(field);
    if (!line.empty() && line.back() == sep)
        out.emplace_back();
    return out;
}

std::vector<ManifestRow> loadManifest()
{
    std::vector<ManifestRow> rows;
    std::ifstream in(kCorpus + "/manifest.tsv");
    std::string line;
    std::vector<std::string> header;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        auto fields = split(line, '\t');
        if (header.empty()) {
            header = fields;
            continue;
        }
        auto col = [&](const char* name) -> std::string {
            auto it = std::find(header.begin(), header.end(), name);
            if (it == header.end())
                return {};
            std::size_t i = static_cast<std::size_t>(it - header.begin());
            return i < fields.size() ? fields[i] : std::string();
        };
        ManifestRow r;
        r.file = col("file");
        r.format = col("format");
        r.expected = col("expected");
        r.dumpRegion = col("dump_region");
        r.indexSha = col("index_sha256");
        r.rgbSha = col("rgb_sha256");
        for (auto& alt : split(col("alt_rgb_sha256"), ','))
            if (!alt.empty())
                r.altRgbSha.push_back(alt);
        r.note = col("note");
        rows.push_back(r);
    }
    return rows;
}

// "full 127x64" or "frame0 0,0,100x100": the width and height of the dump.
bool regionSize(const std::string& region, int& w, int& h)
{
    auto x = region.rfind('x');
    if (x == std::string::npos)
        return false;
    auto start = region.find_last_of(" ,", x);
    start = start == std::string::npos ? 0 : start + 1;
    try {
        w = std::stoi(region.substr(start, x - start));
        h = std::stoi(region.substr(x + 1));
    } catch (...) {
        return false;
    }
    return true;
}

std::vector<std::uint8_t> indexDump(const platform::Bitmap& bmp)
{
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(bmp.width()) * bmp.height());
    for (int y = bmp.height() - 1; y >= 0; --y)
        for (int x = 0; x < bmp.width(); ++x)
            out.push_back(static_cast<std::uint8_t>(bmp.pixel(x, y)));
    return out;
}

// Indices outside the palette show as black.
std::vector<std::uint8_t> rgbDump(const platform::Bitmap& bmp, const platform::Palette* pal)
{
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(bmp.width()) * bmp.height() * 3);
    for (int y = bmp.height() - 1; y >= 0; --y) {
        for (int x = 0; x < bmp.width(); ++x) {
            const std::uint32_t v = bmp.pixel(x, y);
            std::uint8_t r = 0, g = 0, b = 0;
            if (bmp.bitsPerPixel() == 24) {
                r = static_cast<std::uint8_t>(v >> 16);
                g = static_cast<std::uint8_t>(v >> 8);
                b = static_cast<std::uint8_t>(v);
            } else if (pal && v < pal->size()) {
                r = (*pal)[v].peRed;
                g = (*pal)[v].peGreen;
                b = (*pal)[v].peBlue;
            }
            out.insert(out.end(), {r, g, b});
        }
    }
    return out;
}

std::string firstDifference(const std::vector<std::uint8_t>& got, const std::vector<std::uint8_t>& want, int width,
                            int bytesPerPixel)
{
    if (got.size() != want.size())
        return "dump sizes differ: " + std::to_string(got.size()) + " vs " + std::to_string(want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] != want[i]) {
            const std::size_t pixel = i / static_cast<std::size_t>(bytesPerPixel);
            std::ostringstream s;
            s << "first difference at pixel (" << pixel % static_cast<std::size_t>(width) << ", "
              << pixel / static_cast<std::size_t>(width) << " from the top): got";
            for (int k = 0; k < bytesPerPixel; ++k)
                s << ' ' << int(got[pixel * bytesPerPixel + k]);
            s << ", want";
            for (int k = 0; k < bytesPerPixel; ++k)
                s << ' ' << int(want[pixel * bytesPerPixel + k]);
            return s.str();
        }
    }
    return "equal";
}

std::string expectedDumpPath(const ManifestRow& row, const char* ext)
{
    std::filesystem::path p(row.file);
    return kCorpus + "/" + row.format + "/expected/" + p.filename().string() + ext;
}

class ExternalImage : public ::testing::TestWithParam<ManifestRow> {};

TEST_P(ExternalImage, MeetsManifestVerdict)
{
    const ManifestRow& row = GetParam();
    const std::string path = kCorpus + "/" + row.file;
    ASSERT_TRUE(platform::fileExists(path)) << path;
    SCOPED_TRACE(row.file + " (" + row.expected + "): " + row.note.substr(0, 120));

    RecordingWindow owner, status;
    TGraphIO io(&status, &owner);
    auto bitmap = io.Read_File(path);
    auto palette = io.GetPalette();

    if (!bitmap) {
        EXPECT_NE(row.expected, "decode") << "refused: " << (owner.boxes.empty() ? "(no message)" : owner.boxes[0].text);
        EXPECT_FALSE(owner.boxes.empty()) << "refused without telling the user";
        return;
    }
    ASSERT_NE(row.expected, "refuse") << "decoded a file that must be refused ("
                                      << bitmap->width() << "x" << bitmap->height() << ")";
    int w = 0, h = 0;
    ASSERT_TRUE(regionSize(row.dumpRegion, w, h) || row.expected == "either")
        << "manifest gives no size: " << row.dumpRegion;
    if (row.dumpRegion.empty()) {
        // Nothing to compare against beyond having come through in one piece.
        return;
    }
    ASSERT_EQ(bitmap->width(), w);
    ASSERT_EQ(bitmap->height(), h);

    const auto idxPath = expectedDumpPath(row, ".idx");
    if (!row.indexSha.empty() && bitmap->bitsPerPixel() <= 8 && platform::fileExists(idxPath)) {
        auto want = platform::readWholeFile(idxPath);
        ASSERT_TRUE(want);
        auto got = indexDump(*bitmap);
        EXPECT_TRUE(got == *want) << "index dump: " << firstDifference(got, *want, w, 1);
    }
    if (!row.rgbSha.empty()) {
        auto got = rgbDump(*bitmap, palette.get());
        const std::string hash = sha256Hex(got);
        const bool matches = hash == row.rgbSha ||
                             std::find(row.altRgbSha.begin(), row.altRgbSha.end(), hash) != row.altRgbSha.end();
        if (!matches) {
            auto want = platform::readWholeFile(expectedDumpPath(row, ".rgb"));
            ADD_FAILURE() << "colour dump hash " << hash << " matches none listed; "
                          << (want ? firstDifference(got, *want, w, 3) : std::string("no .rgb dump to compare"));
        }
    }
}

std::string rowName(const ::testing::TestParamInfo<ManifestRow>& info)
{
    std::string name = info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, ExternalImage, ::testing::ValuesIn(loadManifest()), rowName);

TEST(ExternalImageManifest, ListsAllThreeFormats)
{
    auto rows = loadManifest();
    for (const char* format : {"bmp", "gif", "pcx"}) {
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const ManifestRow& r) { return r.format == format; }))
            << "no " << format << " rows: is " << kCorpus << " in place?";
    }
}

TEST(ExternalImageManifest, HashHelperKnownAnswer)
{
    const std::string abc = "abc";
    EXPECT_EQ(sha256Hex({abc.begin(), abc.end()}),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

} // namespace
