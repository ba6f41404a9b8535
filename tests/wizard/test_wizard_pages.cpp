// The wizard's pages and the figure selection as the user meets them, and
// the driver's way through them: Next, Back and Cancel from every page,
// Cancel putting the settings and the pattern back, the source choice handed
// back to be remembered, and page-2 values corrected as the settings
// dialog would correct them.

#include "QtTestApp.h"

#include "wizard/AlgoWizDlg.h"
#include "wizard/MathDlg.h"
#include "wizard/PattWizDlg.h"
#include "wizard/SettWizDlg.h"
#include "wizard/SourceWizDlg.h"
#include "wizard/WizardDriver.h"

#include "pictrans/GraphicFormats.h"
#include "engine/SirdsSettings.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/TPattDialog.h"
#include "terrakit/terrakit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>

using namespace wizard;

namespace {

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        InitFigureTitles();
        ASSERT_TRUE(dir.isValid());
    }

    // A library of n patterns whose first pixel tells them apart.
    static std::unique_ptr<engine::TSirdPatt> library(int n, int selected)
    {
        auto patterns = std::make_unique<engine::TSirdPatt>(nullptr, "", selected);
        for (int i = 0; i < n; ++i) {
            auto tile = platform::Bitmap::create(8, 8, 8);
            tile->setPixel(0, 0, static_cast<std::uint32_t>(i));
            patterns->Append(std::move(tile), std::make_unique<platform::Palette>(
                                                  std::vector<platform::PALETTEENTRY>(256)));
        }
        patterns->Select(selected);
        return patterns;
    }

    QTemporaryDir dir;
    // Nothing remembered yet.
    const SourceChoice first{};
};

QString figureTitle(int index)
{
    char buffer[129] = {};
    GetFigureTitle(index, buffer, 128);
    return QString::fromLatin1(buffer);
}

} // namespace

TEST_F(WizardTest, FigureSelectionListsTheCatalogueAndReturnsTheChoice)
{
    MathDlg dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Math SIRDS Selection"));
    ASSERT_EQ(dialog.List()->count(), 23);
    for (int i = 0; i < 23; ++i)
        EXPECT_EQ(dialog.List()->item(i)->text(), figureTitle(i)) << i;
    EXPECT_EQ(dialog.List()->item(0)->text(), QStringLiteral("Round Crater"));
    EXPECT_EQ(dialog.List()->item(22)->text(), QStringLiteral("Spiral Lanes 4"));
    EXPECT_TRUE(dialog.List()->findItems(QStringLiteral("Flat Plane"), Qt::MatchExactly).isEmpty());

    // OK without moving the selection: the first figure.
    dialog.Button(1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedIndex(), 0);
    EXPECT_EQ(dialog.SelectedTitle(), QStringLiteral("Round Crater"));

    MathDlg other(nullptr);
    other.List()->setCurrentRow(6);
    other.Button(1)->click();
    EXPECT_EQ(other.SelectedIndex(), 6);
    EXPECT_EQ(other.SelectedTitle(), figureTitle(6));

    // Cancel reports nothing chosen.
    MathDlg cancelled(nullptr);
    cancelled.List()->setCurrentRow(9);
    cancelled.Button(2)->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_EQ(cancelled.SelectedTitle(), QString());
}

TEST_F(WizardTest, PagesShareTheCaptionPictureAndButtons)
{
    engine::SirdsSettings settings;
    auto patterns = library(2, 0);
    SourceWizDlg source(nullptr, first);
    SettWizDlg dimensions(nullptr, settings);
    PattWizDlg pattern(nullptr, patterns.get());
    AlgoWizDlg method(nullptr, settings);
    for (WizardDlg* page : std::initializer_list<WizardDlg*>{&source, &dimensions, &pattern, &method}) {
        SCOPED_TRACE(page->TemplateId());
        EXPECT_EQ(page->windowTitle(), QStringLiteral("SIRDS Wizard"));
        ASSERT_NE(page->Picture(), nullptr);
        EXPECT_FALSE(page->Picture()->pixmap().isNull());
        EXPECT_EQ(page->Button(2)->text(), QStringLiteral("Cancel"));
        EXPECT_TRUE(page->Button(101)->isDefault());
        EXPECT_EQ(page->size(), source.size());
        if (page == &source) {
            EXPECT_EQ(page->Button(102), nullptr);
        } else {
            EXPECT_EQ(page->Button(102)->text(), QStringLiteral("< Back"));
        }
        EXPECT_EQ(page->Button(101)->text(), page == &method ? QStringLiteral("Make SIRDS") : QStringLiteral("Next >"));
    }
    EXPECT_EQ(source.Radio(102)->text(), QStringLiteral("From Bitmap image"));
    EXPECT_EQ(source.Radio(103)->text(), QStringLiteral("From Depth Map"));
    EXPECT_EQ(source.Radio(104)->text(), QStringLiteral("From Math Library"));
    EXPECT_EQ(method.Radio(103)->text(), QStringLiteral("Left-to-right"));
    EXPECT_EQ(method.Radio(104)->text(), QStringLiteral("McMahon (recommended)"));
    EXPECT_EQ(method.Radio(105)->text(), QStringLiteral("Feucht"));
    EXPECT_EQ(method.Radio(106)->text(), QStringLiteral("Hidden Surface"));
    // Back and Cancel end the page with their own results; Back stores nothing.
    dimensions.Edit(104)->setText(QStringLiteral("999"));
    dimensions.Button(102)->click();
    EXPECT_EQ(dimensions.result(), kResultBack);
    EXPECT_EQ(dimensions.Settings().w, 400);
    method.Button(2)->click();
    EXPECT_EQ(method.result(), QDialog::Rejected);
}

TEST_F(WizardTest, SourcePageStartsWithTheFirstFigureAndHandsItBackOnNext)
{
    {
        SourceWizDlg page(nullptr, first);
        EXPECT_TRUE(page.Radio(104)->isChecked());
        EXPECT_EQ(page.SourceEdit()->text(), QStringLiteral("Round Crater"));
        EXPECT_TRUE(page.SourceEdit()->isReadOnly());
        EXPECT_TRUE(page.Button(101)->isEnabled());
        page.Button(2)->click();
        EXPECT_EQ(page.result(), QDialog::Rejected);
    }
    {
        SourceWizDlg page(nullptr, first);
        page.Button(101)->click();
        EXPECT_EQ(page.result(), kResultNext);
        EXPECT_EQ(page.SourceType(), kSourceMath);
        EXPECT_EQ(page.Choice(), (SourceChoice{kSourceMath, 0, "Round Crater"}));
    }
}

TEST_F(WizardTest, SourcePageChoosesFilesAndFiguresAndRemembersThem)
{
    std::vector<QStringList> asked;
    QString answer;
    auto chooser = [&](const QString& title, const QString& filter, const QString& extension) {
        asked.push_back({title, filter, extension});
        return answer;
    };
    const QString picture = dir.filePath(QStringLiteral("Faces/Moon.BMP"));
    SourceChoice stored;
    {
        SourceWizDlg page(nullptr, first);
        page.SetFileChooser(chooser);
        // A cancelled file dialog leaves the page as it was.
        answer.clear();
        page.Radio(102)->click();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0][0], QStringLiteral("Select File"));
        // Every picture format the program opens, from the table of file kinds.
        EXPECT_TRUE(asked[0][1].startsWith(QStringLiteral("Bitmap Files (*.BMP)|*.bmp *.dib|PCX Files (*.PCX)|*.pcx|"
                                                          "GIF Files (*.GIF)|*.gif|PNG Files (*.PNG)|*.png|")))
            << asked[0][1].toStdString();
        EXPECT_EQ(asked[0][1].toStdString(), pictrans::readableFilterString());
        EXPECT_TRUE(SourceWizDlg::NameFilters(asked[0][1]).contains(QStringLiteral("PNG Files (*.png *.PNG)")));
        EXPECT_EQ(asked[0][2], QStringLiteral("bmp"));
        EXPECT_TRUE(page.Radio(104)->isChecked());
        EXPECT_EQ(page.SourceEdit()->text(), QStringLiteral("Round Crater"));

        answer = dir.filePath(QStringLiteral("scene.rds"));
        page.Radio(103)->click();
        ASSERT_EQ(asked.size(), 2u);
        EXPECT_EQ(asked[1][1], QStringLiteral("Depth Map File (*.RDS)|*.rds|"));
        EXPECT_EQ(asked[1][2], QStringLiteral("rds"));
        EXPECT_TRUE(page.Radio(103)->isChecked());

        // The name keeps its case: on this system it would name another file.
        answer = picture;
        page.Radio(102)->click();
        EXPECT_TRUE(page.Radio(102)->isChecked());
        EXPECT_EQ(page.SourceEdit()->text(), picture);
        page.Button(101)->click();
        EXPECT_EQ(page.SourceType(), kSourcePicture);
        EXPECT_EQ(page.SourceName(), picture);
        stored = page.Choice();
    }
    // The next run starts from the stored source.
    EXPECT_EQ(stored.sourceType, kSourcePicture);
    EXPECT_EQ(stored.sourceName.value_or(""), picture.toStdString());
    {
        SourceWizDlg page(nullptr, stored);
        EXPECT_TRUE(page.Radio(102)->isChecked());
        EXPECT_EQ(page.SourceEdit()->text(), picture);

        // A figure: the selection's title and index.
        page.SetDialogRunner([](QDialog& dialog) {
            auto& figures = dynamic_cast<MathDlg&>(dialog);
            figures.List()->setCurrentRow(11);
            figures.Button(1)->click();
            return figures.result();
        });
        page.Radio(104)->click();
        EXPECT_EQ(page.SourceEdit()->text(), figureTitle(11));
        page.Button(101)->click();
        EXPECT_EQ(page.SourceType(), kSourceMath);
        EXPECT_EQ(page.FigureIndex(), 11);
        EXPECT_EQ(page.Choice(), (SourceChoice{kSourceMath, 11, figureTitle(11).toStdString()}));
    }
}

TEST_F(WizardTest, SourcePageOffersAModelOnlyWithTheFilterItIsHanded)
{
    const QString filter = QStringLiteral("3-D Models (*.STL)|*.stl *.obj *.glb|");
    const QString model = dir.filePath(QStringLiteral("Parts/Gear.STL"));
    std::vector<QStringList> asked;
    SourceChoice stored;
    {
        SourceWizDlg page(nullptr, first, filter);
        page.SetFileChooser([&](const QString& title, const QString& f, const QString& extension) {
            asked.push_back({title, f, extension});
            return model;
        });
        EXPECT_FALSE(page.Radio(106)->isHidden());
        EXPECT_TRUE(page.Radio(106)->text().contains(QStringLiteral("3-D model")));
        page.Radio(106)->click();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0][1], filter);
        EXPECT_EQ(asked[0][2], QStringLiteral("stl"));
        EXPECT_TRUE(page.Radio(106)->isChecked());
        page.Button(101)->click();
        EXPECT_EQ(page.SourceType(), kSourceModel);
        EXPECT_EQ(page.SourceName(), model);
        stored = page.Choice();
    }
    EXPECT_EQ(stored, (SourceChoice{kSourceModel, 0, model.toStdString()}));
    {
        SourceWizDlg page(nullptr, stored, filter);
        EXPECT_TRUE(page.Radio(106)->isChecked());
        EXPECT_EQ(page.SourceEdit()->text(), model);
    }
    // A program that opens no models offers none, and a stored model falls
    // back to the first figure.
    SourceWizDlg page(nullptr, stored);
    EXPECT_TRUE(page.Radio(106)->isHidden());
    EXPECT_TRUE(page.Radio(104)->isChecked());
    page.Button(101)->click();
    EXPECT_EQ(page.SourceType(), kSourceMath);
}

TEST_F(WizardTest, SourcePageFollowsTheKeyboardAndSurvivesAGarbledSection)
{
    SourceWizDlg page(nullptr, SourceChoice{7, 99, "nonsense"});
    EXPECT_TRUE(page.Radio(104)->isChecked());
    EXPECT_EQ(page.SourceEdit()->text(), QStringLiteral("Round Crater"));
    EXPECT_EQ(page.FigureIndex(), 0);

    // Moving the check with the arrow keys chooses a source as a click does.
    int asked = 0;
    page.SetFileChooser([&](const QString&, const QString&, const QString&) {
        ++asked;
        return QStringLiteral("/tmp/a.gif");
    });
    page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    // The keyboard starts on the checked source.
    ASSERT_EQ(QApplication::focusWidget(), page.Radio(104));
    QTest::keyClick(page.Radio(104), Qt::Key_Up);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(page.Radio(103)->isChecked());
    EXPECT_EQ(page.SourceEdit()->text(), QStringLiteral("/tmp/a.gif"));
    page.Button(101)->click();
    EXPECT_EQ(page.SourceType(), kSourceDepthMap);
}

TEST_F(WizardTest, DimensionsPageReadsNumbersAsTheRuntimeDoes)
{
    engine::SirdsSettings settings;
    settings.w = 640;
    settings.h = 480;
    settings.zmin = 5;
    settings.zmax = 70;
    SettWizDlg page(nullptr, settings);
    EXPECT_EQ(page.Edit(104)->text(), QStringLiteral("640"));
    EXPECT_EQ(page.Edit(105)->text(), QStringLiteral("480"));
    EXPECT_EQ(page.Edit(103)->text(), QStringLiteral("5"));
    EXPECT_EQ(page.Edit(114)->text(), QStringLiteral("70"));
    page.Edit(104)->setText(QStringLiteral("wide"));
    page.Edit(105)->setText(QStringLiteral("  321px"));
    page.Edit(103)->setText(QStringLiteral("-7"));
    page.Edit(114)->setText(QStringLiteral("99999999999999"));
    page.Button(101)->click();
    EXPECT_EQ(page.Settings().w, 0);
    EXPECT_EQ(page.Settings().h, 321);
    EXPECT_EQ(page.Settings().zmin, -7);
    EXPECT_EQ(page.Settings().zmax, 2147483647);
    EXPECT_EQ(PageInteger(QStringLiteral("-99999999999999")), -2147483647 - 1);
    EXPECT_EQ(PageInteger(QStringLiteral("+12")), 12);
}

TEST_F(WizardTest, PatternPageWrapsAndSelectsAtOnce)
{
    auto patterns = library(3, 0);
    PattWizDlg page(nullptr, patterns.get());
    EXPECT_EQ(page.PatternLabel(), QStringLiteral("Pattern No. 1"));
    EXPECT_EQ(page.Sample()->GetBitmap(), patterns->GetBitmap());
    page.PrevPattern()->click();
    EXPECT_EQ(page.PatternIndex(), 2);
    EXPECT_EQ(patterns->GetSelection(), 2);
    EXPECT_EQ(page.PatternLabel(), QStringLiteral("Pattern No. 3"));
    EXPECT_EQ(page.Sample()->GetBitmap(), patterns->GetBitmap());
    EXPECT_EQ(page.Sample()->GetBitmap()->pixel(0, 0), 2u);
    page.NextPattern()->click();
    EXPECT_EQ(page.PatternIndex(), 0);
    EXPECT_EQ(page.PatternLabel(), QStringLiteral("Pattern No. 1"));
    page.NextPattern()->click();
    EXPECT_EQ(patterns->GetSelection(), 1);
    EXPECT_EQ(page.Sample()->GetBitmap()->pixel(0, 0), 1u);

    // An empty library leaves nothing to browse.
    engine::TSirdPatt empty(nullptr, "", 0);
    PattWizDlg none(nullptr, &empty);
    EXPECT_FALSE(none.NextPattern()->isEnabled());
    EXPECT_FALSE(none.PrevPattern()->isEnabled());
}

TEST_F(WizardTest, ScanMethodPageChecksTheMethodAndStoresTheChoice)
{
    engine::SirdsSettings settings;
    settings.ShiftDir = engine::Feucht;
    AlgoWizDlg page(nullptr, settings);
    EXPECT_TRUE(page.Radio(105)->isChecked());
    page.Radio(103)->click();
    page.Button(101)->click();
    EXPECT_EQ(page.result(), kResultNext);
    EXPECT_EQ(page.Settings().ShiftDir, engine::LeftToRight);

    // The hidden-surface method is offered too.
    settings.ShiftDir = engine::HiddenSurface;
    AlgoWizDlg hidden(nullptr, settings);
    EXPECT_TRUE(hidden.Radio(106)->isChecked());
    hidden.Radio(105)->click();
    hidden.Radio(106)->click();
    hidden.Button(101)->click();
    EXPECT_EQ(hidden.Settings().ShiftDir, engine::HiddenSurface);

    // A method the program does not know offers the recommended one.
    settings.ShiftDir = 0;
    AlgoWizDlg unknown(nullptr, settings);
    EXPECT_TRUE(unknown.Radio(104)->isChecked());
    unknown.Button(101)->click();
    EXPECT_EQ(unknown.Settings().ShiftDir, engine::McMahon);
}

namespace {

// Answers each page from a script of page numbers and buttons; a page
// with an action of its own runs it before its button is pressed.
struct Script {
    std::deque<std::pair<int, int>> steps; // template, button id (2 Cancel)
    std::map<int, std::function<void(WizardDlg&)>> edits;
    bool mismatch = false;

    WizardDriver::DialogRunner runner()
    {
        return [this](QDialog& dialog) {
            auto* page = dynamic_cast<WizardDlg*>(&dialog);
            if (!page || steps.empty() || steps.front().first != page->TemplateId()) {
                mismatch = true;
                return static_cast<int>(QDialog::Rejected);
            }
            const int button = steps.front().second;
            steps.pop_front();
            if (auto edit = edits.find(page->TemplateId()); edit != edits.end())
                edit->second(*page);
            page->Button(button)->click();
            return page->result();
        };
    }
};

} // namespace

TEST_F(WizardTest, DriverGoesNextAndBackThroughEveryPage)
{
    engine::SirdsSettings settings;
    auto patterns = library(4, 1);
    WizardDriver driver(nullptr, settings, patterns.get(), first);
    Script script;
    script.steps = {{201, 101}, {202, 101}, {203, 101}, {204, 102}, {203, 102}, {202, 102},
                    {201, 101}, {202, 101}, {203, 101}, {204, 101}};
    script.edits[203] = [](WizardDlg& page) { static_cast<PattWizDlg&>(page).NextPattern()->click(); };
    script.edits[204] = [](WizardDlg& page) { static_cast<AlgoWizDlg&>(page).Radio(105)->click(); };
    driver.SetDialogRunner(script.runner());
    const WizardResult result = driver.Run();
    EXPECT_FALSE(script.mismatch);
    EXPECT_TRUE(script.steps.empty());
    EXPECT_EQ(driver.PagesShown(), (std::vector<int>{201, 202, 203, 204, 203, 202, 201, 202, 203, 204}));
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.sourceType, kSourceMath);
    EXPECT_EQ(result.sourceName, QStringLiteral("Round Crater"));
    EXPECT_EQ(result.figureIndex, 0);
    // The pattern page was passed three times with Next pressed on it each
    // time: 1 -> 2 -> 3 -> 0.
    EXPECT_EQ(patterns->GetSelection(), 0);
    EXPECT_EQ(settings.ShiftDir, engine::Feucht);
}

TEST_F(WizardTest, CancelOnAnyPagePutsSettingsAndPatternBack)
{
    for (int cancelAt : {201, 202, 203, 204}) {
        SCOPED_TRACE(cancelAt);
        engine::SirdsSettings settings;
        settings.w = 300;
        settings.zmax = 40;
        settings.ShiftDir = engine::LeftToRight;
        const engine::SirdsSettings before = settings;
        auto patterns = library(5, 3);
        WizardDriver driver(nullptr, settings, patterns.get(), first);
        Script script;
        for (int page = 201; page < cancelAt; ++page)
            script.steps.push_back({page, 101});
        script.steps.push_back({cancelAt, 2});
        script.edits[202] = [](WizardDlg& page) {
            auto& dims = static_cast<SettWizDlg&>(page);
            dims.Edit(104)->setText(QStringLiteral("800"));
            dims.Edit(114)->setText(QStringLiteral("90"));
        };
        script.edits[203] = [](WizardDlg& page) { static_cast<PattWizDlg&>(page).PrevPattern()->click(); };
        script.edits[204] = [](WizardDlg& page) { static_cast<AlgoWizDlg&>(page).Radio(104)->click(); };
        driver.SetDialogRunner(script.runner());
        const WizardResult result = driver.Run();
        EXPECT_FALSE(script.mismatch);
        EXPECT_FALSE(result.finished);
        EXPECT_EQ(settings, before);
        EXPECT_EQ(patterns->GetSelection(), 3);
        // Leaving the source page with Next chose a source, whatever came after.
        EXPECT_EQ(driver.ChosenSource(),
                  cancelAt == 201 ? std::nullopt : std::optional(SourceChoice{kSourceMath, 0, "Round Crater"}));
    }
    // Cancel on page 3 after Back from page 4, the pattern changed twice.
    engine::SirdsSettings settings;
    auto patterns = library(5, 3);
    WizardDriver driver(nullptr, settings, patterns.get(), first);
    Script script;
    script.steps = {{201, 101}, {202, 101}, {203, 101}, {204, 102}, {203, 2}};
    script.edits[203] = [](WizardDlg& page) { static_cast<PattWizDlg&>(page).NextPattern()->click(); };
    driver.SetDialogRunner(script.runner());
    EXPECT_FALSE(driver.Run().finished);
    EXPECT_EQ(patterns->GetSelection(), 3);
    EXPECT_EQ(settings, engine::SirdsSettings{});
}

TEST_F(WizardTest, DimensionsReachTheSettingsOnlyThroughTheDialogsCorrections)
{
    // What the stereogram is made with; the program's settings take it only
    // when the page keeps it, and stay as they were otherwise.
    auto run = [this](const char* width, const char* height, const char* zmin, const char* zmax,
                      engine::SirdsSettings start) {
        engine::SirdsSettings made;
        for (const bool keep : {false, true}) {
            engine::SirdsSettings program = start;
            WizardDriver driver(nullptr, program, nullptr, first);
            Script script;
            script.steps = {{201, 101}, {202, 101}, {203, 101}, {204, 101}};
            script.edits[202] = [=](WizardDlg& page) {
                auto& dims = static_cast<SettWizDlg&>(page);
                dims.Edit(104)->setText(QString::fromLatin1(width));
                dims.Edit(105)->setText(QString::fromLatin1(height));
                dims.Edit(103)->setText(QString::fromLatin1(zmin));
                dims.Edit(114)->setText(QString::fromLatin1(zmax));
                dims.KeepBox()->setChecked(keep);
            };
            driver.SetDialogRunner(script.runner());
            const WizardResult result = driver.Run();
            EXPECT_TRUE(result.finished);
            EXPECT_EQ(result.keptAsDefault, keep);
            engine::SirdsSettings untouched = start;
            untouched.ShiftDir = result.made.ShiftDir;
            EXPECT_EQ(program, keep ? result.made : untouched);
            made = result.made;
        }
        return made;
    };
    engine::SirdsSettings s = run("abc", "0", "50", "10", {});
    EXPECT_EQ(s.w, 200); // not a number: 0, then twice the gap
    EXPECT_EQ(s.h, 400);
    EXPECT_EQ(s.zmin, 10);
    EXPECT_EQ(s.zmax, 50);
    s = run("1300", "1200", "20", "20", {});
    EXPECT_EQ(s.w, 400);
    EXPECT_EQ(s.h, 1200);
    EXPECT_EQ(s.zmin, 0); // no depth range: the default range
    EXPECT_EQ(s.zmax, 63);
    // A configuration file's gap outside the dialog's range is corrected
    // first, and the width is checked against the corrected gap.
    engine::SirdsSettings garbled;
    garbled.gapValue = 0;
    garbled.ShiftDir = 9;
    s = run("150", "-5", "0", "63", garbled);
    EXPECT_EQ(s.gapValue, 100);
    EXPECT_EQ(s.w, 200);
    EXPECT_EQ(s.h, 400);
    EXPECT_EQ(s.ShiftDir, engine::McMahon);
}

TEST_F(WizardTest, CorrectedSettingsAreAlwaysOnesTheDialogAccepts)
{
    // Whatever is typed, the result passes the command line's checks, which
    // refuse what the dialog would correct and an empty depth range.
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> any(-3000, 3000);
    std::uniform_int_distribution<std::int32_t> small(-3, 3);
    for (int i = 0; i < 2000; ++i) {
        engine::SirdsSettings typed;
        typed.w = any(random);
        typed.h = any(random);
        typed.zmin = i % 3 == 0 ? small(random) : any(random);
        typed.zmax = i % 3 == 0 ? small(random) : any(random);
        typed.gapValue = i % 5 == 0 ? any(random) : 100;
        typed.dx = i % 7 == 0 ? any(random) : 0;
        const engine::SirdsSettings corrected = CorrectedSettings(typed);
        ASSERT_EQ(engine::checkSettings(corrected), "") << typed.w << ' ' << typed.h << ' ' << typed.zmin << ' '
                                                        << typed.zmax << ' ' << typed.gapValue;
        // Values the dialog accepts stay as typed.
        if (typed.gapValue == 100 && typed.w > 200 && typed.w <= 1200 && typed.h >= 1 && typed.h <= 1200) {
            ASSERT_EQ(std::make_pair(corrected.w, corrected.h), std::make_pair(typed.w, typed.h));
        }
    }
}
