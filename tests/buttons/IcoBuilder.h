#pragma once
// Builds icon files byte by byte for the tests: solid-colour bitmap images of any size and
// depth, PNG images, and directories whose entries may be bent to describe broken files.
// No Windows headers, so the reader's tests also build with the host compiler.

#include <cstdint>
#include <string>
#include <vector>

namespace qmtest {

inline void PutLe16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8 & 0xFF);
}
inline void PutLe32(std::string& out, uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}
inline void PutBe32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(v >> shift & 0xFF);
}

// A bitmap icon image of one colour (0xRRGGBB), fully opaque: header, colour table (entry 0 is
// the colour), colour bits and an all-clear AND mask.
inline std::string BitmapImage(int width, int height, int bits, uint32_t rgb) {
    std::string out;
    PutLe32(out, 40);
    PutLe32(out, static_cast<uint32_t>(width));
    PutLe32(out, static_cast<uint32_t>(height * 2));
    PutLe16(out, 1);
    PutLe16(out, static_cast<uint32_t>(bits));
    for (int i = 0; i < 6; ++i) PutLe32(out, 0); // BI_RGB, no size, resolution, colours used
    const char b = static_cast<char>(rgb & 0xFF), g = static_cast<char>(rgb >> 8 & 0xFF),
               r = static_cast<char>(rgb >> 16 & 0xFF);
    if (bits <= 8) {
        out += std::string{b, g, r, 0};
        out.append(((size_t{1} << bits) - 1) * 4, '\0');
    }
    const size_t colourRow = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    const size_t maskRow = (static_cast<size_t>(width) + 31) / 32 * 4;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            if (bits == 32)
                row += std::string{b, g, r, static_cast<char>(0xFF)};
            else if (bits == 24)
                row += std::string{b, g, r};
        }
        row.resize(colourRow, '\0'); // palette index 0 everywhere for the smaller depths
        out += row;
    }
    out.append(maskRow * static_cast<size_t>(height), '\0');
    return out;
}

// The start of a PNG stream: signature and IHDR chunk (what the directory reader inspects),
// followed by the given rest. colourType 6 is RGBA.
inline std::string PngHead(uint32_t width, uint32_t height, int colourType) {
    std::string out("\x89PNG\r\n\x1a\n", 8);
    PutBe32(out, 13);
    out += "IHDR";
    PutBe32(out, width);
    PutBe32(out, height);
    out += static_cast<char>(8);
    out += static_cast<char>(colourType);
    out.append(3, '\0');
    PutBe32(out, 0); // CRC, not checked by the directory reader
    return out;
}

struct IcoEntry {
    std::string image;
    int width = 0, height = 0, bits = 32;
    // For broken files: replace the entry's recorded offset or size.
    int64_t offsetOverride = -1, sizeOverride = -1;
};

inline IcoEntry Entry(int width, int height, int bits, uint32_t rgb) {
    return {BitmapImage(width, height, bits, rgb), width, height, bits};
}

// An icon file: header (reserved, type, count), one 16-byte entry per image, then the images.
inline std::string IcoFile(const std::vector<IcoEntry>& entries, uint32_t type = 1,
                           uint32_t reserved = 0) {
    std::string out;
    PutLe16(out, reserved);
    PutLe16(out, type);
    PutLe16(out, static_cast<uint32_t>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
    for (const IcoEntry& e : entries) {
        out += static_cast<char>(e.width & 0xFF);
        out += static_cast<char>(e.height & 0xFF);
        out += '\0'; // colour count
        out += '\0'; // reserved
        PutLe16(out, 1);
        PutLe16(out, static_cast<uint32_t>(e.bits));
        PutLe32(out, e.sizeOverride >= 0 ? static_cast<uint32_t>(e.sizeOverride)
                                         : static_cast<uint32_t>(e.image.size()));
        PutLe32(out, e.offsetOverride >= 0 ? static_cast<uint32_t>(e.offsetOverride) : offset);
        offset += static_cast<uint32_t>(e.image.size());
    }
    for (const IcoEntry& e : entries) out += e.image;
    return out;
}

} // namespace qmtest
