// "Reveal Depth" in the desktop program: the depth of the active stereogram
// opens in a new picture window, or its anaglyph; a picture with no repeat
// is refused; Stop during the work leaves no window behind.

#include "FrameFixture.h"

#include "gui/Commands.h"

#include "engine_ui/TSirdsWnd.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <random>
#include <vector>

using namespace gui;
using testing_frame::FrameTest;

namespace {

// A 256-colour random-dot picture, 300 × 120: each pixel repeats the one 64
// to its left, or 48 inside a box (x 130 … 219, y 30 … 89); noise when
// repeat is false.
std::unique_ptr<platform::Bitmap> dots(bool repeat)
{
    auto bitmap = platform::Bitmap::create(300, 120, 8);
    std::mt19937 random(5);
    for (int y = 0; y < 120; ++y) {
        std::vector<std::uint32_t> row(300);
        for (int x = 0; x < 300; ++x) {
            const int sep = x >= 130 && x < 220 && y >= 30 && y < 90 ? 48 : 64;
            row[static_cast<std::size_t>(x)] =
                repeat && x >= sep ? row[static_cast<std::size_t>(x - sep)] : random() & 0xFF;
            bitmap->setPixel(x, 119 - y, row[static_cast<std::size_t>(x)]);
        }
    }
    return bitmap;
}

class RevealFrame : public FrameTest {
protected:
    engine_ui::TSirdsWnd* addDots(bool repeat)
    {
        auto* picture = new engine_ui::TSirdsWnd(nullptr, "dots.gif", frame()->FrameWindow(), dots(repeat),
                                                 testing_frame::grayPalette(), 300, 120, engine_ui::SourcePicture,
                                                 &frame()->Settings());
        picture->SetNoSaveQuestion(true);
        frame()->AddDocument(picture);
        QApplication::processEvents();
        return picture;
    }
    int windows() const { return static_cast<int>(frame()->Client()->subWindowList().size()); }
};

TEST_F(RevealFrame, OpensTheDepthInANewPictureWindow)
{
    start();
    EXPECT_FALSE(frame()->Action(CM_REVEALDEPTH)->isEnabled());
    addDots(true);
    ASSERT_TRUE(frame()->Action(CM_REVEALDEPTH)->isEnabled());
    EXPECT_EQ(frame()->Action(CM_REVEALDEPTH)->text(), QStringLiteral("Reveal &Depth"));
    frame()->Command(CM_REVEALDEPTH);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 2);
    QMdiSubWindow* active = frame()->Client()->activeSubWindow();
    ASSERT_NE(active, nullptr);
    auto* depth = qobject_cast<engine_ui::TSirdsWnd*>(active->widget());
    ASSERT_NE(depth, nullptr);
    EXPECT_EQ(depth->GetTitle(), "dots.gif depth");
    const platform::Bitmap* grey = depth->GetPicture();
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->width(), 300);
    EXPECT_EQ(grey->height(), 120);
    // The box (its midpoints 24 to the left) is near and white, the rest black.
    EXPECT_GE(grey->rowFromTop(60)[160], 250);
    EXPECT_LE(grey->rowFromTop(10)[60], 5);
    EXPECT_FALSE(frame()->Busy());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RevealFrame, RefusesAPictureWithNoRepeat)
{
    start();
    addDots(false);
    frame()->Command(CM_REVEALDEPTH);
    QApplication::processEvents();
    EXPECT_EQ(windows(), 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("No repeating pattern was found: the picture does not look "
                                                  "like a single-image stereogram."));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Note"));
    EXPECT_FALSE(frame()->Busy());
}

TEST_F(RevealFrame, AnaglyphOpensATrueColourWindowAndStopLeavesNothing)
{
    start();
    addDots(true);
    ASSERT_TRUE(frame()->Action(CM_REVEALANAGLYPH)->isEnabled());
    frame()->Command(CM_REVEALANAGLYPH);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 2);
    auto* ana = qobject_cast<engine_ui::TSirdsWnd*>(frame()->Client()->activeSubWindow()->widget());
    ASSERT_NE(ana, nullptr);
    EXPECT_EQ(ana->GetTitle(), "dots.gif anaglyph");
    ASSERT_NE(ana->GetPicture(), nullptr);
    EXPECT_EQ(ana->GetPicture()->bitsPerPixel(), 24);
    EXPECT_EQ(ana->GetPicture()->width(), 300);

    // Stop, pressed while the revealer works (the gauge's first message pump).
    for (int id : {CM_REVEALDEPTH, CM_REVEALANAGLYPH}) {
        QMdiSubWindow* dots = frame()->Client()->subWindowList().front();
        frame()->Client()->setActiveSubWindow(dots);
        const int before = windows();
        bool pressed = false;
        QTimer::singleShot(0, frame(), [&] {
            pressed = frame()->Action(CM_STOP)->isEnabled();
            frame()->Command(CM_STOP);
        });
        frame()->Command(id);
        QApplication::processEvents();
        EXPECT_TRUE(pressed) << id;
        EXPECT_EQ(windows(), before) << id;
        EXPECT_FALSE(frame()->Busy());
        EXPECT_TRUE(boxes.shown.empty());
    }
}

} // namespace
