#include "pictrans/GifCodec.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool validMinCodeSize(int m)
{
    return m >= LZW_MIN_CODE_SIZE_LOW && m <= LZW_MIN_CODE_SIZE_HIGH;
}

} // namespace

// ---------------------------------------------------------------------------
// Decoder

GifDecoder::GifDecoder(InStream& in, int minCodeSize, int lineWidth)
    : iCodeStream(in, (validMinCodeSize(minCodeSize) ? minCodeSize : 2) + 1), minCodeSize_(minCodeSize),
      lineWidth_(lineWidth)
{
    const int m = validMinCodeSize(minCodeSize) ? minCodeSize : 2;
    clearCode_ = 1 << m;
    endCode_ = clearCode_ + 1;
    initWidth_ = m + 1;
    if (!validMinCodeSize(minCodeSize)) {
        status_ = CODEC_BADCODE;
        ended_ = true;
        return;
    }
    t_.reset(new (std::nothrow) Tables);
    if (!t_) {
        status_ = CODEC_NOMEMORY;
        ended_ = true;
        return;
    }
    clear();
}

void GifDecoder::clear()
{
    setCodeWidth(initWidth_);
    nextCode_ = endCode_ + 1;
    limit_ = 1 << initWidth_;
    tableFull_ = false;
    for (int i = 0; i < nextCode_; ++i) {
        t_->suffix[i] = static_cast<std::uint8_t>(i);
        t_->prefix[i] = 0;
        t_->length[i] = 1;
    }
}

bool GifDecoder::startTable()
{
    clear();
    int code;
    do {
        code = getcode();
    } while (code == clearCode_);
    if (code < 0 || code == endCode_) {
        ended_ = true;
        return false;
    }
    if (code > endCode_) {
        // A fresh table has no entries yet.
        status_ = CODEC_BADCODE;
        ended_ = true;
        return false;
    }
    prevCode_ = code;
    firstChar_ = code;
    t_->stack[0] = static_cast<std::uint8_t>(code);
    pendingPos_ = 0;
    pendingEnd_ = 1;
    return true;
}

int GifDecoder::init()
{
    if (!t_)
        return status();
    ended_ = false;
    pendingPos_ = pendingEnd_ = 0;
    startTable();
    return status();
}

void GifDecoder::writeString(std::uint8_t* end, int code, int len) const
{
    const std::uint16_t* prefix = t_->prefix;
    const std::uint8_t* suffix = t_->suffix;
    std::uint8_t* p = end;
    for (int i = len; i > 1; --i) {
        *--p = suffix[code];
        code = prefix[code];
    }
    *--p = static_cast<std::uint8_t>(code);
}

int GifDecoder::decode(std::uint8_t* buffer, int count)
{
    lastFill_ = 0;
    if (count <= 0 || !buffer)
        return status();
    int pos = 0;
    auto deliverPending = [&] {
        int n = std::min(pendingEnd_ - pendingPos_, count - pos);
        if (n > 0) {
            std::memcpy(buffer + pos, t_->stack + pendingPos_, static_cast<std::size_t>(n));
            pos += n;
            pendingPos_ += n;
        }
    };
    if (t_)
        deliverPending();

    while (pos < count && !ended_) {
        const int code = getcode();
        if (code < 0) {
            ended_ = true;
            break;
        }
        if (code == clearCode_) {
            if (!startTable())
                break;
            deliverPending();
            continue;
        }
        if (code == endCode_) {
            ended_ = true;
            break;
        }
        if (tableFull_) {
            // The table is full and no clear code came.
            status_ = CODEC_OVERFLOW;
            ended_ = true;
            break;
        }
        int len;
        if (code < nextCode_) {
            len = t_->length[code];
        } else if (code == nextCode_) {
            len = t_->length[prevCode_] + 1;
        } else {
            status_ = CODEC_BADCODE;
            ended_ = true;
            break;
        }
        if (len > LZW_TABLE_SIZE) {
            // Cannot happen with a consistent table; kept as the stack's guard.
            status_ = CODEC_OVERFLOW;
            ended_ = true;
            break;
        }
        // Strings that fit go straight into the line; a longer one waits on
        // the stack for the next line.
        const bool direct = len <= count - pos;
        std::uint8_t* out = direct ? buffer + pos : t_->stack;
        if (code == nextCode_) {
            out[len - 1] = static_cast<std::uint8_t>(firstChar_);
            writeString(out + len - 1, prevCode_, len - 1);
        } else {
            writeString(out + len, code, len);
        }
        const int root = out[0];
        if (direct) {
            pos += len;
        } else {
            pendingPos_ = 0;
            pendingEnd_ = len;
            deliverPending();
        }

        firstChar_ = root;
        if (nextCode_ < limit_) {
            t_->prefix[nextCode_] = static_cast<std::uint16_t>(prevCode_);
            t_->suffix[nextCode_] = static_cast<std::uint8_t>(root);
            t_->length[nextCode_] = static_cast<std::uint16_t>(t_->length[prevCode_] + 1);
            ++nextCode_;
        }
        prevCode_ = code;
        if (nextCode_ >= limit_) {
            if (codeWidth() < LZW_MAX_BITS) {
                setCodeWidth(codeWidth() + 1);
                limit_ <<= 1;
            } else {
                tableFull_ = true;
            }
        }
    }
    lastFill_ = pos;
    if (pos < count)
        std::memset(buffer + pos, 0, static_cast<std::size_t>(count - pos));
    return status();
}

int GifDecoder::term()
{
    return status();
}

int GifDecoder::status()
{
    if (status_ != CODEC_OK)
        return status_;
    if (in_.eof())
        return CODEC_EOF;
    if (in_.error())
        return CODEC_IOERROR;
    return CODEC_OK;
}

// ---------------------------------------------------------------------------
// Encoder

GifEncoder::GifEncoder(OutStream& out, int minCodeSize)
    : oCodeStream(out, (validMinCodeSize(minCodeSize) ? minCodeSize : 2) + 1), minCodeSize_(minCodeSize)
{
    const int m = validMinCodeSize(minCodeSize) ? minCodeSize : 2;
    clearCode_ = 1 << m;
    endCode_ = clearCode_ + 1;
    initWidth_ = m + 1;
    if (!validMinCodeSize(minCodeSize)) {
        status_ = CODEC_BADCODE;
        return;
    }
    hash_.reset(new (std::nothrow) std::uint32_t[kHashSize]);
    if (!hash_) {
        status_ = CODEC_NOMEMORY;
        return;
    }
    clear();
}

void GifEncoder::clear()
{
    width_ = initWidth_;
    setCodeWidth(width_);
    nextCode_ = endCode_ + 1;
    limit_ = 1 << width_;
    std::fill_n(hash_.get(), kHashSize, kEmpty);
}

int GifEncoder::findstr(int prefix, int byte) const
{
    const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(byte);
    int h = prefix ^ (byte << 4);
    const int step = h == 0 ? 1 : kHashSize - h;
    std::uint32_t v;
    while ((v = hash_[h]) != kEmpty && (v >> 12) != key) {
        h -= step;
        if (h < 0)
            h += kHashSize;
    }
    return h;
}

int GifEncoder::init()
{
    if (status_ != CODEC_OK)
        return status();
    started_ = false;
    clear();
    if (putcode(clearCode_) != 0)
        status_ = CODEC_IOERROR;
    return status();
}

int GifEncoder::encode(const std::uint8_t* buffer, int count)
{
    if (status_ != CODEC_OK || count <= 0 || !buffer)
        return status();
    // Pixel values beyond the code size would be read back as control codes.
    const int mask = clearCode_ - 1;
    int i = 0;
    if (!started_) {
        prefix_ = buffer[0] & mask;
        started_ = true;
        i = 1;
    }
    std::uint32_t* hash = hash_.get();
    int prefix = prefix_;
    for (; i < count; ++i) {
        const int b = buffer[i] & mask;
        const int h = findstr(prefix, b);
        const std::uint32_t v = hash[h];
        if (v != kEmpty) {
            prefix = static_cast<int>(v & 0xFFF);
            continue;
        }
        hash[h] = (((static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(b)) << 12) |
                  static_cast<std::uint32_t>(nextCode_);
        if (putcode(prefix) != 0) {
            status_ = CODEC_IOERROR;
            break;
        }
        prefix = b;
        if (++nextCode_ > limit_) {
            ++width_;
            if (width_ > LZW_MAX_BITS) {
                if (putcode(clearCode_) != 0) {
                    status_ = CODEC_IOERROR;
                    break;
                }
                clear();
            } else {
                setCodeWidth(width_);
                limit_ <<= 1;
                if (width_ == LZW_MAX_BITS)
                    limit_ = LZW_TABLE_SIZE - 1;
            }
        }
    }
    prefix_ = prefix;
    return status();
}

int GifEncoder::term()
{
    if (status_ != CODEC_OK)
        return status();
    if (started_ && putcode(prefix_) != 0)
        status_ = CODEC_IOERROR;
    if (status_ == CODEC_OK && putcode(endCode_) != 0)
        status_ = CODEC_IOERROR;
    if (status_ == CODEC_OK && flush() != 0)
        status_ = CODEC_IOERROR;
    return status();
}

int GifEncoder::status()
{
    if (status_ != CODEC_OK)
        return status_;
    return out_.error() ? CODEC_IOERROR : CODEC_OK;
}
