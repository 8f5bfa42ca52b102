// The bitmap header check on arbitrary bytes: it must never read outside them, and what it
// accepts must stay within the size caps and the file it was given.
#include "appearance/BmpReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The file's size is the input's, or a claimed larger one taken from the first bytes, as
    // when only the head of a big file was read.
    for (uint64_t fileSize : {static_cast<uint64_t>(size),
                              static_cast<uint64_t>(size) + (size > 0 ? data[0] * 4096u : 0u)}) {
        qm::BmpCheck check = qm::CheckBmpHeader(bytes.substr(0, qm::kBmpHeaderBytes), fileSize);
        if (check.ok &&
            (check.header.width <= 0 || check.header.height <= 0 ||
             check.header.width > qm::kMaxBitmapSide || check.header.height > qm::kMaxBitmapSide ||
             check.problem != qm::BmpProblem::None))
            std::abort();
    }
    return 0;
}
