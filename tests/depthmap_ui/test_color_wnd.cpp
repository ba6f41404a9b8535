// The colour table window: rows of 16 numbered swatches, the window's size
// and scroll ranges, its picture for the clipboard and the message it sends
// when it closes.

#include "QtTestApp.h"

#include "depthmap_ui/TColorWnd.h"

#include "platform/Messages.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <vector>

using depthmap_ui::TColorWnd;

namespace {

class FrameRecorder : public platform::Window {
public:
    int messageBox(std::string_view, std::string_view, unsigned) override { return platform::IDOK; }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t, std::intptr_t) override
    {
        messages.push_back(message);
        return 0;
    }
    std::vector<unsigned> messages;
};

platform::Palette Ramp(int count)
{
    std::vector<platform::PALETTEENTRY> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>((i * 7) & 255), 0});
    return platform::Palette(entries);
}

// How many pixels of the swatch (its inside, clear of the outline) have the colour.
int Count(const QImage& image, int index, QColor colour)
{
    const int x0 = 24 * (index % 16), y0 = 24 * (index / 16);
    int n = 0;
    for (int y = y0 + 1; y < y0 + 23; ++y)
        for (int x = x0 + 1; x < x0 + 23; ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

class ColorWndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        area.resize(800, 700);
        area.show();
        wnd = new TColorWnd(nullptr, "Color Table", 392, 410, &frame);
        sub = area.addSubWindow(wnd);
        sub->move(100, 80);
        sub->show();
        QApplication::processEvents();
    }

    QApplication& app = TestApp(); // before any widget
    QMdiArea area;
    FrameRecorder frame;
    TColorWnd* wnd = nullptr;
    QMdiSubWindow* sub = nullptr;
};

} // namespace

TEST_F(ColorWndTest, AFullPaletteFillsSixteenRows)
{
    EXPECT_EQ(wnd->GetDocKind(), depthmap_ui::DocColorTable);
    EXPECT_EQ(wnd->windowTitle(), QStringLiteral("Color Table"));
    EXPECT_EQ(wnd->ColorCount(), 2) << "two colours until a palette is set";
    wnd->SetPalette(Ramp(256));
    EXPECT_EQ(wnd->ColorCount(), 256);
    EXPECT_EQ(sub->pos(), QPoint(0, 0)) << "moved to the top-left corner";
    EXPECT_EQ(sub->height(), 414);
    EXPECT_EQ(sub->width(), 392) << "the width is kept";
    const QSize client = wnd->viewport()->size();
    EXPECT_EQ(wnd->verticalScrollBar()->maximum(), std::max(0, 384 - client.height()));
    EXPECT_EQ(wnd->horizontalScrollBar()->maximum(), std::max(0, 384 - client.width()));

    const QImage bitmap = wnd->MakeBitmap();
    ASSERT_EQ(bitmap.size(), QSize(384, 384));
    for (int i : {0, 17, 100, 255}) {
        const platform::PALETTEENTRY e = wnd->GetPalette()[static_cast<std::size_t>(i)];
        const QColor colour(e.peRed, e.peGreen, e.peBlue);
        const QColor inverse(255 - e.peRed, 255 - e.peGreen, 255 - e.peBlue);
        EXPECT_GT(Count(bitmap, i, colour), 300) << "swatch " << i << " is mostly its colour";
        EXPECT_GT(Count(bitmap, i, inverse), 3) << "swatch " << i << " has its number in the inverse colour";
    }
    // The outline between two swatches.
    EXPECT_EQ(bitmap.pixelColor(23, 10), QColor(Qt::black));
}

TEST_F(ColorWndTest, OnlyWholeRowsAreShown)
{
    wnd->SetPalette(Ramp(20));
    EXPECT_EQ(sub->height(), 20 * 24 / 16 + 30);
    const QImage bitmap = wnd->MakeBitmap();
    ASSERT_EQ(bitmap.size(), QSize(384, 24)) << "entries 17 to 20 are not shown";

    wnd->SetPalette(Ramp(2));
    EXPECT_TRUE(wnd->MakeBitmap().isNull()) << "two colours make no row and no bitmap";
}

TEST_F(ColorWndTest, NumbersAreWrittenInTheInverseColour)
{
    std::vector<platform::PALETTEENTRY> entries(16, platform::PALETTEENTRY{255, 255, 255, 0});
    entries[1] = {0, 0, 0, 0};
    wnd->SetPalette(platform::Palette(entries));
    const QImage bitmap = wnd->MakeBitmap();
    EXPECT_GT(Count(bitmap, 0, Qt::black), 3) << "white is numbered in black";
    EXPECT_GT(Count(bitmap, 1, Qt::white), 3) << "black in white";
    EXPECT_EQ(Count(bitmap, 2, Qt::white) + Count(bitmap, 2, Qt::black), 22 * 22) << "only the two colours";
}

TEST_F(ColorWndTest, ClosingTellsTheFrame)
{
    EXPECT_TRUE(sub->close());
    EXPECT_EQ(frame.messages, (std::vector<unsigned>{platform::WM_COLORTABLECLOSED}));
}
