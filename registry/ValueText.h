#pragma once
// The code pages of string values: the program's text is in the active code page (UTF-8 where
// the system honours the manifest), a value's text in the registry is UTF-16, and an export
// file of an earlier version holds text in the legacy ANSI code page.

#include <windows.h>

#include <string>

namespace qm {

// Text from before the program spoke UTF-8 (an export file written by an earlier version)
// is in the system's legacy ANSI code page; bytes that are no UTF-8 are read as such text
// instead of becoming replacement characters. Valid UTF-8, and any text while the program's
// code page is not UTF-8, pass unchanged.
std::string FromLegacyCodePage(const std::string& bytes);

// Whether text, the string value name of key as read in the program's code page from
// storedSize bytes, holds every character the registry stores.
bool ReadsExactly(HKEY key, const std::string& name, const std::string& text, size_t storedSize);

} // namespace qm
