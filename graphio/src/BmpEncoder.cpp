#include "pictrans/BmpEncoder.h"

#include "pictrans/TGIntf.h"
#include "platform/BitmapInfo.h"

BmpEncoder::BmpEncoder(OutStream& out, int bitsPerPixel) : out_(out), bits_(bitsPerPixel) {}

int BmpEncoder::init()
{
    status_ = CODEC_OK;
    return status();
}

int BmpEncoder::encode(const std::uint8_t* buffer, int count)
{
    if (status_ != CODEC_OK || count <= 0)
        return status();
    const std::size_t stride = platform::dibStride(count, bits_);
    if (bits_ != 1 && bits_ != 4 && bits_ != 8 && bits_ != 24)
        return status();
    row_.assign(stride, 0);
    if (bits_ == 24) {
        for (std::size_t x = 0; x < static_cast<std::size_t>(count); ++x) {
            row_[3 * x] = buffer[3 * x + 2];
            row_[3 * x + 1] = buffer[3 * x + 1];
            row_[3 * x + 2] = buffer[3 * x];
        }
    } else {
        TGIntf::BmpEncode(row_.data(), buffer, bits_, count);
    }
    if (!out_.write(row_.data(), row_.size()))
        status_ = CODEC_IOERROR;
    return status();
}

int BmpEncoder::term()
{
    return status();
}

int BmpEncoder::status()
{
    if (status_ == CODEC_OK && out_.error())
        return CODEC_IOERROR;
    return status_;
}
