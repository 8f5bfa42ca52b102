#include "ui/Layout.h"

#include "ui/Window.h"

#include <commctrl.h>

#include <algorithm>

namespace qm::ui {

UniqueFont MakeBoldLabels(HWND dialog, std::initializer_list<int> labelIds) {
    LOGFONTA face{};
    auto dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!dialogFont || !GetObjectA(dialogFont, sizeof face, &face))
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    // The dialog font ("MS Shell Dlg") is a face without a bold one of its own, which is
    // drawn bold at some sizes and regular at others; the shell's second dialog face has a
    // bold face at every size, so the labels look the same at every scale.
    face.lfWeight = FW_BOLD;
    face.lfWidth = 0;
    face.lfOutPrecision = OUT_TT_PRECIS;
    lstrcpynA(face.lfFaceName, "MS Shell Dlg 2", LF_FACESIZE);
    UniqueFont bold(CreateFontIndirectA(&face));
    for (int id : labelIds)
        SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(bold.get()), FALSE);
    return bold;
}

int LowestControlBottom(HWND dialog) {
    int lowest = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        lowest = std::max<int>(lowest, place.bottom);
    }
    return lowest;
}

void RightAnchors::Attach(HWND page, const std::vector<std::pair<int, Kind>>& controls) {
    page_ = page;
    RECT client;
    GetClientRect(page, &client);
    originalWidth_ = client.right;
    anchored_.clear();
    for (const auto& [id, kind] : controls) {
        HWND control = GetDlgItem(page, id);
        if (!control) continue;
        RECT place;
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&place), 2);
        anchored_.push_back({control, kind, place});
    }
}

void RightAnchors::Apply(int down) const {
    if (!page_) return;
    RECT client;
    GetClientRect(page_, &client);
    const int grown = std::max<int>(0, client.right - originalWidth_);
    for (const Anchored& item : anchored_) {
        RECT r = item.original;
        OffsetRect(&r, item.kind == Move ? grown : 0, down);
        if (item.kind == Stretch) r.right += grown;
        SetWindowPos(item.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(item.control, nullptr, TRUE);
    }
}

void RightAnchors::Rescale(UINT oldDpi, UINT newDpi) {
    if (oldDpi == 0 || newDpi == 0) return;
    auto scale = [&](LONG value) {
        return static_cast<LONG>(MulDiv(value, static_cast<int>(newDpi), static_cast<int>(oldDpi)));
    };
    originalWidth_ = scale(originalWidth_);
    for (Anchored& item : anchored_)
        item.original = {scale(item.original.left), scale(item.original.top),
                         scale(item.original.right), scale(item.original.bottom)};
}

namespace {

constexpr UINT_PTR kEnterSubclass = 0x454E54; // "ENT"

LRESULT CALLBACK EnterSubclass(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR data) {
    auto* onEnter = reinterpret_cast<std::function<void()>*>(data);
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(edit, message, wParam, lParam);
        auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_CHAR:
        if (wParam == '\r' && onEnter && *onEnter) Guarded(GetParent(edit), *onEnter);
        break;
    case WM_NCDESTROY: RemoveWindowSubclass(edit, &EnterSubclass, kEnterSubclass); break;
    default: break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace

void CallOnEnter(HWND edit, std::function<void()>* onEnter) {
    SetWindowSubclass(edit, &EnterSubclass, kEnterSubclass, reinterpret_cast<DWORD_PTR>(onEnter));
}

} // namespace qm::ui
