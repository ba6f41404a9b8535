// The settings and pattern dialogs, driven through their real controls.

#include "QtTestApp.h"

#include "depthmap_ui/UiMessageBox.h"
#include "engine/SirdsSettings.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/HiddenSurfaceGroup.h"
#include "engine_ui/TPattDialog.h"
#include "engine_ui/TSettDialog.h"
#include "platform/Messages.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <vector>

using namespace engine_ui;
using platform::Bitmap;
using platform::Palette;
using platform::PALETTEENTRY;

namespace {

class SettDialogTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }

    void Set(TSettDialog& dialog, int id, const char* text) { dialog.Edit(id)->setText(QString::fromLatin1(text)); }
    static void PressOk(TSettDialog& dialog)
    {
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    }
    static void PressCancel(TSettDialog& dialog)
    {
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    }

    engine::SirdsSettings settings;
};

TEST_F(SettDialogTest, OpensWithTheRecordInItsControls)
{
    settings.w = 640;
    settings.gapValue = 120;
    settings.dx = -15;
    settings.zmin = 5;
    settings.DepthSel = engine::ByBrightness;
    settings.ShiftDir = engine::Feucht;
    settings.Marker = 0;
    settings.UseBMP = 1;
    TSettDialog dialog(nullptr, &settings);
    EXPECT_EQ(dialog.windowTitle(), QString("SIRDS Settings"));
    EXPECT_EQ(dialog.Edit(104)->text(), QString("640"));
    EXPECT_EQ(dialog.Edit(107)->text(), QString("120"));
    EXPECT_EQ(dialog.Edit(101)->text(), QString("-15"));
    EXPECT_EQ(dialog.Edit(103)->text(), QString("5"));
    EXPECT_EQ(dialog.Edit(114)->text(), QString("63"));
    EXPECT_TRUE(dialog.Button(112)->isChecked());
    EXPECT_FALSE(dialog.Button(108)->isChecked());
    ASSERT_EQ(dialog.ScanList()->count(), 4);
    EXPECT_EQ(dialog.ScanList()->itemText(0), QString("Left-To-Right"));
    EXPECT_EQ(dialog.ScanList()->itemText(1), QString("McMahon"));
    EXPECT_EQ(dialog.ScanList()->itemText(2), QString("Feucht"));
    EXPECT_EQ(dialog.ScanList()->itemText(3), QString("Hidden Surface"));
    EXPECT_EQ(dialog.ScanList()->currentIndex(), 2);
    EXPECT_FALSE(dialog.Button(109)->isChecked());
    EXPECT_TRUE(dialog.Button(111)->isChecked());
    EXPECT_FALSE(dialog.Button(106)->isChecked());
}

TEST_F(SettDialogTest, OkCorrectsInvalidEntriesSilently)
{
    TSettDialog dialog(nullptr, &settings);
    Set(dialog, 103, "50"); // Zmin
    Set(dialog, 114, "10"); // Zmax
    Set(dialog, 107, "40"); // gap out of range
    Set(dialog, 104, "150"); // width below twice the gap
    Set(dialog, 105, "");
    Set(dialog, 101, "-201");
    Set(dialog, 102, "200");
    Set(dialog, 110, "181");
    // Shown before OK: each field OK replaces is marked, and the note names
    // the first of them with its range.
    EXPECT_EQ(dialog.CorrectionNote(), QString("Width 150 becomes 200: it must be from twice the gap (200) to 1200."));
    struct Field {
        int id;
        std::int32_t engine::SirdsSettings::*value;
    };
    const Field fields[] = {{103, &engine::SirdsSettings::zmin}, {114, &engine::SirdsSettings::zmax},
                            {107, &engine::SirdsSettings::gapValue}, {104, &engine::SirdsSettings::w},
                            {105, &engine::SirdsSettings::h}, {101, &engine::SirdsSettings::dx},
                            {102, &engine::SirdsSettings::dy}, {110, &engine::SirdsSettings::da}};
    std::vector<bool> marked;
    for (const Field& f : fields)
        marked.push_back(TSettDialog::Marked(dialog.Edit(f.id)));
    PressOk(dialog);
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const std::int32_t typed = engine::readDialogInteger(dialog.Edit(fields[i].id)->text().toStdString());
        EXPECT_EQ(marked[i], typed != settings.*fields[i].value) << "edit " << fields[i].id;
    }
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings.zmin, 10);
    EXPECT_EQ(settings.zmax, 50);
    EXPECT_EQ(settings.gapValue, 100);
    EXPECT_EQ(settings.w, 200);
    EXPECT_EQ(settings.h, 400);
    EXPECT_EQ(settings.dx, 0);
    EXPECT_EQ(settings.dy, 200);
    EXPECT_EQ(settings.da, 0);
}

TEST_F(SettDialogTest, TheHiddenSurfaceGroupIsOnlyEnabledForItsMethod)
{
    TSettDialog dialog(nullptr, &settings);
    for (int index = 0; index < 4; ++index) {
        dialog.ScanList()->setCurrentIndex(index);
        EXPECT_EQ(dialog.HiddenGroup()->isEnabled(), index + 1 == engine::HiddenSurface) << "method " << index + 1;
    }
    Set(dialog, 107, "120");
    EXPECT_TRUE(dialog.CorrectionNote().isEmpty()) << "a value in range is not marked";
    EXPECT_FALSE(TSettDialog::Marked(dialog.Edit(107)));
}

TEST_F(SettDialogTest, WidthIsCheckedAgainstTheNewGap)
{
    struct Case {
        const char* gap;
        const char* width;
        int expectedGap;
        int expectedWidth;
    };
    const Case cases[] = {
        {"150", "250", 150, 300}, {"151", "1300", 100, 400}, {"100", "1200", 100, 1200}, {"51", "103", 51, 103},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        TSettDialog dialog(nullptr, &settings);
        Set(dialog, 107, c.gap);
        Set(dialog, 104, c.width);
        PressOk(dialog);
        EXPECT_EQ(settings.gapValue, c.expectedGap);
        EXPECT_EQ(settings.w, c.expectedWidth);
    }
}

TEST_F(SettDialogTest, OkReadsTheOptions)
{
    TSettDialog dialog(nullptr, &settings);
    dialog.Button(112)->click();
    dialog.ScanList()->setCurrentIndex(0);
    dialog.Button(109)->click(); // markers off
    dialog.Button(111)->click(); // use the open bitmap
    PressOk(dialog);
    EXPECT_EQ(settings.DepthSel, engine::ByBrightness);
    EXPECT_EQ(settings.ShiftDir, engine::LeftToRight);
    EXPECT_EQ(settings.Marker, 0);
    EXPECT_EQ(settings.UseBMP, 1);
}

TEST_F(SettDialogTest, CancelChangesNothing)
{
    const engine::SirdsSettings before = settings;
    TSettDialog dialog(nullptr, &settings);
    Set(dialog, 104, "999");
    dialog.Button(112)->click();
    PressCancel(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(settings, before);
}

TEST_F(SettDialogTest, RestoreDefaultsWinsOverEditedControls)
{
    settings.w = 800;
    settings.gapValue = 140;
    settings.ShiftDir = engine::Feucht;
    settings.DepthSel = engine::ByBrightness;
    TSettDialog dialog(nullptr, &settings);
    dialog.Button(106)->click();
    // The controls show the defaults at once.
    EXPECT_EQ(dialog.Edit(104)->text(), QString("400"));
    EXPECT_EQ(dialog.ScanList()->currentIndex(), 1);
    EXPECT_TRUE(dialog.Button(108)->isChecked());
    EXPECT_FALSE(dialog.Button(112)->isChecked());
    Set(dialog, 104, "700");
    PressOk(dialog);
    EXPECT_EQ(settings.w, 400);
    EXPECT_EQ(settings.gapValue, 100);
    EXPECT_EQ(settings.ShiftDir, engine::McMahon);
}

TEST_F(SettDialogTest, RestoreDefaultsStaysAfterCancelAndKeepsUseBmp)
{
    settings.w = 800;
    settings.dx = 50;
    settings.zmax = 200;
    settings.Marker = 0;
    settings.UseBMP = 1;
    TSettDialog dialog(nullptr, &settings);
    dialog.Button(106)->click();
    PressCancel(dialog);
    engine::SirdsSettings defaults;
    defaults.UseBMP = 1;
    EXPECT_EQ(settings, defaults);
    EXPECT_TRUE(dialog.Button(111)->isChecked());
}

TEST_F(SettDialogTest, UncheckingRestoreDefaultsDoesNothing)
{
    settings.w = 800;
    TSettDialog dialog(nullptr, &settings);
    dialog.Button(106)->click();
    settings.w = 900; // as if changed elsewhere
    dialog.Button(106)->click(); // unchecked again
    EXPECT_EQ(settings.w, 900);
    EXPECT_EQ(dialog.Edit(104)->text(), QString("400"));
}

// ---- pattern dialog

struct PatternFrame : platform::Window {
    std::vector<std::uintptr_t> addRequests;
    std::function<std::intptr_t()> onAdd;
    int messageBox(std::string_view, std::string_view, unsigned) override { return platform::IDOK; }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) override
    {
        if (message != platform::WM_ADDPATTERN)
            return 0;
        addRequests.push_back(wParam);
        return onAdd ? onAdd() : 0;
    }
};

std::unique_ptr<Bitmap> Tile(std::uint8_t index, int size = 20)
{
    auto bitmap = Bitmap::create(size, size, 8);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            bitmap->setPixel(x, y, index);
    return bitmap;
}

std::unique_ptr<Palette> Colours()
{
    std::vector<PALETTEENTRY> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[i] = {static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i), 0};
    return std::make_unique<Palette>(entries);
}

class PattDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        library = std::make_unique<engine::TSirdPatt>(nullptr, "/nonexistent", 0);
        for (int i = 0; i < 5; ++i)
            library->Append(Tile(static_cast<std::uint8_t>(10 * i + 1)), Colours());
        library->Select(3);
    }
    std::unique_ptr<engine::TSirdPatt> library;
    PatternFrame frame;
};

TEST_F(PattDialogTest, ShowsTheCurrentPatternAndItsNumber)
{
    TPattDialog dialog(nullptr, library.get(), &frame, true);
    EXPECT_EQ(dialog.windowTitle(), QString("Select Pattern"));
    EXPECT_EQ(dialog.PatternLabel(), QString("Pattern No. 4"));
    EXPECT_EQ(dialog.Sample()->GetBitmap(), library->GetBitmap());
    dialog.Sample()->resize(60, 60);
    const QImage shot = dialog.Sample()->grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(31, 0, 255 - 31)); // tile 3 holds index 31
    EXPECT_EQ(shot.pixel(19, 19), qRgb(31, 0, 255 - 31));
    EXPECT_EQ(shot.pixel(25, 5), qRgb(255, 255, 255));
}

TEST_F(PattDialogTest, NextAndPrevWrapAround)
{
    TPattDialog dialog(nullptr, library.get(), &frame, true);
    dialog.NextButton()->click();
    EXPECT_EQ(library->GetSelection(), 4);
    dialog.NextButton()->click();
    EXPECT_EQ(library->GetSelection(), 0);
    EXPECT_EQ(dialog.PatternLabel(), QString("Pattern No. 1"));
    dialog.PrevButton()->click();
    EXPECT_EQ(library->GetSelection(), 4);
    EXPECT_EQ(dialog.PatternLabel(), QString("Pattern No. 5"));
    EXPECT_EQ(dialog.Sample()->GetBitmap(), library->GetPattern(4)->GetBitmap());
}

TEST_F(PattDialogTest, CancelRestoresThePatternAndOkKeepsTheChoice)
{
    {
        TPattDialog dialog(nullptr, library.get(), &frame, true);
        dialog.NextButton()->click();
        dialog.NextButton()->click();
        dialog.reject();
        EXPECT_EQ(library->GetSelection(), 3);
    }
    {
        TPattDialog dialog(nullptr, library.get(), &frame, true);
        dialog.PrevButton()->click();
        dialog.accept();
        EXPECT_EQ(library->GetSelection(), 2);
    }
}

TEST_F(PattDialogTest, ShowsTheTileAddWillTake)
{
    TPattDialog dialog(nullptr, library.get(), &frame, true);
    EXPECT_TRUE(dialog.Candidate()->isHidden());
    auto tile = Tile(77, 30);
    auto colours = Colours();
    dialog.SetCandidate(tile.get(), colours.get());
    EXPECT_FALSE(dialog.Candidate()->isHidden());
    EXPECT_EQ(dialog.Candidate()->GetBitmap(), tile.get());
    const QImage shot = dialog.Candidate()->grab().toImage();
    EXPECT_EQ(shot.pixel(10, 10), qRgb(77, 0, 255 - 77));
}

TEST_F(PattDialogTest, AddIsOnlyOfferedForAPictureWindow)
{
    TPattDialog depthMapActive(nullptr, library.get(), &frame, false);
    EXPECT_FALSE(depthMapActive.AddButton()->isEnabled());
    TPattDialog pictureActive(nullptr, library.get(), &frame, true);
    EXPECT_TRUE(pictureActive.AddButton()->isEnabled());
}

TEST_F(PattDialogTest, FailedAddShowsTheMessageAndChangesNothing)
{
    std::vector<std::pair<QString, QString>> boxes;
    auto previous = depthmap_ui::SetUiMessageBoxProvider([&](QWidget*, const QString& text, const QString& caption,
                                                             unsigned) {
        boxes.emplace_back(text, caption);
        return platform::IDOK;
    });
    TPattDialog dialog(nullptr, library.get(), &frame, true);
    dialog.AddButton()->click();
    depthmap_ui::SetUiMessageBoxProvider(previous);
    ASSERT_EQ(frame.addRequests, std::vector<std::uintptr_t>{5});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, QString("Unable to add the pattern."));
    EXPECT_EQ(boxes[0].second, QString("Add Pattern"));
    EXPECT_EQ(library->GetSelection(), 3);
    EXPECT_EQ(dialog.PatternLabel(), QString("Pattern No. 4"));
}

TEST_F(PattDialogTest, AddedPatternBecomesTheWorkingOne)
{
    frame.onAdd = [this] {
        library->Append(Tile(99), Colours());
        return 1;
    };
    TPattDialog dialog(nullptr, library.get(), &frame, true);
    dialog.AddButton()->click();
    EXPECT_EQ(library->GetSelection(), 5);
    EXPECT_EQ(dialog.PatternLabel(), QString("Pattern No. 6"));
    // Next from the new last pattern wraps to the first.
    dialog.NextButton()->click();
    EXPECT_EQ(library->GetSelection(), 0);
    dialog.reject();
    EXPECT_EQ(library->GetSelection(), 3);
}

} // namespace
