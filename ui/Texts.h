#pragma once
// The program's texts (messages, questions, captions) live in the resource string table,
// resources/strings.rc, under IDS_ identifiers from resource.h; that is also where a
// translation changes them. Text() loads one, in the active code page the program's "A" calls
// expect (UTF-8 under the program's manifest). They are the string table's (base/StringTable.h).

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace qm::ui {

// The text of the string-table entry. A missing entry is a fault of the build: it throws.
std::string Text(UINT id);
// The same, with %1 ... %9 replaced by the inserts in order, in one pass: an insert that itself
// holds "%1" (a name the user typed) stays as it is.
std::string Text(UINT id, std::initializer_list<std::string_view> inserts);

} // namespace qm::ui
