#include "appearance/BmpReader.h"

namespace qm {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12; // BITMAPCOREHEADER
constexpr uint32_t kInfoHeaderSize = 40; // BITMAPINFOHEADER

// Compression kinds of an info header.
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

uint32_t Read16(std::string_view bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

uint32_t Read32(std::string_view bytes, size_t at) {
    return Read16(bytes, at) | Read16(bytes, at + 2) << 16;
}

BmpCheck NotABitmap() { return BmpCheck{}; }

} // namespace

BmpCheck CheckBmpHeader(std::string_view head, uint64_t fileSize) {
    if (head.size() > fileSize) head = head.substr(0, static_cast<size_t>(fileSize));
    if (head.size() < kFileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M') return NotABitmap();
    const uint64_t pixelOffset = Read32(head, 10);
    const uint32_t headerSize = Read32(head, kFileHeaderSize);
    const bool core = headerSize == kCoreHeaderSize;
    // The header kinds the platform knows: core (12), info (40) and its later versions 52, 56,
    // 108 (version 4) and 124 (version 5). Anything else is no bitmap it draws reliably.
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        return NotABitmap();
    if (head.size() < kFileHeaderSize + headerSize) return NotABitmap();

    int64_t width = 0, height = 0;
    uint32_t planes = 0, bitCount = 0, compression = kRgb, imageSize = 0, coloursUsed = 0;
    const size_t at = kFileHeaderSize;
    if (core) {
        width = Read16(head, at + 4);
        height = Read16(head, at + 6);
        planes = Read16(head, at + 8);
        bitCount = Read16(head, at + 10);
    } else {
        width = static_cast<int32_t>(Read32(head, at + 4));
        height = static_cast<int32_t>(Read32(head, at + 8));
        planes = Read16(head, at + 12);
        bitCount = Read16(head, at + 14);
        compression = Read32(head, at + 16);
        imageSize = Read32(head, at + 20);
        coloursUsed = Read32(head, at + 32);
    }
    BmpHeader header;
    header.topDown = height < 0;
    if (height < 0) height = -height; // an int64 holds the negated 32-bit minimum
    if (planes != 1 || width <= 0 || height <= 0) return NotABitmap();
    if (width > kMaxBitmapSide || height > kMaxBitmapSide) {
        BmpCheck check;
        check.problem = BmpProblem::TooLarge;
        check.claimedWidth = width;
        check.claimedHeight = height;
        return check;
    }

    // Bit depths and the compressions each allows.
    bool known = false;
    switch (compression) {
    case kRgb:
        known = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                bitCount == 24 || bitCount == 32;
        break;
    case kRle8: known = bitCount == 8; break;
    case kRle4: known = bitCount == 4; break;
    case kBitFields:
    case kAlphaBitFields: known = bitCount == 16 || bitCount == 32; break;
    default: // JPEG and PNG inside a bitmap are for printers, not for the screen
        break;
    }
    if (!known || (core && compression != kRgb)) return NotABitmap();
    // Compressed pictures draw top to bottom only as uncompressed or bit-field ones.
    if (header.topDown && (compression == kRle8 || compression == kRle4)) return NotABitmap();

    // The colour table (and the masks an info header keeps after itself) must lie before the
    // pixels, and both inside the file.
    uint64_t tableEnd = kFileHeaderSize + headerSize;
    if (headerSize == kInfoHeaderSize &&
        (compression == kBitFields || compression == kAlphaBitFields))
        tableEnd += compression == kBitFields ? 12 : 16;
    if (bitCount <= 8) {
        const uint64_t maxColours = uint64_t{1} << bitCount;
        const uint64_t colours = coloursUsed == 0 ? maxColours : coloursUsed;
        if (colours > maxColours) return NotABitmap();
        tableEnd += colours * (core ? 3 : 4);
    }
    if (tableEnd > fileSize || pixelOffset < tableEnd || pixelOffset >= fileSize)
        return NotABitmap();

    // The pixels the header claims must all be in the file.
    uint64_t pixelBytes;
    if (compression == kRle8 || compression == kRle4) {
        if (imageSize == 0) return NotABitmap();
        pixelBytes = imageSize;
    } else {
        const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
        pixelBytes = stride * static_cast<uint64_t>(height);
    }
    if (pixelBytes > fileSize - pixelOffset) return NotABitmap();

    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    header.bitCount = static_cast<int>(bitCount);
    BmpCheck check;
    check.ok = true;
    check.problem = BmpProblem::None;
    check.header = header;
    return check;
}

} // namespace qm
