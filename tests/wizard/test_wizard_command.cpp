// The SIRDS Wizard run from the frame: the command and its shortcut, each
// kind of source ending in the same stereogram as the menu commands make,
// Cancel leaving the program as it was, and the last source remembered
// from one run of the program to the next.

#include "FrameFixture.h"
#include "ModelFiles.h"
#include "ModelShapes.h"

#include "gui/Commands.h"
#include "gui/FrameRules.h"

#include "app/FileKinds.h"
#include "models_ui/TModelWindow.h"

#include "engine/TSirdPatt.h"
#include "depthmap_ui/TMapWindow.h"
#include "engine_ui/TSirdsWnd.h"
#include "pictrans/GraphicFormats.h"
#include "terrakit/terrakit.h"
#include "wizard/AlgoWizDlg.h"
#include "wizard/MathDlg.h"
#include "wizard/PattWizDlg.h"
#include "wizard/SettWizDlg.h"
#include "wizard/SourceWizDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

using namespace gui;
using testing_frame::FrameTest;
using testing_frame::gradient;
using testing_frame::grayPalette;

namespace {

class Wizard : public FrameTest {
protected:
    // Every page answered with Next unless a step for its template says
    // otherwise; each step may touch the page first and returns its button.
    using Step = std::function<int(wizard::WizardDlg&)>;

    void startWizardFrame()
    {
        start();
        frame()->SetDialogRunner([this](QDialog& dialog) {
            if (auto* figures = dynamic_cast<wizard::MathDlg*>(&dialog)) {
                figures->List()->setCurrentRow(figure);
                figures->Button(1)->click();
                return figures->result();
            }
            auto& page = dynamic_cast<wizard::WizardDlg&>(dialog);
            pages.push_back(page.TemplateId());
            int button = wizard::kResultNext;
            if (auto step = steps.find(page.TemplateId()); step != steps.end())
                button = step->second(page);
            page.Button(button)->click();
            return page.result();
        });
    }

    // Runs the wizard and then whatever it posted.
    void runWizard()
    {
        frame()->Command(CM_WIZARD);
        settle();
    }

    // Lets posted commands run and a generation finish.
    void settle()
    {
        QApplication::processEvents();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !frame()->Busy(); }));
        QApplication::processEvents();
    }

    int windows() const { return static_cast<int>(frame()->Client()->subWindowList().size()); }

    std::vector<engine_ui::TSirdsWnd*> pictures() const
    {
        std::vector<engine_ui::TSirdsWnd*> out;
        for (QMdiSubWindow* sub : frame()->Client()->subWindowList(QMdiArea::CreationOrder))
            if (auto* picture = qobject_cast<engine_ui::TSirdsWnd*>(sub->widget()))
                out.push_back(picture);
        return out;
    }

    // A picture file written by the program itself.
    QString savePicture(const QString& name, int width, int height)
    {
        auto* picture = new engine_ui::TSirdsWnd(nullptr, "pic", frame()->FrameWindow(), gradient(width, height),
                                                 grayPalette(), width, height, engine_ui::SourcePicture,
                                                 &frame()->Settings());
        frame()->AddDocument(picture);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(frame()->SaveActiveAs(path));
        frame()->Client()->closeAllSubWindows();
        QApplication::processEvents();
        return path;
    }

    Step chooseFile(int radio, const QString& path)
    {
        return [this, radio, path](wizard::WizardDlg& page) {
            nextFileName = path;
            static_cast<wizard::SourceWizDlg&>(page).Radio(radio)->click();
            return wizard::kResultNext;
        };
    }

    std::map<int, Step> steps;
    std::vector<int> pages;
    int figure = 0;
};

bool samePicture(const engine_ui::TSirdsWnd& a, const engine_ui::TSirdsWnd& b)
{
    const platform::Bitmap* x = a.GetPicture();
    const platform::Bitmap* y = b.GetPicture();
    if (!x || !y || x->width() != y->width() || x->height() != y->height() || x->bitsPerPixel() != y->bitsPerPixel())
        return false;
    for (int row = 0; row < x->height(); ++row)
        if (std::memcmp(x->row(row), y->row(row), x->stride()) != 0)
            return false;
    return true;
}

} // namespace

TEST_F(Wizard, CommandIsOfferedByMenuToolBarAndShortcut)
{
    startWizardFrame();
    QAction* action = frame()->Action(CM_WIZARD);
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->isEnabled());
    EXPECT_EQ(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+M")));
    bool onToolBar = false;
    for (int id : MainToolBarButtons())
        onToolBar = onToolBar || id == CM_WIZARD;
    EXPECT_TRUE(onToolBar);
    // The shortcut reaches the wizard: its first page is run.
    action->activate(QAction::Trigger);
    QApplication::processEvents();
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(pages.front(), 201);
}

TEST_F(Wizard, MathSourceMakesOneStereogramOfThatFigureAndReadsNoFile)
{
    startWizardFrame();
    figure = 4;
    steps[201] = [](wizard::WizardDlg& page) {
        static_cast<wizard::SourceWizDlg&>(page).Radio(104)->click();
        return wizard::kResultNext;
    };
    steps[202] = [](wizard::WizardDlg& page) {
        auto& dims = static_cast<wizard::SettWizDlg&>(page);
        dims.Edit(104)->setText(QStringLiteral("260"));
        dims.Edit(105)->setText(QStringLiteral("140"));
        dims.KeepBox()->setChecked(true);
        return wizard::kResultNext;
    };
    runWizard();
    EXPECT_EQ(pages, (std::vector<int>{201, 202, 203, 204}));
    EXPECT_TRUE(chooserCalls.empty());
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(windows(), 1);
    engine_ui::TSirdsWnd* made = frame()->ActivePicture();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsSird());
    char title[64] = {};
    GetFigureTitle(4, title, 40);
    EXPECT_EQ(made->GetTitle(), LowerCase(title));
    ASSERT_NE(made->GetPicture(), nullptr);
    EXPECT_EQ(made->GetPicture()->width(), 260);
    EXPECT_EQ(made->GetPicture()->height(), 140);

    // The figure's own menu command with the settings the wizard kept makes
    // the same picture.
    frame()->Command(CM_FIGUREFIRST + 4);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 2);
    EXPECT_TRUE(samePicture(*pictures()[0], *pictures()[1]));
}

TEST_F(Wizard, PictureSourceMakesWhatOpenAndMakeSirdsMake)
{
    startWizardFrame();
    const QString path = savePicture(QStringLiteral("Face.GIF"), 230, 90);
    ASSERT_EQ(windows(), 0);
    chooserCalls.clear();
    steps[201] = chooseFile(102, path);
    steps[204] = [](wizard::WizardDlg& page) {
        static_cast<wizard::AlgoWizDlg&>(page).Radio(105)->click();
        return wizard::kResultNext;
    };
    runWizard();
    ASSERT_EQ(chooserCalls.size(), 1u);
    EXPECT_FALSE(chooserCalls[0].save);
    // One filter a picture format that opens.
    EXPECT_EQ(chooserCalls[0].filters.size(),
              std::ranges::count_if(pictrans::graphicFormats(), [](const auto& f) { return f.can(pictrans::kReads); }));
    // The file dialogs start where the source was found.
    EXPECT_EQ(frame()->LastFolder(), dir.path());
    // The picture's depth goes beyond Zmax: the one box is the offer to fit it
    // (declined, so the stereogram is made as Open and Make SIRDS make it).
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("The depth of face.gif goes up to 255")));
    EXPECT_EQ(frame()->Settings().ShiftDir, engine::Feucht);
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatGif);
    ASSERT_EQ(windows(), 2);
    std::vector<engine_ui::TSirdsWnd*> made = pictures();
    EXPECT_EQ(made[0]->GetTitle(), "face.gif");
    EXPECT_FALSE(made[0]->IsSird());
    EXPECT_TRUE(made[1]->IsSird());
    EXPECT_EQ(frame()->ActivePicture(), made[1]);

    frame()->OpenFile(path);
    frame()->Command(CM_MAKESIRDS);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 4);
    made = pictures();
    EXPECT_EQ(made[3]->GetTitle(), made[1]->GetTitle());
    EXPECT_TRUE(samePicture(*made[1], *made[3]));
    ASSERT_NE(made[1]->GetPalette(), nullptr);
    ASSERT_NE(made[3]->GetPalette(), nullptr);
    const auto first = made[1]->GetPalette()->entries();
    const auto second = made[3]->GetPalette()->entries();
    EXPECT_TRUE(std::equal(first.begin(), first.end(), second.begin(), second.end()));
}

TEST_F(Wizard, UnreadableSourceGetsOpensMessagesAndMakesNothing)
{
    startWizardFrame();
    const QString missing = dir.filePath(QStringLiteral("gone.bmp"));
    frame()->OpenFile(missing);
    const std::vector<testing_frame::ShownBox> openBoxes = boxes.shown;
    ASSERT_FALSE(openBoxes.empty());
    EXPECT_TRUE(openBoxes.back().text.startsWith(QStringLiteral("Error Opening the Bitmap file")))
        << openBoxes.back().text.toStdString();

    // Another picture is active: the stereogram must not be made of it.
    savePicture(QStringLiteral("other.bmp"), 220, 60);
    frame()->OpenFile(dir.filePath(QStringLiteral("other.bmp")));
    ASSERT_EQ(windows(), 1);
    boxes.shown.clear();
    steps[201] = chooseFile(102, missing);
    runWizard();
    ASSERT_EQ(boxes.shown.size(), openBoxes.size());
    for (std::size_t i = 0; i < openBoxes.size(); ++i) {
        EXPECT_EQ(boxes.shown[i].text, openBoxes[i].text);
        EXPECT_EQ(boxes.shown[i].caption, openBoxes[i].caption);
    }
    EXPECT_EQ(windows(), 1);
    EXPECT_FALSE(frame()->ActivePicture()->IsSird());
}

TEST_F(Wizard, DepthMapSourceMakesWhatOpenAndMakeSirdsMake)
{
    startWizardFrame();
    const QString map = QStringLiteral(DOTSCAPE_TESTDATA_DIR "/rds/two-objects.rds");
    steps[201] = chooseFile(103, map);
    runWizard();
    ASSERT_EQ(chooserCalls.size(), 1u);
    EXPECT_EQ(chooserCalls[0].filters, QStringList{QStringLiteral("Depth Map File (*.rds *.RDS)")});
    EXPECT_EQ(chooserCalls[0].defaultSuffix, QStringLiteral("rds"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(frame()->GraphicsFormat(), kFormatDepthMap);
    ASSERT_EQ(windows(), 2);
    const QList<QMdiSubWindow*> made = frame()->Client()->subWindowList(QMdiArea::CreationOrder);
    EXPECT_EQ(qobject_cast<engine_ui::TSirdsWnd*>(made[0]->widget()), nullptr); // the map
    ASSERT_EQ(pictures().size(), 1u);
    EXPECT_TRUE(pictures()[0]->IsSird());
    EXPECT_EQ(frame()->ActivePicture(), pictures()[0]);

    frame()->OpenFile(map);
    QApplication::processEvents();
    EXPECT_EQ(frame()->ActiveKind(), kKindDepthMap);
    frame()->Command(CM_MAKESIRDS);
    settle();
    ASSERT_EQ(windows(), 4);
    ASSERT_EQ(pictures().size(), 2u);
    EXPECT_TRUE(samePicture(*pictures()[0], *pictures()[1]));
}

TEST_F(Wizard, ModelSourceOpensItsWindowAndMakesWhatMakeSirdsMakes)
{
    startWizardFrame();
    const QString path = dir.filePath(QStringLiteral("gear.stl"));
    model_test::save(path.toStdString(), model_test::stlBinary(model_test::torus()));
    steps[201] = chooseFile(106, path);
    runWizard();
    // The filter of the model files Open reads, from the table of file kinds.
    ASSERT_EQ(chooserCalls.size(), 1u);
    EXPECT_EQ(chooserCalls[0].filters,
              wizard::SourceWizDlg::NameFilters(QString::fromStdString(app::kindFilterString(app::kFormatModel))));
    EXPECT_TRUE(chooserCalls[0].filters.value(0).startsWith(QStringLiteral("3-D Models (*.stl")));
    // A model spans levels 0 to 255, beyond the default Zmax: the one box is
    // the offer to fit it, as for a picture (declined here).
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Depth Beyond Zmax"));
    ASSERT_EQ(windows(), 2);
    const QList<QMdiSubWindow*> made = frame()->Client()->subWindowList(QMdiArea::CreationOrder);
    const auto* model = qobject_cast<models_ui::TModelWindow*>(made[0]->widget());
    ASSERT_NE(model, nullptr);
    const models::Camera camera = model->Camera(), fresh{};
    EXPECT_TRUE(!camera.up && camera.yaw == fresh.yaw && camera.pitch == fresh.pitch && camera.roll == fresh.roll &&
                camera.fov == fresh.fov && camera.zoom == fresh.zoom)
        << "the model is seen with the default camera";
    ASSERT_EQ(pictures().size(), 1u);
    EXPECT_TRUE(pictures()[0]->IsSird());

    frame()->OpenFile(path);
    QApplication::processEvents();
    frame()->Command(CM_MAKESIRDS);
    settle();
    ASSERT_EQ(pictures().size(), 2u);
    EXPECT_TRUE(samePicture(*pictures()[0], *pictures()[1]));
}

TEST_F(Wizard, UnreadableDepthMapGetsOpensMessagesAndMakesNothing)
{
    startWizardFrame();
    const QString map = QStringLiteral(DOTSCAPE_TESTDATA_DIR "/rds/malformed/count-negative.rds");
    frame()->OpenFile(map);
    QApplication::processEvents();
    const std::vector<testing_frame::ShownBox> openBoxes = boxes.shown;
    ASSERT_FALSE(openBoxes.empty());
    EXPECT_EQ(openBoxes.back().text, QStringLiteral("Error Opening the Depth Map file"));
    ASSERT_EQ(windows(), 0);
    boxes.shown.clear();

    steps[201] = chooseFile(103, map);
    runWizard();
    ASSERT_EQ(boxes.shown.size(), openBoxes.size());
    for (std::size_t i = 0; i < openBoxes.size(); ++i)
        EXPECT_EQ(boxes.shown[i].text, openBoxes[i].text);
    EXPECT_EQ(windows(), 0);
}

TEST_F(Wizard, CancelLeavesSettingsPatternAndWindowsAsTheyWere)
{
    startWizardFrame();
    engine::TSirdPatt* patterns = frame()->Patterns();
    ASSERT_NE(patterns, nullptr);
    while (patterns->GetCount() < 3)
        patterns->Append(gradient(100, 100), grayPalette());
    patterns->Select(1);
    frame()->Settings().w = 500;
    const engine::SirdsSettings before = frame()->Settings();
    steps[202] = [](wizard::WizardDlg& page) {
        auto& dims = static_cast<wizard::SettWizDlg&>(page);
        dims.Edit(104)->setText(QStringLiteral("900"));
        dims.Edit(114)->setText(QStringLiteral("20"));
        return wizard::kResultNext;
    };
    steps[203] = [](wizard::WizardDlg& page) {
        static_cast<wizard::PattWizDlg&>(page).NextPattern()->click();
        return 2;
    };
    runWizard();
    EXPECT_EQ(pages, (std::vector<int>{201, 202, 203}));
    EXPECT_EQ(frame()->Settings(), before);
    EXPECT_EQ(patterns->GetSelection(), 1);
    EXPECT_EQ(windows(), 0);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Wizard, TheLastSourceIsRememberedFromOneRunToTheNext)
{
    startWizardFrame();
    const QString path = savePicture(QStringLiteral("Sky.bmp"), 210, 40);
    steps[201] = chooseFile(102, path);
    steps[202] = [](wizard::WizardDlg&) { return 2; };
    runWizard();
    // Leaving the first page wrote the section, and closing the program
    // (which writes its own sections) keeps it.
    ASSERT_TRUE(frame()->close());
    program.reset();
    const app::WizardSettings stored = app::Configuration::loadWizard(configPath);
    EXPECT_EQ(stored.source_type, wizard::kSourcePicture);
    EXPECT_EQ(stored.source_name.value_or(""), path.toStdString());

    startWizardFrame();
    QString shown;
    bool pictureChecked = false;
    steps[201] = [&](wizard::WizardDlg& page) {
        auto& source = static_cast<wizard::SourceWizDlg&>(page);
        shown = source.SourceEdit()->text();
        pictureChecked = source.Radio(102)->isChecked();
        return 2;
    };
    runWizard();
    EXPECT_EQ(shown, path);
    EXPECT_TRUE(pictureChecked);
}

namespace {

// What the size page offered, and what came of it.
struct SizePageVisit {
    QString width;
    QString height;
    bool sizeFixed = false;
};

} // namespace

TEST_F(Wizard, TheSizePageOffersTheSourcesOwnSizeMakesItAndKeepsItOnlyWhenAsked)
{
    startWizardFrame();
    const QString picture = savePicture(QStringLiteral("ground.bmp"), 400, 300);
    const QString map = dir.filePath(QStringLiteral("plain.rds"));
    {
        depthmap_ui::TMapWindow drawn(nullptr, "plain.rds", 600, 450, nullptr, nullptr);
        ASSERT_TRUE(drawn.WriteFile(map.toStdString()));
    }
    struct Case {
        int radio;       // 102 picture, 103 map, 104 figure
        QString path;    // the file chosen, none for the figure
        int width, height; // the stereogram made
        bool keep;
    };
    const Case cases[] = {
        {102, picture, 400, 300, false}, {102, picture, 400, 300, true}, {103, map, 600, 450, false},
        {103, map, 600, 450, true},      {104, {}, 260, 140, false},     {104, {}, 260, 140, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString() + (c.keep ? " kept" : ""));
        // The stereograms made before go without being saved.
        frame()->Client()->closeAllSubWindows();
        QApplication::processEvents();
        boxes.shown.clear();
        frame()->Settings() = engine::SirdsSettings{};
        const engine::SirdsSettings before = frame()->Settings();
        SizePageVisit visit;
        steps.clear();
        steps[201] = c.path.isEmpty() ? Step([](wizard::WizardDlg& page) {
            static_cast<wizard::SourceWizDlg&>(page).Radio(104)->click();
            return wizard::kResultNext;
        })
                                      : chooseFile(c.radio, c.path);
        steps[202] = [&](wizard::WizardDlg& page) {
            auto& dims = static_cast<wizard::SettWizDlg&>(page);
            visit = {dims.Edit(104)->text(), dims.Edit(105)->text(), dims.Edit(104)->isReadOnly()};
            if (!visit.sizeFixed) {
                dims.Edit(104)->setText(QString::number(c.width));
                dims.Edit(105)->setText(QString::number(c.height));
            }
            dims.Edit(114)->setText(QStringLiteral("255"));
            dims.KeepBox()->setChecked(c.keep);
            return wizard::kResultNext;
        };
        runWizard();
        // A file's own size is shown and cannot be changed there; a figure's can.
        EXPECT_EQ(visit.sizeFixed, !c.path.isEmpty());
        if (visit.sizeFixed) {
            EXPECT_EQ(visit.width, QString::number(c.width));
            EXPECT_EQ(visit.height, QString::number(c.height));
        } else {
            EXPECT_EQ(visit.width, QString::number(before.w));
        }
        engine_ui::TSirdsWnd* made = frame()->ActivePicture();
        ASSERT_NE(made, nullptr);
        ASSERT_TRUE(made->IsSird());
        ASSERT_NE(made->GetPicture(), nullptr);
        EXPECT_EQ(made->GetPicture()->width(), c.width);
        EXPECT_EQ(made->GetPicture()->height(), c.height);
        // The range typed was used: a depth of 255 needs no fitting.
        EXPECT_TRUE(boxes.shown.empty());
        engine::SirdsSettings expected = before;
        if (c.keep) {
            expected.w = c.width;
            expected.h = c.height;
            expected.zmax = 255;
        }
        EXPECT_EQ(frame()->Settings(), expected);
    }
}

TEST_F(Wizard, AnOpenSourceWindowIsTakenRatherThanOpenedAgain)
{
    startWizardFrame();
    const QString picture = savePicture(QStringLiteral("hill.bmp"), 300, 120);
    const QString map = QStringLiteral(DOTSCAPE_TESTDATA_DIR "/rds/two-objects.rds");
    for (const auto& [radio, path] : {std::pair{103, map}, std::pair{102, picture}}) {
        SCOPED_TRACE(path.toStdString());
        frame()->Client()->closeAllSubWindows();
        frame()->OpenFile(path);
        QApplication::processEvents();
        ASSERT_EQ(windows(), 1);
        QWidget* source = frame()->Client()->currentSubWindow()->widget();
        // Another window is active when the wizard starts.
        frame()->Command(CM_FILENEW);
        ASSERT_EQ(windows(), 2);
        steps[201] = chooseFile(radio, path);
        runWizard();
        // The source, the new map and the stereogram; nothing opened twice.
        ASSERT_EQ(windows(), 3);
        int copies = 0;
        for (QMdiSubWindow* sub : frame()->Client()->subWindowList())
            copies += sub->widget()->property(gui::TDotscapeWnd::kSourcePathProperty).isValid() ? 1 : 0;
        EXPECT_EQ(copies, 1);
        ASSERT_NE(frame()->ActivePicture(), nullptr);
        EXPECT_TRUE(frame()->ActivePicture()->IsSird());
        EXPECT_NE(frame()->ActivePicture(), source);
    }
}
