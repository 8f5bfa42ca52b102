#pragma once
// Owners for the handles the program opens and makes: registry keys, files, modules, the
// screen's device context, and GDI and USER objects. Each owner releases its handle once and
// counts how many of its kind are alive, so that tests can hold that repeated listings and
// failed operations leak nothing (GetGuiResources answers 0 under Wine).

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace qm {

// Traits give the handle's type and how it is released; a kind whose "no handle" is not null
// (a file's INVALID_HANDLE_VALUE) says so with None().
template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    static Handle None() {
        if constexpr (requires { Traits::None(); })
            return Traits::None();
        else
            return nullptr;
    }

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {
        if (handle_ != None()) ++live_;
    }
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, None())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, None());
        }
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != None(); }

    void reset(Handle handle = None()) {
        if (handle_ != None()) {
            Traits::Close(handle_);
            --live_;
        }
        handle_ = handle;
        if (handle_ != None()) ++live_;
    }
    // Gives up ownership, for a handle that something else will release.
    Handle release() {
        if (handle_ != None()) --live_;
        return std::exchange(handle_, None());
    }
    // For a function that opens into an out-parameter, f(..., owner.out()): what was owned goes
    // first, and the call writes straight into the owner, which counts the handle it wrote once
    // the statement ends.
    class OutParam {
    public:
        explicit OutParam(UniqueHandle& owner) : owner_(owner) {}
        ~OutParam() {
            if (owner_.handle_ != None()) ++live_;
        }
        OutParam(const OutParam&) = delete;
        OutParam& operator=(const OutParam&) = delete;
        operator Handle*() { return &owner_.handle_; }
        Handle& operator*() { return owner_.handle_; }

    private:
        UniqueHandle& owner_;
    };
    OutParam out() {
        reset();
        return OutParam(*this);
    }

    // How many handles of this kind are owned right now, across the program.
    static long LiveCount() { return live_; }

private:
    Handle handle_ = None();
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

struct KeyTraits {
    using Handle = HKEY;
    static void Close(HKEY h) { RegCloseKey(h); }
};
struct FileTraits {
    using Handle = HANDLE;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
// A kernel object whose "no handle" is null: a mutex, a process, a mapping.
struct KernelTraits {
    using Handle = HANDLE;
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static void Close(HMODULE h) { FreeLibrary(h); }
};
struct ScreenDcTraits {
    using Handle = HDC;
    static void Close(HDC h) { ReleaseDC(nullptr, h); }
};

// An opened registry key (never one of the predefined roots, which are not closed).
using UniqueKey = UniqueHandle<KeyTraits>;
// A file from CreateFile.
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueKernelHandle = UniqueHandle<KernelTraits>;
// A module from LoadLibrary or LoadLibraryEx.
using UniqueModule = UniqueHandle<ModuleTraits>;
// The whole screen's device context, GetDC(nullptr).
using UniqueScreenDc = UniqueHandle<ScreenDcTraits>;
inline UniqueScreenDc ScreenDc() { return UniqueScreenDc(GetDC(nullptr)); }

using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueImageList = UniqueHandle<ImageListTraits>;
using UniqueBitmap = UniqueHandle<GdiTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<GdiTraits<HFONT>>;

} // namespace qm
