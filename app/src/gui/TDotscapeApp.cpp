#include "gui/TDotscapeApp.h"

#include "gui/Commands.h"
#include "gui/TDotscapeWnd.h"
#include "gui/TWelcome.h"
#include "gui/WelcomePicture.h"

#include "app/Configuration.h"

#include <QApplication>

namespace gui {

TDotscapeApp::TDotscapeApp(std::string configPath, bool showWelcome)
    : configPath_(std::move(configPath)), showWelcome_(showWelcome)
{
}

TDotscapeApp::~TDotscapeApp() = default;

void TDotscapeApp::InitMainWindow()
{
    app::Configuration config;
    config.load(configPath_);
    TWelcome* welcome = nullptr;
    if (showWelcome_) {
        const app::ScreenRect r = config.frameRect();
        welcome = new TWelcome(QStringLiteral("Dotscape"), WelcomePicture(), 0,
                               QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
        welcome->ShowNow();
    }
    frame_ = std::make_unique<TDotscapeWnd>(configPath_, welcome);
    toolBarPosition_ = config.toolBarPosition();
    frame_->PlaceMainToolBar(toolBarPosition_);
    connect(frame_.get(), &TDotscapeWnd::relocateRequested, this, &TDotscapeApp::RelocateButtonBar);
    frame_->SetupWindow();
}

void TDotscapeApp::RelocateButtonBar()
{
    toolBarPosition_ = NextToolBarPosition(toolBarPosition_);
    if (frame_)
        frame_->PlaceMainToolBar(toolBarPosition_);
}

void TDotscapeApp::OpenFiles(const QStringList& files)
{
    if (files.isEmpty())
        return;
    QMetaObject::invokeMethod(
        this,
        [this, files] {
            for (const QString& file : files)
                if (frame_)
                    frame_->OpenFile(file);
        },
        Qt::QueuedConnection);
}

int TDotscapeApp::Run()
{
    if (!frame_)
        InitMainWindow();
    return QApplication::exec();
}

} // namespace gui
