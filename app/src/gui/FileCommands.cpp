// The File menu: open, save (and save as), print and printer set-up, and the
// save request by which a closing picture window asks for a file name.

#include "gui/TDotscapeWnd.h"

#include "gui/FrameRules.h"
#include "gui/MessageBoxes.h"
#include "gui/QtText.h"
#include "gui/TCStatusBar.h"
#include "gui/TPrinterInt.h"

#include "app/FileKinds.h"
#include "engine_ui/TSirdsWnd.h"
#include "pictrans/TGraphIO.h"
#include "platform/Messages.h"
#include "resources/Resources.h"

#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace gui {

namespace {

constexpr const char* kOpenFilter =
    "Bitmap Files (*.BMP)|*.bmp|PCX Files (*.PCX)|*.pcx|GIF Files (*.GIF)|*.gif|Depth Map File (*.RDS)|*.rds|";
constexpr const char* kSaveFilter = "Bitmap Files (*.BMP)|*.bmp|PCX Files (*.PCX)|*.pcx|GIF Files (*.GIF)|*.gif|"
                                    "JPEG Files (*.JPG)|*.jpg|Depth Map File (*.RDS)|*.rds|";

// "A (*.a)|*.a|B (*.b)|*.b|" as the list a Qt file dialog takes: the
// description already carries the pattern.
QStringList qtFilters(const QString& filter)
{
    QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << QStringLiteral("%1 (%2)").arg(parts[i].section(QLatin1Char('('), 0, 0).trimmed(), parts[i + 1]);
    return out;
}

} // namespace

void TDotscapeWnd::ConnectFileCommands()
{
    OnCommand(CM_FILEOPEN, [this] { CmFileOpen(); });
    OnCommand(CM_FILESAVE, [this] { CmFileSave(); });
    OnCommand(CM_FILEPRINT, [this] { CmPrint(); });
    OnCommand(CM_FILEPRINTERSETUP, [this] { CmPrinterSetup(); });
    OnCommand(CM_EXIT, [this] { close(); });
}

QString TDotscapeWnd::ChooseFile(bool save, const QString& filter, int filterIndex, const QString& extension)
{
    if (chooseFile_)
        return chooseFile_(save, filter, filterIndex, extension);
    const QStringList filters = qtFilters(filter);
    QFileDialog dialog(this, save ? QStringLiteral("Save") : QStringLiteral("Open"));
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    dialog.setDefaultSuffix(extension.toLower());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Saving replaces a file of the same name without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

void TDotscapeWnd::CmFileOpen()
{
    status_->ClearHintText();
    const QString name = ChooseFile(false, QString::fromLatin1(kOpenFilter), format_,
                                    fromStd(OpenDefaultExtension(format_)));
    if (!name.isEmpty())
        OpenFile(name);
}

void TDotscapeWnd::OpenFile(const QString& qname)
{
    setCursor(resources::Cursor(resources::kBusyCursor));
    repaint();
    const std::string name = qname.toStdString();
    if (IsDepthMapName(name)) {
        // The depth map editor is not part of this program yet: depth map
        // files cannot be shown.
        format_ = kFormatDepthMap;
        status_->SetMessageText(fromStd(ReadingText(format_)));
        MessageBox(this, QStringLiteral("Error Opening the Depth Map file"), QStringLiteral("Error"),
                   platform::MB_OK | platform::MB_ICONINFORMATION);
    } else {
        TGraphIO detect(FrameWindow(), FrameWindow());
        format_ = detect.GetGraphicFormat(name);
        status_->SetMessageText(fromStd(ReadingText(format_)));
        TGraphIO reader(FrameWindow(), FrameWindow());
        std::unique_ptr<platform::Bitmap> bitmap = reader.Read_File(name);
        if (!bitmap) {
            MessageBox(this, QStringLiteral("Error Opening the Bitmap file"), QStringLiteral("Error"),
                       platform::MB_OK | platform::MB_ICONINFORMATION);
        } else {
            auto* picture = new engine_ui::TSirdsWnd(nullptr, name, FrameWindow(), nullptr, nullptr, 200, 20,
                                                     engine_ui::SourcePicture, &settings_);
            picture->SetPattLib(patterns_.get());
            picture->SetPicture(std::move(bitmap), reader.GetPalette());
            picture->SetNoSaveQuestion(true);
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
        const QString name = ChooseFile(true, QString::fromLatin1(kSaveFilter), format_,
                                        fromStd(SaveDefaultExtension(format_)));
        if (!name.isEmpty())
            SaveActiveAs(name);
    }
    repaint();
}

bool TDotscapeWnd::SaveActiveAs(const QString& qname)
{
    engine_ui::TSirdsWnd* picture = ActivePicture();
    if (!picture || !picture->GetPicture())
        return false;
    repaint();
    setCursor(resources::Cursor(resources::kBusyCursor));
    // The file keeps the name as typed (on this system the case of every
    // folder matters); only the format is chosen without regard to case.
    const std::string name = qname.toStdString();
    format_ = app::formatForSaveName(name);
    TGraphIO writer(FrameWindow(), picture->AsWindow());
    writer.SetGraphicFormat(format_);
    status_->SetMessageText(fromStd(WritingText(format_)));
    const bool saved = writer.Write_File(name, picture->GetBitmapDescription(), picture->GetPicture(),
                                         picture->GetPalette()) != 0;
    picture->SetNoSaveQuestion(saved);
    if (saved)
        picture->SetTitle(name);
    status_->SetMessageText(QString());
    unsetCursor();
    UpdateMenus();
    return saved;
}

std::intptr_t TDotscapeWnd::SaveRequest(std::uintptr_t wParam)
{
    auto* picture = engine_ui::TSirdsWnd::FromWindow(reinterpret_cast<platform::Window*>(wParam));
    if (!picture)
        return 0;
    for (QMdiSubWindow* sub : client_->subWindowList()) {
        if (sub->widget() == picture) {
            client_->setActiveSubWindow(sub);
            break;
        }
    }
    const QString name = ChooseFile(true, QString::fromLatin1(kSaveFilter), format_,
                                    fromStd(SaveDefaultExtension(format_)));
    // The window may close only when its picture was written.
    return !name.isEmpty() && SaveActiveAs(name) ? 1 : 0;
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
