// "Make Animation" in the desktop program: the dialog's checks, frames equal
// to the Math SIRDS stereograms of each frame's settings, the player playing
// and saving the animated GIF, and stopping.

#include "DecodedFrames.h"
#include "FrameFixture.h"
#include "ModelFiles.h"
#include "ModelShapes.h"

#include "gui/Commands.h"

#include "depthmap/TDepthObj.h"
#include "depthmap_ui/TMapWindow.h"
#include "depthmap_ui/UiMessageBox.h"
#include "engine/Animation.h"
#include "engine/MapGeneration.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/TAnimDialog.h"
#include "engine_ui/PictureView.h"
#include "engine_ui/TAnimPlayer.h"
#include "engine_ui/TSirdsWnd.h"
#include "models_ui/TModelWindow.h"
#include "pictrans/TGifIntf.h"
#include "platform/FileIO.h"

#include <QComboBox>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

using namespace gui;
using testing_frame::FrameTest;

namespace {

constexpr int kWindMill = 15; // "Wind Mill 1", which turns with the angle

class Animation : public FrameTest {
protected:
    int windows() const { return static_cast<int>(frame()->Client()->subWindowList().size()); }

    engine_ui::TAnimPlayer* activePlayer() const
    {
        QMdiSubWindow* sub = frame()->Client()->activeSubWindow();
        return sub ? qobject_cast<engine_ui::TAnimPlayer*>(sub->widget()) : nullptr;
    }
};

} // namespace

TEST_F(Animation, CommandSitsInTheSirdsMenuAndWaitsWhileBusy)
{
    start();
    QAction* action = frame()->Action(CM_MAKEANIMATION);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("Make &Animation..."));
    bool inSirdsMenu = false;
    for (QAction* top : frame()->menuBar()->actions()) {
        if (top->text() == QStringLiteral("S&IRDS") && top->menu())
            inSirdsMenu = top->menu()->actions().contains(action);
    }
    EXPECT_TRUE(inSirdsMenu);
    frame()->UpdateMenus();
    EXPECT_TRUE(action->isEnabled());
    frame()->SetBusy(true);
    EXPECT_FALSE(action->isEnabled());
    frame()->SetBusy(false);
}

TEST_F(Animation, FramesAreTheMathStereogramsOfEachFramesSettings)
{
    start();
    engine::SirdsSettings& s = frame()->Settings();
    s.w = 220;
    s.h = 160;
    s.da = 170;
    const engine::AnimationPlan plan{4, engine::AnimatedParameter::Angle, 20, 80};
    engine_ui::TAnimPlayer* player = frame()->MakeAnimation(kWindMill, plan);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(activePlayer(), player);
    EXPECT_FALSE(frame()->Busy());
    ASSERT_EQ(player->FrameCount(), 4);
    EXPECT_EQ(s.da, 170) << "the settings are left as they were";

    // Frame k against the figure made alone with frame k's angle.
    const int angles[4] = {170, -170, -150, -130};
    for (int k = 0; k < 4; ++k) {
        s.da = angles[k];
        frame()->Command(CM_FIGUREFIRST + kWindMill);
        QApplication::processEvents();
        engine_ui::TSirdsWnd* single = frame()->ActivePicture();
        ASSERT_NE(single, nullptr);
        ASSERT_NE(single->GetPicture(), nullptr);
        EXPECT_TRUE(*single->GetPicture() == *player->Frame(k).bitmap) << "frame " << k;
        EXPECT_EQ(*single->GetPalette(), player->Frame(k).palette);
        single->SetNoSaveQuestion(true);
        single->parentWidget()->close();
        QApplication::processEvents();
    }
    EXPECT_FALSE(*player->Frame(0).bitmap == *player->Frame(1).bitmap);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Animation, ADepthMapWindowBreathes)
{
    start();
    auto* map = new depthmap_ui::TMapWindow(nullptr, "scene.rds", 180, 120, frame()->FrameWindow(), nullptr);
    map->Document().AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, 20, 20, 100, 90,
                                                                   depthmap::DepthKind::Circle, 120));
    map->Document().AddOnTop(std::make_unique<depthmap::TDepthObj>(nullptr, 90, 10, 170, 60,
                                                                   depthmap::DepthKind::SquareBox, 200));
    frame()->AddDocument(map);
    QApplication::processEvents();
    const engine::AnimationPlan plan{3, engine::AnimatedParameter::Depth, 25, 80};
    engine_ui::TAnimPlayer* player = frame()->MakeAnimation(*map, plan);
    ASSERT_NE(player, nullptr);
    ASSERT_EQ(player->FrameCount(), 3);

    // Each frame is the map's stereogram with that frame's Zmax.
    class Host : public engine::GenerationHost {
    public:
        explicit Host(engine::TSirdPatt* p) : patterns_(p) {}
        void progress(int, const engine::ProgressRecord&) override {}
        engine::PatternRef pattern() override { return {patterns_->GetBitmap(), patterns_->GetPalette()}; }
        bool pumpMessages() override { return false; }
        void drawText(platform::Bitmap&, const platform::Palette&, int, int, std::string_view, engine::Rgb) override
        {
        }
        void showError(std::string_view) override {}

    private:
        engine::TSirdPatt* patterns_;
    } host(frame()->Patterns());
    for (int k = 0; k < 3; ++k) {
        engine::GenerationResult single = engine::makeFromDepthMap(
            engine::frameSettings(frame()->Settings(), plan, k), map->Document(), "scene.rds", host);
        ASSERT_TRUE(single.finished());
        EXPECT_TRUE(*single.picture.bitmap == *player->Frame(k).bitmap) << "frame " << k;
    }
    EXPECT_FALSE(*player->Frame(0).bitmap == *player->Frame(2).bitmap);
}

TEST_F(Animation, AModelWindowTurnsOnATurntable)
{
    start();
    engine::SirdsSettings& s = frame()->Settings();
    s.w = 200;
    s.h = 150;
    models::Mesh mesh = model_test::torus();
    model_test::append(mesh, model_test::box({-0.3, -0.3, -0.3}, {0.3, 0.9, 0.3}));
    const QString path = dir.filePath(QStringLiteral("ring.obj"));
    model_test::save(path.toStdString(), model_test::obj(mesh));
    frame()->OpenFile(path);
    QApplication::processEvents();
    auto* model = qobject_cast<models_ui::TModelWindow*>(frame()->Client()->activeSubWindow()->widget());
    ASSERT_NE(model, nullptr);
    models::Camera camera;
    camera.yaw = 10, camera.pitch = 5, camera.roll = 20;
    model->SetCamera(camera);

    // The command offers the active model's turntable first; its plan turns
    // the yaw by the step and the pitch by the pitch step.
    engine::AnimationPlan plan;
    int pitchStep = 0;
    QString offered;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<engine_ui::TAnimDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        offered = dialog->SourceList()->currentText();
        EXPECT_TRUE(dialog->ModelChosen());
        EXPECT_EQ(dialog->Figure(), -1);
        dialog->FramesBox()->setValue(4);
        dialog->StepBox()->setValue(25);
        dialog->PitchStepBox()->setValue(15);
        plan = dialog->Plan();
        pitchStep = dialog->PitchStep();
        dialog->reject();
    });
    frame()->Command(CM_MAKEANIMATION);
    EXPECT_EQ(offered, QStringLiteral("3-D model ring.obj"));
    ASSERT_EQ(plan.parameter, engine::AnimatedParameter::Camera);
    EXPECT_EQ(plan.step, 25);
    EXPECT_EQ(pitchStep, 15);

    // The depth beyond Zmax is offered a fit once; frames and single
    // stereograms follow the answer.
    boxes.answers = {platform::IDYES};
    engine_ui::TAnimPlayer* player = frame()->MakeAnimation(*model, plan, pitchStep);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Depth Beyond Zmax"));
    EXPECT_TRUE(frame()->Action(CM_FITDEPTH)->isChecked());
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(activePlayer(), player);
    ASSERT_EQ(player->FrameCount(), 4);
    // Frame k is Make SIRDS of the window turned to frame k's angles.
    for (int k = 0; k < 4; ++k) {
        models::Camera turned = camera;
        turned.yaw = 10 + 25 * k;
        turned.pitch = 5 + 15 * k;
        model->SetCamera(turned);
        engine_ui::TSirdsWnd* single = frame()->MakeSirdsFromModel(model);
        ASSERT_NE(single, nullptr);
        EXPECT_TRUE(*single->GetPicture() == *player->Frame(k).bitmap) << "frame " << k;
        single->SetNoSaveQuestion(true);
        single->parentWidget()->close();
        QApplication::processEvents();
    }
    EXPECT_FALSE(*player->Frame(0).bitmap == *player->Frame(1).bitmap);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(Animation, PlayerPlaysAtTheStoredPaceAndSavesTheGif)
{
    start();
    frame()->Settings().w = 200;
    frame()->Settings().h = 120;
    engine_ui::TAnimPlayer* player =
        frame()->MakeAnimation(kWindMill, {3, engine::AnimatedParameter::Angle, 30, 125});
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->IsPlaying());
    EXPECT_EQ(player->Interval(), 130); // 125 ms is stored as 13 hundredths
    EXPECT_EQ(player->PlayButton()->text(), QStringLiteral("Pause"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->CurrentFrame() != 0; }, 5000));
    player->PlayButton()->click();
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_EQ(player->PlayButton()->text(), QStringLiteral("Play"));
    player->ShowFrame(4);
    EXPECT_EQ(player->CurrentFrame(), 1);
    EXPECT_EQ(player->FrameSlider()->value(), 1);
    player->FrameSlider()->setValue(2);
    EXPECT_EQ(player->CurrentFrame(), 2);
    EXPECT_EQ(player->ShownImage().pixel(5, 5),
              player->ShownImage().color(player->Frame(2).bitmap->rowFromTop(5)[5]));

    // Save asks for a GIF name and writes every frame.
    nextFileName = dir.filePath(QStringLiteral("mill.gif"));
    player->SaveButton()->click();
    ASSERT_FALSE(chooserCalls.empty());
    EXPECT_TRUE(chooserCalls.back().save);
    EXPECT_EQ(chooserCalls.back().defaultSuffix, QStringLiteral("gif"));
    EXPECT_TRUE(player->Saved());
    auto bytes = platform::readWholeFile(nextFileName.toStdString());
    ASSERT_TRUE(bytes);
    for (int k = 0; k < 3; ++k) {
        InStream in(*bytes);
        TGifIntf reader(nullptr, nullptr);
        auto back = reader.ReadStream(in, k);
        ASSERT_TRUE(back) << k;
        EXPECT_TRUE(*back == *player->Frame(k).bitmap) << "frame " << k;
    }
    // Cancel in the file dialog writes nothing.
    nextFileName.clear();
    EXPECT_FALSE(player->Save());

    // Frames never saved are not dropped without a question: Cancel keeps
    // the player, No lets it close; saved ones close without one.
    engine_ui::TAnimPlayer* unsaved =
        frame()->MakeAnimation(kWindMill, {2, engine::AnimatedParameter::Angle, 30, 125});
    ASSERT_NE(unsaved, nullptr);
    std::vector<QString> asked;
    int answer = platform::IDCANCEL;
    auto previous = depthmap_ui::SetUiMessageBoxProvider([&](QWidget*, const QString& text, const QString&, unsigned) {
        asked.push_back(text);
        return answer;
    });
    EXPECT_FALSE(unsaved->CanClose());
    answer = platform::IDNO;
    EXPECT_TRUE(unsaved->CanClose());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Save\n"))) << asked[0].toStdString();
    EXPECT_TRUE(player->CanClose());
    EXPECT_EQ(asked.size(), 2u);
    // A .webp name saves the frames as an animated WebP.
    nextFileName = dir.filePath(QStringLiteral("mill.webp"));
    EXPECT_TRUE(unsaved->Save());
    EXPECT_TRUE(QFileInfo(nextFileName).size() > 0);
    // Videos too, by their suffix or the chosen filter's: read back by
    // ffmpeg, every frame keeps the brightness of the player's.
    struct VideoCase {
        const char* typed;
        int filter;
        const char* written;
    };
    for (const VideoCase& c : {VideoCase{"mill.mp4", -1, "mill.mp4"}, VideoCase{"mill-h264", 2, "mill-h264.mp4"},
                               VideoCase{"mill", 3, "mill.webm"}}) {
        SCOPED_TRACE(c.typed);
        nextFileName = dir.filePath(QString::fromLatin1(c.typed));
        chosenFilter = c.filter;
        ASSERT_TRUE(unsaved->Save());
        const std::string written = dir.filePath(QString::fromLatin1(c.written)).toStdString();
        const DecodedFrames got = decodeWithFfmpeg(written, dir.filePath(QStringLiteral("raw")).toStdString());
        ASSERT_EQ(got.frames.size(), static_cast<std::size_t>(unsaved->FrameCount()));
        for (int k = 0; k < unsaved->FrameCount(); ++k) {
            const QImage shown =
                engine_ui::ToQImage(*unsaved->Frame(k).bitmap, &unsaved->Frame(k).palette).convertToFormat(QImage::Format_RGB888);
            std::vector<std::uint8_t> expected;
            for (int y = 0; y < shown.height(); ++y)
                expected.insert(expected.end(), shown.constScanLine(y), shown.constScanLine(y) + 3 * shown.width());
            EXPECT_GE(lumaPsnr(got.frames[static_cast<std::size_t>(k)], expected), 35.0) << "frame " << k;
        }
    }
    chosenFilter = -1;
    depthmap_ui::SetUiMessageBoxProvider(previous);
}

TEST_F(Animation, StopEndsTheWorkAndKeepsNothing)
{
    start();
    frame()->Settings().w = 1200;
    frame()->Settings().h = 1200;
    bool stopWasOffered = false;
    QTimer::singleShot(0, frame(), [&] {
        stopWasOffered = frame()->Action(CM_STOP)->isEnabled() && frame()->Busy();
        frame()->Command(CM_STOP);
    });
    EXPECT_EQ(frame()->MakeAnimation(kWindMill, {30, engine::AnimatedParameter::Angle, 12, 80}), nullptr);
    QApplication::processEvents();
    EXPECT_TRUE(stopWasOffered);
    EXPECT_EQ(windows(), 0);
    EXPECT_FALSE(frame()->Busy());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Animation, FramesThatWouldNotFitInMemoryAreRefusedAtTheFirst)
{
    start();
    // True-colour frames of 1200 x 1200 (the hidden-surface method) take
    // 4.3 MB each: 360 of them are more than the player may hold.
    engine::SirdsSettings& s = frame()->Settings();
    s.w = 1200;
    s.h = 1200;
    s.ShiftDir = 4;
    EXPECT_EQ(frame()->MakeAnimation(kWindMill, {360, engine::AnimatedParameter::Angle, 1, 80}), nullptr);
    EXPECT_EQ(windows(), 0);
    EXPECT_FALSE(frame()->Busy());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QString::fromLatin1(TDotscapeWnd::kAnimationTooLarge));
}

TEST_F(Animation, DialogRefusesAPlanThatLeavesTheRanges)
{
    testing_frame::application();
    std::vector<QString> shown;
    auto previous = depthmap_ui::SetUiMessageBoxProvider(
        [&](QWidget*, const QString& text, const QString&, unsigned) {
            shown.push_back(text);
            return platform::IDOK;
        });
    engine::SirdsSettings settings;
    settings.dx = 150;
    const QStringList figures = {QStringLiteral("Round Crater"), QStringLiteral("Wind Mill 1")};
    {
        engine_ui::TAnimDialog dialog(nullptr, &settings, figures);
        EXPECT_EQ(dialog.Figure(), 1) << "a figure that turns comes first";
        EXPECT_EQ(dialog.Plan().parameter, engine::AnimatedParameter::Angle);
        EXPECT_EQ(dialog.StepBox()->value(), 30);
        EXPECT_EQ(dialog.DelayBox()->value(), 80);
        dialog.ParameterList()->setCurrentIndex(1);
        EXPECT_EQ(dialog.Plan().parameter, engine::AnimatedParameter::ShiftX);
        EXPECT_EQ(dialog.StepBox()->value(), 10);
        dialog.FramesBox()->setValue(7);
        dialog.accept(); // 150 + 6 × 10 = 210
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], QStringLiteral("A step of 10 takes the horizontal shift to 210 at frame 7 of 7: the "
                                           "horizontal shift must be between -200 and 200."));
        dialog.FramesBox()->setValue(6);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(shown.size(), 1u);
    }
    {
        // A depth map can only breathe.
        engine_ui::TAnimDialog dialog(nullptr, &settings, figures, QStringLiteral("scene.rds"));
        EXPECT_EQ(dialog.Figure(), -1);
        EXPECT_EQ(dialog.Plan().parameter, engine::AnimatedParameter::Depth);
        dialog.ParameterList()->setCurrentIndex(0);
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[1], QStringLiteral("A depth map can only change its depth (Zmax)."));
    }
    {
        // A model turns or breathes; a figure does not go on a turntable.
        engine_ui::TAnimDialog dialog(nullptr, &settings, figures);
        dialog.OfferModel(QStringLiteral("ring.obj"));
        EXPECT_EQ(dialog.StepBox()->value(), 30) << "a full turn in 12 frames";
        EXPECT_FALSE(dialog.PitchStepBox()->isHidden());
        dialog.ParameterList()->setCurrentIndex(1);
        EXPECT_TRUE(dialog.PitchStepBox()->isHidden());
        dialog.accept();
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[2], QStringLiteral("A 3-D model can turn (Turntable) or change its depth (Zmax)."));
        dialog.SourceList()->setCurrentIndex(2);
        EXPECT_EQ(dialog.Figure(), 1);
        dialog.ParameterList()->setCurrentIndex(4);
        dialog.accept();
        ASSERT_EQ(shown.size(), 4u);
        EXPECT_EQ(shown[3], QStringLiteral("Only a 3-D model turns on a turntable."));
        dialog.SourceList()->setCurrentIndex(0);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    depthmap_ui::SetUiMessageBoxProvider(previous);
}

TEST_F(Animation, DepthPicturesAndVideosBecomeFramesOneAFrame)
{
    start();
    // Depth pictures: a flat one twice, then one with a raised square.
    auto depth = [&](const QString& name, int width, int height, bool raised) {
        QImage image(width, height, QImage::Format_Grayscale8);
        image.fill(40);
        for (int y = height / 4; raised && y < height / 2; ++y)
            std::fill_n(image.scanLine(y) + width / 4, width / 4, static_cast<uchar>(200));
        ASSERT_TRUE(image.save(dir.filePath(name)));
    };
    depth(QStringLiteral("seq_00.png"), 240, 200, false);
    depth(QStringLiteral("seq_01.png"), 240, 200, false);
    depth(QStringLiteral("seq_02.png"), 240, 200, true);
    depth(QStringLiteral("bad_00.png"), 240, 200, false);
    depth(QStringLiteral("bad_01.png"), 250, 200, false);
    {
        QFile junk(dir.filePath(QStringLiteral("notvideo.mkv")));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("no video at all");
    }
    const std::string video = dir.filePath(QStringLiteral("depth.mkv")).toStdString();
    ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i testsrc=size=240x200:rate=10 -frames:v 4 -pix_fmt gray '" +
                           video + "'").c_str()),
              0);
    struct Case {
        bool video;
        QString name;
        int frames;      // 0: refused
        QString refusal; // the start of the message naming the frame
    };
    const Case cases[] = {
        {false, dir.filePath(QStringLiteral("seq_%02d.png")), 3, {}},
        {false, dir.filePath(QStringLiteral("seq_*.png")), 3, {}},
        {true, QString::fromStdString(video), 4, {}},
        {false, dir.filePath(QStringLiteral("bad_%02d.png")), 0, dir.filePath(QStringLiteral("bad_01.png is 250 x 200"))},
        {true, dir.filePath(QStringLiteral("notvideo.mkv")), 0,
         dir.filePath(QStringLiteral("notvideo.mkv could not be read as a video"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        boxes.shown.clear();
        engine_ui::TAnimPlayer* player = frame()->MakeSequenceAnimation(c.video, c.name, 100);
        if (c.frames == 0) {
            EXPECT_EQ(player, nullptr);
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_TRUE(boxes.shown[0].text.startsWith(c.refusal)) << boxes.shown[0].text.toStdString();
            continue;
        }
        ASSERT_NE(player, nullptr);
        ASSERT_EQ(player->FrameCount(), c.frames);
        EXPECT_EQ(player->Frame(0).bitmap->width(), 240);
        if (!c.video) {
            // The same depth gives the same dots; other depth, other dots.
            EXPECT_TRUE(*player->Frame(0).bitmap == *player->Frame(1).bitmap);
            EXPECT_FALSE(*player->Frame(1).bitmap == *player->Frame(2).bitmap);
        }
    }
}
