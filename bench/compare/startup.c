/* The floor for `dotscape --version`: a C program that links the libraries
 * dotscape links (the math figure library, the graphics library, the
 * platform layer, the C++ runtime and what they pull in) and prints a
 * version line. bench/compare/pamstereogram.sh builds and times it beside
 * dotscape. */
#include <stdio.h>

void GetLibVersion(char* version);

int main(void)
{
    char math[8] = {0};
    GetLibVersion(math);
    printf("startup floor (math library %s)\n", math);
    return 0;
}
