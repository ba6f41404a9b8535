#include "pictrans/PcxCodec.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool supportedBits(int bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8;
}

} // namespace

// ---------------------------------------------------------------------------
// Decoder

PcxDecoder::PcxDecoder(InStream& in, const PCXHEADER& header)
    : in_(in), data_(in.bytes().data()), size_(in.bytes().size()), bits_(header.bitsPerPlane()),
      planes_(header.planes()), bytesPerLine_(header.bplin), rle_(header.rleflag != 0),
      mask_((1 << std::min(header.bitsPerPlane(), 8)) - 1)
{
    try {
        line_.assign(static_cast<std::size_t>(bytesPerLine_), 0);
    } catch (const std::bad_alloc&) {
        status_ = CODEC_NOMEMORY;
    }
    // Pixels of other widths do not divide a byte; such data is not decoded.
    if (!supportedBits(bits_))
        status_ = CODEC_BADCODE;
}

int PcxDecoder::init()
{
    if (status_ == CODEC_NOMEMORY || status_ == CODEC_BADCODE)
        return status_;
    status_ = CODEC_OK;
    runCount_ = 0;
    eof_ = false;
    pos_ = PCXHEADER::kSize;
    in_.seek(pos_);
    return status();
}

int PcxDecoder::fillPlane(std::uint8_t* dst, int n)
{
    int k = 0;
    while (k < n) {
        if (runCount_ == 0) {
            if (pos_ >= size_) {
                eof_ = true;
                break;
            }
            const std::uint8_t c = data_[pos_++];
            if (!rle_ || c < 0xC0) {
                dst[k++] = c;
                continue;
            }
            if (pos_ >= size_) {
                eof_ = true;
                break;
            }
            runCount_ = c & 0x3F;
            runValue_ = data_[pos_++];
        }
        // A run that reaches the end of this plane line goes on in the next.
        const int m = std::min(runCount_, n - k);
        std::memset(dst + k, runValue_, static_cast<std::size_t>(m));
        k += m;
        runCount_ -= m;
    }
    return k;
}

int PcxDecoder::decode(std::uint8_t* buffer, int width)
{
    if (status_ != CODEC_OK || eof_ || !buffer || width <= 0)
        return status();
    const int bpl = bytesPerLine_;
    if (bits_ == 8) {
        const std::size_t total = static_cast<std::size_t>(width) * static_cast<std::size_t>(planes_);
        std::memset(buffer, 0, total);
        for (int plane = 0; plane < planes_ && !eof_; ++plane) {
            if (planes_ == 1 && bpl <= width) {
                fillPlane(buffer, bpl);
                continue;
            }
            std::fill(line_.begin(), line_.end(), std::uint8_t{0});
            fillPlane(line_.data(), bpl);
            const int n = std::min(width, bpl);
            std::uint8_t* out = buffer + plane;
            for (int x = 0; x < n; ++x)
                out[static_cast<std::size_t>(x) * planes_] = line_[static_cast<std::size_t>(x)];
        }
    } else {
        std::memset(buffer, 0, static_cast<std::size_t>(width));
        const int perByte = 8 / bits_;
        const int n = static_cast<int>(std::min<long long>(width, static_cast<long long>(bpl) * perByte));
        for (int plane = 0; plane < planes_ && !eof_; ++plane) {
            std::fill(line_.begin(), line_.end(), std::uint8_t{0});
            fillPlane(line_.data(), bpl);
            const int shift = bits_ * plane;
            if (shift >= 8)
                continue;
            for (int x = 0; x < n; ++x) {
                const int bit = x * bits_;
                const int v = (line_[static_cast<std::size_t>(bit >> 3)] >> (8 - bits_ - (bit & 7))) & mask_;
                buffer[x] = static_cast<std::uint8_t>(buffer[x] | (v << shift));
            }
        }
    }
    // What a run holds beyond the last plane's line belongs to no pixel.
    runCount_ = 0;
    return status();
}

int PcxDecoder::term()
{
    in_.seek(pos_);
    return status();
}

int PcxDecoder::status()
{
    if (status_ != CODEC_OK)
        return status_;
    if (eof_)
        return CODEC_EOF;
    return in_.error() ? CODEC_IOERROR : CODEC_OK;
}

// ---------------------------------------------------------------------------
// Encoder

PcxEncoder::PcxEncoder(OutStream& out, const PCXHEADER& header)
    : out_(out), bits_(header.bitsPerPlane()), planes_(header.planes()), bytesPerLine_(header.bplin),
      mask_((1 << std::min(header.bitsPerPlane(), 8)) - 1)
{
    try {
        line_.assign(static_cast<std::size_t>(bytesPerLine_), 0);
        // Worst case: every byte needs a count byte of its own.
        packed_.assign(2 * static_cast<std::size_t>(bytesPerLine_), 0);
    } catch (const std::bad_alloc&) {
        line_.clear();
    }
    if (line_.empty())
        status_ = CODEC_NOMEMORY;
    else if (!supportedBits(bits_))
        status_ = CODEC_BADCODE;
}

int PcxEncoder::init()
{
    status_ = line_.empty() ? CODEC_NOMEMORY : supportedBits(bits_) ? CODEC_OK : CODEC_BADCODE;
    return status();
}

void PcxEncoder::flush()
{
    const std::uint8_t* p = line_.data();
    const std::size_t n = line_.size();
    std::uint8_t* out = packed_.data();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t v = p[i];
        std::size_t j = i + 1;
        while (j < n && p[j] == v)
            ++j;
        std::size_t count = j - i;
        while (count > 63) {
            *out++ = 0xFF;
            *out++ = v;
            count -= 63;
        }
        if (count > 1 || v > 191)
            *out++ = static_cast<std::uint8_t>(count | 0xC0);
        *out++ = v;
        i = j;
    }
    if (!out_.write(packed_.data(), static_cast<std::size_t>(out - packed_.data())))
        status_ = CODEC_IOERROR;
}

int PcxEncoder::encode(const std::uint8_t* buffer, int width)
{
    if (status_ != CODEC_OK || !buffer || width <= 0)
        return status();
    const int bpl = bytesPerLine_;
    for (int plane = 0; plane < planes_ && status_ == CODEC_OK; ++plane) {
        std::fill(line_.begin(), line_.end(), std::uint8_t{0});
        if (bits_ == 8) {
            const int n = std::min(width, bpl);
            if (planes_ == 1) {
                std::memcpy(line_.data(), buffer, static_cast<std::size_t>(n));
            } else {
                const std::uint8_t* in = buffer + plane;
                for (int x = 0; x < n; ++x)
                    line_[static_cast<std::size_t>(x)] = in[static_cast<std::size_t>(x) * planes_];
            }
        } else {
            const int shift = bits_ * plane;
            const int n = static_cast<int>(std::min<long long>(width, static_cast<long long>(bpl) * (8 / bits_)));
            for (int x = 0; x < n && shift < 8; ++x) {
                const int v = (buffer[x] >> shift) & mask_;
                const int bit = x * bits_;
                line_[static_cast<std::size_t>(bit >> 3)] |= static_cast<std::uint8_t>(v << (8 - bits_ - (bit & 7)));
            }
        }
        flush();
    }
    return status();
}

int PcxEncoder::term()
{
    return status();
}

int PcxEncoder::status()
{
    if (status_ != CODEC_OK)
        return status_;
    return out_.error() ? CODEC_IOERROR : CODEC_OK;
}
