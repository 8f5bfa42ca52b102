#include "registry/ValueText.h"

#include "base/Text.h"

namespace qm {

std::string FromLegacyCodePage(const std::string& bytes) {
    if (GetACP() != CP_UTF8 || WidenExactly(bytes, CP_UTF8)) return bytes;
    UINT legacy = 0;
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<char*>(&legacy), sizeof legacy / sizeof(char)) == 0 ||
        legacy == 0 || legacy == CP_UTF8)
        return bytes;
    std::wstring wide = WidenText(bytes, legacy);
    if (wide.empty()) return bytes;
    return NarrowText(wide, CP_UTF8);
}

bool ReadsExactly(HKEY key, const std::string& name, const std::string& text, size_t storedSize) {
    // UTF-8 keeps every character but for a stored UTF-16 text that is itself broken (a lone
    // surrogate), which comes across as the replacement character. An older system's ANSI
    // code page may lack some of the stored characters. The wide text tells.
    const bool utf8 = GetACP() == CP_UTF8;
    if (text.empty() || (utf8 && text.find("\xEF\xBF\xBD") == std::string::npos)) return true;
    std::wstring wide(storedSize + 1, L'\0');
    DWORD size = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key, WidenText(name).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(wide.data()), &size) != ERROR_SUCCESS)
        return true;
    wide.resize(size / sizeof(wchar_t));
    wide = wide.substr(0, wide.find(L'\0'));
    return NarrowExactly(wide).has_value();
}

} // namespace qm
