#pragma once
// How many GDI objects (bitmaps, DCs, brushes, fonts...) the process holds, counted by the
// system rather than by the program's own handle owners, so a bitmap or DC created and never
// deleted anywhere shows up.

#include <source_location>

namespace qmtest {

// Windows answers through GetGuiResources. Wine answers 0 there; it keeps the process's GDI
// handle table where Windows keeps it (the process environment block's GdiSharedHandleTable,
// 24-byte cells with the object type at byte 14), and the count is read from there.
long GdiObjectCount();

// Fails at the caller's line when the count has grown by more than slack since before.
void ExpectNoMoreGdiObjects(long before, long slack = 0,
                            std::source_location where = std::source_location::current());

} // namespace qmtest
