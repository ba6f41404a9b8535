/* A C program of someone else's, built against the installed terrakit:
 * lists the figures as "dotscape figures" does (number, a tab, the title). */
#include <terrakit/terrakit.h>

#include <stdio.h>
#include <string.h>

int main(void)
{
    char version[8] = {0};
    char title[TERRAKIT_TITLE_BUFFER + 1];
    int32_t i;
    if (strcmp(GetLibVersion(version), "3.40") != 0)
        return 1;
    InitFigureTitles();
    for (i = 0; i < GetFigureCount(); ++i) {
        memset(title, 0, sizeof title);
        GetFigureTitle(i, title, TERRAKIT_TITLE_BUFFER);
        if (GetFigureIndex(title) != i)
            return 1;
        printf("%d\t%s\n", (int)i + 1, title);
    }
    UnloadFigureTitles();
    return 0;
}
