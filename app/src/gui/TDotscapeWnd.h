#pragma once
// The main frame: an MDI area for the document windows, the menu with the
// whole command table, the main tool bar, the depth tool palette, the status
// bar and the popup hint. It owns the settings record, the pattern library,
// the printer and the help window, and answers the messages by which the
// document windows and the engine talk to it.

#include "app/Configuration.h"
#include "engine/Generation.h"
#include "engine/SirdsSettings.h"
#include "gui/Commands.h"
#include "gui/HelpWindow.h"
#include "gui/QtWindow.h"
#include "gui/TWelcome.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QActionGroup;
class QDialog;
class QDockWidget;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace depthmap_ui {
class TMapWindow;
}
namespace models_ui {
class TModelWindow;
}
namespace engine {
class TSirdPatt;
class GenerationHost;
struct AnimationPlan;
struct GenerationResult;
}
namespace depthmap_ui {
class TColorWnd;
class TMapWindow;
}
namespace engine_ui {
class GenerationSession;
class TPreviewPane;
class TAnimPlayer;
class TSirdsWnd;
}
namespace wizard {
struct SourceSize;
}

namespace gui {

class ButtonBar;
class PopupHint;
class StartPage;
class TCStatusBar;
class TPrinterInt;

class TDotscapeWnd : public QMainWindow {
    Q_OBJECT
public:
    // What a file dialog is asked for: its filters and the one preselected
    // (0-based), the extension a name without one gets, the folder it starts
    // in (empty: the current folder).
    struct FileRequest {
        bool save = false;
        QStringList filters;
        int selected = 0;
        QString defaultSuffix;
        QString folder;
        // The format code of each filter (0: several).
        std::vector<int> formats;
        // Where the dialog leaves the filter the user chose (an index into
        // filters); a chooser that leaves -1 lets the name alone decide.
        mutable int chosen = -1;
    };
    // Asks for a file name; empty for Cancel.
    using FileChooser = std::function<QString(const FileRequest&)>;

    // configPath: the configuration file, read now (frame rectangle) and in
    // SetupWindow, written when the frame closes. welcome may be null.
    TDotscapeWnd(std::string configPath, TWelcome* welcome);
    ~TDotscapeWnd() override;

    // The set-up once the window exists: math figure menu, patterns and
    // settings from the configuration, printer, welcome window closed, first
    // status refresh, busy state left.
    void SetupWindow();

    // Main tool bar: 0 top, 1 left, 2 right.
    void PlaceMainToolBar(int position);
    int MainToolBarPosition() const { return toolBarPosition_; }

    // The frame in the role of platform::Window (messages, message boxes).
    platform::Window* FrameWindow() { return &window_; }
    std::intptr_t HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    // Runs a command as the menu would (ignored when it is disabled).
    void Command(int id);
    QAction* Action(int id) const;
    // Recomputes every command's state from the active window and the busy flag.
    void UpdateMenus();
    FrameState CurrentState() const;
    void SetBusy(bool busy);
    bool Busy() const { return busy_; }

    engine::SirdsSettings& Settings() { return settings_; }
    engine::TSirdPatt* Patterns() const { return patterns_.get(); }
    int GraphicsFormat() const { return format_; }
    QMdiArea* Client() const { return client_; }
    TCStatusBar* Status() const { return status_; }
    ButtonBar* MainToolBar() const { return mainBar_; }
    ButtonBar* ToolPalette() const { return palette_; }
    PopupHint* Hint() const { return hint_; }
    TPrinterInt* Printer() const { return printer_.get(); }
    HelpWindow* Help() const { return help_; }
    QMenu* MathMenu() const { return mathMenu_; }
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* WindowMenu() const { return windowMenu_; }
    QDockWidget* PreviewDock() const { return previewDock_; }
    engine_ui::TPreviewPane* Preview() const { return preview_; }
    TWelcome* Welcome() const { return welcome_; }
    // The first steps shown in the empty MDI area (from SetupWindow on).
    StartPage* Start() const { return start_; }
    const std::string& ConfigPath() const { return configPath_; }

    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // The folder the file dialogs start in: the one used last.
    QString LastFolder() const { return QString::fromStdString(config_.lastFolder); }
    // Runs the wizard's pages and its figure selection in place of
    // QDialog::exec, returning the dialog's result (tests answer them).
    using DialogRunner = std::function<int(QDialog& dialog)>;
    void SetDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
    // The picture window of the current MDI child, or null.
    engine_ui::TSirdsWnd* ActivePicture() const;
    // The depth map window of the current MDI child, or null.
    depthmap_ui::TMapWindow* ActiveMap() const;
    models_ui::TModelWindow* ActiveModel() const;
    // The colour table window, when one is open.
    depthmap_ui::TColorWnd* ColorTable() const;
    int ActiveKind() const;
    // Shows a document window in the MDI area.
    QMdiSubWindow* AddDocument(QWidget* document);

    // Commands with a file name (the dialogs' work already done). The
    // window opened carries the file's full path in kSourcePathProperty.
    void OpenFile(const QString& name);
    static constexpr const char* kSourcePathProperty = "dotscapeSourcePath";
    // format 0 takes the format from the name.
    bool SaveActiveAs(const QString& name, int format = 0);
    void MakeFigure(int id);
    // Opens a depth map file in a new map window; null (and the window
    // closed, the user told) when it cannot be read.
    depthmap_ui::TMapWindow* OpenDepthMap(const QString& name);
    // Reads a model through the importer; a refusal is shown with its reason.
    models_ui::TModelWindow* OpenModel(const QString& name);
    // Writes the map to name in the depth map format, whatever the extension.
    bool SaveMap(depthmap_ui::TMapWindow* map, const QString& name);
    // Make SIRDS from a map: a new stereogram window, null when stopped or refused.
    engine_ui::TSirdsWnd* MakeSirdsFromMap(depthmap_ui::TMapWindow* map);
    // The stereogram of the model as its window's camera shows it, at the settings' size.
    engine_ui::TSirdsWnd* MakeSirdsFromModel(models_ui::TModelWindow* model);
    // Makes the frames of figure (0-based) by plan and shows them playing in
    // a new player window; null when stopped or refused.
    engine_ui::TAnimPlayer* MakeAnimation(int figure, const engine::AnimationPlan& plan);
    // The same of a depth map window's map.
    engine_ui::TAnimPlayer* MakeAnimation(const depthmap_ui::TMapWindow& map, const engine::AnimationPlan& plan);
    // A model's animation: a turntable (plan.parameter Camera: frame k is the
    // window's camera turned k × plan.step in yaw and k × pitchStep in pitch),
    // or its depth changing as a depth map's does, seen by the window's camera.
    engine_ui::TAnimPlayer* MakeAnimation(const models_ui::TModelWindow& model, const engine::AnimationPlan& plan,
                                          double pitchStep = 0);
    // The frames of a sequence of depth pictures (a numbered name or a
    // pattern) or of a depth video, one a frame, each shown for delayMs.
    engine_ui::TAnimPlayer* MakeSequenceAnimation(bool video, const QString& name, int delayMs);
    // The most memory the frames of an animation shown in the player may take.
    static constexpr std::int64_t kMaxAnimationBytes = std::int64_t{1} << 30;
    static constexpr const char* kAnimationTooLarge =
        "The frames of this animation would not fit in memory. Make fewer or smaller frames, or make it with "
        "dotscape make --frames, which writes each frame as it is made.";
    void StatusRefresh();
    void UpdatePatternButton();
    // Asks every document window whether it may close (each may ask to save)
    // and closes them all only when every one agrees.
    bool CloseChildren();
    // Writes the configuration file (tool bar, format, patterns, settings, frame rectangle).
    bool WriteConfiguration();

signals:
    // Command 109 belongs to the application; the frame passes it on.
    void relocateRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Shrinks the bars' glyphs when the frame is too small for them.
    void FitToolBars();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building (TDotscapeWnd.cpp).
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateStatusBar();
    void ReadFrameRect();
    QAction* MakeAction(int id, const QString& text);
    // Command runs the handler given here for the id.
    void OnCommand(int id, std::function<void()> handler);

    // File menu (FileCommands.cpp).
    void ConnectFileCommands();
    void CmFileOpen();
    void CmFileSave();
    void CmPrint();
    void CmPrinterSetup();
    std::intptr_t SaveRequest(std::uintptr_t window);
    FileRequest MakeFileRequest(bool save) const;
    // Runs the file dialog (or the chooser set for it) and remembers the
    // folder of the name chosen.
    QString ChooseFile(bool save);
    QString ChooseFile(const FileRequest& request);
    // Save and Save As of a picture: the name and format the dialog's chosen
    // file type gives, asking when the typed extension contradicts it
    // (format 0: from the name); empty when cancelled.
    QString ChooseSaveName(int& format);

    // Pictures, stereograms and math figures (PictureCommands.cpp).
    void ConnectPictureCommands();
    void BuildMathMenu();
    void CmCopy();
    void CmPaste();
    void CmVideoInfo();
    void CmZoom(int code);
    void CmFullScreen();
    void CmMakeSirds();
    void CmGrayImage();
    void CmMathVersion();
    void CmStop();
    // Lets a window made by a command paint its result; a Stop asked for
    // before it could closes it instead (false).
    bool ShowMadeWindow(engine_ui::GenerationSession& session, QMdiSubWindow* sub, engine_ui::TSirdsWnd* picture);

    // The SIRDS Wizard (WizardCommand.cpp).
    void ConnectWizardCommands();
    void CmWizard();
    // The open picture or depth map window of a file (by its full path), or null.
    QWidget* OpenSource(const QString& path) const;
    // The size of a picture or depth map file for the wizard's size page.
    std::optional<wizard::SourceSize> SourceSize(const QString& path);

    // Window menu (WindowCommands.cpp).
    void ConnectWindowCommands();
    void ArrangeIcons();
    // The Window menu's list of the open windows, rebuilt as it opens.
    void UpdateWindowMenu();
    // A document window never grows past the MDI area (see eventFilter).
    void KeepInsideClient(QMdiSubWindow* sub);
    bool CanCloseChildren();

    // Settings, patterns, help, about (SettingsCommands.cpp).
    void ConnectSettingsCommands();
    void LoadSettings();
    void CmSettings();
    void CmPatterns();
    void CmHelp(bool overview);
    void CmGraphicsLib();
    void CmAbout();
    std::intptr_t AddPattern(int number);

    // Animated stereograms (AnimationCommands.cpp).
    void ConnectAnimationCommands();
    void CmMakeAnimation();
    engine_ui::TAnimPlayer* RunAnimation(const std::string& title, const engine::AnimationPlan& plan,
                                         const std::function<engine::GenerationResult(
                                             const engine::SirdsSettings&, engine::GenerationHost&)>& make);
    engine_ui::TAnimPlayer* RunIndexedAnimation(const std::string& title, const engine::AnimationPlan& plan,
                                                const std::function<engine::GenerationResult(
                                                    std::int32_t, const engine::SirdsSettings&,
                                                    engine::GenerationHost&)>& make);

    // Depth beyond Zmax (DepthFitCommands.cpp).
    void ConnectDepthFitCommands();
    // What a stereogram of the source named name is made with: a depth
    // beyond Zmax is fitted or kept as the user answers (asked once, then
    // remembered); no value when the user cancelled. rangeOf scans the
    // source, which takes a while for a large picture: once the user has
    // chosen to keep the depth as it is, it is not called.
    std::optional<engine::GenerationOptions> DepthOptions(const QString& name,
                                                          const std::function<engine::DepthRange()>& rangeOf);
    // Whether the live preview fits depth beyond Zmax: as the remembered
    // answer says, and yes while nothing has been answered.
    bool PreviewFitsDepth() const;

    // The depth hidden in a stereogram (RevealCommand.cpp).
    void ConnectRevealCommands();
    // The grey depth picture, or the red/cyan anaglyph of the scene.
    void CmRevealDepth(bool asAnaglyph);
    // The live preview beside the depth map editor (PreviewCommands.cpp).
    void ConnectPreviewCommands();
    // Follows the active window: the pane shows the active map, the dock is
    // shown while a map window is active and the preview is wanted.
    void UpdatePreview();
    // The settings or the pattern changed.
    void SchedulePreview();
    // The depth map editor and the colour table (DepthMapCommands.cpp).
    void ConnectDepthMapCommands();
    void ConnectMapWindow(depthmap_ui::TMapWindow* map);
    void FillMapState(FrameState& state) const;
    void CmFileNew();
    void CmColorTable();
    void CmUndo(bool undo);
    std::intptr_t SaveMapRequest(depthmap_ui::TMapWindow* map);
    // Copy with the colour table active: its swatches go to the clipboard.
    bool CopyColorTable();
    void MapStatus();

    // Messages from the document windows (FrameMessages.cpp).
    void ProgressReport(int phase, std::intptr_t record);
    // GSTATUS_STOP when a picture being read is to be given up.
    std::intptr_t GraphicsStatus(int kind, std::intptr_t record);
    void HintRequest(int id);

    std::string configPath_;
    app::Configuration config_;
    QtWindow window_;
    std::unique_ptr<TPrinterInt> printer_;
    engine::SirdsSettings settings_;
    int format_ = kFormatBmp;
    std::unique_ptr<engine::TSirdPatt> patterns_;
    QPointer<TWelcome> welcome_;
    bool busy_ = false;
    // A picture is being read or written: its progress reports let Stop
    // through (see StoppableFileWork in FileCommands.cpp).
    class StoppableFileWork;
    bool fileWork_ = false;
    bool stopFileWork_ = false;
    int toolBarPosition_ = kBarTop;

    QMdiArea* client_ = nullptr;
    TCStatusBar* status_ = nullptr;
    ButtonBar* mainBar_ = nullptr;
    ButtonBar* palette_ = nullptr;
    PopupHint* hint_ = nullptr;
    QPointer<HelpWindow> help_;
    QMenu* fileMenu_ = nullptr;
    QMenu* mathMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QActionGroup* windowList_ = nullptr;
    QActionGroup* tools_ = nullptr;
    // At most one colour table window.
    QPointer<depthmap_ui::TColorWnd> colorTable_;
    std::map<int, QAction*> actions_;
    std::map<int, std::function<void()>> handlers_;
    FileChooser chooseFile_;
    DialogRunner runDialog_;

    StartPage* start_ = nullptr;
    QDockWidget* previewDock_ = nullptr;
    engine_ui::TPreviewPane* preview_ = nullptr;
    QPointer<QWidget> previewMap_;
    QMetaObject::Connection previewLink_;
    bool previewWanted_ = true;
};

} // namespace gui
