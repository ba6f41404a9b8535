#include "pictrans/BmpDecoder.h"

#include "pictrans/TGIntf.h"
#include "platform/BitmapInfo.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

bool trueColour(int bits)
{
    return bits == 16 || bits == 24 || bits == 32;
}

} // namespace

BmpDecoder::BmpDecoder(InStream& in, std::uint32_t compression, int bitsPerPixel, int width, int height)
    : in_(in), compression_(compression), bits_(bitsPerPixel), width_(std::max(width, 0)),
      height_(std::max(height, 0))
{
    if (bits_ == 16)
        setMasks(0x7C00, 0x03E0, 0x001F);
    else
        setMasks(0xFF0000, 0x00FF00, 0x0000FF);
}

bool BmpDecoder::setMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    const std::uint32_t masks[3] = {red, green, blue};
    Channel parsed[3];
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t m = masks[i];
        if (m == 0)
            return false;
        const int shift = std::countr_zero(m);
        const std::uint32_t run = m >> shift;
        if ((run & (run + 1)) != 0) // not one run of set bits
            return false;
        parsed[i] = {shift, std::popcount(run)};
    }
    std::copy(parsed, parsed + 3, channels_);
    return true;
}

void BmpDecoder::unpackTrueColour(std::uint8_t* buffer, int count) const
{
    const std::size_t bytes = static_cast<std::size_t>(bits_ / 8);
    for (std::size_t x = 0; x < static_cast<std::size_t>(count); ++x) {
        const std::uint8_t* p = row_.data() + x * bytes;
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < bytes; ++k)
            v |= std::uint32_t{p[k]} << (8 * k);
        for (int c = 0; c < 3; ++c) {
            const Channel ch = channels_[c];
            const std::uint32_t max = ch.bits >= 32 ? 0xFFFFFFFFu : (1u << ch.bits) - 1;
            const std::uint32_t value = (v >> ch.shift) & max;
            // Scaled to 0..255 so that full intensity stays full.
            std::uint32_t out;
            if (ch.bits >= 8)
                out = value >> (ch.bits - 8);
            else
                out = value * 255 / max;
            buffer[3 * x + static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(out);
        }
    }
}

int BmpDecoder::init()
{
    status_ = CODEC_OK;
    y_ = x_ = blankRows_ = resumeX_ = 0;
    const bool raw = (compression_ == platform::BI_RGB && (bits_ == 1 || bits_ == 4 || bits_ == 8 || trueColour(bits_))) ||
                     (compression_ == BI_BITFIELDS && (bits_ == 16 || bits_ == 32));
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
    std::memset(buffer, 0, static_cast<std::size_t>(count) * (trueColour(bits_) ? 3 : 1));
    if (status_ != CODEC_OK)
        return status_;
    const bool rle = compression_ == platform::BI_RLE8 || compression_ == platform::BI_RLE4;
    return rle ? decodeRle(buffer, count) : decodeRaw(buffer, count);
}

int BmpDecoder::decodeRaw(std::uint8_t* buffer, int count)
{
    // The padding of the picture's last row is sometimes left out of files;
    // a row cut short reads as far as the data goes and reports the end.
    std::fill(row_.begin(), row_.end(), std::uint8_t{0});
    if (in_.read(row_.data(), row_.size()) < row_.size())
        status_ = CODEC_EOF;
    if (trueColour(bits_))
        unpackTrueColour(buffer, count);
    else
        TGIntf::BmpDecode(row_.data(), buffer, bits_, count);
    return status_;
}

void BmpDecoder::put(std::uint8_t* buffer, int count, std::uint8_t value)
{
    // Pixels beyond the row's width are dropped; the column stops counting
    // just past the width, so a row that never ends cannot overflow it.
    if (x_ < count)
        buffer[x_] = value;
    if (x_ <= width_)
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
            // An encoded run: the pixels inside the row at once, alternating
            // between the two nibbles at 4 bits.
            const int from = std::min(x_, count);
            const int to = std::min(x_ + n, count);
            const auto v = static_cast<std::uint8_t>(value);
            if (bits_ == 8) {
                std::fill(buffer + from, buffer + to, v);
            } else {
                for (int x = from; x < to; ++x)
                    buffer[x] = ((x - x_) & 1) ? (v & 0x0F) : (v >> 4);
            }
            x_ = std::min(x_ + n, width_ + 1);
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
    if (status_ != CODEC_OK || (compression_ != platform::BI_RLE8 && compression_ != platform::BI_RLE4))
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
