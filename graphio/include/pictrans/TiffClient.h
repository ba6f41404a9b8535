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

// The libtiff functions the reader and writer call: TIFF<name> is called
// through Library::<name>.
#define PICTRANS_TIFF_FUNCTIONS(X) \
    X(ClientOpenExt) \
    X(Close) \
    X(ComputeTile) \
    X(GetField) \
    X(GetFieldDefaulted) \
    X(IsTiled) \
    X(NumberOfStrips) \
    X(NumberOfTiles) \
    X(OpenOptionsAlloc) \
    X(OpenOptionsFree) \
    X(OpenOptionsSetErrorHandlerExtR) \
    X(OpenOptionsSetMaxSingleMemAlloc) \
    X(OpenOptionsSetWarningHandlerExtR) \
    X(RGBAImageOK) \
    X(ReadEncodedStrip) \
    X(ReadEncodedTile) \
    X(ReadRGBAImageOriented) \
    X(SetErrorHandler) \
    X(SetField) \
    X(SetWarningHandler) \
    X(TileSize) \
    X(WriteDirectory) \
    X(WriteScanline)

// libtiff's functions, opened when a TIFF is first read or written rather
// than linked: the programs then start without loading it and the
// libraries it brings. library() is null when libtiff cannot be opened.
struct Library {
#define PICTRANS_TIFF_MEMBER(name) decltype(&TIFF##name) name;
    PICTRANS_TIFF_FUNCTIONS(PICTRANS_TIFF_MEMBER)
#undef PICTRANS_TIFF_MEMBER
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
