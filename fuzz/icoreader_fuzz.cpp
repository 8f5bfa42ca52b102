// Icon files over any bytes: every image the directory reader keeps lies wholly inside the
// file, and the chosen image is one of them.
#include "buttons/IcoReader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const auto images = qm::ReadIcoDirectory(file);
    if (!images) return 0;
    for (const qm::IcoImage& image : *images) {
        if (image.offset > size || image.size > size - image.offset || image.size == 0) abort();
    }
    for (int want : {16, 32, 48}) {
        const auto best = qm::BestIcoImage(file, want, want, 32);
        if (best.has_value() != !images->empty()) abort();
        if (best && best->index >= images->back().index + 1) abort();
    }
    return 0;
}
