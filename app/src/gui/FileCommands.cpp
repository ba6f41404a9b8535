// The File menu: open, save (and save as), print and printer set-up, and the
// save request by which a closing picture window asks for a file name.

#include "gui/TDotscapeWnd.h"

#include "gui/CollectedMessages.h"
#include "gui/FileFilters.h"
#include "gui/FrameRules.h"
#include "gui/MessageBoxes.h"
#include "gui/SaveAsName.h"
#include "gui/QtText.h"
#include "gui/TCStatusBar.h"
#include "gui/TPrinterInt.h"

#include "app/FileKinds.h"
#include "app/SavedPicture.h"
#include "depthmap_ui/ModalRun.h"
#include "depthmap_ui/TMapWindow.h"
#include "engine_ui/TSirdsWnd.h"
#include "models/ModelFormats.h"
#include "pictrans/TGraphIO.h"
#include "platform/Messages.h"
#include "resources/Resources.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace gui {

namespace {

QStringList qtList(const std::vector<std::string>& texts)
{
    QStringList out;
    for (const std::string& text : texts)
        out << fromStd(text);
    return out;
}

} // namespace

void TDotscapeWnd::ConnectFileCommands()
{
    OnCommand(CM_FILEOPEN, [this] { CmFileOpen(); });
    OnCommand(CM_FILESAVE, [this] { CmFileSave(); });
    // Save As asks for a name as Save does; only its enabling differs.
    OnCommand(CM_FILESAVEAS, [this] { CmFileSave(); });
    OnCommand(CM_FILECLOSE, [this] { client_->closeActiveSubWindow(); });
    OnCommand(CM_FILEPRINT, [this] { CmPrint(); });
    OnCommand(CM_FILEPRINTERSETUP, [this] { CmPrinterSetup(); });
    OnCommand(CM_EXIT, [this] { close(); });
}

TDotscapeWnd::FileRequest TDotscapeWnd::MakeFileRequest(bool save) const
{
    // A map is always written as a depth map, so its dialog offers that
    // filter and adds ".rds" to a bare name; a picture is never offered the
    // depth map filter, whose ".rds" would name a file no Open reads back.
    int format = format_;
    if (save && ActiveKind() == kKindDepthMap)
        format = kFormatDepthMap;
    else if (save && format == kFormatDepthMap)
        format = kFormatBmp;
    const FileFilters filters = save ? SaveFileFilters(format) : OpenFileFilters(format);
    FileRequest request;
    request.save = save;
    request.filters = qtList(filters.filters);
    request.selected = static_cast<int>(filters.selected);
    request.formats = filters.formats;
    // A picture's name gets the extension of the type chosen (ChooseSaveName)
    // rather than the dialog's fixed one.
    if (!save || format == kFormatDepthMap)
        request.defaultSuffix =
            fromStd(save ? SaveDefaultExtension(format) : OpenDefaultExtension(format)).toLower();
    request.folder = fromStd(config_.lastFolder);
    return request;
}

QString TDotscapeWnd::ChooseFile(bool save)
{
    return ChooseFile(MakeFileRequest(save));
}

QString TDotscapeWnd::ChooseFile(const FileRequest& request)
{
    const bool save = request.save;
    QString name;
    if (chooseFile_) {
        name = chooseFile_(request);
    } else {
        QFileDialog dialog(this, save ? QStringLiteral("Save") : QStringLiteral("Open"));
        dialog.setNameFilters(request.filters);
        if (request.selected >= 0 && request.selected < request.filters.size())
            dialog.selectNameFilter(request.filters[request.selected]);
        if (!request.folder.isEmpty())
            dialog.setDirectory(request.folder);
        dialog.setDefaultSuffix(request.defaultSuffix);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // Saving replaces a file of the same name without asking.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        const int answer = depthmap_ui::RunModal(dialog);
        if (answer == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            name = dialog.selectedFiles().front();
            request.chosen = static_cast<int>(request.filters.indexOf(dialog.selectedNameFilter()));
        }
    }
    if (!name.isEmpty())
        config_.lastFolder = QFileInfo(name).absolutePath().toStdString();
    return name;
}

// While a picture is read or written its progress reports keep the frame
// answering, with Stop (and Esc) offered; the commands wait and no document
// closes under the work, as during a generation. A stopped write leaves no
// file, and an existing one as it was.
class TDotscapeWnd::StoppableFileWork {
public:
    explicit StoppableFileWork(TDotscapeWnd& frame) : frame_(frame), wasBusy_(frame.busy_)
    {
        frame_.SetBusy(true);
        depthmap_ui::TMouseWnd::SetDocumentsBusy(true);
        frame_.fileWork_ = true;
        frame_.stopFileWork_ = false;
    }
    ~StoppableFileWork()
    {
        frame_.fileWork_ = false;
        depthmap_ui::TMouseWnd::SetDocumentsBusy(false);
        frame_.SetBusy(wasBusy_);
    }
    StoppableFileWork(const StoppableFileWork&) = delete;
    StoppableFileWork& operator=(const StoppableFileWork&) = delete;

private:
    TDotscapeWnd& frame_;
    bool wasBusy_;
};

QString TDotscapeWnd::ChooseSaveName(int& format)
{
    format = 0;
    const FileRequest request = MakeFileRequest(true);
    const QString typed = ChooseFile(request);
    if (typed.isEmpty() || ActiveKind() == kKindDepthMap || request.chosen < 0 ||
        request.chosen >= static_cast<int>(request.formats.size()))
        return typed;
    const int chosen = request.formats[static_cast<std::size_t>(request.chosen)];
    const SaveAsName resolved = ResolveSaveAsName(typed.toStdString(), chosen);
    format = resolved.format;
    if (!resolved.contradicts)
        return fromStd(resolved.name);
    const QString typedKind = fromStd(SaveDefaultExtension(resolved.typedFormat));
    const QString chosenKind = fromStd(SaveDefaultExtension(chosen));
    const QString renamed = fromStd(WithExtensionOf(typed.toStdString(), chosen));
    const QString text = QStringLiteral("%1 has the extension of %2 files, but %3 files were chosen.\n\n"
                                        "Yes saves it as %2; No saves it as %3, named %4.")
                             .arg(QFileInfo(typed).fileName(), typedKind, chosenKind, QFileInfo(renamed).fileName());
    switch (MessageBox(this, text, QStringLiteral("Save As"), platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION)) {
    case platform::IDYES:
        format = resolved.typedFormat;
        return typed;
    case platform::IDNO:
        return renamed;
    default:
        return {};
    }
}

void TDotscapeWnd::CmFileOpen()
{
    status_->ClearHintText();
    const QString name = ChooseFile(false);
    if (!name.isEmpty())
        OpenFile(name);
}

void TDotscapeWnd::OpenFile(const QString& qname)
{
    setCursor(resources::Cursor(resources::kBusyCursor));
    repaint();
    const std::string name = qname.toStdString();
    // The content decides, whatever the name says; a file that cannot be
    // read goes by its name, so that its own reader says why.
    const app::FileKind* kind = app::detectFileKind(name);
    const QFileInfo info(qname);
    const QString fullPath = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    if (kind ? kind->code == kFormatDepthMap : IsDepthMapName(name)) {
        if (depthmap_ui::TMapWindow* map = OpenDepthMap(qname))
            map->setProperty(kSourcePathProperty, fullPath);
    } else if (models::detectModelFormat(name)) {
        OpenModel(qname);
    } else {
        TGraphIO detect(FrameWindow(), FrameWindow());
        format_ = detect.GetGraphicFormat(name);
        status_->SetMessageText(fromStd(ReadingText(format_)));
        // The reader's own reason goes into the one box of a failure.
        CollectedMessages reasons(FrameWindow());
        TGraphIO reader(FrameWindow(), &reasons);
        std::unique_ptr<platform::Bitmap> bitmap;
        {
            const StoppableFileWork work(*this);
            bitmap = reader.Read_File(name);
        }
        if (reader.Stopped()) {
            status_->HideProgress();
        } else if (!bitmap) {
            MessageBox(this, QStringLiteral("Error Opening the Bitmap file"), QStringLiteral("Error"),
                       platform::MB_OK | platform::MB_ICONINFORMATION, fromStd(reasons.Detail(name)));
        } else {
            auto* picture = new engine_ui::TSirdsWnd(nullptr, name, FrameWindow(), nullptr, nullptr, 200, 20,
                                                     engine_ui::SourcePicture, &settings_);
            picture->SetPattLib(patterns_.get());
            picture->SetPicture(std::move(bitmap), reader.GetPalette());
            picture->SetDepth16(reader.GetGrey16());
            picture->SetNoSaveQuestion(true);
            picture->setProperty(kSourcePathProperty, fullPath);
            AddDocument(picture);
        }
    }
    status_->SetMessageText(QString());
    StatusRefresh();
    unsetCursor();
}

void TDotscapeWnd::CmFileSave()
{
    status_->ClearHintText();
    const int kind = ActiveKind();
    if (kind != kKindColorTable) {
        int format = 0;
        const QString name = ChooseSaveName(format);
        if (!name.isEmpty())
            SaveActiveAs(name, format);
    }
    repaint();
}

bool TDotscapeWnd::SaveActiveAs(const QString& qname, int format)
{
    if (depthmap_ui::TMapWindow* map = ActiveMap())
        return SaveMap(map, qname);
    engine_ui::TSirdsWnd* picture = ActivePicture();
    if (!picture || !picture->GetPicture())
        return false;
    repaint();
    setCursor(resources::Cursor(resources::kBusyCursor));
    // The file keeps the name as typed (on this system the case of every
    // folder matters); only the format is chosen without regard to case.
    const std::string name = qname.toStdString();
    format_ = format != 0 ? format : app::formatForSaveName(name);
    TGraphIO writer(FrameWindow(), picture->AsWindow());
    writer.SetGraphicFormat(format_);
    status_->SetMessageText(fromStd(WritingText(format_)));
    const app::PictureToWrite written = app::pictureForFormat(*picture->GetPicture(), picture->GetBitmapDescription(),
                                                            picture->GetPalette(), format_);
    bool saved = false;
    if (written.bitmap) {
        const StoppableFileWork work(*this);
        saved = writer.Write_File(name, written.description, written.bitmap, picture->GetPalette()) != 0;
    }
    picture->SetNoSaveQuestion(saved);
    if (saved)
        picture->SetTitle(name);
    if (writer.Stopped())
        status_->HideProgress();
    status_->SetMessageText(QString());
    unsetCursor();
    UpdateMenus();
    return saved;
}

std::intptr_t TDotscapeWnd::SaveRequest(std::uintptr_t wParam)
{
    auto* picture = engine_ui::TSirdsWnd::FromWindow(reinterpret_cast<platform::Window*>(wParam));
    if (!picture) {
        if (auto* map = depthmap_ui::TMapWindow::FromWindow(reinterpret_cast<platform::Window*>(wParam)))
            return SaveMapRequest(map);
        return 0;
    }
    for (QMdiSubWindow* sub : client_->subWindowList()) {
        if (sub->widget() == picture) {
            client_->setActiveSubWindow(sub);
            break;
        }
    }
    int format = 0;
    const QString name = ChooseSaveName(format);
    // The window may close only when its picture was written.
    return !name.isEmpty() && SaveActiveAs(name, format) ? 1 : 0;
}

void TDotscapeWnd::CmPrint()
{
    engine_ui::TSirdsWnd* picture = ActivePicture();
    if (!picture || !picture->GetPicture() || !printer_)
        return;
    setCursor(resources::Cursor(resources::kBusyCursor));
    PrintPicture(*printer_, picture->GetImage(), fromStd(picture->GetTitle()), this, status_);
    unsetCursor();
}

void TDotscapeWnd::CmPrinterSetup()
{
    if (printer_)
        printer_->PrinterSetup(this);
}

} // namespace gui
