#pragma once
// The program's text is in the active code page (UTF-8 where the manifest makes it so); the
// wide functions of Windows, UTF-16. These are the one pair of conversions between them.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The text as UTF-16. A byte the code page does not know becomes the code page's default.
std::wstring WidenText(std::string_view text, UINT codePage = CP_ACP);
// The UTF-16 text in the code page; a character it cannot hold becomes its default character.
std::string NarrowText(std::wstring_view text, UINT codePage = CP_ACP);

// The same, exactly or not at all: bytes that are no text of the code page, or a character the
// code page cannot hold (not even by a best-fit look-alike), give nothing.
std::optional<std::wstring> WidenExactly(std::string_view text, UINT codePage = CP_ACP);
std::optional<std::string> NarrowExactly(std::wstring_view text, UINT codePage = CP_ACP);

} // namespace qm
