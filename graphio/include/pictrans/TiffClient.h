#pragma once
// libtiff over bytes in memory: a file read from our buffer, or one written
// into a growing buffer, with libtiff's errors and warnings caught (nothing
// is printed) and its memory bounded.

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pictrans::tiff {

// libtiff's functions, opened when a TIFF is first read or written rather
// than linked: the programs then start without loading it and the
// libraries it brings. Null when libtiff cannot be opened.
struct Library {
    decltype(&TIFFClientOpenExt) ClientOpenExt;
    decltype(&TIFFClose) Close;
    decltype(&TIFFComputeTile) ComputeTile;
    decltype(&TIFFGetField) GetField;
    decltype(&TIFFGetFieldDefaulted) GetFieldDefaulted;
    decltype(&TIFFIsTiled) IsTiled;
    decltype(&TIFFNumberOfStrips) NumberOfStrips;
    decltype(&TIFFNumberOfTiles) NumberOfTiles;
    decltype(&TIFFOpenOptionsAlloc) OpenOptionsAlloc;
    decltype(&TIFFOpenOptionsFree) OpenOptionsFree;
    decltype(&TIFFOpenOptionsSetErrorHandlerExtR) OpenOptionsSetErrorHandlerExtR;
    decltype(&TIFFOpenOptionsSetMaxSingleMemAlloc) OpenOptionsSetMaxSingleMemAlloc;
    decltype(&TIFFOpenOptionsSetWarningHandlerExtR) OpenOptionsSetWarningHandlerExtR;
    decltype(&TIFFRGBAImageOK) RGBAImageOK;
    decltype(&TIFFReadEncodedStrip) ReadEncodedStrip;
    decltype(&TIFFReadEncodedTile) ReadEncodedTile;
    decltype(&TIFFReadRGBAImageOriented) ReadRGBAImageOriented;
    decltype(&TIFFSetErrorHandler) SetErrorHandler;
    decltype(&TIFFSetField) SetField;
    decltype(&TIFFSetWarningHandler) SetWarningHandler;
    decltype(&TIFFTileSize) TileSize;
    decltype(&TIFFWriteDirectory) WriteDirectory;
    decltype(&TIFFWriteScanline) WriteScanline;
};
const Library* library();

// Only a file open() opened is closed, so the library is there.
inline const Library& lib()
{
    return *library();
}

// The largest single allocation libtiff may make for one file (a strip or
// tile buffer, a tag's array).
inline constexpr tmsize_t kMaxSingleAlloc = tmsize_t{512} << 20;

struct Close {
    void operator()(TIFF* t) const { lib().Close(t); }
};
using Handle = std::unique_ptr<TIFF, Close>;

// The bytes and position of one file, and the first error libtiff gave.
struct Client {
    std::span<const std::uint8_t> in; // reading
    std::vector<std::uint8_t> out;    // writing
    std::uint64_t pos = 0;
    bool writing = false;
    std::string error;
};

// Opens client's bytes for reading ("r") or its buffer for writing ("w");
// null (with client.error set) when libtiff refuses or cannot be opened.
Handle open(Client& client, const char* mode);

} // namespace pictrans::tiff
