#include "support/RawRegistry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace qmtest {
namespace {

std::string Relative(const std::string& path) {
    return !path.empty() && path[0] == '\\' ? path.substr(1) : path;
}

REGSAM View(HKEY root) { return root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0; }

// An open key that closes itself; empty when the key cannot be opened.
class Key {
public:
    Key(HKEY root, const std::string& path, bool create = false) {
        const REGSAM access = (create ? KEY_ALL_ACCESS : KEY_READ) | View(root);
        LONG result = create ? RegCreateKeyExA(root, Relative(path).c_str(), 0, nullptr, 0, access,
                                               nullptr, &key_, nullptr)
                             : RegOpenKeyExA(root, Relative(path).c_str(), 0, access, &key_);
        if (result != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

std::optional<StoredValue> Query(HKEY key, const std::string& name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    StoredValue value{type, std::string(size, '\0')};
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(value.bytes.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.type = type;
    value.bytes.resize(size);
    return value;
}

std::string Where(HKEY root, const std::string& path) {
    return (root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") + Relative(path);
}
std::string Where(HKEY root, const std::string& path, const std::string& name) {
    return Where(root, path) + " [" + name + "]";
}

} // namespace

void PrintTo(const StoredValue& value, std::ostream* out) {
    *out << "{type " << value.type << ", " << ::testing::PrintToString(value.bytes) << "}";
}

std::string TextOf(const StoredValue& value) {
    const std::string& bytes = value.bytes;
    const bool text = value.type == REG_SZ || value.type == REG_EXPAND_SZ;
    if (text && !bytes.empty() && bytes.find('\0') == bytes.size() - 1)
        return bytes.substr(0, bytes.size() - 1);
    std::string what = !text                  ? "type " + std::to_string(value.type)
                       : bytes.empty()        ? "empty data"
                       : bytes.back() != '\0' ? "no terminating zero"
                                              : "a zero inside";
    return "<stored with " + what + ": \"" + bytes + "\">";
}

bool StoredKeyExists(HKEY root, const std::string& path) { return bool(Key(root, path)); }

std::optional<StoredValues> StoredValuesOf(HKEY root, const std::string& path) {
    Key key(root, path);
    if (!key) return std::nullopt;
    StoredValues values;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD length = sizeof name;
        if (RegEnumValueA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        std::string valueName(name, length);
        if (auto value = Query(key.get(), valueName)) values.emplace_back(valueName, *value);
    }
    return values;
}

std::optional<std::map<std::string, std::string>> StoredTexts(HKEY root, const std::string& path) {
    auto values = StoredValuesOf(root, path);
    if (!values) return std::nullopt;
    std::map<std::string, std::string> texts;
    for (const auto& [name, value] : *values) texts[name] = TextOf(value);
    return texts;
}

std::optional<StoredValue> StoredValueOf(HKEY root, const std::string& path,
                                         const std::string& name) {
    Key key(root, path);
    return key ? Query(key.get(), name) : std::nullopt;
}

std::optional<std::string> StoredText(HKEY root, const std::string& path, const std::string& name) {
    auto value = StoredValueOf(root, path, name);
    return value ? std::optional(TextOf(*value)) : std::nullopt;
}

std::vector<std::string> StoredSubKeys(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    Key key(root, path);
    if (!key) return names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

void PutValues(HKEY root, const std::string& path, const StoredValues& values,
               std::source_location where) {
    Key key(root, path, true);
    if (!key) {
        ADD_FAILURE_AT(where.file_name(), where.line()) << "cannot create " << Where(root, path);
        return;
    }
    for (const auto& [name, value] : values) {
        if (RegSetValueExA(key.get(), name.c_str(), 0, value.type,
                           reinterpret_cast<const BYTE*>(value.bytes.data()),
                           static_cast<DWORD>(value.bytes.size())) != ERROR_SUCCESS)
            ADD_FAILURE_AT(where.file_name(), where.line())
                << "cannot write " << Where(root, path, name);
    }
}

void PutText(HKEY root, const std::string& path, const std::string& name, const std::string& text,
             std::source_location where) {
    PutValues(root, path, {{name, Sz(text)}}, where);
}

void PutWideText(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                 const std::wstring& text, REGSAM view, std::source_location where) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                                  &key, nullptr);
    if (result == ERROR_SUCCESS) {
        result =
            RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS)
        ADD_FAILURE_AT(where.file_name(), where.line())
            << "cannot write a wide value, error " << result;
}

std::optional<WideValue> StoredWideValue(HKEY root, const std::wstring& path,
                                         const std::wstring& name, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t data[512] = {};
    DWORD size = sizeof data - sizeof(wchar_t), type = REG_NONE;
    LONG result =
        RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return WideValue{type, data};
}

void PutKey(HKEY root, const std::string& path, std::source_location where) {
    PutValues(root, path, {}, where);
}

bool RemoveKey(HKEY root, const std::string& path) {
    if (!StoredKeyExists(root, path)) return false;
    std::string relative = Relative(path);
    while (!relative.empty() && relative.back() == '\\') relative.pop_back();
    const size_t split = relative.find_last_of('\\');
    const std::string parentPath =
        split == std::string::npos ? std::string() : relative.substr(0, split);
    const std::string name = split == std::string::npos ? relative : relative.substr(split + 1);
    // A machine-wide key goes from both registry views, as the program deletes it.
    const REGSAM views[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
    for (REGSAM view : views) {
        if (root != HKEY_LOCAL_MACHINE && view != KEY_WOW64_32KEY) break;
        HKEY parent = nullptr;
        if (RegOpenKeyExA(root, parentPath.c_str(), 0,
                          KEY_ALL_ACCESS | (root == HKEY_LOCAL_MACHINE ? view : 0),
                          &parent) != ERROR_SUCCESS)
            continue;
        RegDeleteTreeA(parent, name.c_str());
        RegDeleteKeyExA(parent, name.c_str(), root == HKEY_LOCAL_MACHINE ? view : 0, 0);
        RegCloseKey(parent);
    }
    return !StoredKeyExists(root, path);
}

void RemoveValue(HKEY root, const std::string& path, const std::string& name) {
    Key key(root, path, true);
    if (key) RegDeleteValueA(key.get(), name.c_str());
}

void ExpectStoredText(HKEY root, const std::string& path, const std::string& name,
                      const std::string& text, std::source_location where) {
    auto value = StoredValueOf(root, path, name);
    if (!value)
        ADD_FAILURE_AT(where.file_name(), where.line()) << Where(root, path, name) << " is missing";
    else if (*value != Sz(text))
        ADD_FAILURE_AT(where.file_name(), where.line())
            << Where(root, path, name) << " is " << TextOf(*value) << ", expected \"" << text
            << "\" as REG_SZ with one terminating zero";
}

void ExpectNoValue(HKEY root, const std::string& path, const std::string& name,
                   std::source_location where) {
    if (auto value = StoredValueOf(root, path, name))
        ADD_FAILURE_AT(where.file_name(), where.line())
            << Where(root, path, name) << " exists: " << TextOf(*value);
}

void ExpectNoKey(HKEY root, const std::string& path, std::source_location where) {
    if (StoredKeyExists(root, path))
        ADD_FAILURE_AT(where.file_name(), where.line()) << Where(root, path) << " exists";
}

std::string DumpTree(HKEY base, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(base, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return "";
    DWORD longestName = 0, longestData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &longestName, &longestData, nullptr, nullptr);
    std::wstring name(longestName + 1, L'\0');
    std::string data(longestData + 1, '\0');
    std::string out = "[" + std::string(path.begin(), path.end()) + "]\n";
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, i, name.data(), &length, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            break;
        out += std::string(name.begin(), name.begin() + length) + " " + std::to_string(type) + " ";
        char hex[4];
        for (DWORD b = 0; b < size; ++b) {
            snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(data[b]));
            out += hex;
        }
        out += "\n";
    }
    std::vector<std::wstring> subKeys;
    for (DWORD i = 0;; ++i) {
        wchar_t sub[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, sub, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subKeys.emplace_back(sub, length);
    }
    RegCloseKey(key);
    for (const std::wstring& sub : subKeys) out += DumpTree(base, path + L"\\" + sub, view);
    return out;
}

} // namespace qmtest
