#pragma once
// Scopes for drawing: a window's paint (BeginPaint ... EndPaint), a window's DC, and a memory DC
// with a bitmap selected into it, each released at the end of the block, also when a drawing
// call throws.

#include <windows.h>

namespace qm::ui {

// The WM_PAINT handling of a window: the DC to paint on until the block ends.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// A window's DC for measuring or drawing outside WM_PAINT, released to that window at the end
// of the block.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC dc() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// A memory DC compatible with `like` (the screen when null) with the bitmap selected into it:
// the source of a copy from the bitmap, or the target of drawing into it. The end of the block
// selects the bitmap out again and deletes the DC; the bitmap stays its owner's.
class MemoryDC {
public:
    MemoryDC(HDC like, HBITMAP bitmap) : dc_(CreateCompatibleDC(like)) {
        if (dc_ && bitmap) previous_ = SelectObject(dc_, bitmap);
    }
    ~MemoryDC() {
        if (!dc_) return;
        if (previous_) SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    // Null when the DC could not be made (the system is out of GDI resources).
    HDC dc() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

} // namespace qm::ui
