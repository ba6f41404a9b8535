/* Uses the library's header and exports from plain C. */
#include "terrakit/terrakit.h"

#include <string.h>

int terrakit_c_probe(void)
{
    char version[8];
    char title[TERRAKIT_TITLE_BUFFER];
    int ok = 1;

    InitFigureTitles();
    ok = ok && strcmp(GetLibVersion(version), "3.40") == 0;
    ok = ok && GetFigureCount() == TERRAKIT_FIGURE_COUNT;
    GetFigureTitle(14, title, (int32_t)sizeof title);
    ok = ok && strcmp(title, "Spiral Crater") == 0;
    ok = ok && GetFigureIndex(title) == 14;
    ok = ok && GetFigureLevel(180, 60, 0, 0, 0, -11) == 30;
    UnloadFigureTitles();
    return ok;
}
