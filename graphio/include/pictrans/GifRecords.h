#pragma once
// The blocks of a GIF file, field for field as stored (16-bit values
// little-endian). get() reads a block from a stream and put() writes it; both
// return 0 on success and -1 when fewer bytes than the block's were moved.
// Where a block starts with an introducer (and a label), the reader has
// already consumed those to find out which block follows, so get() reads
// only the rest while put() writes the whole block. list() prints the fields
// for diagnosis.

#include "pictrans/Export.h"
#include "pictrans/Stream.h"

#include <cstdint>
#include <cstdio>

inline constexpr std::uint8_t GIF_IMAGE_ID = 0x2C;     // ','
inline constexpr std::uint8_t GIF_EXTENSION_ID = 0x21; // '!'
inline constexpr std::uint8_t GIF_TRAILER = 0x3B;      // ';'
inline constexpr std::uint8_t GIF_LABEL_CONTROL = 0xF9;
inline constexpr std::uint8_t GIF_LABEL_COMMENT = 0xFE;
inline constexpr std::uint8_t GIF_LABEL_TEXT = 0x01;
inline constexpr std::uint8_t GIF_LABEL_APPLICATION = 0xFF;

struct PICTRANS_API GIFHEADER {
    char sig[3] = {'G', 'I', 'F'};
    char ver[3] = {'8', '7', 'a'};

    int get(InStream& in);
    int put(OutStream& out) const;
    // 1 for "GIF" with "87a" or "89a", else 0.
    int isvalid() const;
    void list(std::FILE* out = stdout) const;
};

// The logical screen descriptor.
struct PICTRANS_API GIFSCDESC {
    std::uint16_t scwidth = 0;
    std::uint16_t scheight = 0;
    std::uint8_t flags = 0; // gct | (resolution - 1) << 4 | sorted << 3 | size code
    std::uint8_t bgclr = 0; // background colour index
    std::uint8_t pixasp = 0;

    bool hasGlobalTable() const { return (flags & 0x80) != 0; }
    // Entries of the global table: 2 to the power of (size code + 1).
    int tableSize() const { return 2 << (flags & 0x07); }

    int get(InStream& in);
    int put(OutStream& out) const;
    void list(std::FILE* out = stdout) const;
};

struct PICTRANS_API GIFIMDESC {
    std::uint8_t id = GIF_IMAGE_ID;
    std::uint16_t xleft = 0;
    std::uint16_t ytop = 0;
    std::uint16_t imwidth = 0;
    std::uint16_t imheight = 0;
    std::uint8_t flags = 0; // lct | interlaced << 6 | sorted << 5 | size code

    bool hasLocalTable() const { return (flags & 0x80) != 0; }
    bool interlaced() const { return (flags & 0x40) != 0; }
    int tableSize() const { return 2 << (flags & 0x07); }

    int get(InStream& in); // after the id byte
    int put(OutStream& out) const;
    void list(std::FILE* out = stdout) const;
};

// Graphic control extension.
struct PICTRANS_API GIFCTLEXT {
    std::uint8_t id = GIF_EXTENSION_ID;
    std::uint8_t label = GIF_LABEL_CONTROL;
    std::uint8_t size = 4;
    std::uint8_t flags = 0;
    std::uint16_t delay = 0; // hundredths of a second
    std::uint8_t trclr = 0;  // transparent colour index

    int get(InStream& in); // after id and label
    int put(OutStream& out) const;
    void list(std::FILE* out = stdout) const;
};

// Comment extension: only its introducer; the text follows as sub-blocks.
struct PICTRANS_API GIFCOMEXT {
    std::uint8_t id = GIF_EXTENSION_ID;
    std::uint8_t label = GIF_LABEL_COMMENT;

    int get(InStream& in); // nothing to read after id and label
    int put(OutStream& out) const;
    void list(std::FILE* out = stdout) const;
};

// Plain text extension.
struct PICTRANS_API GIFTXTEXT {
    std::uint8_t id = GIF_EXTENSION_ID;
    std::uint8_t label = GIF_LABEL_TEXT;
    std::uint8_t size = 12;
    std::uint16_t xleft = 0;
    std::uint16_t ytop = 0;
    std::uint16_t txwidth = 0;
    std::uint16_t txheight = 0;
    std::uint8_t cewidth = 0; // character cell
    std::uint8_t ceheight = 0;
    std::uint8_t fgclr = 0;
    std::uint8_t bgclr = 0;

    int get(InStream& in); // after id and label
    int put(OutStream& out) const;
    void list(std::FILE* out = stdout) const;
};

// Application extension.
struct PICTRANS_API GIFAPPEXT {
    std::uint8_t id = GIF_EXTENSION_ID;
    std::uint8_t label = GIF_LABEL_APPLICATION;
    std::uint8_t size = 11;
    char apname[8] = {};
    std::uint8_t apcode[3] = {};

    int get(InStream& in); // after id and label
    int put(OutStream& out) const;
    void list(std::FILE* out = stdout) const;
};

// The width lowest bits of value as '0'/'1' characters, most significant
// first, zero-terminated; out must hold width + 1 characters. Widths beyond
// 32 are cut to 32.
PICTRANS_API char* BitString(char* out, unsigned value, int width);
