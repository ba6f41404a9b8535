// Settings and the pattern library (their dialogs, the pattern button, the
// configuration file read at set-up and written at closing), the help
// window and the program's information boxes.

#include "gui/TDotscapeWnd.h"

#include "gui/HelpWindow.h"
#include "gui/MessageBoxes.h"
#include "gui/QtText.h"
#include "gui/TAboutDialog.h"
#include "gui/TCStatusBar.h"
#include "gui/TWelcome.h"

#include "depthmap_ui/ModalRun.h"
#include "engine/PatternDirs.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/PictureView.h"
#include "engine_ui/TPattDialog.h"
#include "engine_ui/TSettDialog.h"
#include "engine_ui/TSirdsWnd.h"
#include "pictrans/TGraphIO.h"
#include "platform/Messages.h"
#include "resources/Resources.h"

#include <QApplication>
#include <QRect>
#include <QPainter>
#include <QScreen>

#include <filesystem>

namespace gui {

// The side of the square a pattern is cut as from the top-left of a picture.
static constexpr int kAddedPatternSide = 100;

namespace {

// The start-up loader's reports: text in the status bar, and the welcome
// window closed at the first pattern file that could not be read.
class PatternObserver : public engine::PatternLoadObserver {
public:
    PatternObserver(TCStatusBar* status, QPointer<TWelcome>& welcome) : status_(status), welcome_(welcome) {}
    void StatusText(const std::string& text) override { status_->SetMessageText(fromStd(text)); }
    void FirstFailure() override
    {
        if (welcome_) {
            welcome_->CloseWelcome();
            welcome_ = nullptr;
        }
    }

private:
    TCStatusBar* status_;
    QPointer<TWelcome>& welcome_;
};

} // namespace

void TDotscapeWnd::ConnectSettingsCommands()
{
    OnCommand(CM_SETTINGS, [this] { CmSettings(); });
    OnCommand(CM_PATTERNS, [this] { CmPatterns(); });
    OnCommand(CM_HELPINDEX, [this] { CmHelp(false); });
    OnCommand(CM_HELPSIRDS, [this] { CmHelp(true); });
    OnCommand(CM_GRAPHICSLIB, [this] { CmGraphicsLib(); });
    OnCommand(CM_ABOUT, [this] { CmAbout(); });
    OnCommand(CM_RELOCATE, [this] { emit relocateRequested(); });
}

void TDotscapeWnd::LoadSettings()
{
    const engine::PatternDirs dirs = engine::DefaultPatternDirs();
    PatternObserver observer(status_, welcome_);
    patterns_ = engine::LoadPatterns(FrameWindow(), dirs.userDir, dirs.searchDirs, config_.Select, config_.Count,
                                     &observer);
    status_->SetMessageText(QString());
    format_ = config_.Format;
    const app::DemoSettings& d = config_.demo;
    settings_.dx = d.dx;
    settings_.dy = d.dy;
    settings_.da = d.da;
    settings_.zmin = d.zmin;
    settings_.zmax = d.zmax;
    settings_.w = d.w;
    settings_.h = d.h;
    settings_.Marker = d.Marker;
    settings_.UseBMP = d.UseBMP;
    settings_.DepthSel = d.DepthSel;
    settings_.ShiftDir = d.ShiftDir;
    settings_.gapValue = d.gapValue;
}

bool TDotscapeWnd::WriteConfiguration()
{
    config_.CntlBar = toolBarPosition_;
    config_.Format = format_;
    if (patterns_) {
        config_.Select = patterns_->GetSelection();
        config_.Count = patterns_->GetCount();
    }
    app::DemoSettings& d = config_.demo;
    d.dx = settings_.dx;
    d.dy = settings_.dy;
    d.da = settings_.da;
    d.zmin = settings_.zmin;
    d.zmax = settings_.zmax;
    d.w = settings_.w;
    d.h = settings_.h;
    d.gapValue = settings_.gapValue;
    d.Marker = settings_.Marker;
    d.UseBMP = settings_.UseBMP;
    d.DepthSel = settings_.DepthSel;
    d.ShiftDir = settings_.ShiftDir;
    // The position is the outer frame's, the size the window's own, so a
    // restart puts the frame back exactly where and as large as it was.
    const QRect outer = frameGeometry();
    const app::ScreenRect frame{outer.left(), outer.top(), outer.left() + width(), outer.top() + height()};
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect desk = screen ? screen->virtualGeometry() : outer;
    config_.storeFrameRect(frame, {desk.left(), desk.top(), desk.left() + desk.width(), desk.top() + desk.height()});
    return config_.save(configPath_);
}

void TDotscapeWnd::CmSettings()
{
    engine_ui::TSettDialog dialog(this, &settings_);
    if (depthmap_ui::RunModal(dialog) == QDialog::Accepted)
        SchedulePreview();
}

void TDotscapeWnd::CmPatterns()
{
    if (!patterns_)
        return;
    engine_ui::TPattDialog dialog(this, patterns_.get(), FrameWindow(), ActiveKind() == kKindPicture);
    // Add shows beforehand the tile it takes from the active picture.
    std::unique_ptr<platform::Bitmap> tile;
    if (engine_ui::TSirdsWnd* picture = ActivePicture(); picture && picture->GetPicture()) {
        tile = engine_ui::CopyRegion(*picture->GetPicture(), QRect(0, 0, kAddedPatternSide, kAddedPatternSide));
        dialog.SetCandidate(tile.get(), picture->GetPalette());
    }
    depthmap_ui::RunModal(dialog);
    UpdatePatternButton();
    SchedulePreview();
}

void TDotscapeWnd::UpdatePatternButton()
{
    QAction* action = Action(CM_PATTERNS);
    if (!action || !patterns_ || !patterns_->GetBitmap())
        return;
    const int size = resources::kMainButtonSize;
    QImage face(size, size, QImage::Format_RGB32);
    face.fill(palette().color(QPalette::Button));
    const QImage pattern = engine_ui::ToQImage(*patterns_->GetBitmap(), patterns_->GetPalette());
    {
        QPainter painter(&face);
        painter.drawImage(QPoint(2, 2), pattern, QRect(0, 0, size - 4, size - 4));
    }
    action->setIcon(QIcon(QPixmap::fromImage(face)));
}

std::intptr_t TDotscapeWnd::AddPattern(int number)
{
    engine_ui::TSirdsWnd* picture = ActivePicture();
    if (!picture || !patterns_)
        return 0;
    const std::string directory = patterns_->GetDirectory();
    engine::MakeDirectories(directory);
    const platform::Bitmap* bitmap = picture->GetPicture();
    const bool trueColour = bitmap && bitmap->bitsPerPixel() == 24;
    const std::string path = engine::JoinPath(directory, engine::PatternFileName(number, trueColour));
    // A number added before holds the other kind's file; only one may stay.
    std::error_code ec;
    std::filesystem::remove(engine::JoinPath(directory, engine::PatternFileName(number, !trueColour)), ec);
    if (!picture->SaveRegion(0, 0, kAddedPatternSide, kAddedPatternSide, path))
        return 0;
    return patterns_->AddFromFile(path) ? 1 : 0;
}

void TDotscapeWnd::CmHelp(bool overview)
{
    if (!help_)
        help_ = new HelpWindow(this);
    if (overview)
        help_->ShowKeyword(QString::fromLatin1(kOverviewKeyword));
    else
        help_->ShowIndex();
}

void TDotscapeWnd::CmGraphicsLib()
{
    char version[64] = {};
    TGraphIO::GetVersionString(version);
    MessageBox(this, QString::fromLatin1(version), QStringLiteral("Graphics Library"),
               platform::MB_OK | platform::MB_ICONINFORMATION);
}

void TDotscapeWnd::CmAbout()
{
    TAboutDialog dialog(this);
    depthmap_ui::RunModal(dialog);
}

} // namespace gui
