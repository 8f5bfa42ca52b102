#pragma once
// The header of a Windows bitmap (BMP) file, checked before the platform is let near the file.
// Pure parsing: no Windows headers, so it also builds with the host compiler (and runs under
// sanitizers and the fuzzer). The platform's loader trusts the header: a small file that claims
// 30000 x 30000 pixels makes it reserve gigabytes or read far past the file. Here every size
// the header claims is checked against the file's real size, and the picture's dimensions are
// capped, so that what the platform is given is a bitmap it can load in reasonable memory.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qm {

// The largest picture the backgrounds take, in pixels each way: far wider than any toolbar,
// and at 32 bits per pixel still only 64 MB.
inline constexpr int kMaxBitmapSide = 4096;

// The bytes a header check needs from the start of the file: the file header and the largest
// info header with its colour masks. The colour table need not be read.
inline constexpr size_t kBmpHeaderBytes = 14 + 124;

struct BmpHeader {
    int width = 0;
    int height = 0; // always positive; topDown tells which row comes first
    bool topDown = false;
    int bitCount = 0;
};

// Why a file was refused; the page turns it into the words the user reads.
enum class BmpProblem {
    None,
    NotABitmap, // not a bitmap, or a header that does not fit the file
    TooLarge,   // a bitmap, larger than kMaxBitmapSide each way: see claimedWidth/Height
};

struct BmpCheck {
    bool ok = false;
    BmpHeader header;
    BmpProblem problem = BmpProblem::NotABitmap;
    int64_t claimedWidth = 0, claimedHeight = 0; // for TooLarge
};

// Checks the header found at the start of a file of fileSize bytes. head holds the file's
// first bytes (at least kBmpHeaderBytes of them, or the whole file when it is shorter).
BmpCheck CheckBmpHeader(std::string_view head, uint64_t fileSize);

} // namespace qm
