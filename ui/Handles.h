#pragma once
// Owners for the GDI and USER handles the program makes. Each owner releases its handle once
// and counts how many of its kind are alive, so that tests can hold that repeated listings
// leak nothing (GetGuiResources answers 0 under Wine).

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace qm::ui {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {
        if (handle_) ++live_;
    }
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void reset(Handle handle = nullptr) {
        if (handle_) {
            Traits::Close(handle_);
            --live_;
        }
        handle_ = handle;
        if (handle_) ++live_;
    }
    // Gives up ownership, for a handle that something else will release.
    Handle release() {
        if (handle_) --live_;
        return std::exchange(handle_, nullptr);
    }

    // How many handles of this kind are owned right now, across the program.
    static long LiveCount() { return live_; }

private:
    Handle handle_ = nullptr;
    static inline long live_ = 0;
};

struct IconTraits {
    using Handle = HICON;
    static void Close(HICON h) { DestroyIcon(h); }
};
struct ImageListTraits {
    using Handle = HIMAGELIST;
    static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
template <class H>
struct GdiTraits {
    using Handle = H;
    static void Close(H h) { DeleteObject(h); }
};

using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueImageList = UniqueHandle<ImageListTraits>;
using UniqueBitmap = UniqueHandle<GdiTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<GdiTraits<HFONT>>;

} // namespace qm::ui
