#include "gui/Desktop.h"

#include <QApplication>
#include <QMainWindow>

namespace gui {

int runDesktop(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow frame;
    frame.setWindowTitle("Dotscape");
    frame.resize(640, 480);
    frame.show();
    return application.exec();
}

} // namespace gui
