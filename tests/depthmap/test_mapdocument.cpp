#include "depthmap/TMapDocument.h"

#include "Recorders.h"
#include "platform/FileIO.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <unistd.h>

using depthmap::DepthKind;
using depthmap::TDepthObj;
using depthmap::TMapDocument;
using platform::Point;
using platform::Rect;
namespace fs = std::filesystem;

namespace {

fs::path freshDir()
{
    auto dir = fs::temp_directory_path() /
               ("dotscape-depthmap-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::vector<std::uint8_t> slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void spit(const fs::path& p, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::unique_ptr<TDepthObj> box(int x1, int y1, int x2, int y2, int level, DepthKind kind = DepthKind::SquareBox)
{
    return std::make_unique<TDepthObj>(nullptr, x1, y1, x2, y2, kind, level);
}

// The stack top to bottom, and a check that the prev links mirror the next links.
std::vector<TDepthObj*> stackOf(const TMapDocument& doc)
{
    std::vector<TDepthObj*> down;
    for (TDepthObj* o = doc.Top(); o; o = o->Next())
        down.push_back(o);
    EXPECT_EQ(doc.Top() ? doc.Top()->Prev() : nullptr, nullptr) << "top has no prev";
    for (std::size_t i = 1; i < down.size(); ++i)
        EXPECT_EQ(down[i]->Prev(), down[i - 1]) << "prev link " << i;
    return down;
}

// Order in which Paint draws the objects, read from their labels.
std::vector<std::string> paintedLabels(const TMapDocument& doc)
{
    RecordingSurface dc;
    doc.Paint(dc);
    std::vector<std::string> labels;
    for (const auto& c : dc.calls)
        if (c.rfind("text ", 0) == 0)
            labels.push_back(c.substr(c.rfind(' ') + 1));
    return labels;
}

std::unique_ptr<TDepthObj> randomObject(std::mt19937& rng, int w, int h)
{
    auto coord = [&](int size) { return static_cast<int>(rng() % static_cast<unsigned>(size + 40)) - 20; };
    const auto kind = static_cast<DepthKind>(rng() % 7);
    auto o = std::make_unique<TDepthObj>(nullptr, coord(w), coord(h), coord(w), coord(h), kind,
                                         static_cast<int>(rng() % 256));
    if (kind == DepthKind::Polygon) {
        std::vector<Point> pts(rng() % 12);
        for (Point& p : pts)
            p = {coord(w), coord(h)};
        o->SetVertices(pts);
    }
    return o;
}

} // namespace

TEST(MapDocument, ANewMapHasItsBackgroundAndStartsUnsaved)
{
    TMapDocument doc("Untitled", 400, 300);
    EXPECT_EQ(doc.Width(), 400);
    EXPECT_EQ(doc.Height(), 300);
    EXPECT_EQ(doc.ObjectCount(), 1);
    TDepthObj* bg = doc.Background();
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg, doc.Top());
    EXPECT_EQ(bg->GetKind(), DepthKind::SquareBox);
    EXPECT_EQ(bg->GetCorners(), (Rect{0, 0, 400, 300}));
    EXPECT_EQ(bg->GetLevel(), 0);
    EXPECT_FALSE(doc.IsSaved());
    EXPECT_EQ(doc.FileName(), "untitled");
    EXPECT_EQ(doc.CurrentTool(), depthmap::kSelectTool);
    EXPECT_EQ(doc.CurrentLevel(), 0);
    EXPECT_EQ(doc.Selected(), nullptr);
    EXPECT_EQ(doc.HitTest(399, 299), bg) << "a click on an empty part hits the background";
}

TEST(MapDocument, SizesOutsideTheUsableRangeAreClamped)
{
    TMapDocument zero("z", 0, -5);
    EXPECT_EQ(zero.Width(), 1);
    EXPECT_EQ(zero.Height(), 1);
    ASSERT_NE(zero.Background(), nullptr);
    EXPECT_EQ(zero.Background()->GetCorners(), (Rect{0, 0, 1, 1}));
    EXPECT_EQ(zero.LevelAt(0, 0), 0);
    TMapDocument huge("h", 1 << 30, 20);
    EXPECT_EQ(huge.Width(), TMapDocument::kMaxSide);
    EXPECT_EQ(huge.Height(), 20);
}

TEST(MapDocument, MapInformationAndImageSize)
{
    TMapDocument doc("m", 400, 400);
    const platform::BITMAP bm = doc.GetMapInfo();
    EXPECT_EQ(bm.bmWidth, 400);
    EXPECT_EQ(bm.bmHeight, 400);
    EXPECT_EQ(bm.bmBitsPixel, 8);
    EXPECT_EQ(doc.ImageSize(), 160000);
    EXPECT_EQ(doc.ImageSize() / 1000, 160);
    // Rows are padded to 4 bytes.
    TMapDocument odd("o", 401, 3);
    EXPECT_EQ(odd.ImageSize(), 404 * 3);
}

TEST(MapDocumentStack, RaisingAndLoweringReorderDrawingAndLevels)
{
    RecordingView view;
    TMapDocument doc("s", 100, 100, nullptr, nullptr, &view);
    // R, Q and P overlap at (50, 50); Q and R alone at (20, 20).
    doc.AddOnTop(box(10, 10, 60, 60, 30));  // R
    doc.AddOnTop(box(15, 15, 60, 60, 20));  // Q
    doc.AddOnTop(box(40, 40, 60, 60, 10));  // P
    auto s = stackOf(doc);
    ASSERT_EQ(s.size(), 4u);
    TDepthObj *P = s[0], *Q = s[1], *R = s[2], *bg = s[3];
    EXPECT_EQ(doc.LevelAt(50, 50), 10);
    EXPECT_EQ(doc.LevelAt(20, 20), 20);
    EXPECT_EQ(doc.LevelAt(12, 12), 30);
    EXPECT_EQ(doc.LevelAt(90, 90), 0);

    doc.Select(R);
    doc.RaiseSelected();
    EXPECT_EQ(stackOf(doc), (std::vector<TDepthObj*>{P, R, Q, bg}));
    EXPECT_EQ(paintedLabels(doc), (std::vector<std::string>{"0", "20", "30", "10"})) << "bottom to top";
    EXPECT_EQ(doc.LevelAt(20, 20), 30);
    EXPECT_EQ(doc.LevelAt(50, 50), 10);
    EXPECT_FALSE(doc.IsSaved());

    doc.RaiseSelected(); // R reaches the top
    EXPECT_EQ(stackOf(doc), (std::vector<TDepthObj*>{R, P, Q, bg}));
    EXPECT_EQ(doc.Top(), R);
    EXPECT_EQ(doc.LevelAt(50, 50), 30);
    doc.RaiseSelected(); // already the top: nothing
    EXPECT_EQ(stackOf(doc), (std::vector<TDepthObj*>{R, P, Q, bg}));

    doc.LowerSelected(); // from the top: P becomes the top
    EXPECT_EQ(stackOf(doc), (std::vector<TDepthObj*>{P, R, Q, bg}));
    EXPECT_EQ(doc.Top(), P);
    doc.LowerSelected();
    EXPECT_EQ(stackOf(doc), (std::vector<TDepthObj*>{P, Q, R, bg}));
    doc.LowerSelected(); // nothing may go beneath the background
    EXPECT_EQ(stackOf(doc), (std::vector<TDepthObj*>{P, Q, R, bg}));
    EXPECT_EQ(doc.Background(), bg);
}

TEST(MapDocumentStack, TheBackgroundStaysAtTheBottom)
{
    TMapDocument doc("s", 50, 50);
    doc.AddOnTop(box(0, 0, 10, 10, 5));
    TDepthObj* bg = doc.Background();
    doc.Select(bg);
    doc.RaiseSelected();
    doc.LowerSelected();
    doc.DeleteSelected();
    EXPECT_EQ(doc.ObjectCount(), 2);
    EXPECT_EQ(doc.Background(), bg);
    EXPECT_EQ(doc.Selected(), bg) << "a refused delete keeps the selection";
    // With nothing selected the commands do nothing.
    doc.Select(nullptr);
    doc.RaiseSelected();
    doc.LowerSelected();
    doc.DeleteSelected();
    EXPECT_EQ(doc.ObjectCount(), 2);
}

TEST(MapDocumentStack, DeletingJoinsTheNeighbours)
{
    RecordingView view;
    TMapDocument doc("s", 50, 50, nullptr, nullptr, &view);
    doc.AddOnTop(box(0, 0, 10, 10, 1));
    doc.AddOnTop(box(0, 0, 10, 10, 2));
    doc.AddOnTop(box(0, 0, 10, 10, 3));
    auto s = stackOf(doc);
    doc.Select(s[1]);
    doc.DeleteSelected();
    EXPECT_EQ(stackOf(doc), (std::vector<TDepthObj*>{s[0], s[2], s[3]}));
    EXPECT_EQ(doc.Selected(), nullptr);
    EXPECT_EQ(doc.LevelAt(5, 5), 3);
    doc.Select(s[0]);
    doc.DeleteSelected();
    EXPECT_EQ(doc.Top(), s[2]) << "deleting the top makes the next one the top";
    EXPECT_EQ(stackOf(doc), (std::vector<TDepthObj*>{s[2], s[3]}));
    EXPECT_EQ(doc.LevelAt(5, 5), 1);
}

TEST(MapDocumentStack, SelectingRepaintsOldAndNewSelection)
{
    RecordingView view;
    TMapDocument doc("s", 50, 50, nullptr, nullptr, &view);
    doc.AddOnTop(box(1, 2, 11, 12, 1));
    TDepthObj* a = doc.Top();
    doc.AddOnTop(box(20, 20, 30, 30, 1));
    TDepthObj* b = doc.Top();
    doc.Select(a);
    view.calls.clear();
    doc.Select(b);
    const std::vector<std::string> expected = {"region 1 2 11 12 erase", "rect -3 -2 15 16 erase", "update",
                                               "region 20 20 30 30 erase", "rect 16 16 34 34 erase", "update"};
    EXPECT_EQ(view.calls, expected);
    RecordingSurface dc;
    doc.Paint(dc);
    EXPECT_EQ(std::count_if(dc.calls.begin(), dc.calls.end(), [](const std::string& c) { return c.rfind("black", 0) == 0; }), 4)
        << "handles only around the selection";
}

TEST(MapDocumentStack, MovingTheBackgroundUncoversLevelZero)
{
    TMapDocument doc("s", 100, 100);
    doc.Background()->SetLevel(50);
    EXPECT_EQ(doc.LevelAt(5, 5), 50);
    doc.Background()->MoveTo({30, 30, 130, 130});
    EXPECT_EQ(doc.LevelAt(5, 5), 0);
    EXPECT_EQ(doc.LevelAt(40, 40), 50);
    EXPECT_EQ(doc.HitTest(5, 5), nullptr);
}

TEST(MapDocumentName, TheNameIsTheLowerCaseFilePart)
{
    TMapDocument doc("x", 10, 10);
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\MAPS\\TEST.RDS", "test.rds"},
        {"/home/user/Maps/Valley.RDS", "valley.rds"},
        {"maps/old\\Mixed.Rds", "mixed.rds"},
        {"Plain.RDS", "plain.rds"},
        {"\\Root.RDS", "\\root.rds"}, // a leading backslash is not a separator
        {"/Root.rds", "root.rds"},
        {"dir/", ""},
    };
    for (const auto& c : cases) {
        doc.SetFileName(c.path);
        EXPECT_EQ(doc.FileName(), c.name) << c.path;
    }
    doc.SetFileName("/tmp/" + std::string(60, 'A') + ".rds");
    EXPECT_EQ(doc.FileName(), std::string(49, 'a'));
    // Cut by characters: a two-byte letter is never split.
    std::string accented;
    for (int i = 0; i < 60; ++i)
        accented += "\xC3\x89"; // É, kept as it is (only ASCII letters are lowered)
    doc.SetFileName(accented);
    EXPECT_EQ(doc.FileName().size(), 98u);
    EXPECT_EQ(doc.FileName().substr(0, 2), "\xC3\x89");
}

TEST(MapDocumentFile, WriteStoresTheExactLayout)
{
    TMapDocument doc("m", 40, 30);
    doc.AddOnTop(box(1, 2, 3, 4, 9, DepthKind::Circle));
    const std::vector<std::uint8_t> expected = {
        'D', 'E', 'P', 'T', 'H', 'M', 'A', 'P', 0, 0, 0, 0, 0, 0, 0, 0, // magic and zero padding
        1,                                                            // version
        2, 0, 0, 0,                                                   // two objects
        6, 0, 0, 0, 9, 0, 0, 0,                                       // circle, level 9
        1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0,               // its corners
        3, 0, 0, 0, 0, 0, 0, 0,                                       // background box, level 0
        0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 30, 0, 0, 0,             // (0, 0) - (40, 30)
    };
    EXPECT_EQ(doc.Serialise(), expected);
    auto dir = freshDir();
    ASSERT_TRUE(doc.WriteFile((dir / "Out.RDS").string()));
    EXPECT_EQ(slurp(dir / "Out.RDS"), expected);
    EXPECT_TRUE(doc.IsSaved());
    EXPECT_EQ(doc.FileName(), "out.rds");
}

TEST(MapDocumentFile, WriteThenReadGivesTheSameMap)
{
    std::mt19937 rng(2024);
    auto dir = freshDir();
    for (int round = 0; round < 20; ++round) {
        TMapDocument doc("m", 50 + static_cast<int>(rng() % 200), 50 + static_cast<int>(rng() % 200));
        for (int i = 0, n = static_cast<int>(rng() % 30); i < n; ++i)
            doc.AddOnTop(randomObject(rng, doc.Width(), doc.Height()));
        const auto path = (dir / "map.rds").string();
        ASSERT_TRUE(doc.WriteFile(path));

        RecordingWindow win;
        TMapDocument back("map.rds", 400, 400, &win);
        ASSERT_TRUE(back.ReadFile(path));
        EXPECT_TRUE(win.boxes.empty());
        EXPECT_TRUE(back.IsSaved());
        EXPECT_EQ(back.Width(), doc.Width());
        EXPECT_EQ(back.Height(), doc.Height());
        EXPECT_EQ(back.ObjectCount(), doc.ObjectCount());
        EXPECT_EQ(back.Serialise(), doc.Serialise());
        EXPECT_EQ(back.Describe(), doc.Describe());
        EXPECT_EQ(back.Rasterise().levels, doc.Rasterise().levels);
    }
}

TEST(MapDocumentFile, TheMagicIsComparedAsAZeroTerminatedString)
{
    RecordingWindow win;
    TMapDocument doc("m", 400, 400, &win);
    std::vector<std::uint8_t> bytes = slurp(fs::path(DOTSCAPE_TESTDATA_DIR) / "rds" / "junk-after-magic-zero.rds");
    ASSERT_GT(bytes.size(), 16u);
    EXPECT_TRUE(doc.ReadBytes(bytes)) << "anything may follow the zero";
    EXPECT_TRUE(win.boxes.empty());
    EXPECT_EQ(doc.Width(), 400);
    EXPECT_EQ(doc.Height(), 300);

    bytes[8] = 'S'; // "DEPTHMAPS" before the zero
    TMapDocument other("m", 400, 400, &win);
    EXPECT_FALSE(other.ReadBytes(bytes));
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(win.boxes[0].text, "Invalid Depth Map file");
    EXPECT_EQ(win.boxes[0].caption, "Error");
    EXPECT_EQ(win.boxes[0].style & platform::MB_ICONMASK, platform::MB_ICONSTOP);
}

TEST(MapDocumentFile, TheSizeComesFromTheLastRecord)
{
    TMapDocument doc("m", 400, 400);
    ASSERT_TRUE(doc.ReadFile((fs::path(DOTSCAPE_TESTDATA_DIR) / "rds" / "moved-background.rds").string()));
    // The background was moved to (30, 20) - (430, 320); the circle reaches beyond.
    EXPECT_EQ(doc.Width(), 400);
    EXPECT_EQ(doc.Height(), 300);
    EXPECT_EQ(doc.Background()->GetCorners(), (Rect{30, 20, 430, 320}));
    EXPECT_EQ(doc.Top()->GetCorners(), (Rect{-50, -50, 500, 500}));
    EXPECT_EQ(doc.LevelAt(0, 0), 0) << "corner outside the circle and the moved background";
    EXPECT_EQ(doc.LevelAt(250, 250), 9);
    // Saving keeps the moved background where it is.
    TMapDocument again("m", 400, 400);
    ASSERT_TRUE(again.ReadBytes(doc.Serialise()));
    EXPECT_EQ(again.Background()->GetCorners(), (Rect{30, 20, 430, 320}));
}

TEST(MapDocumentFile, EveryMalformedFileIsRefusedAndTheMapKept)
{
    const fs::path folder = fs::path(DOTSCAPE_TESTDATA_DIR) / "rds" / "malformed";
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".rds")
            continue;
        ++seen;
        const std::string name = entry.path().filename().string();
        RecordingWindow win;
        TMapDocument doc("m", 123, 45, &win);
        doc.AddOnTop(box(1, 1, 20, 20, 7));
        const auto before = doc.Serialise();
        EXPECT_FALSE(doc.ReadFile(entry.path().string())) << name;
        ASSERT_EQ(win.boxes.size(), 1u) << name;
        EXPECT_EQ(win.boxes[0].text, "Invalid Depth Map file") << name;
        EXPECT_EQ(win.boxes[0].caption, "Error") << name;
        EXPECT_EQ(win.boxes[0].style, platform::MB_OK | platform::MB_ICONSTOP) << name;
        EXPECT_EQ(doc.Serialise(), before) << name << ": the map must stay as it was";
        EXPECT_EQ(doc.Width(), 123) << name;
        EXPECT_EQ(doc.Height(), 45) << name;
        EXPECT_FALSE(doc.IsSaved()) << name;
        // The provisional map is closed without offering to save it over the file.
        EXPECT_TRUE(doc.CanClose()) << name;
        EXPECT_EQ(win.boxes.size(), 1u) << name;
    }
    EXPECT_GE(seen, 20);
}

TEST(MapDocumentFile, AMissingFileFailsSilently)
{
    RecordingWindow win;
    TMapDocument doc("m", 10, 10, &win);
    EXPECT_FALSE(doc.ReadFile("/nonexistent/dir/map.rds"));
    EXPECT_TRUE(win.boxes.empty());
    EXPECT_EQ(doc.ObjectCount(), 1);
}

TEST(MapDocumentFile, AFailedWriteKeepsWhatWasThereButTakesTheName)
{
    auto dir = freshDir();
    TMapDocument doc("m", 10, 10);
    // A folder that does not exist: the file cannot be created.
    EXPECT_FALSE(doc.WriteFile((dir / "missing" / "First.rds").string()));
    EXPECT_FALSE(doc.IsSaved());
    EXPECT_EQ(doc.FileName(), "first.rds");

    // A target that cannot be replaced (here a folder with a file in it): the
    // write fails at the end and leaves the target and the folder as they were.
    const fs::path target = dir / "Keep.rds";
    fs::create_directories(target);
    spit(target / "inside", {'o', 'l', 'd'});
    EXPECT_FALSE(doc.WriteFile(target.string()));
    EXPECT_FALSE(doc.IsSaved());
    EXPECT_EQ(doc.FileName(), "keep.rds");
    EXPECT_EQ(slurp(target / "inside"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no partial file";

    // Writing over an existing map replaces it whole.
    const fs::path file = dir / "map.rds";
    spit(file, {'o', 'l', 'd'});
    ASSERT_TRUE(doc.WriteFile(file.string()));
    EXPECT_EQ(slurp(file), doc.Serialise());
}

TEST(MapDocumentClose, TheSaveQuestion)
{
    RecordingWindow win, frame;
    TMapDocument doc("Plan.rds", 10, 10, &win, &frame);
    auto dir = freshDir();
    // A new, untouched map still asks.
    win.answer = platform::IDCANCEL;
    EXPECT_FALSE(doc.CanClose());
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(win.boxes[0].text, "Save plan.rds before closing?");
    EXPECT_EQ(win.boxes[0].caption, "Confirm");
    EXPECT_EQ(win.boxes[0].style, platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
    EXPECT_TRUE(frame.messages.empty()) << "cancel sends nothing";

    // Yes asks the frame to save this window; the close goes ahead once saved.
    win.answer = platform::IDYES;
    frame.onMessage = [&](unsigned msg, std::uintptr_t w) {
        if (msg == platform::WM_SAVEREQUEST && w == reinterpret_cast<std::uintptr_t>(&win))
            doc.WriteFile((dir / "plan.rds").string());
    };
    EXPECT_TRUE(doc.CanClose());
    ASSERT_EQ(frame.messages.size(), 2u);
    EXPECT_EQ(frame.messages[0].message, platform::WM_SAVEREQUEST);
    EXPECT_EQ(frame.messages[0].wParam, reinterpret_cast<std::uintptr_t>(&win));
    EXPECT_EQ(frame.messages[1].message, platform::WM_STATUSREFRESH);
    EXPECT_TRUE(fs::exists(dir / "plan.rds"));

    // Saved: closes at once without asking.
    win.boxes.clear();
    frame.messages.clear();
    EXPECT_TRUE(doc.CanClose());
    EXPECT_TRUE(win.boxes.empty());
    ASSERT_EQ(frame.messages.size(), 1u);
    EXPECT_EQ(frame.messages[0].message, platform::WM_STATUSREFRESH);

    // A change asks again; No closes without saving.
    doc.AddOnTop(box(0, 0, 5, 5, 1));
    win.answer = platform::IDNO;
    frame.messages.clear();
    EXPECT_TRUE(doc.CanClose());
    EXPECT_EQ(win.boxes.size(), 1u);
    ASSERT_EQ(frame.messages.size(), 1u);
    EXPECT_EQ(frame.messages[0].message, platform::WM_STATUSREFRESH);
}

TEST(MapDocumentClose, YesWithoutASuccessfulSaveKeepsTheMapOpen)
{
    RecordingWindow win, frame;
    win.answer = platform::IDYES;
    TMapDocument framed("m", 10, 10, &win, &frame); // the frame's save is cancelled
    EXPECT_FALSE(framed.CanClose());
    EXPECT_EQ(frame.messages.size(), 1u) << "the save request, but no status refresh";
    TMapDocument orphan("m", 10, 10, &win, nullptr); // no frame to save through
    EXPECT_FALSE(orphan.CanClose());
}

TEST(MapDocumentLevels, RowsAndRasterEqualTheHitTestOnRandomMaps)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 25; ++round) {
        const int w = 1 + static_cast<int>(rng() % 120), h = 1 + static_cast<int>(rng() % 90);
        TMapDocument doc("r", w, h);
        doc.Background()->SetLevel(static_cast<int>(rng() % 5));
        if (rng() % 3 == 0)
            doc.Background()->MoveTo({7, -3, w + 7, h - 3});
        for (int i = 0, n = static_cast<int>(rng() % 60); i < n; ++i)
            doc.AddOnTop(randomObject(rng, w, h));
        const depthmap::LevelRaster raster = doc.Rasterise();
        ASSERT_EQ(raster.width, w);
        ASSERT_EQ(raster.height, h);
        std::vector<std::int32_t> row(static_cast<std::size_t>(w) + 13);
        for (int y = 0; y < h; ++y) {
            std::fill(row.begin(), row.end(), -99);
            doc.LevelRow(y, row.data(), static_cast<std::int32_t>(row.size()));
            for (int x = 0; x < w; ++x) {
                const std::int32_t expected = doc.LevelAt(x, y);
                ASSERT_EQ(row[static_cast<std::size_t>(x)], expected) << "round " << round << " pixel " << x << "," << y;
                ASSERT_EQ(raster.at(x, y), expected);
            }
            for (std::size_t x = static_cast<std::size_t>(w); x < row.size(); ++x)
                ASSERT_EQ(row[x], 0) << "columns beyond the map are padding";
        }
    }
}

TEST(MapDocumentLevels, RowQueriesOutsideTheMapGiveZero)
{
    TMapDocument doc("r", 20, 10);
    doc.Background()->SetLevel(9);
    std::vector<std::int32_t> row(5, -1);
    doc.LevelRow(-1, row.data(), 5);
    EXPECT_EQ(row, std::vector<std::int32_t>(5, 0));
    std::fill(row.begin(), row.end(), -1);
    doc.LevelRow(10, row.data(), 5);
    EXPECT_EQ(row, std::vector<std::int32_t>(5, 0));
    doc.LevelRow(3, row.data(), 5); // fewer columns than the map: just those
    EXPECT_EQ(row, std::vector<std::int32_t>(5, 9));
    doc.LevelRow(3, row.data(), 0); // nothing asked, nothing written
}

TEST(MapDocument, DescribeListsTheObjectsTopFirst)
{
    TMapDocument doc("d", 400, 300);
    doc.AddOnTop(box(10, 20, 30, 40, 7, DepthKind::RoundBox));
    auto poly = std::make_unique<TDepthObj>(nullptr, 0, 0, 0, 0, DepthKind::Polygon, 200);
    const Point pts[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 5}};
    poly->SetVertices(pts);
    doc.AddOnTop(std::move(poly));
    const auto lines = doc.Describe();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find("400 x 300"), std::string::npos);
    EXPECT_NE(lines[0].find("3 objects"), std::string::npos);
    EXPECT_NE(lines[1].find("Polygon"), std::string::npos);
    EXPECT_NE(lines[1].find("200"), std::string::npos);
    EXPECT_NE(lines[1].find("5 vertices"), std::string::npos);
    EXPECT_NE(lines[2].find("RoundBox"), std::string::npos);
    EXPECT_NE(lines[2].find("(10, 20)-(30, 40)"), std::string::npos);
    EXPECT_NE(lines[3].find("SquareBox"), std::string::npos);
    EXPECT_NE(lines[3].find("background"), std::string::npos);
}
