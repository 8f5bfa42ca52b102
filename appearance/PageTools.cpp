#include "appearance/PageTools.h"

#include <algorithm>
#include <stdexcept>

namespace qm::appearance {

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

} // namespace qm::appearance
