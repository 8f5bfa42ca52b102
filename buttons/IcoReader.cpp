#include "buttons/IcoReader.h"

#include <algorithm>
#include <cstdlib>

namespace qm {
namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr uint32_t kInfoHeaderSize = 40; // BITMAPINFOHEADER
constexpr uint32_t kCoreHeaderSize = 12; // BITMAPCOREHEADER
constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;
constexpr int kLargestIcon = 256; // the directory cannot describe more

uint16_t Le16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}
uint32_t Le32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(Le16(b, at)) | static_cast<uint32_t>(Le16(b, at + 2)) << 16;
}
uint32_t Be32(std::string_view b, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

// A PNG stream must at least carry its signature and a well-formed IHDR chunk; the platform
// decodes the rest within the image's own bytes.
bool ReadPngImage(std::string_view image, IcoImage& out) {
    static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (image.size() < 8 + 8 + 13 || image.substr(0, 8) != std::string_view(kSignature, 8))
        return false;
    if (Be32(image, 8) != 13 || image.substr(12, 4) != "IHDR") return false;
    uint32_t width = Be32(image, 16), height = Be32(image, 20);
    if (width == 0 || height == 0 || width > kLargestIcon || height > kLargestIcon) return false;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    // The platform's lookup counts a PNG with an alpha channel (colour type 6) as 32 bits and
    // every other PNG as 24.
    out.bitCount = static_cast<uint8_t>(image[25]) == 6 ? 32 : 24;
    out.png = true;
    return true;
}

// A bitmap image: a header, its colour table, the colour bits and the AND mask, each row
// padded to 32 bits; the stored height counts both bitmaps, so it is twice the icon's.
bool ReadBitmapImage(std::string_view image, IcoImage& out) {
    if (image.size() < 4) return false;
    const uint32_t headerSize = Le32(image, 0);
    uint64_t width, doubleHeight, bits, colours = 0, tableEntry;
    if (headerSize == kCoreHeaderSize) {
        if (image.size() < kCoreHeaderSize) return false;
        width = Le16(image, 4);
        doubleHeight = Le16(image, 6);
        if (Le16(image, 8) != 1) return false;
        bits = Le16(image, 10);
        tableEntry = 3;
    } else if (headerSize >= kInfoHeaderSize) {
        if (image.size() < headerSize) return false;
        const int32_t w = static_cast<int32_t>(Le32(image, 4));
        const int32_t h = static_cast<int32_t>(Le32(image, 8));
        if (w <= 0 || h <= 0) return false;
        width = static_cast<uint64_t>(w);
        doubleHeight = static_cast<uint64_t>(h);
        if (Le16(image, 12) != 1) return false;
        bits = Le16(image, 14);
        const uint32_t compression = Le32(image, 16);
        if (compression == kBiBitfields && (bits == 16 || bits == 32) &&
            headerSize == kInfoHeaderSize)
            colours = 3; // three 32-bit colour masks follow the header
        else if (compression != kBiRgb)
            return false;
        colours = std::max<uint64_t>(colours, Le32(image, 32));
        tableEntry = 4;
    } else {
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (bits <= 8 && colours == 0) colours = uint64_t{1} << bits;
    if (colours > 256 + 3) return false;
    const uint64_t height = doubleHeight / 2;
    if (width == 0 || height == 0 || width > kLargestIcon || height > kLargestIcon) return false;

    const uint64_t colourRow = (width * bits + 31) / 32 * 4;
    const uint64_t maskRow = (width + 31) / 32 * 4;
    const uint64_t needed = headerSize + colours * tableEntry + (colourRow + maskRow) * height;
    if (needed > image.size()) return false;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.bitCount = static_cast<int>(bits);
    out.png = false;
    return true;
}

} // namespace

std::optional<std::vector<IcoImage>> ReadIcoDirectory(std::string_view file) {
    if (file.size() < kHeaderSize) return std::nullopt;
    if (Le16(file, 0) != 0 || Le16(file, 2) != 1) return std::nullopt;
    const size_t count = Le16(file, 4);
    if (count == 0) return std::nullopt;
    const size_t directoryEnd = kHeaderSize + count * kEntrySize;
    if (directoryEnd > file.size()) return std::nullopt;

    std::vector<IcoImage> images;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = kHeaderSize + i * kEntrySize;
        const uint64_t size = Le32(file, entry + 8);
        const uint64_t offset = Le32(file, entry + 12);
        // The image must lie after the directory and end inside the file.
        if (size == 0 || offset < directoryEnd || offset > file.size() ||
            size > file.size() - offset)
            continue;
        IcoImage image;
        image.index = i;
        image.offset = static_cast<size_t>(offset);
        image.size = static_cast<size_t>(size);
        std::string_view bytes = file.substr(image.offset, image.size);
        if (!ReadPngImage(bytes, image) && !ReadBitmapImage(bytes, image)) continue;
        images.push_back(image);
    }
    return images;
}

std::optional<IcoImage> ChooseIcoImage(const std::vector<IcoImage>& images, int width, int height,
                                       int depth) {
    if (images.empty()) return std::nullopt;
    // The first image with the smallest sum of differences fixes the width and height
    // differences; only images with exactly those two differences compete on colour depth.
    const IcoImage* fit = nullptr;
    int fitSum = 0;
    for (const IcoImage& image : images) {
        int sum = std::abs(width - image.width) + std::abs(height - image.height);
        if (!fit || sum < fitSum) {
            fit = &image;
            fitSum = sum;
        }
    }
    const int dx = std::abs(width - fit->width), dy = std::abs(height - fit->height);
    const IcoImage* best = nullptr;
    int bestColour = 0;
    for (const IcoImage& image : images) {
        if (std::abs(width - image.width) != dx || std::abs(height - image.height) != dy) continue;
        int colour = std::abs(depth - image.bitCount);
        if (!best || colour < bestColour) {
            best = &image;
            bestColour = colour;
        }
    }
    return *best;
}

std::optional<IcoImage> BestIcoImage(std::string_view file, int width, int height, int depth) {
    std::optional<std::vector<IcoImage>> images = ReadIcoDirectory(file);
    if (!images) return std::nullopt;
    return ChooseIcoImage(*images, width, height, depth);
}

} // namespace qm
