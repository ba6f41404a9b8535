#include "app/CommandLine.h"
#include "platform/FileIO.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#ifdef DOTSCAPE_GUI
#include "engine_ui/QtGenerationHost.h"
#include "gui/Desktop.h"

#include <QGuiApplication>
#endif

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef DOTSCAPE_GUI
    if (!app::isCommandLine(args))
        return gui::runDesktop(argc, argv);

    // The caption of math stereograms is drawn with the same font rendering
    // as in the desktop program, on an offscreen surface: the command line
    // never needs a display. The toolkit starts only when a caption is drawn.
    std::unique_ptr<QGuiApplication> toolkit;
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    app::CaptionPainter painter = [&](platform::Bitmap& image, const platform::Palette& palette, int x, int y,
                                      std::string_view text, engine::Rgb colour) {
        if (!QGuiApplication::instance()) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            toolkit = std::make_unique<QGuiApplication>(toolkitArgc, toolkitArgv);
        }
        engine_ui::DrawCaptionText(image, palette, x, y, text, colour);
    };
#else
    app::CaptionPainter painter;
#endif
    platform::installInterruptCleanup();
    return app::runCommandLine(args, std::cout, std::cerr, painter);
}
