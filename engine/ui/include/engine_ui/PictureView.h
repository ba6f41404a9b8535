#pragma once
// What the picture window decides without painting anything: the Qt image
// of a bitmap and its palette (the one place that conversion happens), the
// gray palette, zoom steps, scroll ranges, where a picture goes in a
// maximised window, and cutting a rectangle out of a picture.

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <memory>

namespace engine_ui {

// 1, 4 and 8-bit bitmaps become Format_Indexed8 images whose colour table is
// the palette (indices the palette lacks show black); 24-bit bitmaps become
// Format_RGB32. Row 0 of the image is the top row.
QImage ToQImage(const platform::Bitmap& bitmap, const platform::Palette* palette);
// The same for the part rect (counted from the top-left corner, clipped to
// the picture) alone; null when it does not meet the picture. Painting
// converts only what it shows, so a picture of any size appears at once.
QImage ToQImage(const platform::Bitmap& bitmap, const platform::Palette* palette, QRect part);
// The picture pixels needed to paint exposed (painted pixels counted from
// the picture's top-left corner) at zoom, clipped to the picture; every
// zoom step puts its corners on whole painted pixels.
QRect PaintSource(QRect exposed, double zoom, QSize picture);
// The reverse: an indexed image becomes an 8-bit bitmap with its colour
// table in palette; any other image a 24-bit bitmap (palette cleared).
// Null for a null image.
std::unique_ptr<platform::Bitmap> FromQImage(const QImage& image, platform::Palette& palette);

// Every entry becomes gray = trunc(0.299 R + 0.587 G + 0.114 B) in all three
// colours, with the reserved flag.
platform::Palette GrayPalette(const platform::Palette& palette);

inline constexpr double kMinZoom = 0.25;
inline constexpr double kMaxZoom = 4.0;
// Code 2 doubles below 4, code 1 halves above 0.25; anything else leaves it.
double ZoomStep(double zoom, int code);

// How far a picture of size pixels shown at zoom scrolls in a client of
// client pixels; never negative.
int ScrollRange(int size, double zoom, int client);

// Top-left corner of the picture in a maximised window: centred on the
// client area, but never above or left of it, so that a picture larger than
// the window can still be scrolled to its first row and column.
QPoint CentredOrigin(QSize client, QSize picture, double zoom);

// The painted size of a picture at zoom.
QSize ZoomedSize(QSize picture, double zoom);

// Bits per pixel a palette of that many entries needs: the smallest of 1, 2,
// 4 and 8 whose power of two reaches it.
int PaletteBits(std::size_t entries);

// A copy of rect (counted from the top-left corner) of bitmap at its depth;
// null when the rectangle does not meet the picture. The rectangle is
// clipped to the picture first.
std::unique_ptr<platform::Bitmap> CopyRegion(const platform::Bitmap& bitmap, QRect rect);

} // namespace engine_ui
