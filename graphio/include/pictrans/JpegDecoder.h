#pragma once
// JPEG decoding through libjpeg, behind a boundary that no C++ object with a
// destructor crosses: libjpeg reports errors by a longjmp out of its own
// frames, which is only safe while nothing but plain data lives between the
// setjmp and the jump. The caller's work happens in two callbacks that are
// called between libjpeg calls, never from inside one.

#include <cstddef>
#include <cstdint>
#include <span>

namespace pictrans::jpeg {

// What the header says, as the decoder will deliver it.
struct Header {
    int width = 0;
    int height = 0;
    int components = 0;          // of each delivered sample: 1 grey, 3 RGB, 4 CMYK
    bool adobeInverted = false;  // CMYK stored inverted (Adobe's files): 255 is no ink
    bool arithmetic = false;     // arithmetic coding, whose data can be far smaller
    int sourceComponents = 0;    // in the file
    std::uint64_t blocks = 0;    // 8 x 8 blocks of all components together
};

struct Sink {
    void* user = nullptr;
    // Called once the header is read; false stops decoding (with no message
    // from the decoder: the callback has its own).
    bool (*start)(void* user, const Header& header) noexcept = nullptr;
    // Row y from the top, width x components samples.
    void (*row)(void* user, int y, const std::uint8_t* samples) noexcept = nullptr;
};

inline constexpr std::size_t kMessageSize = 200;

enum class Result { Done, Refused, Failed };

// Decodes file into sink. Failed fills message with libjpeg's text (no
// punctuation of ours); a file that ends before its picture does fails too.
Result decode(std::span<const std::uint8_t> file, const Sink& sink, char (&message)[kMessageSize]);

// The EXIF orientation (1 to 8) of a JPEG file, 1 when it has none or it is
// unreadable. Reads only the markers before the first scan.
int exifOrientation(std::span<const std::uint8_t> file);

} // namespace pictrans::jpeg
