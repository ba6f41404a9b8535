#pragma once
// The wizard's first page (201): the depth source, a picture file, a depth
// map file, a math figure or a 3-D model file. Choosing a radio button asks
// at once for the file or the figure. The model is offered when the owner
// hands the page the filter of the model files it opens; it then goes on as
// a picture does, its depth that of the model at the default camera. The page starts from the source last chosen, which its
// owner keeps (the frame stores it in the configuration file), and hands the
// new choice back when it is left with "Next >".

#include "wizard/WizardDlg.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QRadioButton;

namespace wizard {

// Source types.
inline constexpr int kSourcePicture = 1;
inline constexpr int kSourceDepthMap = 2;
inline constexpr int kSourceMath = 3;
inline constexpr int kSourceModel = 4;

// A source choice as it is remembered from one run to the next. Values the
// page does not know (a garbled store) count as the first math figure.
struct SourceChoice {
    int sourceType = kSourceMath;
    int figure = 0;
    // Absent: the page shows the title of the figure numbered by figure.
    std::optional<std::string> sourceName;

    friend bool operator==(const SourceChoice&, const SourceChoice&) = default;
};

class SourceWizDlg : public WizardDlg {
    Q_OBJECT
public:
    // Asks for an existing file: title, filter ("Desc (*.x)|*.x|..."),
    // default extension. Empty for Cancel.
    using FileChooser = std::function<QString(const QString& title, const QString& filter,
                                              const QString& defaultExtension)>;
    // Runs a dialog modally and returns its result (the figure selection).
    using DialogRunner = std::function<int(QDialog& dialog)>;

    // last: the source chosen last time. The math library's title table
    // must exist. modelFilter ("Desc (*.X)|*.x *.y|"): the model files the
    // program opens; empty, no model is offered.
    SourceWizDlg(QWidget* parent, const SourceChoice& last, const QString& modelFilter = {});

    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    void SetDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
    // The folder the file dialog starts in (empty: the current one).
    void SetStartFolder(const QString& folder) { startFolder_ = folder; }

    // "A (*.a)|*.a|B (*.b)|*.b|" as the name filters of a file dialog; the
    // patterns match either case, since names here keep theirs.
    static QStringList NameFilters(const QString& filter);

    // Results for the driver (final after "Next >").
    int SourceType() const { return sourceType_; }
    QString SourceName() const { return sourceName_; }
    int FigureIndex() const { return figure_; }
    // The choice to remember for the next run.
    SourceChoice Choice() const { return {sourceType_, figure_, sourceName_.toStdString()}; }

    // Radio buttons 102 to 104 and 106 (the model); the source edit 105.
    QRadioButton* Radio(int id) const;
    QLineEdit* SourceEdit() const { return edit_; }

    // Every picture format the program opens, from the table of file kinds.
    static QString PictureFilter();
    static const char* const kDepthMapFilter;

protected:
    void NextHook() override;

private:
    void Choose(int id);
    int CheckedId() const;
    void Check(int id);
    QString RunFileDialog(const QString& filter, const QString& extension);

    int sourceType_ = kSourceMath;
    int figure_ = 0;
    QString sourceName_;
    QRadioButton* picture_;
    QRadioButton* depthMap_;
    QRadioButton* math_;
    QRadioButton* model_;
    QString modelFilter_;
    QLineEdit* edit_;
    FileChooser chooseFile_;
    DialogRunner runDialog_;
    QString startFolder_;
};

} // namespace wizard
