#pragma once
// Registry checks through the plain registry functions, never through the program's own
// accessor: machine-wide keys in the 32-bit view, as the program keeps them.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace qmtest::raw {

inline REGSAM ViewFor(HKEY root) { return root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0; }

// The program writes paths from the root with a leading backslash; the registry takes none.
inline std::string Relative(const std::string& path) {
    size_t start = path.find_first_not_of('\\');
    return start == std::string::npos ? std::string() : path.substr(start);
}

// Makes the key (with its parents) and sets a string value; "" names the default value.
inline void SetString(HKEY root, const std::string& path, const std::string& name,
                      const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, Relative(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE | ViewFor(root), nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

inline void SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type,
                   const std::string& bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, Relative(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE | ViewFor(root), nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

// A string value's text up to its NUL; nullopt when the key or value is missing.
inline std::optional<std::string> GetString(HKEY root, const std::string& path,
                                            const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, Relative(path).c_str(), 0, KEY_QUERY_VALUE | ViewFor(root), &key) != ERROR_SUCCESS)
        return std::nullopt;
    char data[4096];
    DWORD size = sizeof data, type = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    std::string text(data, size);
    return text.substr(0, text.find('\0'));
}

inline std::vector<std::string> SubKeys(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, Relative(path).c_str(), 0, KEY_ENUMERATE_SUB_KEYS | ViewFor(root), &key) != ERROR_SUCCESS)
        return names;
    char name[512];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

// Value names of a key, in enumeration order.
inline std::vector<std::string> ValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, Relative(path).c_str(), 0, KEY_QUERY_VALUE | ViewFor(root), &key) != ERROR_SUCCESS)
        return names;
    char name[512];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

inline void DeleteTree(HKEY root, const std::string& path) {
    RegDeleteKeyExA(root, Relative(path).c_str(), ViewFor(root), 0); // leaf only; enough for the callers' use
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, Relative(path).c_str(), 0, KEY_ALL_ACCESS | ViewFor(root), &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, nullptr);
        RegCloseKey(key);
        RegDeleteKeyExA(root, Relative(path).c_str(), ViewFor(root), 0);
    }
}

} // namespace qmtest::raw
