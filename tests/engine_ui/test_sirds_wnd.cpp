// The picture window: picture and palette, zoom, painting, selection and
// copies, the closing question, and the three generations run through the
// Qt host, with a recording frame and injected message box answers.

#include "QtTestApp.h"

#include "depthmap_ui/UiMessageBox.h"
#include "engine/CaptionText.h"
#include "engine/Generation.h"
#include "engine/SirdsSettings.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TSirdsWnd.h"
#include "platform/Messages.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

using namespace engine_ui;
using platform::Bitmap;
using platform::Palette;
using platform::PALETTEENTRY;

namespace {

struct Sent {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// The frame as the windows see it: records every message and answers with
// the handler's value.
class RecordingFrame : public platform::Window {
public:
    std::vector<Sent> sent;
    std::function<std::intptr_t(const Sent&)> handler;

    int messageBox(std::string_view, std::string_view, unsigned) override { return platform::IDOK; }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        sent.push_back({message, wParam, lParam});
        return handler ? handler(sent.back()) : 0;
    }
    int Count(unsigned message) const
    {
        int n = 0;
        for (const auto& s : sent)
            n += s.message == message;
        return n;
    }
    std::vector<std::uintptr_t> Phases() const
    {
        std::vector<std::uintptr_t> phases;
        for (const auto& s : sent)
            if (s.message == platform::WM_PROGRESSREPORT)
                phases.push_back(s.wParam);
        return phases;
    }
};

struct Box {
    QString text;
    QString caption;
    unsigned style;
};

// Answers every message box with the next queued answer and records it.
class BoxAnswers {
public:
    std::vector<Box> shown;
    std::vector<int> answers;

    BoxAnswers()
    {
        previous_ = depthmap_ui::SetUiMessageBoxProvider(
            [this](QWidget*, const QString& text, const QString& caption, unsigned style) {
                shown.push_back({text, caption, style});
                if (answers.empty())
                    return platform::IDCANCEL;
                const int answer = answers.front();
                answers.erase(answers.begin());
                return answer;
            });
    }
    ~BoxAnswers() { depthmap_ui::SetUiMessageBoxProvider(previous_); }

private:
    depthmap_ui::UiMessageBoxProvider previous_;
};

Palette TestPalette()
{
    std::vector<PALETTEENTRY> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>((i * 3) % 256),
                      static_cast<std::uint8_t>(255 - i), 0};
    entries[1] = {255, 0, 0, 0};
    return Palette(entries);
}

std::unique_ptr<Bitmap> Filled(int w, int h, std::uint8_t index)
{
    auto bitmap = Bitmap::create(w, h, 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bitmap->setPixel(x, y, index);
    return bitmap;
}

std::unique_ptr<Bitmap> Varied(int w, int h)
{
    auto bitmap = Bitmap::create(w, h, 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bitmap->setPixel(x, y, static_cast<std::uint32_t>((x * 7 + y * 13) % 256));
    return bitmap;
}

// A pattern library holding one noisy 64 × 64 tile.
std::unique_ptr<engine::TSirdPatt> OnePatternLibrary()
{
    auto library = std::make_unique<engine::TSirdPatt>(nullptr, "/nonexistent", 0);
    auto tile = Bitmap::create(64, 64, 8);
    std::uint32_t seed = 12345;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            seed = seed * 1103515245u + 12345u;
            tile->setPixel(x, y, (seed >> 16) & 0xFF);
        }
    library->Append(std::move(tile), std::make_unique<Palette>(TestPalette()));
    library->Select(0);
    return library;
}

class SirdsWndTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }

    // A window made the way the open command makes one.
    TSirdsWnd* Open(std::unique_ptr<Bitmap> bitmap, const std::string& path = "/pics/Moon.GIF")
    {
        const int w = bitmap ? bitmap->width() : 0;
        const int h = bitmap ? bitmap->height() : 0;
        auto* wnd = new TSirdsWnd(nullptr, path, &frame, std::move(bitmap), std::make_unique<Palette>(TestPalette()),
                                  w, h, SourcePicture, &settings);
        windows.emplace_back(wnd);
        return wnd;
    }
    void TearDown() override
    {
        for (auto& w : windows)
            if (w) {
                w->SetNoSaveQuestion(true);
                delete w.data();
            }
    }
    static void Flush()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    void Mouse(TSirdsWnd* wnd, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, QPointF(pos), QPointF(wnd->viewport()->mapToGlobal(pos)), button, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(wnd->viewport(), &event);
    }
    void DragSelect(TSirdsWnd* wnd, QPoint from, QPoint to)
    {
        Mouse(wnd, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(wnd, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(wnd, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

    RecordingFrame frame;
    engine::SirdsSettings settings;
    std::vector<QPointer<TSirdsWnd>> windows;
};

TEST_F(SirdsWndTest, PictureDescriptionTitleAndSize)
{
    TSirdsWnd* wnd = Open(Filled(401, 10, 1), "C:\\PICS\\MOON.GIF");
    EXPECT_EQ(wnd->GetTitle(), "moon.gif");
    EXPECT_EQ(wnd->windowTitle(), QString("moon.gif[*]"));
    EXPECT_EQ(wnd->GetDocKind(), depthmap_ui::DocPicture);
    EXPECT_EQ(wnd->GetWidth(), 401);
    EXPECT_EQ(wnd->GetHeight(), 10);
    EXPECT_EQ(wnd->GetColorCount(), 256);
    EXPECT_EQ(wnd->GetBitmapDescription().bmBitsPixel, 8);
    EXPECT_EQ(wnd->GetImageSize(), 404 * 10);
    EXPECT_FALSE(wnd->IsSird());
    wnd->SetTitle("/home/user/Pictures/Lake.Pcx");
    EXPECT_EQ(wnd->GetTitle(), "lake.pcx");

    TSirdsWnd* empty = Open(nullptr);
    EXPECT_EQ(empty->GetImageSize(), 0);
    EXPECT_TRUE(empty->GetImage().isNull());
}

TEST_F(SirdsWndTest, SixteenColourPaletteMakesAFourBitDescription)
{
    std::vector<PALETTEENTRY> entries(16, PALETTEENTRY{1, 2, 3, 0});
    auto* wnd = new TSirdsWnd(nullptr, "x.bmp", &frame, Filled(8, 8, 3), std::make_unique<Palette>(entries), 8, 8,
                              SourcePicture, &settings);
    windows.emplace_back(wnd);
    EXPECT_EQ(wnd->GetBitmapDescription().bmBitsPixel, 4);
    EXPECT_EQ(wnd->GetColorCount(), 16);
    EXPECT_EQ(wnd->GetImageSize(), 4 * 8);
}

TEST_F(SirdsWndTest, PictureWithoutPaletteGetsTheSystemPalette)
{
    auto* wnd = new TSirdsWnd(nullptr, "x.bmp", &frame, Filled(4, 4, 9), nullptr, 4, 4, SourcePicture, &settings);
    windows.emplace_back(wnd);
    ASSERT_NE(wnd->GetPalette(), nullptr);
    EXPECT_EQ(*wnd->GetPalette(), Palette::system());
}

TEST_F(SirdsWndTest, ZoomStaysBetweenAQuarterAndFour)
{
    TSirdsWnd* wnd = Open(Filled(40, 30, 1));
    wnd->Zoom(ZoomIn);
    wnd->Zoom(ZoomIn);
    wnd->Zoom(ZoomIn);
    EXPECT_DOUBLE_EQ(wnd->GetZoom(), 4.0);
    for (int i = 0; i < 5; ++i)
        wnd->Zoom(ZoomOut);
    EXPECT_DOUBLE_EQ(wnd->GetZoom(), 0.25);
    wnd->Zoom(7);
    EXPECT_DOUBLE_EQ(wnd->GetZoom(), 0.25);
}

TEST_F(SirdsWndTest, ZoomedPaintingAndScrollRanges)
{
    TSirdsWnd* wnd = Open(Filled(400, 300, 1)); // index 1 is pure red
    wnd->show();
    Flush();
    ASSERT_EQ(wnd->viewport()->size(), QSize(400, 300)); // resized to fit
    EXPECT_EQ(wnd->horizontalScrollBar()->maximum(), 0);
    wnd->Zoom(ZoomOut);
    QImage shot = wnd->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(199, 149), qRgb(255, 0, 0));
    EXPECT_NE(shot.pixel(201, 100), qRgb(255, 0, 0));
    EXPECT_NE(shot.pixel(100, 151), qRgb(255, 0, 0));
    wnd->Zoom(ZoomIn);
    wnd->Zoom(ZoomIn);
    EXPECT_EQ(wnd->horizontalScrollBar()->maximum(), 800 - wnd->viewport()->width());
    EXPECT_EQ(wnd->verticalScrollBar()->maximum(), 600 - wnd->viewport()->height());
}

TEST_F(SirdsWndTest, AScrolledLargePictureShowsItsOwnPixelsAtEveryZoom)
{
    // Painting converts only the part in view: what shows must still be the
    // picture's pixels at the scrolled place.
    TSirdsWnd* wnd = Open(Varied(3000, 2000));
    wnd->resize(300, 200);
    wnd->show();
    Flush();
    const QImage whole = wnd->GetImage();
    for (double zoom : {1.0, 2.0, 0.5}) {
        while (wnd->GetZoom() < zoom)
            wnd->Zoom(ZoomIn);
        while (wnd->GetZoom() > zoom)
            wnd->Zoom(ZoomOut);
        wnd->horizontalScrollBar()->setValue(777);
        wnd->verticalScrollBar()->setValue(555);
        Flush();
        const QImage shot = wnd->viewport()->grab().toImage();
        const QSize view = wnd->viewport()->size();
        for (const QPoint p : {QPoint(0, 0), QPoint(view.width() - 1, view.height() - 1), QPoint(101, 67)}) {
            const QPoint inPicture((p.x() + 777) / zoom, (p.y() + 555) / zoom);
            EXPECT_EQ(shot.pixel(p), whole.pixel(inPicture)) << zoom << " " << p.x() << "," << p.y();
        }
    }
}

TEST_F(SirdsWndTest, MaximisedWindowCentresThePictureOnBlack)
{
    QMdiArea area;
    area.resize(800, 600);
    TSirdsWnd* wnd = Open(Filled(200, 100, 1));
    QMdiSubWindow* sub = area.addSubWindow(wnd);
    area.show();
    sub->showMaximized();
    Flush();
    const QSize client = wnd->viewport()->size();
    ASSERT_GT(client.width(), 200);
    const QImage shot = wnd->viewport()->grab().toImage();
    const int x0 = client.width() / 2 - 100;
    const int y0 = client.height() / 2 - 50;
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(x0 - 1, y0 + 10), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(x0, y0), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(x0 + 199, y0 + 99), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(x0 + 200, y0 + 99), qRgb(0, 0, 0));
    wnd->SetNoSaveQuestion(true);
    sub->close();
    Flush();
}

TEST_F(SirdsWndTest, SelectionIsOutlinedAndCopied)
{
    TSirdsWnd* wnd = Open(Varied(100, 80));
    wnd->show();
    Flush();
    // Nothing selected: the whole picture is copied.
    auto whole = wnd->CopySelection();
    ASSERT_TRUE(whole);
    EXPECT_TRUE(*whole == *wnd->GetPicture());

    DragSelect(wnd, {30, 20}, {10, 10}); // dragged up and left
    EXPECT_EQ(wnd->Selection(), QRect(10, 10, 20, 10));
    auto part = wnd->CopySelection();
    ASSERT_TRUE(part);
    ASSERT_EQ(part->width(), 20);
    ASSERT_EQ(part->height(), 10);
    const Bitmap& picture = *wnd->GetPicture();
    EXPECT_EQ(part->pixel(0, 9), picture.pixel(10, 79 - 10));
    EXPECT_EQ(part->pixel(19, 0), picture.pixel(29, 79 - 19));

    const QImage shot = wnd->viewport()->grab().toImage();
    // The frame runs along the corners' own pixels, whichever way it was dragged.
    EXPECT_EQ(shot.pixel(10, 15), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(20, 10), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(30, 15), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(20, 20), qRgb(0, 0, 0));
    EXPECT_NE(shot.pixel(20, 9), qRgb(0, 0, 0));
    EXPECT_NE(shot.pixel(11, 11), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(50, 50), wnd->GetImage().pixel(50, 50));

    // At zoom 2 the same screen rectangle covers half as many picture pixels.
    wnd->Zoom(ZoomIn);
    EXPECT_EQ(wnd->Selection(), QRect(5, 5, 10, 5));

    // A click without a drag selects nothing again.
    DragSelect(wnd, {40, 40}, {40, 40});
    EXPECT_TRUE(wnd->Selection().isEmpty());
}

TEST_F(SirdsWndTest, GrayPaletteRepaintsInGray)
{
    TSirdsWnd* wnd = Open(Filled(10, 10, 1));
    wnd->GrayPalette();
    const PALETTEENTRY red = (*wnd->GetPalette())[1];
    EXPECT_EQ(red, (PALETTEENTRY{76, 76, 76, platform::PC_RESERVED}));
    EXPECT_EQ(wnd->GetImage().pixel(3, 3), qRgb(76, 76, 76));
    EXPECT_EQ(wnd->GetPicture()->pixel(3, 3), 1u); // the indices stay
}

TEST_F(SirdsWndTest, ClosingAsksAndYesSavesThroughTheFrame)
{
    BoxAnswers boxes;
    TSirdsWnd* wnd = Open(Filled(10, 10, 1));
    frame.handler = [](const Sent& s) { return s.message == platform::WM_SAVEREQUEST ? 1 : 0; };
    boxes.answers = {platform::IDYES};
    EXPECT_TRUE(wnd->close());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QString("Save moon.gif before closing?"));
    EXPECT_EQ(boxes.shown[0].caption, QString("Confirm"));
    EXPECT_EQ(boxes.shown[0].style, platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
    ASSERT_EQ(frame.Count(platform::WM_SAVEREQUEST), 1);
    for (const auto& s : frame.sent) {
        if (s.message == platform::WM_SAVEREQUEST) {
            EXPECT_EQ(TSirdsWnd::FromWindow(reinterpret_cast<platform::Window*>(s.wParam)), wnd);
        }
    }
    Flush();
    EXPECT_TRUE(windows.back().isNull()); // deleted on close
}

TEST_F(SirdsWndTest, ClosingAnswers)
{
    BoxAnswers boxes;
    TSirdsWnd* wnd = Open(Filled(10, 10, 1));

    boxes.answers = {platform::IDCANCEL};
    EXPECT_FALSE(wnd->close());
    EXPECT_EQ(frame.Count(platform::WM_SAVEREQUEST), 0);

    // Yes, but the save fails or is cancelled: the picture stays.
    frame.handler = [](const Sent&) { return 0; };
    boxes.answers = {platform::IDYES};
    EXPECT_FALSE(wnd->close());
    EXPECT_EQ(frame.Count(platform::WM_SAVEREQUEST), 1);
    EXPECT_NE(wnd->GetPicture(), nullptr);

    boxes.answers = {platform::IDNO};
    EXPECT_TRUE(wnd->close());
    EXPECT_EQ(frame.Count(platform::WM_SAVEREQUEST), 1);
    EXPECT_EQ(boxes.shown.size(), 3u);

    // A saved or freshly loaded picture closes without a question.
    TSirdsWnd* saved = Open(Filled(10, 10, 1));
    saved->SetNoSaveQuestion(true);
    EXPECT_TRUE(saved->close());
    EXPECT_EQ(boxes.shown.size(), 3u);
    Flush();
}

TEST_F(SirdsWndTest, ActivationRefreshesTheFramesStatus)
{
    QMdiArea area;
    area.resize(600, 400);
    TSirdsWnd* first = Open(Filled(50, 50, 1));
    TSirdsWnd* second = Open(Filled(60, 60, 1));
    QMdiSubWindow* sub1 = area.addSubWindow(first);
    QMdiSubWindow* sub2 = area.addSubWindow(second);
    area.show();
    sub1->show();
    sub2->show();
    area.setActiveSubWindow(sub1);
    Flush();
    frame.sent.clear();
    area.setActiveSubWindow(sub2);
    Flush();
    EXPECT_TRUE(second->IsActive());
    EXPECT_FALSE(first->IsActive());
    EXPECT_GE(frame.Count(platform::WM_STATUSREFRESH), 1);
    for (auto* w : {first, second})
        w->SetNoSaveQuestion(true);
    area.closeAllSubWindows();
    Flush();
}

// ---- generations

class GenerationTest : public SirdsWndTest {
protected:
    void SetUp() override
    {
        SirdsWndTest::SetUp();
        library = OnePatternLibrary();
        frame.handler = [this](const Sent& s) -> std::intptr_t {
            if (s.message == platform::WM_PATTLIBREQUEST)
                return reinterpret_cast<std::intptr_t>(library.get());
            if (s.message == platform::WM_PROGRESSREPORT && s.wParam == engine::kProgressStep && stopAtStep)
                TSirdsWnd::StopGeneration();
            return 0;
        };
    }
    std::unique_ptr<engine::TSirdPatt> library;
    bool stopAtStep = false;
};

class FlatMap : public engine::DepthMapSource {
public:
    FlatMap(std::int32_t w, std::int32_t h) : w_(w), h_(h) {}
    std::int32_t width() const override { return w_; }
    std::int32_t height() const override { return h_; }
    void levelRow(std::int32_t, std::int32_t* out, std::int32_t n) const override
    {
        for (std::int32_t i = 0; i < n; ++i)
            out[i] = i >= 50 && i < 150 && i < width() ? 40 : 0;
    }

private:
    std::int32_t w_;
    std::int32_t h_;
};

TEST_F(GenerationTest, FromAPictureGivesANewPictureOfTheSameSize)
{
    BoxAnswers boxes;
    settings.ShiftDir = engine::McMahon;
    TSirdsWnd* wnd = Open(Varied(300, 200));
    TSirdsWnd::PictJob job;
    ASSERT_EQ(wnd->MakeSirdsFromPicture(job), 1);
    ASSERT_TRUE(job.bitmap);
    EXPECT_EQ(job.width, 300);
    EXPECT_EQ(job.height, 200);
    EXPECT_EQ(job.title, "moon.gif{sird}");
    ASSERT_TRUE(job.palette);
    EXPECT_EQ(job.palette->size(), 256u);
    EXPECT_EQ(frame.Count(platform::WM_PATTLIBREQUEST), 1);
    const auto phases = frame.Phases();
    ASSERT_GE(phases.size(), 2u);
    EXPECT_EQ(phases.front(), static_cast<std::uintptr_t>(engine::kProgressStart));
    EXPECT_EQ(phases.back(), static_cast<std::uintptr_t>(engine::kProgressEnd));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(TSirdsWnd::IsGenerating());
    // The source picture is untouched and the window is still a plain picture.
    EXPECT_FALSE(wnd->IsSird());
}

TEST_F(GenerationTest, SixteenBitDepthOfThePictureReachesTheHiddenSurfaceMethod)
{
    settings.ShiftDir = engine::HiddenSurface;
    settings.DepthSel = engine::ByBrightness;
    settings.zmax = 255;
    settings.Marker = 0;
    settings.hidden.Oversample = 1;
    settings.hidden.RandomDots = engine::ColourDots;
    TSirdsWnd* wnd = Open(Varied(300, 40));
    auto plane = std::make_unique<platform::Grey16Image>();
    plane->width = 300;
    plane->height = 40;
    plane->samples.assign(300 * 40, 65535); // near everywhere
    wnd->SetDepth16(std::move(plane));
    auto repeatsAt = [](const Bitmap& b, int d) {
        int n = 0;
        for (int x = 150; x < 250; ++x)
            n += b.pixel(x, 20) == b.pixel(x - d, 20);
        return n;
    };
    TSirdsWnd::PictJob job;
    ASSERT_EQ(wnd->MakeSirdsFromPicture(job), 1);
    ASSERT_TRUE(job.bitmap);
    EXPECT_EQ(repeatsAt(*job.bitmap, 80), 100); // the near plane: 0.8 of the gap
    // A new picture drops the plane: its own varied brightness counts again.
    wnd->SetPicture(Varied(300, 40));
    EXPECT_EQ(wnd->GetDepth16(), nullptr);
    TSirdsWnd::PictJob again;
    ASSERT_EQ(wnd->MakeSirdsFromPicture(again), 1);
    EXPECT_LT(repeatsAt(*again.bitmap, 80), 100);
}

TEST_F(GenerationTest, FromADepthMapFillsTheNewWindow)
{
    TSirdsWnd* wnd = new TSirdsWnd(nullptr, "map.rds{sird}", &frame, nullptr, nullptr, 200, 100, SourceDepthMap,
                                   &settings);
    windows.emplace_back(wnd);
    FlatMap map(200, 100);
    ASSERT_EQ(wnd->MakeSirdsFromMap(map), 1);
    ASSERT_NE(wnd->GetPicture(), nullptr);
    EXPECT_EQ(wnd->GetWidth(), 200);
    EXPECT_EQ(wnd->GetHeight(), 100);
    EXPECT_TRUE(wnd->IsSird());
    EXPECT_FALSE(wnd->GetNoSaveQuestion()); // a new stereogram asks before closing
    EXPECT_FALSE(wnd->GetImage().isNull());
    EXPECT_GE(frame.Count(platform::WM_STATUSREFRESH), 1);
}

TEST_F(GenerationTest, FromAFigureUsesTheSettingsSizeAndDrawsTheCaption)
{
    settings.w = 400;
    settings.h = 300;
    TSirdsWnd* wnd = new TSirdsWnd(nullptr, "crater{sird}", &frame, nullptr, nullptr, 400, 300, -1, &settings);
    windows.emplace_back(wnd);
    ASSERT_EQ(wnd->MakeSirdsFromMath(-1, "Crater"), 1);
    ASSERT_NE(wnd->GetPicture(), nullptr);
    EXPECT_EQ(wnd->GetWidth(), 400);
    EXPECT_EQ(wnd->GetHeight(), 300);
    EXPECT_TRUE(wnd->IsSird());
}

TEST_F(GenerationTest, StoppingAMapGenerationClosesTheWindowWithoutAQuestion)
{
    BoxAnswers boxes;
    stopAtStep = true;
    TSirdsWnd* wnd = new TSirdsWnd(nullptr, "big{sird}", &frame, nullptr, nullptr, 400, 400, SourceDepthMap,
                                   &settings);
    windows.emplace_back(wnd);
    QPointer<TSirdsWnd> watch(wnd);
    // 500 × 400 is worked in bands of 50 rows, so step reports come before the end.
    FlatMap map(400, 400);
    EXPECT_EQ(wnd->MakeSirdsFromMap(map), 0) << "phases " << frame.Phases().size();
    EXPECT_EQ(wnd->GetPicture(), nullptr);
    EXPECT_TRUE(wnd->GetNoSaveQuestion());
    EXPECT_EQ(frame.Phases().back(), static_cast<std::uintptr_t>(engine::kProgressEnd));
    Flush();
    EXPECT_TRUE(watch.isNull());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(TSirdsWnd::IsGenerating());
}

TEST_F(GenerationTest, StoppingAFigureDrawnOverAPictureKeepsThePicture)
{
    BoxAnswers boxes;
    stopAtStep = true;
    settings.UseBMP = 1;
    TSirdsWnd* wnd = Open(Varied(400, 400));
    wnd->SetNoSaveQuestion(true);
    const Bitmap before = *wnd->GetPicture();
    QPointer<TSirdsWnd> watch(wnd);
    EXPECT_EQ(wnd->MakeSirdsFromMath(-1, "Crater"), 0);
    Flush();
    ASSERT_FALSE(watch.isNull());
    ASSERT_NE(wnd->GetPicture(), nullptr);
    EXPECT_TRUE(*wnd->GetPicture() == before);
    EXPECT_FALSE(wnd->IsSird());
}

TEST_F(GenerationTest, NoDocumentClosesWhileAGenerationRuns)
{
    BoxAnswers boxes;
    TSirdsWnd* other = Open(Filled(20, 20, 1));
    other->SetNoSaveQuestion(true);
    depthmap_ui::TMouseWnd plainDocument;
    std::vector<bool> closedDuring;
    frame.handler = [&](const Sent& s) -> std::intptr_t {
        if (s.message == platform::WM_PATTLIBREQUEST)
            return reinterpret_cast<std::intptr_t>(library.get());
        if (s.message == platform::WM_PROGRESSREPORT && s.wParam == engine::kProgressText) {
            closedDuring.push_back(other->close());
            closedDuring.push_back(plainDocument.close());
        }
        return 0;
    };
    TSirdsWnd* target = new TSirdsWnd(nullptr, "m{sird}", &frame, nullptr, nullptr, 100, 100, SourceDepthMap, &settings);
    windows.emplace_back(target);
    FlatMap map(100, 100);
    ASSERT_EQ(target->MakeSirdsFromMap(map), 1);
    EXPECT_EQ(closedDuring, (std::vector<bool>{false, false}));
    EXPECT_FALSE(depthmap_ui::TMouseWnd::DocumentsBusy());
    EXPECT_TRUE(other->close());
    Flush();
}

TEST_F(GenerationTest, WithoutAPatternTheUserIsToldAndNothingIsMade)
{
    BoxAnswers boxes;
    boxes.answers = {platform::IDOK};
    auto empty = std::make_unique<engine::TSirdPatt>(nullptr, "/nonexistent", 0);
    frame.handler = [&](const Sent& s) -> std::intptr_t {
        return s.message == platform::WM_PATTLIBREQUEST ? reinterpret_cast<std::intptr_t>(empty.get()) : 0;
    };
    TSirdsWnd* wnd = Open(Varied(50, 50));
    TSirdsWnd::PictJob job;
    EXPECT_EQ(wnd->MakeSirdsFromPicture(job), 0);
    EXPECT_EQ(job.bitmap, nullptr);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QString("Error"));
    EXPECT_EQ(boxes.shown[0].text.toStdString(), std::string(engine::kNoPatternMessage));
}

TEST(CaptionText, HostDrawsWhatTheCommandLineDraws)
{
    TestApp();
    std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{200, 200, 200, 0});
    entries[3] = {255, 255, 0, 0};
    const Palette palette(entries);
    auto viaHost = Bitmap::create(300, 30, 8);
    auto viaEngine = Bitmap::create(300, 30, 8);
    QtGenerationHost host(nullptr, nullptr, {});
    host.drawText(*viaHost, palette, 9, 4, "Spiral - Dotscape", {255, 255, 0});
    if (!engine::drawCaptionText(*viaEngine, palette, 9, 4, "Spiral - Dotscape", {255, 255, 0}))
        GTEST_SKIP() << "no caption font on this system";
    EXPECT_TRUE(*viaHost == *viaEngine);
    int set = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 300; ++x)
            set += viaHost->rowFromTop(y)[x] == 3;
    EXPECT_GT(set, 50);
}

TEST(CaptionText, SetsOnlyTheNearestColourWithoutBlending)
{
    TestApp();
    std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{200, 200, 200, 0});
    entries[7] = {0, 0, 130, 0}; // nearest to the caption's dark blue
    entries[9] = {0, 0, 100, 0};
    const Palette palette(entries);
    auto image = Bitmap::create(200, 40, 8);
    DrawCaptionText(*image, palette, 10, 5, "Crater - Dotscape", {0, 0, 128});
    std::set<std::uint32_t> values;
    int set = 0;
    int top = 40, bottom = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            const std::uint32_t v = image->rowFromTop(y)[x];
            values.insert(v);
            if (v == 7) {
                ++set;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                EXPECT_GE(x, 10);
            }
        }
    EXPECT_EQ(values, (std::set<std::uint32_t>{0, 7}));
    EXPECT_GT(set, 100);
    EXPECT_GE(top, 5);
    EXPECT_LE(bottom, 5 + 20);
    // Text running off every edge is clipped, not written outside the picture.
    DrawCaptionText(*image, palette, -30, -6, "Clipped caption text", {0, 0, 128});
    DrawCaptionText(*image, palette, 150, 35, "Clipped caption text", {0, 0, 128});
    int after = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            const std::uint32_t v = image->rowFromTop(y)[x];
            EXPECT_TRUE(v == 0 || v == 7);
            after += v == 7;
        }
    EXPECT_GT(after, set);
}

} // namespace
