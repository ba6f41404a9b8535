#include "engine/FigureTitles.h"

#include "terrakit/terrakit.h"

namespace engine {

std::string figureTitle(int index)
{
    char buffer[TERRAKIT_TITLE_BUFFER + 1] = {};
    GetFigureTitle(index, buffer, TERRAKIT_TITLE_BUFFER);
    return buffer;
}

} // namespace engine
