// The live preview pane: a change shows a new stereogram, bursts of changes
// come together, results never arrive out of order, and no map shows a text.

#include "engine_ui/TPreviewPane.h"

#include "depthmap/TDepthObj.h"
#include "depthmap/TMapDocument.h"
#include "engine/Preview.h"
#include "engine_ui/PictureView.h"

#include "QtTestApp.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

using namespace engine_ui;

namespace {

struct Scene {
    depthmap::TMapDocument doc{"scene.rds", 200, 150};
    std::unique_ptr<platform::Bitmap> tile = platform::Bitmap::create(31, 17, 8);
    platform::Palette palette;
    engine::SirdsSettings settings;
    int snapshots = 0;

    Scene()
    {
        std::vector<platform::PALETTEENTRY> e(8);
        for (int i = 0; i < 8; ++i)
            e[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i * 30), static_cast<std::uint8_t>(i * 20),
                                              static_cast<std::uint8_t>(255 - i * 30), 0};
        palette = platform::Palette(e);
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 31; ++x)
                tile->setPixel(x, y, static_cast<std::uint32_t>((x * 3 + y * 5) % 7 + 1));
        settings.gapValue = 60;
    }

    TPreviewPane::Snapshot source()
    {
        return [this]() -> std::optional<engine::PreviewRequest> {
            ++snapshots;
            return engine::snapshotPreview(doc, settings, {tile.get(), &palette});
        };
    }

    void addBox(int level)
    {
        doc.AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, 30 + level % 50, 20, 150, 120,
                                                           depthmap::DepthKind::SquareBox, level));
    }

    // What the pane must show for the map as it is now.
    QImage expected() const
    {
        const std::atomic<bool> keepGoing{false};
        engine::GenerationResult r =
            engine::makePreview(engine::snapshotPreview(doc, settings, {tile.get(), &palette}), keepGoing);
        return r.finished() ? ToQImage(*r.picture.bitmap, &r.picture.palette) : QImage();
    }
};

bool waitShown(TPreviewPane& pane, std::uint64_t count)
{
    for (int i = 0; i < 500 && pane.ShownCount() < count; ++i) {
        pane.WaitForWorker();
        QTest::qWait(5);
    }
    return pane.ShownCount() >= count;
}

} // namespace

TEST(PreviewPane, ShowsTheMapAndFollowsItsChanges)
{
    TestApp();
    Scene scene;
    TPreviewPane pane;
    EXPECT_EQ(pane.Text(), kNoMapPreviewText);
    pane.SetSource(scene.source());
    ASSERT_TRUE(waitShown(pane, 1));
    EXPECT_EQ(pane.Image(), scene.expected());

    scene.addBox(180);
    pane.Schedule();
    ASSERT_TRUE(waitShown(pane, 2));
    EXPECT_EQ(pane.Image(), scene.expected()) << "the preview shows the map after the change";
}

TEST(PreviewPane, ABurstOfChangesMakesOneSnapshotAndTheLastStateWins)
{
    TestApp();
    Scene scene;
    TPreviewPane pane;
    pane.SetSource(scene.source());
    ASSERT_TRUE(waitShown(pane, 1));
    const int before = scene.snapshots;

    // Changes made while one input event is handled (the steps of a drag).
    for (int level = 1; level <= 40; ++level) {
        scene.addBox(level * 6);
        pane.Schedule();
    }
    EXPECT_EQ(scene.snapshots, before) << "no snapshot is taken inside the event";
    QSignalSpy shown(&pane, &TPreviewPane::previewShown);
    ASSERT_TRUE(waitShown(pane, 2));
    EXPECT_EQ(scene.snapshots, before + 1);
    EXPECT_EQ(pane.Image(), scene.expected());

    // Changes spread over many event passes: whatever was skipped, the last
    // state is what stays on show.
    for (int level = 41; level <= 60; ++level) {
        scene.addBox(level * 4);
        pane.Schedule();
        QCoreApplication::processEvents();
    }
    const QImage last = scene.expected();
    for (int i = 0; i < 200 && pane.Image() != last; ++i) {
        pane.WaitForWorker();
        QTest::qWait(5);
    }
    EXPECT_EQ(pane.Image(), last);
}

TEST(PreviewPane, WithoutAMapOrPatternItSaysWhy)
{
    TestApp();
    Scene scene;
    TPreviewPane pane;
    pane.SetSource(scene.source());
    ASSERT_TRUE(waitShown(pane, 1));
    pane.SetSource({});
    ASSERT_TRUE(waitShown(pane, 2));
    EXPECT_TRUE(pane.Image().isNull());
    EXPECT_EQ(pane.Text(), kNoMapPreviewText);

    pane.SetSource([&scene]() -> std::optional<engine::PreviewRequest> {
        return engine::snapshotPreview(scene.doc, scene.settings, {});
    });
    ASSERT_TRUE(waitShown(pane, 3));
    EXPECT_EQ(pane.Text().toStdString(), engine::kNoPatternMessage);
}

TEST(PreviewPane, GoingAwayWhileAPreviewIsMadeIsSafe)
{
    TestApp();
    Scene scene;
    for (int round = 0; round < 5; ++round) {
        auto pane = std::make_unique<TPreviewPane>();
        pane->SetSource(scene.source());
        QCoreApplication::processEvents(); // the snapshot goes to the worker
        ASSERT_EQ(pane->RequestCount(), 1u);
        pane.reset();                      // the result must not reach a pane that is gone
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(scene.snapshots, 5);
}
