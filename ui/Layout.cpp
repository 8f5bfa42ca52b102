#include "ui/Layout.h"

#include "ui/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

namespace qm::ui {

namespace {

// The dark pixels of a sample text drawn black on white in a font.
int InkOf(const LOGFONTA& face) {
    constexpr int kWidth = 320, kHeight = 80;
    UniqueFont font(CreateFontIndirectA(&face));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueBitmap picture(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HDC dc = CreateCompatibleDC(nullptr);
    if (!font || !picture || !dc) {
        if (dc) DeleteDC(dc);
        return 0;
    }
    HGDIOBJ oldPicture = SelectObject(dc, picture.get());
    HGDIOBJ oldFont = SelectObject(dc, font.get());
    RECT area{0, 0, kWidth, kHeight};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, "Window Title", -1, &area, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();
    int ink = 0;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int i = 0; i < kWidth * kHeight; ++i)
        if ((pixels[i] & 0xff) < 0x80) ++ink;
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPicture);
    DeleteDC(dc);
    return ink;
}

// How wide the sample text is in a font.
int WidthOf(const LOGFONTA& face) {
    UniqueFont font(CreateFontIndirectA(&face));
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return 0;
    HGDIOBJ oldFont = SelectObject(dc, font.get());
    SIZE size{};
    GetTextExtentPoint32A(dc, "Window Title", 12, &size);
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    return size.cx;
}

// Whether a bold font of that face and size is drawn heavier than its regular one. Asked for
// bold, a face without a bold of its own at that size may come out regular: Wine's Tahoma,
// which the dialog font is there, draws bold at 11 pixels only.
bool DrawsBold(const LOGFONTA& bold) {
    LOGFONTA regular = bold;
    regular.lfWeight = FW_NORMAL;
    return InkOf(bold) > InkOf(regular) * 11 / 10;
}

} // namespace

UniqueFont MakeBoldLabels(HWND dialog, std::initializer_list<int> labelIds) {
    LOGFONTA face{};
    auto dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!dialogFont || !GetObjectA(dialogFont, sizeof face, &face))
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    face.lfWeight = FW_BOLD;
    // The dialog font's face when it is drawn bold at this size, so that the labels match the
    // fields; otherwise the first of the usual faces that is, so that the labels look bold at
    // every scale.
    LOGFONTA chosen = face;
    for (const char* name : {"", "MS Shell Dlg 2", "MS Sans Serif", "Segoe UI",
                             "Microsoft Sans Serif", "Arial", "DejaVu Sans"}) {
        LOGFONTA candidate = face;
        if (*name) lstrcpynA(candidate.lfFaceName, name, LF_FACESIZE);
        if (!DrawsBold(candidate)) continue;
        chosen = candidate;
        break;
    }
    // Another face may be wider than the dialog's: it gets a little smaller, so that the labels
    // keep to the places the page gives them.
    LOGFONTA regular = face;
    regular.lfWeight = FW_NORMAL;
    const int room = WidthOf(regular) * 6 / 5;
    while (lstrcmpiA(chosen.lfFaceName, face.lfFaceName) != 0 && std::abs(chosen.lfHeight) > 8 &&
           WidthOf(chosen) > room)
        chosen.lfHeight += chosen.lfHeight < 0 ? 1 : -1;
    UniqueFont bold(CreateFontIndirectA(&chosen));
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
