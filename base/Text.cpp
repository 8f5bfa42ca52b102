#include "base/Text.h"

namespace qm {

namespace {

std::optional<std::wstring> Widen(std::string_view text, UINT codePage, DWORD flags) {
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(codePage, flags, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

bool IsUtf8CodePage(UINT codePage) {
    return codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8);
}

} // namespace

std::wstring WidenText(std::string_view text, UINT codePage) {
    return Widen(text, codePage, 0).value_or(std::wstring());
}

std::optional<std::wstring> WidenExactly(std::string_view text, UINT codePage) {
    return Widen(text, codePage, MB_ERR_INVALID_CHARS);
}

std::string NarrowText(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        size, nullptr, nullptr);
    return narrow;
}

std::optional<std::string> NarrowExactly(std::wstring_view text, UINT codePage) {
    if (text.empty()) return std::string();
    // UTF-8 refuses a lone surrogate; another code page says when it lost a character (and may
    // not "lose" one to a best-fit look-alike).
    const bool utf8 = IsUtf8CodePage(codePage);
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL lost = FALSE;
    const int size =
        WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                            nullptr, utf8 ? nullptr : &lost);
    if (size <= 0 || lost) return std::nullopt;
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), narrow.data(),
                        size, nullptr, nullptr);
    return narrow;
}

} // namespace qm
