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

TEST_F(ColorWndTest, EverySwatchShowsWithoutScrollBarsWhenTheAreaHasRoom)
{
    EXPECT_EQ(wnd->GetDocKind(), depthmap_ui::DocColorTable);
    EXPECT_EQ(wnd->windowTitle(), QStringLiteral("Color Table"));
    EXPECT_EQ(wnd->ColorCount(), 2) << "two colours until a palette is set";
    struct Case {
        int colours;
        int rows; // whole rows only: an unfinished last row is not shown
    };
    for (const Case c : {Case{256, 16}, Case{20, 1}, Case{100, 6}}) {
        wnd->SetPalette(Ramp(c.colours));
        QApplication::processEvents();
        EXPECT_EQ(wnd->ColorCount(), c.colours);
        EXPECT_EQ(sub->pos(), QPoint(0, 0)) << "moved to the top-left corner";
        const QSize client = wnd->viewport()->size();
        EXPECT_GE(client.width(), 384) << c.colours << " colours: the 16th column is cut off";
        EXPECT_GE(client.height(), 24 * c.rows) << c.colours << " colours: the last row is cut off";
        EXPECT_EQ(wnd->verticalScrollBar()->maximum(), 0) << c.colours;
        EXPECT_EQ(wnd->horizontalScrollBar()->maximum(), 0) << c.colours;
        EXPECT_EQ(wnd->MakeBitmap().size(), QSize(384, 24 * c.rows)) << c.colours;
    }
    wnd->SetPalette(Ramp(2));
    EXPECT_TRUE(wnd->MakeBitmap().isNull()) << "two colours make no row and no bitmap";

    // An area too small for the table: the window stays inside it and the
    // scroll bars reach the rest.
    area.resize(300, 200);
    wnd->SetPalette(Ramp(256));
    QApplication::processEvents();
    EXPECT_LE(sub->width(), area.viewport()->width());
    EXPECT_LE(sub->height(), area.viewport()->height());
    EXPECT_EQ(wnd->verticalScrollBar()->maximum(), std::max(0, 384 - wnd->viewport()->height()));
}

TEST_F(ColorWndTest, NumbersAreBlackOnLightSwatchesAndWhiteOnDarkOnes)
{
    // The number of each swatch is read back from the clipboard picture; the
    // colour expected comes from the swatch's luminance (ITU-R 601 weights).
    const std::vector<platform::PALETTEENTRY> entries{
        {255, 255, 255, 0}, {0, 0, 0, 0},     {130, 130, 130, 0}, {125, 125, 125, 0},
        {255, 0, 0, 0},     {0, 255, 0, 0},   {0, 0, 255, 0},     {255, 255, 0, 0},
        {0, 128, 255, 0},   {200, 30, 200, 0}, {30, 200, 30, 0},  {90, 90, 250, 0},
        {250, 160, 60, 0},  {10, 10, 60, 0},  {180, 180, 180, 0}, {60, 140, 140, 0},
    };
    wnd->SetPalette(platform::Palette(entries));
    const QImage bitmap = wnd->MakeBitmap();
    ASSERT_EQ(bitmap.size(), QSize(384, 24));
    for (int i = 0; i < 16; ++i) {
        const platform::PALETTEENTRY e = entries[static_cast<std::size_t>(i)];
        const double luma = 0.299 * e.peRed + 0.587 * e.peGreen + 0.114 * e.peBlue;
        const QColor label = luma >= 128 ? QColor(Qt::black) : QColor(Qt::white);
        const QColor swatch(e.peRed, e.peGreen, e.peBlue);
        EXPECT_GT(Count(bitmap, i, label), 3) << "swatch " << i << " (luminance " << luma << ")";
        EXPECT_EQ(Count(bitmap, i, label) + Count(bitmap, i, swatch), 22 * 22)
            << "swatch " << i << ": only its colour and its number's";
    }
}

TEST_F(ColorWndTest, ClosingTellsTheFrame)
{
    EXPECT_TRUE(sub->close());
    EXPECT_EQ(frame.messages, (std::vector<unsigned>{platform::WM_COLORTABLECLOSED}));
}
