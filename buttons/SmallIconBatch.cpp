#include "buttons/SmallIconBatch.h"

#include "ui/Handles.h"

#include <algorithm>
#include <stdexcept>

namespace qm {
namespace {

constexpr int kPixels = SmallIconBatch::kSize * SmallIconBatch::kSize;

// A 32-bit top-down DIB section of the given width, 16 rows high.
HBITMAP MakeColourBitmap(HDC dc, int width, uint32_t** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -SmallIconBatch::kSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = static_cast<uint32_t*>(pixels);
    return bitmap;
}

} // namespace

SmallIconBatch::SmallIconBatch() {
    dc_ = CreateCompatibleDC(nullptr);
    cell_ = dc_ ? MakeColourBitmap(dc_, kSize, &cellBits_) : nullptr;
    if (!cell_) {
        if (dc_) DeleteDC(dc_);
        throw std::runtime_error("Not enough memory to draw the button icons");
    }
    previous_ = SelectObject(dc_, cell_);
}

SmallIconBatch::~SmallIconBatch() {
    SelectObject(dc_, previous_);
    DeleteObject(cell_);
    DeleteDC(dc_);
}

void SmallIconBatch::Add(HICON icon) {
    GdiFlush();
    std::fill(cellBits_, cellBits_ + kPixels, 0u);
    DrawIconEx(dc_, 0, 0, icon, kSize, kSize, 0, nullptr, DI_IMAGE);
    GdiFlush();
    std::vector<uint32_t> colours(cellBits_, cellBits_ + kPixels);

    std::fill(cellBits_, cellBits_ + kPixels, 0u);
    DrawIconEx(dc_, 0, 0, icon, kSize, kSize, 0, nullptr, DI_MASK);
    GdiFlush();

    const bool hasAlpha = std::any_of(colours.begin(), colours.end(),
                                      [](uint32_t pixel) { return (pixel >> 24) != 0; });
    for (int i = 0; i < kPixels; ++i) {
        uint32_t pixel = colours[i];
        uint8_t transparent = (cellBits_[i] & 0x00FFFFFFu) != 0;
        if (hasAlpha) {
            // An icon with an alpha channel is blended onto the surface, which leaves its
            // colours multiplied by their alpha; the list wants them as the icon holds them.
            uint32_t alpha = pixel >> 24;
            transparent = alpha == 0;
            if (alpha == 0) {
                pixel = 0;
            } else if (alpha < 255) {
                auto channel = [&](int shift) {
                    uint32_t value = (pixel >> shift & 0xFFu) * 255u / alpha;
                    return std::min<uint32_t>(value, 255u) << shift;
                };
                pixel = alpha << 24 | channel(16) | channel(8) | channel(0);
            }
        }
        colours_.push_back(pixel);
        mask_.push_back(transparent);
    }
    ++count_;
}

bool SmallIconBatch::AppendTo(HIMAGELIST list) {
    if (count_ == 0) return true;
    const int width = count_ * kSize;
    uint32_t* stripBits = nullptr;
    ui::UniqueBitmap colours(MakeColourBitmap(dc_, width, &stripBits));
    // Monochrome rows are padded to whole 16-bit words; 16 pixels a cell fill two bytes.
    const int rowBytes = width / 8;
    std::vector<uint8_t> maskRows(static_cast<size_t>(rowBytes) * kSize, 0);
    if (colours) {
        for (int image = 0; image < count_; ++image) {
            for (int y = 0; y < kSize; ++y) {
                for (int x = 0; x < kSize; ++x) {
                    const size_t from = static_cast<size_t>(image) * kPixels + y * kSize + x;
                    const int column = image * kSize + x;
                    stripBits[y * width + column] = colours_[from];
                    if (mask_[from])
                        maskRows[y * rowBytes + column / 8] |=
                            static_cast<uint8_t>(0x80 >> (column % 8));
                }
            }
        }
    }
    ui::UniqueBitmap mask(CreateBitmap(width, kSize, 1, 1, maskRows.data()));
    const int before = ImageList_GetImageCount(list);
    // The list copies both bitmaps; they go when this returns.
    if (colours && mask) ImageList_Add(list, colours.get(), mask.get());
    const bool all = ImageList_GetImageCount(list) == before + count_;
    count_ = 0;
    colours_.clear();
    mask_.clear();
    return all;
}

} // namespace qm
