// The live preview's worker (one job at a time, the newest wins) and the
// preview of a map snapshot against the full stereogram of the same map.

#include "engine/LatestJobRunner.h"
#include "engine/Preview.h"

#include "depthmap/TDepthObj.h"
#include "depthmap/TMapDocument.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace engine;

namespace {

// Waits (bounded, so a fault fails the test instead of hanging it) until pred holds.
template <class Pred>
bool eventually(Pred pred)
{
    for (int i = 0; i < 5000 && !pred(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return pred();
}

platform::Palette testPalette()
{
    std::vector<platform::PALETTEENTRY> e(16);
    for (int i = 0; i < 16; ++i)
        e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(255 - i * 9),
                                          static_cast<std::uint8_t>(i * 5), 0};
    return platform::Palette(e);
}

std::unique_ptr<platform::Bitmap> testTile()
{
    auto tile = platform::Bitmap::create(41, 29, 8);
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 41; ++x)
            tile->setPixel(x, y, static_cast<std::uint32_t>((x * 5 + y * 11) % 15 + 1));
    return tile;
}

// The map as the editor holds it, read by the driver directly.
class DocumentSource final : public DepthMapSource {
public:
    explicit DocumentSource(const depthmap::TMapDocument& doc) : doc_(doc) {}
    std::int32_t width() const override { return doc_.Width(); }
    std::int32_t height() const override { return doc_.Height(); }
    void levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const override { doc_.LevelRow(y, out, n); }

private:
    const depthmap::TMapDocument& doc_;
};

class PlainHost final : public GenerationHost {
public:
    PlainHost(const platform::Bitmap* tile, const platform::Palette* palette) : tile_(tile), palette_(palette) {}
    void progress(int, const ProgressRecord&) override {}
    PatternRef pattern() override { return {tile_, palette_}; }
    bool pumpMessages() override { return false; }
    void drawText(platform::Bitmap&, const platform::Palette&, int, int, std::string_view, Rgb) override {}
    void showError(std::string_view) override {}

private:
    const platform::Bitmap* tile_;
    const platform::Palette* palette_;
};

std::unique_ptr<depthmap::TMapDocument> sceneMap()
{
    auto doc = std::make_unique<depthmap::TMapDocument>("scene.rds", 260, 180);
    using depthmap::DepthKind;
    doc->AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, 20, 30, 140, 150, DepthKind::SquareBox, 90));
    doc->AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, 100, 60, 230, 170, DepthKind::Circle, 200));
    doc->AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, 60, 10, 200, 80, DepthKind::RoundBox, 40));
    return doc;
}

} // namespace

TEST(LatestJobRunner, RunsOneJobAtATimeAndAlwaysTheNewest)
{
    std::atomic<int> active{0};
    std::atomic<int> mostActive{0};
    std::mutex ranMutex;
    std::vector<int> ran;
    {
        LatestJobRunner runner;
        for (int id = 0; id < 300; ++id) {
            runner.submit([&, id](const std::atomic<bool>& superseded) {
                const int now = ++active;
                int seen = mostActive.load();
                while (now > seen && !mostActive.compare_exchange_weak(seen, now)) {
                }
                // Some work that a newer job cuts short.
                for (int spin = 0; spin < 20000 && !superseded.load(); ++spin)
                    std::this_thread::yield();
                {
                    std::lock_guard lock(ranMutex);
                    ran.push_back(id);
                }
                --active;
            });
        }
        runner.waitIdle();
        EXPECT_EQ(runner.started(), ran.size());
    }
    EXPECT_EQ(mostActive.load(), 1) << "two jobs ran at once";
    ASSERT_FALSE(ran.empty());
    EXPECT_EQ(ran.back(), 299) << "the newest job must run";
    for (std::size_t i = 1; i < ran.size(); ++i)
        EXPECT_LT(ran[i - 1], ran[i]) << "an older job ran after a newer one";
}

TEST(LatestJobRunner, JobsThatWaitAreReplacedNotQueued)
{
    std::atomic<bool> release{false};
    std::atomic<bool> blockerStarted{false};
    std::vector<int> ran;
    LatestJobRunner runner;
    runner.submit([&](const std::atomic<bool>&) {
        blockerStarted = true;
        eventually([&] { return release.load(); });
        ran.push_back(0);
    });
    ASSERT_TRUE(eventually([&] { return blockerStarted.load(); }));
    for (int id = 1; id <= 3; ++id)
        runner.submit([&, id](const std::atomic<bool>&) { ran.push_back(id); });
    release = true;
    runner.waitIdle();
    EXPECT_EQ(ran, (std::vector<int>{0, 3}));
    EXPECT_EQ(runner.started(), 2u);
}

TEST(LatestJobRunner, TellsTheRunningJobWhenANewerOneWaitsAndWhenItCloses)
{
    std::atomic<bool> firstStarted{false};
    std::atomic<bool> firstSawNewer{false};
    std::atomic<bool> secondRan{false};
    std::atomic<bool> thirdSawClose{false};
    {
        LatestJobRunner runner;
        runner.submit([&](const std::atomic<bool>& superseded) {
            firstStarted = true;
            firstSawNewer = eventually([&] { return superseded.load(); });
        });
        ASSERT_TRUE(eventually([&] { return firstStarted.load(); }));
        runner.submit([&](const std::atomic<bool>&) { secondRan = true; });
        runner.waitIdle();
        EXPECT_TRUE(firstSawNewer.load());
        EXPECT_TRUE(secondRan.load());

        runner.submit([&](const std::atomic<bool>& superseded) {
            thirdSawClose = eventually([&] { return superseded.load(); });
        });
        ASSERT_TRUE(eventually([&] { return runner.started() == 3; }));
    } // closing stops the running job instead of waiting for its end
    EXPECT_TRUE(thirdSawClose.load());
}

TEST(Preview, SnapshotMakesTheSameStereogramAsTheMapItself)
{
    const auto tile = testTile();
    const platform::Palette palette = testPalette();
    for (std::int32_t method : {1, 2, 3}) {
        auto doc = sceneMap();
        SirdsSettings s;
        s.ShiftDir = method;
        s.gapValue = 70;

        const PreviewRequest request = snapshotPreview(*doc, s, {tile.get(), &palette});
        // The snapshot is a copy: editing the map afterwards changes nothing.
        doc->AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, 0, 0, 260, 180,
                                                            depthmap::DepthKind::SquareBox, 255));
        const std::atomic<bool> keepGoing{false};
        GenerationResult preview = makePreview(request, keepGoing);
        ASSERT_TRUE(preview.finished()) << preview.error;

        auto original = sceneMap();
        DocumentSource source(*original);
        DepthMapJob job;
        job.map = &source;
        PlainHost host(tile.get(), &palette);
        GenerationResult full = makeFromDepthMap(s, job, host);
        ASSERT_TRUE(full.finished());
        EXPECT_TRUE(*preview.picture.bitmap == *full.picture.bitmap) << "method " << method;
        EXPECT_EQ(preview.picture.palette, full.picture.palette);
    }
}

TEST(Preview, StopsWhenANewerSnapshotWaitsAndNeedsAPattern)
{
    auto doc = sceneMap();
    const auto tile = testTile();
    const platform::Palette palette = testPalette();
    SirdsSettings s;
    const std::atomic<bool> stop{true};
    EXPECT_EQ(makePreview(snapshotPreview(*doc, s, {tile.get(), &palette}), stop).status,
              GenerationStatus::Stopped);

    const std::atomic<bool> keepGoing{false};
    GenerationResult noPattern = makePreview(snapshotPreview(*doc, s, {}), keepGoing);
    EXPECT_EQ(noPattern.status, GenerationStatus::Failed);
    EXPECT_EQ(noPattern.error, kNoPatternMessage);
}
