#include "pictrans/BmpDecoder.h"

#include "pictrans/TGIntf.h"
#include "platform/BitmapInfo.h"

#include <algorithm>
#include <cstring>

BmpDecoder::BmpDecoder(InStream& in, std::uint32_t compression, int bitsPerPixel, int width, int height)
    : in_(in), compression_(compression), bits_(bitsPerPixel), width_(std::max(width, 0)),
      height_(std::max(height, 0))
{
}

int BmpDecoder::init()
{
    status_ = CODEC_OK;
    y_ = x_ = blankRows_ = resumeX_ = 0;
    const bool raw = compression_ == platform::BI_RGB && (bits_ == 1 || bits_ == 4 || bits_ == 8);
    const bool rle = (compression_ == platform::BI_RLE8 && bits_ == 8) ||
                     (compression_ == platform::BI_RLE4 && bits_ == 4);
    if (!raw && !rle)
        status_ = BMPDEC_BADCOMPRESSION;
    else if (raw)
        row_.assign(platform::dibStride(width_, bits_), 0);
    return status_;
}

int BmpDecoder::decode(std::uint8_t* buffer, int count)
{
    count = std::clamp(count, 0, width_);
    std::memset(buffer, 0, static_cast<std::size_t>(count));
    if (status_ != CODEC_OK)
        return status_;
    return compression_ == platform::BI_RGB ? decodeRaw(buffer, count) : decodeRle(buffer, count);
}

int BmpDecoder::decodeRaw(std::uint8_t* buffer, int count)
{
    // The padding of the picture's last row is sometimes left out of files;
    // a row cut short reads as far as the data goes and reports the end.
    std::fill(row_.begin(), row_.end(), std::uint8_t{0});
    if (in_.read(row_.data(), row_.size()) < row_.size())
        status_ = CODEC_EOF;
    TGIntf::BmpDecode(row_.data(), buffer, bits_, count);
    return status_;
}

void BmpDecoder::put(std::uint8_t* buffer, int count, std::uint8_t value)
{
    // Pixels beyond the row's width are dropped.
    if (x_ < count)
        buffer[x_] = value;
    ++x_;
}

int BmpDecoder::decodeRle(std::uint8_t* buffer, int count)
{
    if (blankRows_ > 0) {
        // A delta jumped over this row.
        --blankRows_;
        ++y_;
        if (blankRows_ == 0)
            x_ = resumeX_;
        return status_;
    }
    for (;;) {
        const int n = in_.getc();
        const int value = in_.getc();
        if (n < 0 || value < 0) {
            status_ = CODEC_EOF;
            break;
        }
        if (n > 0) {
            for (int i = 0; i < n; ++i) {
                std::uint8_t v = static_cast<std::uint8_t>(value);
                if (bits_ == 4)
                    v = (i & 1) ? (v & 0x0F) : (v >> 4);
                put(buffer, count, v);
            }
            continue;
        }
        if (value == 0) { // end of line
            x_ = 0;
            ++y_;
            break;
        }
        if (value == 1) { // end of picture
            status_ = BMPDEC_ENDOFPICTURE;
            break;
        }
        if (value == 2) { // delta: move right and up, leaving the pixels between undefined
            const int dx = in_.getc();
            const int dy = in_.getc();
            if (dx < 0 || dy < 0) {
                status_ = CODEC_EOF;
                break;
            }
            const int nx = x_ + dx;
            if (nx > width_ || y_ + dy >= height_) {
                status_ = CODEC_BADCODE;
                break;
            }
            if (dy == 0) {
                x_ = nx;
                continue;
            }
            // This row ends here; dy - 1 blank rows follow, then row y + dy
            // goes on at column nx.
            ++y_;
            blankRows_ = dy - 1;
            resumeX_ = nx;
            x_ = blankRows_ == 0 ? nx : 0;
            break;
        }
        // An absolute run of value pixels, padded to an even byte count.
        const int bytes = bits_ == 8 ? value : (value + 1) / 2;
        std::uint8_t data[255];
        if (in_.read(data, static_cast<std::size_t>(bytes)) < static_cast<std::size_t>(bytes)) {
            status_ = CODEC_EOF;
            break;
        }
        for (int i = 0; i < value; ++i) {
            std::uint8_t v = bits_ == 8 ? data[i] : ((i & 1) ? (data[i / 2] & 0x0F) : (data[i / 2] >> 4));
            put(buffer, count, v);
        }
        if (bytes & 1)
            in_.getc();
    }
    return status_;
}

int BmpDecoder::term()
{
    if (status_ != CODEC_OK || compression_ == platform::BI_RGB)
        return status_;
    // Every row has been read. What follows may only end the picture; data
    // for rows beyond it means the file is damaged.
    for (;;) {
        const int n = in_.getc();
        const int value = in_.getc();
        if (n < 0)
            return status_; // the data simply ends
        if (n != 0 || value < 0 || value > 1) {
            status_ = CODEC_BADCODE;
            return status_;
        }
        if (value == 1) {
            status_ = BMPDEC_ENDOFPICTURE;
            return status_;
        }
    }
}
