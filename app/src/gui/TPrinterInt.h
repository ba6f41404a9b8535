#pragma once
// The printer the frame prints to: the system's default printer until the
// user chooses another (or a PDF file) in Printer Setup. Each print is one
// job of one page.

#include <QImage>
#include <QString>

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
    // Printer Setup was not run or was cancelled). On failure shows "Printer
    // initialization failed." and returns false.
    bool StartPrinting(const QString& title);
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
};

// The print command: prints picture on one page, scaled to fit, with the
// messages of a failed or adjusted print. status receives the spooling text
// (may be null). True when the page was printed.
class TCStatusBar;
bool PrintPicture(TPrinterInt& printer, const QImage& picture, const QString& title, QWidget* owner,
                  TCStatusBar* status);

} // namespace gui
