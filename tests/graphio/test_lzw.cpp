// The GIF code streams and the LZW codec. Encoder output is checked against
// a plain reference decoder written here from the format's rules (a
// dictionary of strings, deferred code-width growth), so that a fault shared
// by our encoder and decoder cannot hide in a round trip.

#include "pictrans/CodeStream.h"
#include "pictrans/GifCodec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Removes the sub-block framing: length bytes and the data behind them, up
// to an empty block or the end.
Bytes unblock(const Bytes& blocks)
{
    Bytes out;
    std::size_t i = 0;
    while (i < blocks.size() && blocks[i] != 0) {
        std::size_t n = blocks[i++];
        for (std::size_t k = 0; k < n && i < blocks.size(); ++k)
            out.push_back(blocks[i++]);
    }
    return out;
}

struct ReferenceResult {
    Bytes pixels;
    std::vector<int> widths;   // width each code was read at
    std::vector<int> codes;
    bool ok = true;
};

// Straightforward LZW decoding of unblocked data.
ReferenceResult referenceDecode(const Bytes& data, int m)
{
    ReferenceResult r;
    const int clear = 1 << m, end = clear + 1;
    std::vector<Bytes> dict;
    int width = m + 1;
    auto reset = [&] {
        dict.assign(static_cast<std::size_t>(end + 1), {});
        for (int i = 0; i < clear; ++i)
            dict[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i)};
        width = m + 1;
    };
    reset();
    std::size_t bitpos = 0;
    int prev = -1;
    while (bitpos + static_cast<std::size_t>(width) <= data.size() * 8) {
        int code = 0;
        for (int b = 0; b < width; ++b, ++bitpos)
            code |= ((data[bitpos / 8] >> (bitpos % 8)) & 1) << b;
        r.codes.push_back(code);
        r.widths.push_back(width);
        if (code == clear) {
            reset();
            prev = -1;
            continue;
        }
        if (code == end)
            return r;
        Bytes s;
        if (code < static_cast<int>(dict.size()) && (code < clear || code > end)) {
            s = dict[static_cast<std::size_t>(code)];
        } else if (code == static_cast<int>(dict.size()) && prev >= 0) {
            s = dict[static_cast<std::size_t>(prev)];
            s.push_back(s[0]);
        } else {
            r.ok = false;
            return r;
        }
        if (prev >= 0 && dict.size() < 4096) {
            Bytes n = dict[static_cast<std::size_t>(prev)];
            n.push_back(s[0]);
            dict.push_back(n);
        }
        if (dict.size() == (std::size_t{1} << width) && width < 12)
            ++width;
        r.pixels.insert(r.pixels.end(), s.begin(), s.end());
        prev = code;
    }
    r.ok = false; // no end code
    return r;
}

// The encoder as first described: a 5101-slot table with double hashing,
// codes assembled bit by bit into 255-byte sub-blocks. Ours must give the
// same bytes whatever its table looks like.
Bytes referenceEncode(const Bytes& pixels, int m)
{
    const int clear = 1 << m, end = clear + 1;
    struct Slot {
        int code = -1, prefix = 0, byte = 0;
    };
    std::vector<Slot> table(5101);
    int width = m + 1, next = end + 1, limit = 1 << width;
    Bytes out, block;
    int acc = 0, mask = 1;
    auto putbyte = [&](int b) {
        block.push_back(static_cast<std::uint8_t>(b));
        if (block.size() == 255) {
            out.push_back(255);
            out.insert(out.end(), block.begin(), block.end());
            block.clear();
        }
    };
    auto putcode = [&](int code) {
        for (int i = 0; i < width; ++i) {
            if (code & (1 << i))
                acc |= mask;
            mask <<= 1;
            if (mask == 256) {
                putbyte(acc);
                acc = 0;
                mask = 1;
            }
        }
    };
    auto reset = [&] {
        width = m + 1;
        next = end + 1;
        limit = 1 << width;
        for (auto& s : table)
            s.code = -1;
    };
    auto findstr = [&](int a, int b) {
        int h = a ^ (b * 16);
        const int step = h == 0 ? 1 : 5101 - h;
        while (table[static_cast<std::size_t>(h)].code != -1 &&
               (table[static_cast<std::size_t>(h)].prefix != a || table[static_cast<std::size_t>(h)].byte != b)) {
            h -= step;
            if (h < 0)
                h += 5101;
        }
        return static_cast<std::size_t>(h);
    };
    reset();
    putcode(clear);
    int prefix = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const int b = pixels[i];
        const std::size_t h = findstr(prefix, b);
        if (table[h].code != -1) {
            prefix = table[h].code;
            continue;
        }
        table[h] = {next, prefix, b};
        putcode(prefix);
        prefix = b;
        if (++next > limit) {
            if (++width > 12) {
                width = 12;
                putcode(clear);
                reset();
            } else {
                limit *= 2;
                if (width == 12)
                    limit = 4095;
            }
        }
    }
    putcode(prefix);
    putcode(end);
    if (mask != 1)
        putbyte(acc);
    if (!block.empty()) {
        out.push_back(static_cast<std::uint8_t>(block.size()));
        out.insert(out.end(), block.begin(), block.end());
    }
    out.push_back(0);
    return out;
}

Bytes encodeAll(const Bytes& pixels, int m, int chunk)
{
    MemoryOutStream out;
    GifEncoder enc(out, m);
    EXPECT_EQ(enc.init(), CODEC_OK);
    for (std::size_t i = 0; i < pixels.size(); i += static_cast<std::size_t>(chunk)) {
        int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(chunk), pixels.size() - i));
        EXPECT_EQ(enc.encode(pixels.data() + i, n), CODEC_OK);
    }
    EXPECT_EQ(enc.term(), CODEC_OK);
    Bytes data = out.data();
    data.push_back(0); // block terminator, as the file writer adds it
    return data;
}

Bytes decodeAll(const Bytes& data, int m, std::size_t count, int lineWidth, int* finalStatus = nullptr)
{
    InStream in(data);
    GifDecoder dec(in, m, lineWidth);
    dec.init();
    Bytes out(count);
    for (std::size_t i = 0; i < count; i += static_cast<std::size_t>(lineWidth)) {
        int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(lineWidth), count - i));
        dec.decode(out.data() + i, n);
        EXPECT_EQ(dec.pixelsDecoded(), n) << "line at pixel " << i;
        if (dec.pixelsDecoded() != n)
            break;
    }
    if (finalStatus)
        *finalStatus = dec.term();
    return out;
}

Bytes randomPixels(std::size_t n, int m, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes v(n);
    for (auto& b : v)
        b = static_cast<std::uint8_t>(rng() & ((1u << m) - 1));
    return v;
}

// Mostly runs and repeats with some noise: long strings, many table hits.
Bytes patternedPixels(std::size_t n, int m, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes v(n);
    const unsigned mask = (1u << m) - 1;
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(((i / 7) % 5 == 0 ? rng() : (i % 37) * 3 + (i / 1000)) & mask);
    return v;
}

// Writes codes LSB first into sub-blocks, the way a foreign encoder would.
struct CodeWriter {
    Bytes bytes;
    std::uint32_t acc = 0;
    int n = 0;
    void put(int code, int width)
    {
        acc |= static_cast<std::uint32_t>(code) << n;
        n += width;
        while (n >= 8) {
            bytes.push_back(static_cast<std::uint8_t>(acc));
            acc >>= 8;
            n -= 8;
        }
    }
    Bytes blocks()
    {
        if (n > 0)
            bytes.push_back(static_cast<std::uint8_t>(acc));
        Bytes out;
        for (std::size_t i = 0; i < bytes.size(); i += 255) {
            std::size_t len = std::min<std::size_t>(255, bytes.size() - i);
            out.push_back(static_cast<std::uint8_t>(len));
            out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i),
                       bytes.begin() + static_cast<std::ptrdiff_t>(i + len));
        }
        out.push_back(0);
        return out;
    }
};

} // namespace

TEST(CodeStream, CodesOfChangingWidthsCrossSubBlocksIntact)
{
    MemoryOutStream out;
    std::vector<std::pair<int, int>> sent;
    {
        oCodeStream os(out, 3);
        for (int i = 0; i < 2000; ++i) {
            int width = 3 + (i % 10);
            int code = (i * 2654435761u) & ((1u << width) - 1);
            os.setCodeWidth(width);
            ASSERT_EQ(os.putcode(code), 0);
            sent.push_back({width, code});
        }
        ASSERT_EQ(os.flush(), 0);
    }
    Bytes data = out.data();
    // Full blocks of 255, then the rest; flush writes no terminator.
    ASSERT_GT(data.size(), 512u);
    EXPECT_EQ(data[0], 255);
    EXPECT_EQ(data[256], 255);
    data.push_back(0);
    InStream in(data);
    iCodeStream is(in, 3);
    for (auto [width, code] : sent) {
        is.setCodeWidth(width);
        ASSERT_EQ(is.getcode(), code);
    }
    EXPECT_EQ(is.getcode(), -1);
}

TEST(CodeStream, EndOfDataAndCutBlocksYieldMinusOne)
{
    // A block of two bytes, then the terminator.
    Bytes data = {0x02, 0xAB, 0xCD, 0x00, 0x05, 0x11};
    InStream in(data);
    iCodeStream is(in, 8);
    EXPECT_EQ(is.getbyte(), 0xAB);
    EXPECT_EQ(is.getbyte(), 0xCD);
    EXPECT_EQ(is.getbyte(), -1); // the empty block
    // The next block claims 5 bytes but holds 1.
    EXPECT_EQ(is.getbyte(), -1);

    Bytes half = {0x01, 0xFF};
    InStream in2(half);
    iCodeStream codes(in2, 12);
    EXPECT_EQ(codes.getcode(), -1); // 8 of 12 bits present
}

TEST(CodeStream, WriteErrorsReportFour)
{
    MemoryOutStream out;
    out.failAfter(100);
    oCodeStream os(out, 8);
    int result = 0;
    for (int i = 0; i < 600 && result == 0; ++i)
        result = os.putcode(i & 0xFF);
    EXPECT_EQ(result, 4);
    EXPECT_EQ(os.flush(), 4);
}

TEST(GifEncoder, TinyInputGivesKnownBytes)
{
    // Minimum code size 2: clear 4, end 5, first entry 6, 3-bit codes.
    // 0 0 0 0 -> clear 4, 0 (makes 6 = "00"), 6 (makes 7 = "000"), 0, end 5.
    // Bits, lowest first: 001 000 011 000 101 -> bytes 0x84 0x51.
    Bytes pixels = {0, 0, 0, 0};
    Bytes data = encodeAll(pixels, 2, 4);
    EXPECT_EQ(data, (Bytes{0x02, 0x84, 0x51, 0x00}));
    EXPECT_EQ(decodeAll(data, 2, 4, 4), pixels);
}

TEST(GifEncoder, CodeWidthsGrowAfterTheRightEntriesAndClearAtTwelveBits)
{
    // Random bytes make a new entry for nearly every code, so the table
    // fills several times.
    Bytes pixels = randomPixels(60000, 8, 7);
    Bytes data = encodeAll(pixels, 8, 1200);
    ReferenceResult ref = referenceDecode(unblock(data), 8);
    ASSERT_TRUE(ref.ok);
    ASSERT_EQ(ref.pixels, pixels);

    ASSERT_EQ(ref.codes[0], 256);
    EXPECT_EQ(ref.widths[0], 9);
    // After a clear: 255 codes of 9 bits (the one that makes entry 512 is the
    // last), then 10 bits; the clear after entry 4095 comes at 12 bits.
    std::vector<std::size_t> clears;
    for (std::size_t i = 0; i < ref.codes.size(); ++i)
        if (ref.codes[i] == 256)
            clears.push_back(i);
    ASSERT_GE(clears.size(), 3u);
    for (std::size_t c = 0; c + 1 < clears.size(); ++c) {
        const std::size_t start = clears[c] + 1;
        EXPECT_EQ(clears[c + 1] - start, 4096u - 258u) << "codes between clears";
        EXPECT_EQ(ref.widths[start + 254], 9);
        EXPECT_EQ(ref.widths[start + 255], 10);
        EXPECT_EQ(ref.widths[clears[c + 1]], 12);
        EXPECT_EQ(ref.widths[clears[c + 1] + 1], 9);
    }
}

TEST(GifEncoder, BytesMatchTheDoubleHashEncoderExactly)
{
    for (int m = 2; m <= 8; ++m) {
        for (int kind = 0; kind < 2; ++kind) {
            Bytes pixels = kind ? patternedPixels(120000, m, 3u + m) : randomPixels(120000, m, 17u + m);
            EXPECT_EQ(encodeAll(pixels, m, 1201), referenceEncode(pixels, m)) << "m " << m << " kind " << kind;
        }
    }
}

TEST(GifEncoder, InvalidCodeSizesAndStreamErrorsFail)
{
    MemoryOutStream out;
    for (int m : {0, 1, 9, 12}) {
        GifEncoder enc(out, m);
        EXPECT_EQ(enc.init(), CODEC_BADCODE) << m;
        Bytes px = {1, 2, 3};
        EXPECT_EQ(enc.encode(px.data(), 3), CODEC_BADCODE);
    }
    MemoryOutStream small;
    small.failAfter(50);
    GifEncoder enc(small, 8);
    enc.init();
    Bytes pixels = randomPixels(5000, 8, 3);
    EXPECT_EQ(enc.encode(pixels.data(), 5000), CODEC_IOERROR);
    EXPECT_EQ(enc.term(), CODEC_IOERROR);
}

TEST(GifCodec, RoundTripsAtEveryCodeSizeThroughSeveralTableResets)
{
    for (int m = 2; m <= 8; ++m) {
        for (int kind = 0; kind < 2; ++kind) {
            const std::size_t n = 150000;
            Bytes pixels = kind ? patternedPixels(n, m, 11u + m) : randomPixels(n, m, 5u + m);
            Bytes data = encodeAll(pixels, m, 999);
            ReferenceResult ref = referenceDecode(unblock(data), m);
            ASSERT_TRUE(ref.ok) << "m " << m << " kind " << kind;
            EXPECT_EQ(ref.pixels, pixels) << "reference decode, m " << m << " kind " << kind;
            int clears = 0;
            for (int c : ref.codes)
                clears += c == (1 << m);
            if (kind == 0) {
                EXPECT_GE(clears, 3) << "m " << m;
            }
            // Lines of odd widths make strings straddle lines.
            for (int line : {1, 317, 4099}) {
                int status = -1;
                Bytes back = decodeAll(data, m, n, line, &status);
                ASSERT_EQ(back, pixels) << "m " << m << " kind " << kind << " line " << line;
                EXPECT_EQ(status, CODEC_OK);
            }
        }
    }
}

TEST(GifDecoder, LongStringsWaitForTheNextLine)
{
    // One colour: strings grow up to thousands of pixels, far longer than a line.
    Bytes pixels(2000000, 1);
    Bytes data = encodeAll(pixels, 2, 65536);
    EXPECT_LT(data.size(), 5000u);
    EXPECT_EQ(decodeAll(data, 2, pixels.size(), 7), pixels);
}

// An encoder may defer the clear code: once the table holds 4096 entries
// it goes on with 12-bit codes that name existing entries, and no entry is
// made until a clear comes. Such data decodes as the straightforward
// decoder reads it, through the clear and beyond.
TEST(GifDecoder, ADeferredClearGoesOnWithTheFullTable)
{
    // Minimum code size 2 (clear 4, end 5): a clear, then literals cycling
    // 0 1 2 3, each code after the first making an entry, until entry 4095.
    CodeWriter w;
    int width = 3, next = 6;
    w.put(4, width);
    w.put(0, width); // first code, no entry
    std::size_t literals = 1;
    while (next < 4096) {
        w.put(static_cast<int>(literals % 4), width);
        ++literals;
        ++next;
        if (next == (1 << width) && width < 12)
            ++width;
    }
    // The table is full: literals, the newest and an older entry, at 12 bits.
    for (int code : {2, 4095, 3, 1000, 0, 4095})
        w.put(code, 12);
    // Then the clear, a fresh table at 3 bits, and the end.
    w.put(4, 12);
    w.put(1, 3);
    w.put(6 - 4, 3);
    w.put(5, 3);
    const Bytes raw = [&] {
        CodeWriter copy = w;
        if (copy.n > 0)
            copy.bytes.push_back(static_cast<std::uint8_t>(copy.acc));
        return copy.bytes;
    }();
    const ReferenceResult expected = referenceDecode(raw, 2);
    ASSERT_TRUE(expected.ok);
    ASSERT_GT(expected.pixels.size(), literals + 6);

    Bytes data = w.blocks();
    InStream in(data);
    GifDecoder dec(in, 2, static_cast<int>(expected.pixels.size()));
    dec.init();
    Bytes line(expected.pixels.size());
    EXPECT_EQ(dec.decode(line.data(), static_cast<int>(line.size())), CODEC_OK);
    EXPECT_EQ(line, expected.pixels);
    EXPECT_EQ(dec.term(), CODEC_OK);
}

TEST(GifDecoder, CodesBeyondTheTableGiveStatus16)
{
    {
        // clear, 1, then 9 while the next entry is 6.
        CodeWriter w;
        w.put(4, 3);
        w.put(1, 3);
        w.put(7, 3);
        Bytes data = w.blocks();
        InStream in(data);
        GifDecoder dec(in, 2, 8);
        dec.init();
        Bytes line(8);
        EXPECT_EQ(dec.decode(line.data(), 8), CODEC_BADCODE);
        EXPECT_EQ(dec.pixelsDecoded(), 1);
        EXPECT_EQ(line[0], 1);
        EXPECT_EQ(line[1], 0);
    }
    {
        // The first code after a clear names an entry that does not exist.
        CodeWriter w;
        w.put(4, 3);
        w.put(6, 3);
        Bytes data = w.blocks();
        InStream in(data);
        GifDecoder dec(in, 2, 4);
        EXPECT_EQ(dec.init(), CODEC_BADCODE);
    }
    for (int m : {0, 1, 9, 11}) {
        Bytes data = {0x01, 0x00, 0x00};
        InStream in(data);
        GifDecoder dec(in, m, 4);
        EXPECT_EQ(dec.init(), CODEC_BADCODE) << m;
        Bytes line(4, 9);
        EXPECT_EQ(dec.decode(line.data(), 4), CODEC_BADCODE);
        EXPECT_EQ(dec.pixelsDecoded(), 0);
    }
}

TEST(GifDecoder, CutDataEndsWithEndOfFileStatus)
{
    Bytes pixels = randomPixels(5000, 8, 9);
    Bytes data = encodeAll(pixels, 8, 5000);
    data.resize(data.size() / 2); // cut inside a block
    InStream in(data);
    GifDecoder dec(in, 8, 5000);
    dec.init();
    Bytes out(5000);
    EXPECT_EQ(dec.decode(out.data(), 5000), CODEC_EOF);
    EXPECT_GT(dec.pixelsDecoded(), 0);
    EXPECT_LT(dec.pixelsDecoded(), 5000);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + dec.pixelsDecoded(), pixels.begin()));
    // Nothing more comes once the data ended.
    EXPECT_EQ(dec.decode(out.data(), 10), CODEC_EOF);
    EXPECT_EQ(dec.pixelsDecoded(), 0);
}

TEST(GifDecoder, EndCodeStopsAndClearRestarts)
{
    // clear, 3, clear, 2, 2 (entry 6 "22"), end, 1: the 1 after the end is never read.
    CodeWriter w;
    w.put(4, 3);
    w.put(3, 3);
    w.put(4, 3);
    w.put(2, 3);
    w.put(2, 3);
    w.put(5, 3);
    w.put(1, 3);
    Bytes data = w.blocks();
    InStream in(data);
    GifDecoder dec(in, 2, 6);
    dec.init();
    Bytes line(6, 0xEE);
    dec.decode(line.data(), 6);
    EXPECT_EQ(dec.pixelsDecoded(), 3);
    EXPECT_EQ(line, (Bytes{3, 2, 2, 0, 0, 0}));
}
