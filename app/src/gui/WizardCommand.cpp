// The SIRDS Wizard: the pages run one after the other (wizard/), then the
// chosen source is opened (or its open window taken) and the stereogram made
// from it, as the menu commands would do it, with the size page's values.

#include "gui/TDotscapeWnd.h"

#include "gui/CollectedMessages.h"
#include "gui/FrameRules.h"
#include "gui/QtText.h"

#include "app/Configuration.h"
#include "app/FileKinds.h"
#include "depthmap_ui/TMapWindow.h"
#include "depthmap_ui/UiMessageBox.h"
#include "engine_ui/TSirdsWnd.h"
#include "pictrans/TGraphIO.h"
#include "platform/Window.h"
#include "wizard/WizardDriver.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace gui {

namespace {

// The settings the size page decides, put back when the stereogram is made.
class MadeWith {
public:
    MadeWith(engine::SirdsSettings& settings, const engine::SirdsSettings& made)
        : settings_(settings), saved_(settings)
    {
        settings_.w = made.w;
        settings_.h = made.h;
        settings_.zmin = made.zmin;
        settings_.zmax = made.zmax;
        settings_.gapValue = made.gapValue;
    }
    ~MadeWith()
    {
        settings_.w = saved_.w;
        settings_.h = saved_.h;
        settings_.zmin = saved_.zmin;
        settings_.zmax = saved_.zmax;
        settings_.gapValue = saved_.gapValue;
    }
    MadeWith(const MadeWith&) = delete;
    MadeWith& operator=(const MadeWith&) = delete;

private:
    engine::SirdsSettings& settings_;
    const engine::SirdsSettings saved_;
};

QString FullPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

QWidget* TDotscapeWnd::OpenSource(const QString& path) const
{
    const QString wanted = FullPath(path);
    for (QMdiSubWindow* sub : client_->subWindowList()) {
        QWidget* document = sub->widget();
        if (!document || document->property(kSourcePathProperty).toString() != wanted)
            continue;
        // A map saved under another name since is another file's.
        if (auto* map = qobject_cast<depthmap_ui::TMapWindow*>(document)) {
            if (map->FileName() == TitleFromPath(path.toStdString()).substr(0, 49))
                return map;
        } else if (auto* picture = qobject_cast<engine_ui::TSirdsWnd*>(document)) {
            if (!picture->IsSird() && picture->GetPicture())
                return picture;
        }
    }
    return nullptr;
}

std::optional<wizard::SourceSize> TDotscapeWnd::SourceSize(const QString& path)
{
    if (QWidget* open = OpenSource(path)) {
        if (auto* map = qobject_cast<depthmap_ui::TMapWindow*>(open))
            return wizard::SourceSize{map->MapWidth(), map->MapHeight()};
        const platform::Bitmap* picture = qobject_cast<engine_ui::TSirdsWnd*>(open)->GetPicture();
        return wizard::SourceSize{picture->width(), picture->height()};
    }
    const std::string name = path.toStdString();
    const app::FileKind* kind = app::detectFileKind(name);
    if (kind ? kind->code == kFormatDepthMap : IsDepthMapName(name)) {
        // Read without a word: opening the file later says what is wrong.
        const depthmap_ui::UiMessageBoxProvider shown =
            depthmap_ui::SetUiMessageBoxProvider([](QWidget*, const QString&, const QString&, unsigned) {
                return platform::IDOK;
            });
        depthmap_ui::TMapWindow probe(nullptr, name, 1, 1, nullptr, nullptr);
        const bool read = probe.ReadFile(name);
        depthmap_ui::SetUiMessageBoxProvider(shown);
        if (!read)
            return std::nullopt;
        return wizard::SourceSize{probe.MapWidth(), probe.MapHeight()};
    }
    // Reasons are kept, not shown: opening the file later says what is wrong.
    CollectedMessages reasons(FrameWindow());
    TGraphIO reader(FrameWindow(), &reasons);
    const std::unique_ptr<platform::Bitmap> bitmap = reader.Read_File(name);
    if (!bitmap)
        return std::nullopt;
    return wizard::SourceSize{bitmap->width(), bitmap->height()};
}

void TDotscapeWnd::ConnectWizardCommands()
{
    OnCommand(CM_WIZARD, [this] { CmWizard(); });
}

void TDotscapeWnd::CmWizard()
{
    const app::WizardSettings stored = app::Configuration::loadWizard(configPath_);
    wizard::WizardDriver driver(this, settings_, patterns_.get(),
                                wizard::SourceChoice{stored.source_type, stored.figure, stored.source_name});
    if (runDialog_)
        driver.SetDialogRunner(runDialog_);
    const QString folder = fromStd(config_.lastFolder);
    driver.SetStartFolder(folder);
    driver.SetModelFilter(fromStd(app::kindFilterString(app::kFormatModel)));
    if (chooseFile_)
        driver.SetFileChooser([this, folder](const QString&, const QString& filter, const QString& extension) {
            FileRequest request;
            request.filters = wizard::SourceWizDlg::NameFilters(filter);
            request.defaultSuffix = extension;
            request.folder = folder;
            return chooseFile_(request);
        });
    driver.SetSourceSizer([this](int type, const QString& name) -> std::optional<wizard::SourceSize> {
        if (type != wizard::kSourcePicture && type != wizard::kSourceDepthMap)
            return std::nullopt;
        return SourceSize(name);
    });
    const wizard::WizardResult result = driver.Run();
    // The source is remembered once its page was left with "Next >".
    if (const auto& chosen = driver.ChosenSource())
        app::Configuration::saveWizard(configPath_, {chosen->sourceType, chosen->figure, chosen->sourceName});
    // Browsing the patterns selects them in the library at once; the
    // button shows whichever is current now, after a Cancel the old one.
    UpdatePatternButton();
    if (!result.finished)
        return;

    // The size page's values make this stereogram; the settings keep their
    // own unless the page was told to keep these.
    const MadeWith made(settings_, result.made);
    if (result.sourceType == wizard::kSourceMath) {
        MakeFigure(CM_FIGUREFIRST + result.figureIndex);
        return;
    }

    // A picture, a depth map or a model opens exactly as Open opens it (a
    // model in its window, at the default camera), with the same messages
    // when it cannot be read; one already open is taken as it is. The
    // stereogram is then made from that window; a source that could not be
    // read leaves no window, and then nothing is made (rather than a
    // stereogram of whatever other window happens to be active).
    config_.lastFolder = QFileInfo(result.sourceName).absolutePath().toStdString();
    QWidget* source = OpenSource(result.sourceName);
    if (source) {
        client_->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(source->parentWidget()));
    } else {
        const QList<QMdiSubWindow*> before = client_->subWindowList();
        OpenFile(result.sourceName);
        QMdiSubWindow* opened = client_->currentSubWindow();
        if (!opened || before.contains(opened))
            return;
    }
    Command(CM_MAKESIRDS);
}

} // namespace gui
