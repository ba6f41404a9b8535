#pragma once
// The LZW codec of GIF image data, a unit of its own beside the GIF reader
// and writer. Codes grow from minimum code size + 1 bits up to 12 bits; the
// table holds 4096 entries.

#include "pictrans/Codec.h"
#include "pictrans/CodeStream.h"
#include "pictrans/Export.h"
#include "pictrans/Stream.h"

#include <cstdint>
#include <memory>

inline constexpr int LZW_MAX_BITS = 12;
inline constexpr int LZW_TABLE_SIZE = 1 << LZW_MAX_BITS;
// Minimum code sizes a GIF may carry (2 also serves 1-bit pictures).
inline constexpr int LZW_MIN_CODE_SIZE_LOW = 2;
inline constexpr int LZW_MIN_CODE_SIZE_HIGH = 8;

class PICTRANS_API GifDecoder : public Decoder, public iCodeStream {
public:
    // A minimum code size outside 2..8 leaves the decoder failed (status 16).
    // The line width is the caller's: each call to decode names its own count.
    GifDecoder(InStream& in, int minCodeSize, int lineWidth);

    // Fills one line of count pixels. Pixels the data does not supply (it
    // ended, or broke off with an error) are zero; pixelsDecoded() tells how
    // many came from the data.
    int decode(std::uint8_t* buffer, int count) override;
    // Clears the table and reads the first code.
    int init() override;
    int term() override;
    int status() override;

    int pixelsDecoded() const { return lastFill_; }

private:
    void clear();
    // Reads past clear codes to the first code of a new table; false when
    // decoding cannot go on (end code, end of data or a bad first code).
    bool startTable();

    struct Tables {
        std::uint16_t prefix[LZW_TABLE_SIZE];
        std::uint8_t suffix[LZW_TABLE_SIZE];
        std::uint16_t length[LZW_TABLE_SIZE]; // pixels in each entry's string
        std::uint8_t stack[LZW_TABLE_SIZE];   // a string that did not fit its line
    };
    std::unique_ptr<Tables> t_;

    int clearCode_;
    int endCode_;
    int initWidth_;
    int nextCode_ = 0;
    int limit_ = 0;
    int prevCode_ = -1;
    int firstChar_ = 0;
    bool tableFull_ = false; // at 12 bits with 4096 entries: only a clear may follow
    bool ended_ = false;     // end code seen, or decoding broke off
    int pendingPos_ = 0;     // pixels of stack not yet delivered: [pendingPos_, pendingEnd_)
    int pendingEnd_ = 0;
    int lastFill_ = 0;
    int status_ = CODEC_OK;
};

class PICTRANS_API GifEncoder : public Encoder, public oCodeStream {
public:
    static constexpr int kHashSize = 8192; // twice the table's entries, a power of two
    // A slot packs the key (prefix << 8 | byte) above the 12-bit code. The
    // all-ones pattern marks an empty slot: it would need prefix 4095, and
    // the table is cleared the moment entry 4095 is made, before any string
    // can extend it.
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

    // A minimum code size outside 2..8 leaves the encoder failed (status 16).
    GifEncoder(OutStream& out, int minCodeSize);

    int encode(const std::uint8_t* buffer, int count) override;
    // Clears the table and emits the clear code.
    int init() override;
    // Emits the last string and the end code, then flushes.
    int term() override;
    int status() override;

private:
    void clear();

    std::unique_ptr<std::uint32_t[]> hash_;

    int clearCode_;
    int endCode_;
    int initWidth_;
    int width_ = 0;
    int nextCode_ = 0;
    int limit_ = 0;
    int prefix_ = 0;
    bool started_ = false;
    int status_ = CODEC_OK;
};
