#pragma once
// The application: builds the welcome window and the frame in start-up
// order, keeps the main tool bar's place and moves it on "Relocate Button
// Bar", and runs the event loop.

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <string>

namespace gui {

class TDotscapeWnd;
class TWelcome;

class TDotscapeApp : public QObject {
    Q_OBJECT
public:
    // configPath: the configuration file; showWelcome false skips the
    // welcome window (tests).
    explicit TDotscapeApp(std::string configPath, bool showWelcome = true);
    ~TDotscapeApp() override;

    // Main window initialisation and the frame's set-up.
    void InitMainWindow();
    int Run();
    // Opens each file as the Open command does, one window per file, once
    // the event loop runs (after InitMainWindow).
    void OpenFiles(const QStringList& files);

    // Command 109: top → left → right → top.
    void RelocateButtonBar();
    int ToolBarPosition() const { return toolBarPosition_; }
    TDotscapeWnd* Frame() const { return frame_.get(); }

private:
    std::string configPath_;
    bool showWelcome_;
    std::unique_ptr<TDotscapeWnd> frame_;
    int toolBarPosition_ = 0;
};

} // namespace gui
