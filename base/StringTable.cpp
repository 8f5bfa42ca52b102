#include "base/StringTable.h"

#include "base/Text.h"

#include <stdexcept>
#include <vector>

namespace qm {
namespace {

// The entry as stored: the table keeps its strings in blocks of sixteen, block n + 1 holding
// the identifiers 16n to 16n + 15, each string as its length in UTF-16 units and then its
// units, without a terminating zero.
std::wstring_view Entry(UINT id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), MAKEINTRESOURCEW(6));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* units = loaded ? static_cast<const wchar_t*>(LockResource(loaded)) : nullptr;
    if (!units) return {};
    const wchar_t* end = units + SizeofResource(module, found) / sizeof(wchar_t);
    for (UINT index = id % 16; index > 0 && units < end; --index) units += 1 + *units;
    if (units >= end || units + 1 + *units > end) return {};
    return std::wstring_view(units + 1, *units);
}

} // namespace

std::string TableText(UINT id) {
    const std::wstring_view entry = Entry(id);
    if (entry.empty())
        throw std::runtime_error("The program's text " + std::to_string(id) + " is missing");
    return NarrowText(entry);
}

std::string TableText(UINT id, std::initializer_list<std::string_view> inserts) {
    const std::string pattern = TableText(id);
    const std::vector<std::string_view> values(inserts);
    std::string text;
    text.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next >= '1' && next <= '9' &&
            static_cast<size_t>(next - '1') < values.size()) {
            text += values[static_cast<size_t>(next - '1')];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

} // namespace qm
