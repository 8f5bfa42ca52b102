#pragma once
// Icons scaled to the strip's size (16 x 16 at 96 DPI) for an image list, gathered one by one and handed to the list in one
// go. Adding icons to an image list one at a time costs far more than loading them (each
// addition makes and reads bitmaps of its own), so a listing of many buttons collects its
// icons here and appends them with a single ImageList_Add.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

namespace qm {

class SmallIconBatch {
public:
    static constexpr int kSize = 16;

    // Images of size x size pixels (the system's small-icon size at the window's DPI).
    explicit SmallIconBatch(int size = kSize);
    ~SmallIconBatch();
    SmallIconBatch(const SmallIconBatch&) = delete;
    SmallIconBatch& operator=(const SmallIconBatch&) = delete;

    // Draws the icon at the batch's size as the next image: its colours with their alpha channel (or
    // none, for an icon without one) and its mask. The icon stays the caller's.
    void Add(HICON icon);
    // Adds image `image` of this batch (0 <= image < Count()) again as the next image, without
    // drawing: for the many buttons of a listing that share one icon.
    void Repeat(int image);
    int Count() const { return count_; }

    // Appends the gathered images to the list, in the order they were added, and starts an
    // empty batch. Returns whether the list took them all.
    bool AppendTo(HIMAGELIST list);

private:
    int size_;
    // One drawing surface of one image, reused for every icon; this object owns both handles.
    HDC dc_ = nullptr;
    HBITMAP cell_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    uint32_t* cellBits_ = nullptr;

    int count_ = 0;
    std::vector<uint32_t> colours_; // each image's size_ rows of size_ pixels, one after another
    std::vector<uint8_t> mask_;     // the same rows, one bit a pixel, set where transparent
};

} // namespace qm
