#include "buttons/SmallIconBatch.h"

#include "base/Handles.h"

#include <algorithm>
#include <stdexcept>

namespace qm {
namespace {

// A 32-bit top-down DIB section of the given size.
HBITMAP MakeColourBitmap(HDC dc, int width, int height, uint32_t** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = static_cast<uint32_t*>(pixels);
    return bitmap;
}

} // namespace

SmallIconBatch::SmallIconBatch(int size) : size_(std::max(size, 1)) {
    dc_ = CreateCompatibleDC(nullptr);
    cell_ = dc_ ? MakeColourBitmap(dc_, size_, size_, &cellBits_) : nullptr;
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
    const int size = size_;
    const int pixels = size * size;
    GdiFlush();
    std::fill(cellBits_, cellBits_ + pixels, 0u);
    DrawIconEx(dc_, 0, 0, icon, size, size, 0, nullptr, DI_IMAGE);
    GdiFlush();
    std::vector<uint32_t> colours(cellBits_, cellBits_ + pixels);

    std::fill(cellBits_, cellBits_ + pixels, 0u);
    DrawIconEx(dc_, 0, 0, icon, size, size, 0, nullptr, DI_MASK);
    GdiFlush();

    const bool hasAlpha = std::any_of(colours.begin(), colours.end(),
                                      [](uint32_t pixel) { return (pixel >> 24) != 0; });
    for (int i = 0; i < pixels; ++i) {
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

void SmallIconBatch::Repeat(int image) {
    if (image < 0 || image >= count_) throw std::out_of_range("no such image in the icon batch");
    const size_t pixels = static_cast<size_t>(size_) * size_;
    const size_t from = static_cast<size_t>(image) * pixels;
    // Grown first, then copied: a range of a vector cannot be inserted into that same vector.
    const size_t to = colours_.size();
    colours_.resize(to + pixels);
    mask_.resize(to + pixels);
    std::copy_n(colours_.begin() + from, pixels, colours_.begin() + to);
    std::copy_n(mask_.begin() + from, pixels, mask_.begin() + to);
    ++count_;
}

bool SmallIconBatch::AppendTo(HIMAGELIST list) {
    if (count_ == 0) return true;
    const int size = size_;
    const int pixels = size * size;
    const int width = count_ * size;
    uint32_t* stripBits = nullptr;
    UniqueBitmap colours(MakeColourBitmap(dc_, width, size, &stripBits));
    // Monochrome rows are padded to whole 16-bit words.
    const int rowBytes = (width + 15) / 16 * 2;
    std::vector<uint8_t> maskRows(static_cast<size_t>(rowBytes) * size, 0);
    if (colours) {
        for (int image = 0; image < count_; ++image) {
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const size_t from = static_cast<size_t>(image) * pixels + y * size + x;
                    const int column = image * size + x;
                    stripBits[y * width + column] = colours_[from];
                    if (mask_[from])
                        maskRows[y * rowBytes + column / 8] |=
                            static_cast<uint8_t>(0x80 >> (column % 8));
                }
            }
        }
    }
    UniqueBitmap mask(CreateBitmap(width, size, 1, 1, maskRows.data()));
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
