#include "gui/Desktop.h"

#include "gui/TDotscapeApp.h"

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
    return program.Run();
}

} // namespace gui
