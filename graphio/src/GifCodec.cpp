#include "pictrans/GifCodec.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool validMinCodeSize(int m)
{
    return m >= LZW_MIN_CODE_SIZE_LOW && m <= LZW_MIN_CODE_SIZE_HIGH;
}

// The hot helpers live here rather than as members: exported members of a
// shared library are not inlined.

// Writes the string of code (len pixels, root first) so that it ends at end.
inline void writeChain(const std::uint16_t* prefix, const std::uint8_t* suffix, std::uint8_t* end, int code, int len)
{
    std::uint8_t* p = end;
    for (int i = len; i > 1; --i) {
        *--p = suffix[code];
        code = prefix[code];
    }
    *--p = static_cast<std::uint8_t>(code);
}

// The encoder's slot of (prefix, byte): the one holding it or the empty one
// where it belongs. Which slot a string takes never shows in the codes, so
// the table is laid out for speed: twice the entries' number of slots, so
// that it is never more than half full, and linear probing over 32 KB that
// stay in the first-level cache. The hash is short because it lies on the
// path from one byte to the next: the prefix of each lookup comes out of
// the one before.
inline int findstr(const std::uint32_t* hash, int prefix, int byte)
{
    const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(byte);
    int h = ((prefix * 5) ^ (byte << 5)) & (GifEncoder::kHashSize - 1);
    std::uint32_t v;
    while ((v = hash[h]) != GifEncoder::kEmpty && (v >> 12) != key)
        h = (h + 1) & (GifEncoder::kHashSize - 1);
    return h;
}

} // namespace

// ---------------------------------------------------------------------------
// Decoder

GifDecoder::GifDecoder(InStream& in, int minCodeSize, int /*lineWidth*/)
    : iCodeStream(in, (validMinCodeSize(minCodeSize) ? minCodeSize : 2) + 1)
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
    if (ended_ || pos >= count) {
        lastFill_ = pos;
        if (pos < count)
            std::memset(buffer + pos, 0, static_cast<std::size_t>(count - pos));
        return status();
    }

    // The inner loop works on locals: stores into the pixel buffer could
    // otherwise alias every member and force it to be reloaded.
    Tables& t = *t_;
    const int clearCode = clearCode_;
    const int endCode = endCode_;
    int next = nextCode_;
    int limit = limit_;
    int prev = prevCode_;
    int first = firstChar_;
    bool full = tableFull_;
    int width = codeWidth();
    std::uint64_t bits = bits_;
    int nbits = nbits_;
    int bpos = pos_;
    int blen = len_;
    const std::uint8_t* block = buffer_;

    auto store = [&] {
        nextCode_ = next;
        limit_ = limit;
        prevCode_ = prev;
        firstChar_ = first;
        tableFull_ = full;
        setCodeWidth(width);
        bits_ = bits;
        nbits_ = nbits;
        pos_ = bpos;
        len_ = blen;
    };
    auto load = [&] {
        next = nextCode_;
        limit = limit_;
        prev = prevCode_;
        first = firstChar_;
        full = tableFull_;
        width = codeWidth();
        bits = bits_;
        nbits = nbits_;
        bpos = pos_;
        blen = len_;
    };
    auto fail = [&](int code) {
        status_ = code;
        ended_ = true;
    };

    while (pos < count) {
        // Next code: whole bytes of the current sub-block at once, the next
        // sub-block only when the bits run out.
        if (nbits < width) {
            if (blen - bpos >= 3) {
                bits |= static_cast<std::uint64_t>(block[bpos] | (block[bpos + 1] << 8) | (block[bpos + 2] << 16))
                        << nbits;
                bpos += 3;
                nbits += 24;
            } else {
                bool out = false;
                while (nbits < width) {
                    int byte;
                    if (bpos < blen) {
                        byte = block[bpos++];
                    } else {
                        pos_ = bpos;
                        len_ = blen;
                        byte = nextBlock();
                        bpos = pos_;
                        blen = len_;
                        if (byte < 0) {
                            out = true;
                            break;
                        }
                    }
                    bits |= static_cast<std::uint64_t>(byte) << nbits;
                    nbits += 8;
                }
                if (out) {
                    ended_ = true;
                    break;
                }
            }
        }
        const int code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width;
        nbits -= width;

        int root;
        if (code < clearCode && !full) {
            // A single pixel, the commonest code in busy pictures.
            buffer[pos++] = static_cast<std::uint8_t>(code);
            root = code;
        } else {
            if (code == clearCode) {
                store();
                const bool ok = startTable();
                load();
                if (!ok)
                    break;
                deliverPending();
                continue;
            }
            if (code == endCode) {
                ended_ = true;
                break;
            }
            // A full table with no clear code (a deferred clear) goes on:
            // every code names an entry already made, and no more are made.
            if (code > next || (full && code == next)) {
                fail(CODEC_BADCODE);
                break;
            }
            const int len = code < next ? t.length[code] : t.length[prev] + 1;
            if (len > LZW_TABLE_SIZE) {
                // Cannot happen with a consistent table; kept as the stack's guard.
                fail(CODEC_OVERFLOW);
                break;
            }
            // Strings that fit go straight into the line; a longer one waits
            // on the stack for the next line.
            const bool direct = len <= count - pos;
            std::uint8_t* out = direct ? buffer + pos : t.stack;
            if (code == next) {
                out[len - 1] = static_cast<std::uint8_t>(first);
                writeChain(t.prefix, t.suffix, out + len - 1, prev, len - 1);
            } else {
                writeChain(t.prefix, t.suffix, out + len, code, len);
            }
            root = out[0];
            if (direct) {
                pos += len;
            } else {
                pendingPos_ = 0;
                pendingEnd_ = len;
                deliverPending();
            }
        }

        // Below the limit by construction: the width grows as soon as the
        // next code reaches it, and a full table takes no more entries.
        first = root;
        if (!full) {
            t.prefix[next] = static_cast<std::uint16_t>(prev);
            t.suffix[next] = static_cast<std::uint8_t>(root);
            t.length[next] = static_cast<std::uint16_t>(t.length[prev] + 1);
            ++next;
            if (next >= limit) {
                if (width < LZW_MAX_BITS) {
                    ++width;
                    limit <<= 1;
                } else {
                    full = true;
                }
            }
        }
        prev = code;
    }
    store();
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
    : oCodeStream(out, (validMinCodeSize(minCodeSize) ? minCodeSize : 2) + 1)
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

    // The inner loop works on locals (byte stores into the code buffer could
    // alias every member). The output width equals width_ except while a
    // clear code goes out at 12 bits.
    std::uint32_t* hash = hash_.get();
    const int clearCode = clearCode_;
    int prefix = prefix_;
    int next = nextCode_;
    int limit = limit_;
    int width = width_;
    std::uint64_t bits = bits_;
    int nbits = nbits_;
    int fill = count_;
    std::uint8_t* block = block_ + 1;
    bool failed = false;

    auto emit = [&](int code, int w) {
        bits |= static_cast<std::uint64_t>(code) << nbits;
        nbits += w;
        if (nbits < 32)
            return;
        std::uint8_t* p = block + fill;
        p[0] = static_cast<std::uint8_t>(bits);
        p[1] = static_cast<std::uint8_t>(bits >> 8);
        p[2] = static_cast<std::uint8_t>(bits >> 16);
        p[3] = static_cast<std::uint8_t>(bits >> 24);
        bits >>= 32;
        nbits -= 32;
        fill += 4;
        if (fill >= 255) {
            count_ = fill;
            if (writeBlock() != 0)
                failed = true;
            fill = count_;
        }
    };

    for (; i < count; ++i) {
        const int b = buffer[i] & mask;
        const int h = findstr(hash, prefix, b);
        const std::uint32_t v = hash[h];
        if (v != kEmpty) {
            prefix = static_cast<int>(v & 0xFFF);
            continue;
        }
        hash[h] = (((static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(b)) << 12) |
                  static_cast<std::uint32_t>(next);
        emit(prefix, width);
        prefix = b;
        if (++next > limit) {
            ++width;
            if (width > LZW_MAX_BITS) {
                emit(clearCode, LZW_MAX_BITS);
                width = initWidth_;
                next = endCode_ + 1;
                limit = 1 << width;
                std::fill_n(hash, kHashSize, kEmpty);
            } else {
                limit <<= 1;
                if (width == LZW_MAX_BITS)
                    limit = LZW_TABLE_SIZE - 1;
            }
        }
        if (failed)
            break;
    }
    prefix_ = prefix;
    nextCode_ = next;
    limit_ = limit;
    width_ = width;
    setCodeWidth(width);
    bits_ = bits;
    nbits_ = nbits;
    count_ = fill;
    if (failed)
        status_ = CODEC_IOERROR;
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
