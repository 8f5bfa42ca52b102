#include "appearance/PageTools.h"

#include "appearance/BmpReader.h"
#include "ui/Drawing.h"
#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>
#include <stdexcept>

namespace qm::appearance {

namespace {

// Reads the start of the file and checks its bitmap header against the file's size, so that
// the platform's loader never meets a header that claims more than the file holds or a
// picture too large to keep in memory.
void CheckBitmapFile(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error(ui::Text(IDS_BITMAP_CANNOT_OPEN, {path}));
    LARGE_INTEGER size{};
    std::string head(kBmpHeaderBytes, '\0');
    DWORD read = 0;
    bool ok = GetFileSizeEx(file.get(), &size) &&
              ReadFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
    if (!ok) throw std::runtime_error(ui::Text(IDS_BITMAP_CANNOT_OPEN, {path}));
    head.resize(read);
    BmpCheck check = CheckBmpHeader(head, static_cast<uint64_t>(size.QuadPart));
    if (check.problem == BmpProblem::TooLarge)
        throw std::runtime_error(
            ui::Text(IDS_BITMAP_TOO_LARGE,
                     {std::to_string(check.claimedWidth), std::to_string(check.claimedHeight),
                      std::to_string(kMaxBitmapSide)}));
    if (!check.ok) throw std::runtime_error(ui::Text(IDS_BITMAP_NOT_VALID));
}

} // namespace

UniqueBitmap LoadBitmapFile(const std::string& path) {
    CheckBitmapFile(path);
    UniqueBitmap bitmap(static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                        LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!bitmap) throw std::runtime_error(ui::Text(IDS_BITMAP_NOT_VALID));
    return bitmap;
}

UniqueBitmap TryLoadBitmapFile(const std::string& path) {
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
    ui::MemoryDC source(item.hDC, bitmap);
    if (!source) return;
    for (LONG y = area.top; y < area.bottom; y += size.bmHeight)
        for (LONG x = area.left; x < area.right; x += size.bmWidth)
            BitBlt(item.hDC, x, y, std::min<LONG>(size.bmWidth, area.right - x),
                   std::min<LONG>(size.bmHeight, area.bottom - y), source.dc(), 0, 0, SRCCOPY);
}

} // namespace qm::appearance
