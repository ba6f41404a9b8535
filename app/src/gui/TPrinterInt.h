#pragma once
// The printer the frame prints to: the system's default printer until the
// user chooses another (or a PDF file) in Printer Setup. Each print is one
// job of one page.

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

class QPainter;
class QPrinter;
class QWidget;

namespace gui {

class TPrinterInt {
public:
    explicit TPrinterInt(QWidget* owner);
    virtual ~TPrinterInt();
    TPrinterInt(const TPrinterInt&) = delete;
    TPrinterInt& operator=(const TPrinterInt&) = delete;

    // Opens a job named title on the chosen printer (the default one when
    // Printer Setup was not run or was cancelled). Where no printer is
    // installed it offers a PDF file instead. On failure shows "Printer
    // initialization failed." and returns false; false without a box when
    // the user declined to name a PDF file (Cancelled()).
    bool StartPrinting(const QString& title);
    bool Cancelled() const { return cancelled_; }
    // Asks for the PDF file to print to (suggested: a name from the job's
    // title); empty for Cancel. Replaces the file dialog (tests).
    using PdfChooser = std::function<QString(QWidget* owner, const QString& suggested)>;
    void SetPdfChooser(PdfChooser chooser) { choosePdf_ = std::move(chooser); }
    // The painter of the running job, or null.
    QPainter* Painter() const { return painter_.get(); }
    QPrinter* Printer() const { return current_; }
    // Page size of the running job in device pixels.
    QSize PageSize() const;
    void EndPage();
    void EndPrinting();
    bool Printing() const { return painter_ != nullptr; }

    // Runs the print dialog; OK keeps the choice, Cancel falls back to the
    // default printer for the next print.
    void PrinterSetup(QWidget* owner);
    bool SetupDone() const { return setupDone_; }
    // Chooses PDF output into path, as Printer Setup's "print to file" does.
    void SetPdfOutput(const QString& path);

private:
    QWidget* owner_;
    std::unique_ptr<QPrinter> chosen_;  // the printer of the last successful setup
    std::unique_ptr<QPrinter> default_; // the default printer of one job
    QPrinter* current_ = nullptr;
    std::unique_ptr<QPainter> painter_;
    bool setupDone_ = false;
    bool cancelled_ = false;
    PdfChooser choosePdf_;

    // No printer installed: Yes to the question and a file name choose PDF
    // output; false otherwise (cancelled_ set when the user said no to both).
    bool OfferPdf(const QString& title);
};

// The print command: prints picture on one page, scaled to fit, with the
// messages of a failed or adjusted print. status receives the spooling text
// (may be null). True when the page was printed.
class TCStatusBar;
bool PrintPicture(TPrinterInt& printer, const QImage& picture, const QString& title, QWidget* owner,
                  TCStatusBar* status);

} // namespace gui
