#include "appearance/PageTools.h"

#include "ui/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

namespace qm::appearance {

ui::UniqueFont MakeBoldLabels(HWND dialog, std::initializer_list<int> labelIds) {
    LOGFONTA face{};
    auto dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!dialogFont || !GetObjectA(dialogFont, sizeof face, &face))
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    face.lfWeight = FW_BOLD;
    ui::UniqueFont bold(CreateFontIndirectA(&face));
    for (int id : labelIds)
        SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(bold.get()), FALSE);
    return bold;
}

ui::UniqueBitmap LoadBitmapFile(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw std::runtime_error("Cannot open file \"" + path + "\"");
    ui::UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!bitmap) throw std::runtime_error("Bitmap image is not valid");
    return bitmap;
}

ui::UniqueBitmap TryLoadBitmapFile(const std::string& path) {
    if (path.empty()) return {};
    try {
        return LoadBitmapFile(path);
    } catch (const std::exception&) {
        return {}; // an unreadable picture only empties its panel
    }
}

void PaintTiled(const DRAWITEMSTRUCT& item, HBITMAP bitmap) {
    const RECT& area = item.rcItem;
    BITMAP size{};
    if (!bitmap || !GetObjectA(bitmap, sizeof size, &size) || size.bmWidth <= 0 ||
        size.bmHeight <= 0) {
        FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    HDC source = CreateCompatibleDC(item.hDC);
    HGDIOBJ previous = SelectObject(source, bitmap);
    for (LONG y = area.top; y < area.bottom; y += size.bmHeight)
        for (LONG x = area.left; x < area.right; x += size.bmWidth)
            BitBlt(item.hDC, x, y, std::min<LONG>(size.bmWidth, area.right - x),
                   std::min<LONG>(size.bmHeight, area.bottom - y), source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

void RightAnchors::Attach(HWND page, std::initializer_list<std::pair<int, Kind>> controls) {
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

void RightAnchors::Apply() const {
    if (!page_) return;
    RECT client;
    GetClientRect(page_, &client);
    const int grown = std::max<int>(0, client.right - originalWidth_);
    for (const Anchored& item : anchored_) {
        const RECT& r = item.original;
        if (item.kind == Stretch)
            SetWindowPos(item.control, nullptr, 0, 0, r.right - r.left + grown, r.bottom - r.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        else
            SetWindowPos(item.control, nullptr, r.left + grown, r.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(item.control, nullptr, TRUE);
    }
}

namespace {

constexpr UINT_PTR kEnterSubclass = 0x454E54; // "ENT"

LRESULT CALLBACK EnterSubclass(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                               UINT_PTR, DWORD_PTR data) {
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
        if (wParam == '\r' && onEnter && *onEnter) ui::Guarded(GetParent(edit), *onEnter);
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, &EnterSubclass, kEnterSubclass);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace

void CallOnEnter(HWND edit, std::function<void()>* onEnter) {
    SetWindowSubclass(edit, &EnterSubclass, kEnterSubclass, reinterpret_cast<DWORD_PTR>(onEnter));
}

} // namespace qm::appearance
