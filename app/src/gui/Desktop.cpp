#include "gui/Desktop.h"

#include "gui/TDotscapeApp.h"

#include "app/CommandLine.h"
#include "app/Configuration.h"
#include "resources/Resources.h"

#include <QApplication>

namespace gui {

int runDesktop(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dotscape"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setWindowIcon(resources::Icon("I1"));
    TDotscapeApp program(app::configPath());
    program.InitMainWindow();
    // The toolkit has taken its own options out of the arguments by now;
    // what is left after the program's name are the files to open.
    QStringList arguments = QApplication::arguments();
    std::vector<std::string> args;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        args.push_back(arguments[i].toStdString());
    QStringList files;
    for (const std::string& file : app::desktopFiles(args))
        files << QString::fromStdString(file);
    program.OpenFiles(files);
    return program.Run();
}

} // namespace gui
