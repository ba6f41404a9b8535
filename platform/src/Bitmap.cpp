#include "platform/Bitmap.h"

#include "platform/FileIO.h"
#include "platform/Palette.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace platform {

namespace {

std::uint32_t readPixel(const std::uint8_t* row, int x, int bits)
{
    switch (bits) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8:
        return row[x];
    case 24: {
        const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
        return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    }
    default:
        return 0;
    }
}

void writePixel(std::uint8_t* row, int x, int bits, std::uint32_t v)
{
    switch (bits) {
    case 1: {
        std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
        if (v & 1)
            row[x >> 3] |= mask;
        else
            row[x >> 3] &= static_cast<std::uint8_t>(~mask);
        break;
    }
    case 4: {
        std::uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (v & 0x0F))
                    : static_cast<std::uint8_t>((b & 0x0F) | ((v & 0x0F) << 4));
        break;
    }
    case 8:
        row[x] = static_cast<std::uint8_t>(v);
        break;
    case 24: {
        std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
        break;
    }
    default:
        break;
    }
}

// Converts one row of width pixels between depths. Indices keep their value
// (masked to the target depth); colours go through the palette.
void convertRow(const std::uint8_t* src, int srcBits, std::uint8_t* dst, int dstBits, int width,
                const Palette* palette)
{
    const std::uint32_t mask = dstBits >= 24 ? 0xFFFFFFu : (1u << dstBits) - 1;
    for (int x = 0; x < width; ++x) {
        std::uint32_t v = readPixel(src, x, srcBits);
        if (srcBits == 24 && dstBits != 24) {
            v = palette ? palette->nearest(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                                           static_cast<std::uint8_t>(v))
                        : 0;
        } else if (srcBits != 24 && dstBits == 24) {
            if (palette && v < palette->size()) {
                const auto& e = (*palette)[v];
                v = (std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue;
            } else {
                v = 0;
            }
        }
        writePixel(dst, x, dstBits, v & mask);
    }
}

bool rowsInRange(int start, int count, int height)
{
    return start >= 0 && count >= 0 && start <= height && count <= height - start;
}

} // namespace

bool Bitmap::validDepth(int bitsPerPixel)
{
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24;
}

namespace {

// Blocks from this size on are mapped from the kernel rather than taken from
// the heap: they arrive zeroed without a pass over them, and go back to the
// system as soon as the bitmap does.
constexpr std::size_t kMapFrom = std::size_t{1} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kPopulateUpTo = std::size_t{8} << 20;

// Zeroed memory of n bytes (n > 0); sets mapped when it came from mmap.
// Throws std::bad_alloc when there is none.
std::uint8_t* allocateZeroed(std::size_t n, bool& mapped)
{
    mapped = n >= kMapFrom;
    if (!mapped) {
        void* p = std::calloc(n, 1);
        if (!p)
            throw std::bad_alloc();
        return static_cast<std::uint8_t*>(p);
    }
    void* p = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    // Fewer, larger page faults for pictures of many megabytes; a kernel
    // without transparent huge pages ignores the advice.
    if (n >= kHugePage)
        ::madvise(p, n, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    // Pictures are written whole: their pages are taken in one call rather
    // than a fault each (a kernel without it refuses and they fault as
    // before).
    if (n <= kPopulateUpTo)
        ::madvise(p, n, MADV_POPULATE_WRITE);
#endif
    return static_cast<std::uint8_t*>(p);
}

void release(std::uint8_t* p, std::size_t n, bool mapped)
{
    if (!p)
        return;
    if (mapped)
        ::munmap(p, n);
    else
        std::free(p);
}

} // namespace

Bitmap::Bitmap(int width, int height, int bitsPerPixel)
    : width_(width), height_(height), bits_(bitsPerPixel), stride_(dibStride(width, bitsPerPixel)),
      size_(stride_ * static_cast<std::size_t>(height))
{
    data_ = allocateZeroed(size_, mapped_);
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel, std::uint8_t* rows)
    : width_(width), height_(height), bits_(bitsPerPixel), stride_(dibStride(width, bitsPerPixel)),
      size_(stride_ * static_cast<std::size_t>(height)), data_(rows)
{
}

Bitmap::Bitmap(const Bitmap& other)
    : width_(other.width_), height_(other.height_), bits_(other.bits_), stride_(other.stride_), size_(other.size_)
{
    data_ = allocateZeroed(size_, mapped_);
    std::memcpy(data_, other.data_, size_);
}

Bitmap& Bitmap::operator=(const Bitmap& other)
{
    if (this == &other)
        return *this;
    bool mapped = false;
    std::uint8_t* data = allocateZeroed(other.size_, mapped);
    std::memcpy(data, other.data_, other.size_);
    if (file_)
        file_.reset();
    else
        release(data_, size_, mapped_);
    width_ = other.width_;
    height_ = other.height_;
    bits_ = other.bits_;
    stride_ = other.stride_;
    size_ = other.size_;
    data_ = data;
    mapped_ = mapped;
    return *this;
}

Bitmap::~Bitmap()
{
    if (!file_)
        release(data_, size_, mapped_);
}

std::unique_ptr<Bitmap> Bitmap::overFile(FileBytes& file, std::size_t offset, int width, int height,
                                         int bitsPerPixel)
{
    if (!file.mapped() || width < 1 || height < 1 || !validDepth(bitsPerPixel) ||
        static_cast<std::int64_t>(width) * height > kMaxPixels)
        return nullptr;
    const std::size_t stride = dibStride(width, bitsPerPixel);
    const std::size_t size = stride * static_cast<std::size_t>(height);
    if (offset > file.size() || size > file.size() - offset)
        return nullptr;
    const std::uint64_t used = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel);
    if (used % 8 != 0)
        return nullptr;
    const std::size_t rowBytes = static_cast<std::size_t>(used / 8);
    const std::uint8_t* rows = file.data() + offset;
    for (int y = 0; y < height && rowBytes < stride; ++y) {
        const std::uint8_t* pad = rows + static_cast<std::size_t>(y) * stride;
        if (std::any_of(pad + rowBytes, pad + stride, [](std::uint8_t b) { return b != 0; }))
            return nullptr;
    }
    std::uint8_t* mapping = file.writableMapping();
    if (!mapping)
        return nullptr;
    std::unique_ptr<Bitmap> bitmap(new Bitmap(width, height, bitsPerPixel, mapping + offset));
    bitmap->file_ = std::make_unique<FileBytes>(std::move(file));
    return bitmap;
}

bool Bitmap::sourceChanged() const
{
    return file_ && file_->changed();
}

bool operator==(const Bitmap& a, const Bitmap& b)
{
    return a.width_ == b.width_ && a.height_ == b.height_ && a.bits_ == b.bits_ && a.stride_ == b.stride_ &&
           std::memcmp(a.data_, b.data_, a.size_) == 0;
}

std::unique_ptr<Bitmap> Bitmap::create(int width, int height, int bitsPerPixel)
{
    if (width < 1 || height < 1 || !validDepth(bitsPerPixel))
        return nullptr;
    if (static_cast<std::int64_t>(width) * height > kMaxPixels)
        return nullptr;
    try {
        return std::unique_ptr<Bitmap>(new Bitmap(width, height, bitsPerPixel));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::uint32_t Bitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return readPixel(row(y), x, bits_);
}

void Bitmap::setPixel(int x, int y, std::uint32_t value)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    writePixel(row(y), x, bits_, value);
}

BITMAP Bitmap::description() const
{
    BITMAP bm;
    bm.bmType = 0;
    bm.bmWidth = width_;
    bm.bmHeight = height_;
    // Device rows are word aligned.
    bm.bmWidthBytes = static_cast<std::int32_t>((static_cast<std::int64_t>(width_) * bits_ + 15) / 16 * 2);
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<std::uint16_t>(bits_);
    return bm;
}

int Bitmap::setDIBits(int startScan, int numScans, const std::uint8_t* bits, const BITMAPINFOHEADER& info,
                      const Palette* palette)
{
    const int srcBits = info.biBitCount;
    if (!bits || info.biWidth != width_ || !validDepth(srcBits) || info.biCompression != BI_RGB)
        return 0;
    numScans = std::min(numScans, height_ - std::max(startScan, 0));
    if (!rowsInRange(startScan, numScans, height_))
        return 0;
    const std::size_t srcStride = dibStride(width_, srcBits);
    for (int i = 0; i < numScans; ++i) {
        const std::uint8_t* src = bits + static_cast<std::size_t>(i) * srcStride;
        std::uint8_t* dst = row(startScan + i);
        if (srcBits == bits_)
            std::memcpy(dst, src, stride_);
        else
            convertRow(src, srcBits, dst, bits_, width_, palette);
    }
    return numScans;
}

int Bitmap::getDIBits(int startScan, int numScans, std::uint8_t* bits, const BITMAPINFOHEADER& info,
                      const Palette* palette) const
{
    const int dstBits = info.biBitCount;
    if (!bits || info.biWidth != width_ || !validDepth(dstBits) || info.biCompression != BI_RGB)
        return 0;
    numScans = std::min(numScans, height_ - std::max(startScan, 0));
    if (!rowsInRange(startScan, numScans, height_))
        return 0;
    const std::size_t dstStride = dibStride(width_, dstBits);
    for (int i = 0; i < numScans; ++i) {
        const std::uint8_t* src = row(startScan + i);
        std::uint8_t* dst = bits + static_cast<std::size_t>(i) * dstStride;
        if (dstBits == bits_) {
            std::memcpy(dst, src, stride_);
        } else {
            std::memset(dst, 0, dstStride);
            convertRow(src, bits_, dst, dstBits, width_, palette);
        }
    }
    return numScans;
}

} // namespace platform
