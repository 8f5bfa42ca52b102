#include "ui/Texts.h"

#include "base/Text.h"
#include "ui/Window.h"

#include <stdexcept>
#include <vector>

namespace qm::ui {

std::string Text(UINT id) {
    // With a length of zero LoadStringW hands out the entry in the module itself, without a
    // copy and without a terminating zero.
    const wchar_t* entry = nullptr;
    int length = LoadStringW(Instance(), id, reinterpret_cast<LPWSTR>(&entry), 0);
    if (length <= 0 || !entry)
        throw std::runtime_error("The program's text " + std::to_string(id) + " is missing");
    return NarrowText(std::wstring_view(entry, static_cast<size_t>(length)));
}

std::string Text(UINT id, std::initializer_list<std::string_view> inserts) {
    const std::string pattern = Text(id);
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

} // namespace qm::ui
