#pragma once
// The run-length codec of PCX scan lines. A scan line is one line per plane
// of bplin bytes each. A byte from 0xC0 up is a count (its low 6 bits) for
// the byte after it; any other byte stands for itself.

#include "pictrans/Codec.h"
#include "pictrans/Export.h"
#include "pictrans/PcxHeader.h"
#include "pictrans/Stream.h"

#include <cstdint>
#include <vector>

class PICTRANS_API PcxDecoder : public Decoder {
public:
    PcxDecoder(InStream& in, const PCXHEADER& header);

    // Reads one scan line into width output bytes: with 8 bits per plane the
    // planes interleave pixel by pixel (buffer holds width x planes bytes);
    // with 1, 2 or 4 bits each pixel's byte gathers bitsPerPlane bits from
    // every plane, plane i at bit bitsPerPlane x i. Output the data does not
    // supply stays zero.
    int decode(std::uint8_t* buffer, int width) override;
    // Goes to the image data at offset 128.
    int init() override;
    int term() override;
    int status() override;
    // Offset of the next byte the decoder reads.
    std::size_t position() const { return pos_; }

private:
    // Fills n bytes of one plane line; returns how many the data supplied.
    int fillPlane(std::uint8_t* dst, int n);

    InStream& in_;
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = PCXHEADER::kSize;
    int bits_;
    int planes_;
    int bytesPerLine_;
    bool rle_;
    int mask_;
    int runCount_ = 0;
    std::uint8_t runValue_ = 0;
    bool eof_ = false;
    int status_ = CODEC_OK;
    std::vector<std::uint8_t> line_;
};

class PICTRANS_API PcxEncoder : public Encoder {
public:
    PcxEncoder(OutStream& out, const PCXHEADER& header);

    // Encodes one scan line of width pixels (width x planes bytes with 8
    // bits per plane, interleaved as the decoder delivers them).
    int encode(const std::uint8_t* buffer, int width) override;
    int init() override;
    int term() override;
    int status() override;

private:
    // Run-length encodes the plane line and writes it.
    void flush();

    OutStream& out_;
    int bits_;
    int planes_;
    int bytesPerLine_;
    int mask_;
    std::vector<std::uint8_t> line_;
    std::vector<std::uint8_t> packed_;
    int status_ = CODEC_OK;
};
