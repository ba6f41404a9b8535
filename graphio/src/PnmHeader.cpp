#include "pictrans/PnmHeader.h"

#include <string_view>

namespace pictrans::pnm {
namespace {

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Skips white space and comments (from '#' to the end of the line).
void skipBlanks(platform::ByteReader& r)
{
    for (;;) {
        const int c = r.peek();
        if (c == '#') {
            while (!r.atEnd() && r.u8() != '\n') {
            }
        } else if (isSpace(c)) {
            r.skip(1);
        } else {
            return;
        }
    }
}

// A decimal number; values beyond 2^32 - 1 stay there. False without digits.
bool number(platform::ByteReader& r, std::uint32_t& value)
{
    std::uint64_t v = 0;
    int digits = 0;
    for (int c = r.peek(); c >= '0' && c <= '9'; c = r.peek(), ++digits) {
        v = std::min<std::uint64_t>(v * 10 + static_cast<std::uint64_t>(c - '0'), UINT32_MAX);
        r.skip(1);
    }
    value = static_cast<std::uint32_t>(v);
    return digits > 0;
}

// One word of a PAM header line (up to white space).
std::string_view word(platform::ByteReader& r)
{
    while (r.peek() == ' ' || r.peek() == '\t')
        r.skip(1);
    const std::size_t start = r.position();
    while (!r.atEnd() && !isSpace(r.peek()))
        r.skip(1);
    const auto bytes = r.since(start);
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

void skipLine(platform::ByteReader& r)
{
    while (!r.atEnd() && r.u8() != '\n') {
    }
}

std::string readPamHeader(platform::ByteReader& r, Header& h)
{
    std::string_view tuple;
    bool haveW = false, haveH = false, haveD = false, haveM = false;
    for (;;) {
        skipBlanks(r);
        if (r.atEnd())
            return "the header has no ENDHDR";
        const std::string_view key = word(r);
        if (key == "ENDHDR") {
            skipLine(r);
            break;
        }
        std::uint32_t v = 0;
        if (key == "TUPLTYPE") {
            tuple = word(r);
        } else if (key == "WIDTH" || key == "HEIGHT" || key == "DEPTH" || key == "MAXVAL") {
            while (r.peek() == ' ' || r.peek() == '\t')
                r.skip(1);
            if (!number(r, v))
                return "the header's " + std::string(key) + " is not a number";
            (key == "WIDTH" ? (haveW = true, h.width) : key == "HEIGHT" ? (haveH = true, h.height)
             : key == "DEPTH" ? (haveD = true, h.depth) : (haveM = true, h.maxval)) = v;
        } else {
            return "the header has an unknown line";
        }
        skipLine(r);
    }
    if (!haveW || !haveH || !haveD || !haveM)
        return "the header lacks WIDTH, HEIGHT, DEPTH or MAXVAL";
    struct Known {
        std::string_view name;
        Tuple tuple;
        std::uint32_t depth;
    };
    static constexpr Known kKnown[] = {
        {"BLACKANDWHITE", Tuple::BlackAndWhite, 1}, {"GRAYSCALE", Tuple::Grey, 1},
        {"RGB", Tuple::Rgb, 3}, {"BLACKANDWHITE_ALPHA", Tuple::BlackAndWhiteAlpha, 2},
        {"GRAYSCALE_ALPHA", Tuple::GreyAlpha, 2}, {"RGB_ALPHA", Tuple::RgbAlpha, 4},
    };
    // Without a tuple type the depth says what the samples are.
    if (tuple.empty()) {
        static constexpr Tuple kByDepth[] = {Tuple::Grey, Tuple::GreyAlpha, Tuple::Rgb, Tuple::RgbAlpha};
        if (h.depth < 1 || h.depth > 4)
            return "a depth of " + std::to_string(h.depth) + " is not supported";
        h.tuple = kByDepth[h.depth - 1];
        return {};
    }
    for (const Known& k : kKnown) {
        if (k.name == tuple) {
            if (k.depth != h.depth)
                return "a depth of " + std::to_string(h.depth) + " does not fit the tuple type " + std::string(tuple);
            h.tuple = k.tuple;
            return {};
        }
    }
    return "the tuple type " + std::string(tuple.substr(0, 40)) + " is not supported";
}

} // namespace

bool readPlainNumber(platform::ByteReader& r, std::uint32_t& value)
{
    skipBlanks(r);
    return number(r, value);
}

std::string readHeader(platform::ByteReader& r, Header& h)
{
    if (r.u8() != 'P')
        return "the file does not start with P";
    const int kind = r.u8() - '0';
    if (kind < 1 || kind > 7)
        return "the kind of netpbm file is unknown";
    h.kind = kind;
    h.plain = kind <= 3;
    if (kind == 7) {
        if (const auto why = readPamHeader(r, h); !why.empty())
            return why;
    } else {
        skipBlanks(r);
        const bool sized = number(r, h.width) && (skipBlanks(r), number(r, h.height));
        if (!sized)
            return "the width and height are not numbers";
        h.maxval = 1;
        if (!h.pbm()) {
            skipBlanks(r);
            if (!number(r, h.maxval))
                return "the maximum value is not a number";
        }
        // One white space character ends the header of a raw file.
        if (!isSpace(r.peek()))
            return "the header does not end in white space";
        r.skip(1);
        h.depth = kind == 3 || kind == 6 ? 3 : 1;
        h.tuple = h.pbm() ? Tuple::BlackAndWhite : h.depth == 3 ? Tuple::Rgb : Tuple::Grey;
    }
    if (h.width == 0 || h.height == 0)
        return "the width and height must be at least 1";
    if (h.maxval < 1 || h.maxval > 65535)
        return "the maximum value must be 1 to 65535";
    return {};
}

} // namespace pictrans::pnm
