#pragma once
/*
 * The math figure library: a catalogue of named depth figures and the depth
 * level of a figure at a pixel. Plain C so that C programs and other
 * languages' foreign-function interfaces can call it by these names.
 *
 * Figure numbers are catalogue slot + 1 (1 to 23); only the magnitude of a
 * figure number counts, so -(slot + 1) selects the same figure.
 */

#include "terrakit/Export.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Number of published figures. */
#define TERRAKIT_FIGURE_COUNT 23
/* Buffer length the program's lists use for a title. */
#define TERRAKIT_TITLE_BUFFER 40

/* Writes the library version "3.40" and its terminating zero (5 bytes) into
 * buffer and returns buffer; a null buffer is returned untouched. */
TERRAKIT_API char* GetLibVersion(char* buffer);

/* Builds the title table. Calling it again replaces the table. */
TERRAKIT_API void InitFigureTitles(void);

/* Drops the title table; harmless when there is none. */
TERRAKIT_API void UnloadFigureTitles(void);

/* Always 23, with or without a title table. */
TERRAKIT_API int32_t GetFigureCount(void);

/* Slot of the published figure whose title equals title exactly (case
 * sensitive), or -1 when none does, title is null or there is no table. */
TERRAKIT_API int32_t GetFigureIndex(const char* title);

/* Copies the title of slot index into buffer, at most length bytes, padding
 * the rest of the length bytes with zeros (a title of length characters or
 * more is therefore not terminated). For an index outside 0..22, or with no
 * table, writes "UNDEFINED" and its zero, cut to length bytes. Nothing is
 * written for a null buffer or a length of 0 or less. */
TERRAKIT_API void GetFigureTitle(int32_t index, char* buffer, int32_t length);

/* Depth level of figure at pixel (x, y) for a figure centred on (cx, cy),
 * turned by angle degrees. Unknown figures are flat (0). Needs no table. */
TERRAKIT_API int32_t GetFigureLevel(int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t angle,
                                    int32_t figure);

#ifdef __cplusplus
}
#endif
