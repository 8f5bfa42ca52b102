#pragma once
// What the two appearance pages share: bitmap files and the tiled picture panel.

#include "base/Handles.h"

#include <windows.h>

#include <string>

namespace qm::appearance {

// Loads a bitmap file. Throws std::runtime_error with a text for the user when the file
// cannot be read or is not a bitmap.
UniqueBitmap LoadBitmapFile(const std::string& path);

// The same, for the read paths that must not bother the user: an empty handle on any failure.
UniqueBitmap TryLoadBitmapFile(const std::string& path);

// Paints an owner-drawn panel: the bitmap tiled from its top left corner, or the dialog's
// colour when there is none.
void PaintTiled(const DRAWITEMSTRUCT& item, HBITMAP bitmap);

} // namespace qm::appearance
