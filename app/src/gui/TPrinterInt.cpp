#include "gui/TPrinterInt.h"

#include "gui/FrameRules.h"
#include "gui/MessageBoxes.h"
#include "gui/TCStatusBar.h"

#include "depthmap_ui/ModalRun.h"
#include "platform/Window.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace gui {

TPrinterInt::TPrinterInt(QWidget* owner) : owner_(owner) {}

TPrinterInt::~TPrinterInt()
{
    if (painter_)
        painter_->end();
}

bool TPrinterInt::OfferPdf(const QString& title)
{
    const int answer = MessageBox(owner_,
                                  QStringLiteral("No printer is installed. Print to a PDF file instead?"),
                                  QStringLiteral("Print"), platform::MB_YESNO | platform::MB_ICONQUESTION);
    if (answer != platform::IDYES)
        return false;
    QString base = title;
    base.replace(QLatin1Char('/'), QLatin1Char('_'));
    const int dot = base.lastIndexOf(QLatin1Char('.'));
    const QString suggested = QDir::home().filePath((dot > 0 ? base.left(dot) : base) + QStringLiteral(".pdf"));
    QString path;
    if (choosePdf_) {
        path = choosePdf_(owner_, suggested);
    } else {
        QFileDialog dialog(owner_, QStringLiteral("Print to PDF File"), suggested, QStringLiteral("PDF Files (*.pdf)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        if (depthmap_ui::RunModal(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().front();
    }
    if (path.isEmpty()) {
        cancelled_ = true;
        return false;
    }
    SetPdfOutput(path);
    return true;
}

bool TPrinterInt::StartPrinting(const QString& title)
{
    EndPrinting();
    cancelled_ = false;
    if (setupDone_ && chosen_) {
        current_ = chosen_.get();
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        current_ = nullptr;
        if (!info.isNull()) {
            default_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            current_ = default_.get();
        } else if (QPrinterInfo::availablePrinters().isEmpty() && OfferPdf(title)) {
            current_ = chosen_.get();
        } else if (cancelled_) {
            return false;
        }
    }
    if (current_) {
        current_->setDocName(title);
        auto painter = std::make_unique<QPainter>();
        if (painter->begin(current_))
            painter_ = std::move(painter);
    }
    if (!painter_) {
        current_ = nullptr;
        MessageBox(nullptr, QStringLiteral("Printer initialization failed."), QStringLiteral("Error"),
                   platform::MB_OK | platform::MB_ICONSTOP);
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return true;
}

QSize TPrinterInt::PageSize() const
{
    if (!current_)
        return {};
    return {current_->width(), current_->height()};
}

void TPrinterInt::EndPage()
{
    // One page per job: the page is finished when the job ends.
}

void TPrinterInt::EndPrinting()
{
    if (!painter_)
        return;
    painter_->end();
    painter_.reset();
    current_ = nullptr;
    default_.reset();
    QApplication::restoreOverrideCursor();
}

void TPrinterInt::PrinterSetup(QWidget* owner)
{
    setupDone_ = false;
    auto printer = chosen_ ? std::move(chosen_) : std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), owner ? owner : owner_);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    // The dialog chooses the printer here; nothing is printed yet.
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    if (depthmap_ui::RunModal(dialog) == QDialog::Accepted)
        setupDone_ = true;
    chosen_ = std::move(printer);
}

void TPrinterInt::SetPdfOutput(const QString& path)
{
    chosen_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    chosen_->setOutputFormat(QPrinter::PdfFormat);
    chosen_->setOutputFileName(path);
    setupDone_ = true;
}

bool PrintPicture(TPrinterInt& printer, const QImage& picture, const QString& title, QWidget* owner,
                  TCStatusBar* status)
{
    if (picture.isNull())
        return false;
    bool printed = false;
    if (!printer.StartPrinting(title.left(50))) {
        if (printer.Cancelled())
            return false;
        MessageBox(owner, QStringLiteral("Printer is not responding.  Please Check Printer Setup"),
                   QStringLiteral("Driver Error"), platform::MB_OK | platform::MB_ICONINFORMATION);
    } else {
        if (status)
            status->SetMessageText(QStringLiteral("%1 - Spooling ...").arg(QStringLiteral("Dotscape")));
        const QSize page = printer.PageSize();
        const PrintPlacement place = PrintScale(picture.width(), picture.height(), page.width(), page.height());
        if (place.valid && place.adjusted)
            MessageBox(owner, QStringLiteral("Image does not fit on the page.  Adjusting to fit."),
                       QStringLiteral("Printing"), platform::MB_OK | platform::MB_ICONINFORMATION);
        QPainter* painter = printer.Painter();
        if (place.valid && painter && painter->isActive()) {
            painter->drawImage(QRect(place.x, place.y, place.width, place.height), picture);
            printed = true;
        } else {
            MessageBox(owner, QStringLiteral("Printing failed.\nPlease Check Printer Setup\nand Memory."),
                       QStringLiteral("Printing Error"), platform::MB_OK | platform::MB_ICONINFORMATION);
        }
        printer.EndPage();
        printer.EndPrinting();
    }
    if (status)
        status->SetMessageText(QStringLiteral("Dotscape"));
    return printed;
}

} // namespace gui
