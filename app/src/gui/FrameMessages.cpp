// The messages by which the document windows and the engine talk to the
// frame, and what they show: progress and reading or writing reports,
// hints, and the status bar's texts for the active window.

#include "gui/TDotscapeWnd.h"

#include "gui/FrameRules.h"
#include "gui/PopupHint.h"
#include "gui/QtText.h"
#include "gui/TCStatusBar.h"

#include "depthmap_ui/TColorWnd.h"
#include "engine/Generation.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/TSirdsWnd.h"
#include "pictrans/TGIntf.h"
#include "platform/Messages.h"
#include "resources/Resources.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <cstring>

namespace gui {

std::intptr_t TDotscapeWnd::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    switch (message) {
    case platform::WM_STOPREQUEST:
        engine_ui::TSirdsWnd::StopGeneration();
        return 0;
    case platform::WM_PATTLIBREQUEST: {
        auto* asker = engine_ui::TSirdsWnd::FromWindow(reinterpret_cast<platform::Window*>(wParam));
        if (!asker)
            asker = ActivePicture();
        if (asker)
            asker->SetPattLib(patterns_.get());
        return reinterpret_cast<std::intptr_t>(patterns_.get());
    }
    case platform::WM_COLORTABLECLOSED:
        colorTable_ = nullptr;
        return 0;
    case platform::WM_SAVEREQUEST:
        return SaveRequest(wParam);
    case platform::WM_STATUSREFRESH:
        StatusRefresh();
        UpdateMenus();
        return 0;
    case platform::WM_PROGRESSREPORT:
        ProgressReport(static_cast<int>(wParam), lParam);
        return 0;
    case platform::WM_ADDPATTERN:
        return AddPattern(static_cast<int>(wParam));
    case platform::WM_HINTREQUEST:
        HintRequest(static_cast<int>(static_cast<std::intptr_t>(wParam)));
        return 0;
    case platform::WM_GRAPHSTATUS:
        return GraphicsStatus(static_cast<int>(wParam), lParam);
    default:
        return 0;
    }
}

void TDotscapeWnd::ProgressReport(int phase, std::intptr_t lParam)
{
    const auto* record = reinterpret_cast<const engine::ProgressRecord*>(lParam);
    const QString text = record ? QString::fromLatin1(record->text, static_cast<qsizetype>(
                                                                        strnlen(record->text, sizeof record->text)))
                                : QString();
    switch (phase) {
    case engine::kProgressStart:
        status_->ClearHintText();
        SetBusy(true);
        setCursor(resources::Cursor(resources::kBusyCursor));
        status_->SetProgress(0);
        status_->SetMessageText(text);
        status_->repaint();
        break;
    case engine::kProgressEnd:
        status_->SetProgress(100);
        status_->SetProgress(0);
        status_->HideProgress();
        status_->SetMessageText(QString());
        status_->repaint();
        unsetCursor();
        SetBusy(false);
        break;
    case engine::kProgressText:
    case engine::kProgressStep:
        if (record)
            status_->SetProgress(ProgressPercent(record->done, record->total));
        status_->SetMessageText(text);
        status_->repaint();
        break;
    default:
        if (record)
            status_->SetProgress(ProgressPercent(record->done, record->total));
        status_->SetMessageText(QString());
        break;
    }
}

std::intptr_t TDotscapeWnd::GraphicsStatus(int kind, std::intptr_t lParam)
{
    const auto* record = reinterpret_cast<const GRAPHSTATUS*>(lParam);
    if (!record)
        return 0;
    const QString text =
        QString::fromLatin1(record->text, static_cast<qsizetype>(strnlen(record->text, sizeof record->text)));
    switch (kind) {
    case GSTATUS_TEXT:
        status_->SetMessageText(text);
        break;
    case GSTATUS_PROGRESS:
        status_->SetMessageText(text);
        status_->SetProgress(ProgressPercent(record->done, record->total));
        if (fileWork_) {
            // The frame answers (Stop among the rest) while a picture is
            // read or written.
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            return stopFileWork_ ? GSTATUS_STOP : 0;
        }
        break;
    case GSTATUS_DONE:
        // The finished report carries no text: the reading or writing text
        // would otherwise stay after the work, as after adding a pattern.
        status_->HideProgress();
        status_->SetMessageText(QString());
        break;
    default:
        break;
    }
    return 0;
}

void TDotscapeWnd::HintRequest(int id)
{
    if (id < 1) {
        hint_->HideHint();
        hint_->ShowHint(-1);
        return;
    }
    if (!hint_->Visible() || hint_->CurrentId() != id) {
        hint_->HideHint();
        if (QMdiSubWindow* sub = client_->currentSubWindow())
            sub->repaint();
        hint_->ShowHint(id);
    }
}

void TDotscapeWnd::StatusRefresh()
{
    if (!status_)
        return;
    const int kind = ActiveKind();
    if (kind != kKindDepthMap)
        status_->SetLevelText(QString());
    if (kind == kKindNone) {
        status_->SetMessageText(QString());
        status_->SetImageText(QString());
    } else if (kind == kKindPicture) {
        engine_ui::TSirdsWnd* picture = ActivePicture();
        const platform::BITMAP& bm = picture->GetBitmapDescription();
        if (!picture->GetPicture() || bm.bmWidth < 1) {
            status_->SetMessageText(QString());
            status_->SetImageText(QString());
        } else {
            status_->SetImageText(fromStd(ImageSizeText(picture->GetImageSize())));
            status_->SetMessageText(fromStd(DimensionsText(bm.bmWidth, bm.bmHeight, bm.bmBitsPixel)));
        }
    } else if (kind == kKindDepthMap) {
        MapStatus();
    } else if (kind == kKindColorTable) {
        status_->SetImageText(QString());
    }
    const long available = SystemMemAvailableKb();
    status_->SetMemoryText(available >= 0 ? fromStd(MemoryText(available)) : QString());
    status_->repaint();
}

} // namespace gui
