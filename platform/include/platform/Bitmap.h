#pragma once
// The device bitmap: a picture of 1, 4, 8 or 24 bits per pixel with rows
// stored bottom-up at the device-independent stride. Row 0 is the bottom row.
//
// A new bitmap reads as zero everywhere. Large ones are mapped straight from
// the kernel (asking for huge pages where it offers them), whose pages come
// zeroed when first touched, so nothing is cleared twice and a picture that
// is written whole costs one pass over its memory.

#include "platform/BitmapInfo.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace platform {

class FileBytes;
class Palette;

class Bitmap {
public:
    // Largest picture the program handles, in pixels.
    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

    static bool validDepth(int bitsPerPixel);
    // Null when the size or depth is not valid (width and height at least 1,
    // at most kMaxPixels pixels, depth 1, 4, 8 or 24) or memory runs out.
    static std::unique_ptr<Bitmap> create(int width, int height, int bitsPerPixel);
    // A bitmap whose rows are a mapped file's own bytes from offset on,
    // bottom-up at the device stride, with nothing copied: the bitmap takes
    // the file over (file is left empty) and keeps it open. Drawing on it
    // copies the pages drawn on; the file is never written. Null, with file
    // untouched, when the file is not mapped, the rows do not all lie in it,
    // or their padding bytes are not zero (a copy would hold zeros there).
    // The rows follow the file until the bitmap goes: check sourceChanged()
    // once done with the picture.
    static std::unique_ptr<Bitmap> overFile(FileBytes& file, std::size_t offset, int width, int height,
                                            int bitsPerPixel);

    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    ~Bitmap();

    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bits_; }
    std::size_t stride() const { return stride_; }

    // Row y counted from the bottom (0) to the top (height - 1).
    std::uint8_t* row(int y) { return data_ + static_cast<std::size_t>(y) * stride_; }
    const std::uint8_t* row(int y) const { return data_ + static_cast<std::size_t>(y) * stride_; }
    // Row y counted from the top.
    std::uint8_t* rowFromTop(int y) { return row(height_ - 1 - y); }
    const std::uint8_t* rowFromTop(int y) const { return row(height_ - 1 - y); }
    std::span<std::uint8_t> bits() { return {data_, size_}; }
    std::span<const std::uint8_t> bits() const { return {data_, size_}; }

    // Pixel value at (x, y from the bottom): a colour index, or 0xRRGGBB at 24 bits.
    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, std::uint32_t value);

    BITMAP description() const;

    // SetDIBits: stores numScans rows of device-independent data at depth
    // info.biBitCount (1, 4, 8 or 24, uncompressed) starting at row startScan
    // (from the bottom). Indices move between 1, 4 and 8 bits unchanged (masked
    // to the target depth); between indexed and 24-bit rows the palette maps
    // colours (nearest entry for 24 to indexed). Returns the rows stored.
    int setDIBits(int startScan, int numScans, const std::uint8_t* bits,
                  const BITMAPINFOHEADER& info, const Palette* palette = nullptr);
    // GetDIBits: the reverse; bits must hold numScans rows at the stride of
    // info's width and depth. Returns the rows fetched.
    int getDIBits(int startScan, int numScans, std::uint8_t* bits,
                  const BITMAPINFOHEADER& info, const Palette* palette = nullptr) const;

    // For a bitmap over a file: the file changed since it was opened, so
    // the rows may mix the old file with the new. False for any other.
    bool sourceChanged() const;

    friend bool operator==(const Bitmap& a, const Bitmap& b);

private:
    Bitmap(int width, int height, int bitsPerPixel);
    Bitmap(int width, int height, int bitsPerPixel, std::uint8_t* rows);

    int width_ = 0;
    int height_ = 0;
    int bits_ = 8;
    std::size_t stride_ = 0;
    std::size_t size_ = 0;
    std::uint8_t* data_ = nullptr;
    bool mapped_ = false;
    std::unique_ptr<FileBytes> file_; // the file under the rows, for overFile
};

} // namespace platform
