// The SIRDS Wizard: the pages run one after the other (wizard/), then the
// chosen source is opened and the stereogram made from it, as the menu
// commands would do it.

#include "gui/TDotscapeWnd.h"

#include "gui/QtText.h"

#include "app/Configuration.h"
#include "app/FileKinds.h"
#include "wizard/WizardDriver.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace gui {

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
    const wizard::WizardResult result = driver.Run();
    // The source is remembered once its page was left with "Next >".
    if (const auto& chosen = driver.ChosenSource())
        app::Configuration::saveWizard(configPath_, {chosen->sourceType, chosen->figure, chosen->sourceName});
    // The keyboard belongs to the frame again once the pages have gone.
    activateWindow();
    // Browsing the patterns selects them in the library at once; the
    // button shows whichever is current now, after a Cancel the old one.
    UpdatePatternButton();
    if (!result.finished)
        return;

    if (result.sourceType == wizard::kSourceMath) {
        // As if the figure had been chosen from the menu once the wizard has gone.
        const int id = CM_FIGUREFIRST + result.figureIndex;
        QMetaObject::invokeMethod(this, [this, id] { Command(id); }, Qt::QueuedConnection);
        return;
    }

    // A picture, a depth map or a model opens exactly as Open opens it (a
    // model in its window, at the default camera), with the same messages
    // when it cannot be read. The stereogram is then made from the window it
    // opened in; a source that could not be read leaves no window,
    // and then nothing is made (rather than a stereogram of whatever other
    // window happens to be active).
    config_.lastFolder = QFileInfo(result.sourceName).absolutePath().toStdString();
    const QList<QMdiSubWindow*> before = client_->subWindowList();
    OpenFile(result.sourceName);
    QMdiSubWindow* opened = client_->currentSubWindow();
    if (!opened || before.contains(opened))
        return;
    QMetaObject::invokeMethod(this, [this] { Command(CM_MAKESIRDS); }, Qt::QueuedConnection);
}

} // namespace gui
