#include "registry/RegistryAccessor.h"

#include <algorithm>
#include <cctype>

namespace qm {
namespace {

std::string WithName(const char* format, const std::string& name) {
    std::string text = format;
    return text.replace(text.find("%s"), 2, name);
}

std::string StripTrailingSeparators(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Owns one key handle opened inside the accessor's tree operations.
class ScopedKey {
public:
    ScopedKey() = default;
    explicit ScopedKey(HKEY key) : key_(key) {}
    ~ScopedKey() {
        if (key_) RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY get() const { return key_; }
    HKEY* out() { return &key_; }

private:
    HKEY key_ = nullptr;
};

// Tree operations run on the wide-character functions, so that key names, value names and
// string data that the ANSI code page cannot represent are deleted and copied exactly.
bool DeleteTree(HKEY parent, const std::wstring& name, REGSAM view) {
    {
        ScopedKey key;
        if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS | view, key.out()) !=
            ERROR_SUCCESS)
            return false;
        DWORD count = 0;
        if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        // From the last sub-key to the first, so that indexes stay valid as keys vanish.
        for (DWORD i = count; i-- > 0;) {
            wchar_t child[256];
            DWORD length = 256;
            if (RegEnumKeyExW(key.get(), i, child, &length, nullptr, nullptr, nullptr,
                              nullptr) != ERROR_SUCCESS)
                continue;
            DeleteTree(key.get(), std::wstring(child, length), view);
        }
    }
    return RegDeleteKeyExW(parent, name.c_str(), view, 0) == ERROR_SUCCESS;
}

bool CopyTree(HKEY from, HKEY to, REGSAM view) {
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(from, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring name(maxName + 1, L'\0');
    std::string data(std::max<DWORD>(maxData, 1), '\0');
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG result = RegEnumValueW(from, i, name.data(), &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &dataLength);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_MORE_DATA) { // the key grew while it was copied
            name.resize(32768);
            data.resize(std::max<size_t>(data.size() * 2, dataLength));
            --i;
            continue;
        }
        if (result != ERROR_SUCCESS) return false;
        if (RegSetValueExW(to, std::wstring(name.data(), nameLength).c_str(), 0, type,
                           reinterpret_cast<const BYTE*>(data.data()), dataLength) != ERROR_SUCCESS)
            return false;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t child[256];
        DWORD length = 256;
        LONG result =
            RegEnumKeyExW(from, i, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) return false;
        ScopedKey source, target;
        if (RegOpenKeyExW(from, child, 0, KEY_READ | view, source.out()) != ERROR_SUCCESS)
            return false;
        if (RegCreateKeyExW(to, child, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                            target.out(), nullptr) != ERROR_SUCCESS)
            return false;
        if (!CopyTree(source.get(), target.get(), view)) return false;
    }
    return true;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

bool IsUtf8(const std::string& text) {
    return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                               static_cast<int>(text.size()), nullptr, 0) > 0;
}

// Text from before the program spoke UTF-8 (an export file written by an earlier version)
// is in the system's legacy ANSI code page; bytes that are no UTF-8 are read as such text
// instead of becoming replacement characters. Valid UTF-8, and any text while the program's
// code page is not UTF-8, pass unchanged.
std::string FromLegacyCodePage(const std::string& bytes) {
    if (GetACP() != CP_UTF8 || IsUtf8(bytes)) return bytes;
    UINT legacy = 0;
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<char*>(&legacy), sizeof legacy / sizeof(char)) == 0 ||
        legacy == 0 || legacy == CP_UTF8)
        return bytes;
    int length = MultiByteToWideChar(legacy, 0, bytes.data(), static_cast<int>(bytes.size()),
                                     nullptr, 0);
    if (length <= 0) return bytes;
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(legacy, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                        length);
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

} // namespace

RegistryAccessor::~RegistryAccessor() { CloseKey(); }

void RegistryAccessor::SetRoot(HKEY root) {
    CloseKey();
    root_ = root;
}

REGSAM RegistryAccessor::Access() const {
    return KEY_ALL_ACCESS | (root_ == HKEY_LOCAL_MACHINE ? kMachineRegistryView : 0);
}

HKEY RegistryAccessor::BaseFor(const std::string& path, std::string& relative,
                               std::string& fullPath) const {
    if (!path.empty() && path.front() == '\\') {
        relative = StripTrailingSeparators(path.substr(1));
        fullPath = relative;
        return root_;
    }
    relative = StripTrailingSeparators(path);
    if (key_ == nullptr) {
        fullPath = relative;
        return root_;
    }
    fullPath = currentPath_.empty() ? relative
               : relative.empty()   ? currentPath_
                                    : currentPath_ + "\\" + relative;
    return key_;
}

bool RegistryAccessor::OpenKey(const std::string& path, bool canCreate) {
    std::string relative, fullPath;
    HKEY base = BaseFor(path, relative, fullPath);
    HKEY opened = nullptr;
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    LONG result = canCreate ? RegCreateKeyExA(base, relative.c_str(), 0, nullptr, 0, Access(),
                                              nullptr, &opened, &disposition)
                            : RegOpenKeyExA(base, relative.c_str(), 0, Access(), &opened);
    CloseKey();
    if (result != ERROR_SUCCESS) return false;
    key_ = opened;
    changed_ = disposition == REG_CREATED_NEW_KEY;
    currentPath_ = fullPath;
    return true;
}

bool RegistryAccessor::OpenKeyBelow(const RegistryAccessor& parent, const std::string& path,
                                    bool canCreate) {
    CloseKey();
    root_ = parent.root_;
    if (!parent.key_) return false;
    std::string relative = StripTrailingSeparators(path);
    HKEY opened = nullptr;
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    LONG result = canCreate ? RegCreateKeyExA(parent.key_, relative.c_str(), 0, nullptr, 0,
                                              Access(), nullptr, &opened, &disposition)
                            : RegOpenKeyExA(parent.key_, relative.c_str(), 0, Access(), &opened);
    if (result != ERROR_SUCCESS) return false;
    key_ = opened;
    changed_ = disposition == REG_CREATED_NEW_KEY;
    currentPath_ = parent.currentPath_.empty() ? relative
                   : relative.empty()          ? parent.currentPath_
                                               : parent.currentPath_ + "\\" + relative;
    return true;
}

void RegistryAccessor::CreateKey(const std::string& path) {
    std::string relative, fullPath;
    HKEY base = BaseFor(path, relative, fullPath);
    HKEY created = nullptr;
    if (relative.empty() || RegCreateKeyExA(base, relative.c_str(), 0, nullptr, 0, Access(),
                                            nullptr, &created, nullptr) != ERROR_SUCCESS)
        throw RegistryError(WithName("Failed to create key %s", path));
    RegCloseKey(created);
    if (key_) changed_ = true;
}

bool RegistryAccessor::KeyExists(const std::string& path) {
    std::string relative, fullPath;
    HKEY base = BaseFor(path, relative, fullPath);
    ScopedKey key;
    REGSAM view = root_ == HKEY_LOCAL_MACHINE ? kMachineRegistryView : 0;
    return RegOpenKeyExA(base, relative.c_str(), 0, KEY_READ | view, key.out()) == ERROR_SUCCESS;
}

bool RegistryAccessor::DeleteKey(const std::string& path) {
    std::string relative, fullPath;
    HKEY base = BaseFor(path, relative, fullPath);
    if (relative.empty()) return false; // never the root or the open key through an empty name
    std::string parentPath, leaf = relative;
    if (size_t slash = relative.rfind('\\'); slash != std::string::npos) {
        parentPath = relative.substr(0, slash);
        leaf = relative.substr(slash + 1);
    }
    ScopedKey parent;
    if (RegOpenKeyExA(base, parentPath.c_str(), 0, Access(), parent.out()) != ERROR_SUCCESS)
        return false;
    REGSAM view = root_ == HKEY_LOCAL_MACHINE ? kMachineRegistryView : 0;
    if (key_) changed_ = true;
    return DeleteTree(parent.get(), Widen(leaf), view);
}

bool RegistryAccessor::MoveKey(const std::string& oldPath, const std::string& newPath) {
    std::string oldRelative, oldFull, newRelative, newFull;
    HKEY oldBase = BaseFor(oldPath, oldRelative, oldFull);
    HKEY newBase = BaseFor(newPath, newRelative, newFull);
    if (oldRelative.empty() || newRelative.empty()) return false;
    // Key names compare without regard to letter case, as the registry matches them.
    std::string oldKey = Lower(oldFull), newKey = Lower(newFull);
    if (newKey.size() > oldKey.size() && newKey.compare(0, oldKey.size(), oldKey) == 0 &&
        newKey[oldKey.size()] == '\\')
        throw RegistryError(WithName("Cannot move key %s into itself", oldPath));
    if (!KeyExists(oldPath) || KeyExists(newPath)) return false;

    REGSAM view = root_ == HKEY_LOCAL_MACHINE ? kMachineRegistryView : 0;
    ScopedKey source, target;
    if (RegOpenKeyExA(oldBase, oldRelative.c_str(), 0, KEY_READ | view, source.out()) !=
        ERROR_SUCCESS)
        return false;
    if (RegCreateKeyExA(newBase, newRelative.c_str(), 0, nullptr, 0, Access(), nullptr,
                        target.out(), nullptr) != ERROR_SUCCESS)
        throw RegistryError(WithName("Failed to create key %s", newPath));
    if (key_) changed_ = true;
    if (!CopyTree(source.get(), target.get(), view))
        throw RegistryError(WithName("Failed to copy key %s", oldPath));
    if (!DeleteKey(oldPath)) throw RegistryError(WithName("Failed to delete key %s", oldPath));
    return true;
}

void RegistryAccessor::CloseKey() {
    if (key_) {
        // Only a key that was made or written through this accessor has anything to flush.
        if (changed_) RegFlushKey(key_);
        RegCloseKey(key_);
    }
    key_ = nullptr;
    changed_ = false;
    currentPath_.clear();
}

std::vector<std::string> RegistryAccessor::GetKeyNames() const {
    std::vector<std::string> names;
    if (!key_) return names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        LONG result = RegEnumKeyExA(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_SUCCESS) names.emplace_back(name, length);
        else if (result != ERROR_MORE_DATA) break;
    }
    return names;
}

std::vector<std::string> RegistryAccessor::GetValueNames() const {
    std::vector<std::string> names;
    if (!key_) return names;
    std::string name(32768, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        LONG result = RegEnumValueA(key_, i, name.data(), &length, nullptr, nullptr, nullptr,
                                    nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_SUCCESS) names.emplace_back(name.data(), length);
        else break;
    }
    return names;
}

std::vector<std::pair<std::string, RawValue>> RegistryAccessor::GetValues() const {
    std::vector<std::pair<std::string, RawValue>> values;
    if (!key_) return values;
    std::string name(32768, '\0');
    std::string data(1024, '\0');
    for (DWORD i = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG result = RegEnumValueA(key_, i, name.data(), &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &dataLength);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_MORE_DATA && data.size() < (1u << 30)) { // the same value again
            data.resize(std::max<size_t>(data.size() * 2, dataLength));
            continue;
        }
        if (result != ERROR_SUCCESS) break;
        values.emplace_back(std::string(name.data(), nameLength),
                            RawValue{type, data.substr(0, std::min<size_t>(dataLength, data.size()))});
        ++i;
    }
    return values;
}

bool RegistryAccessor::ValueExists(const std::string& name) const {
    return key_ && RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                       ERROR_SUCCESS;
}

LONG RegistryAccessor::Query(const std::string& name, RawValue& value) const {
    // Most values are short: the first query usually brings the data along.
    DWORD size = 256;
    for (;;) {
        DWORD capacity = size;
        value.bytes.assign(capacity, '\0');
        LONG result = RegQueryValueExA(key_, name.c_str(), nullptr, &value.type,
                                       reinterpret_cast<BYTE*>(value.bytes.data()), &size);
        if (result == ERROR_MORE_DATA) { // size now holds what the value needs
            if (size <= capacity) size = capacity * 2;
            continue;
        }
        if (result != ERROR_SUCCESS) return result;
        value.bytes.resize(std::min(size, capacity));
        return ERROR_SUCCESS;
    }
}

RawValue RegistryAccessor::ReadRaw(const std::string& name) const {
    RawValue value;
    if (!key_ || Query(name, value) != ERROR_SUCCESS)
        throw RegistryError(WithName("Failed to get data for '%s'", name));
    return value;
}

std::string RegistryAccessor::ReadString(const std::string& name) const {
    RawValue value;
    if (!key_ || Query(name, value) != ERROR_SUCCESS) return {}; // absent reads as ""
    return StringFromValue(name, value);
}

std::string RegistryAccessor::StringFromValue(const std::string& name, const RawValue& value) {
    if (value.bytes.empty()) return {};
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
        throw RegistryError(WithName("Invalid data type for '%s'", name));
    return value.bytes.substr(0, value.bytes.find('\0'));
}

int32_t RegistryAccessor::ReadInteger(const std::string& name) const {
    DWORD data = 0, size = sizeof data, type = REG_NONE;
    if (!key_ || RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        throw RegistryError(WithName("Failed to get data for '%s'", name));
    if (type != REG_DWORD) throw RegistryError(WithName("Invalid data type for '%s'", name));
    return static_cast<int32_t>(data);
}

void RegistryAccessor::WriteRaw(const std::string& name, const RawValue& value) {
    if (key_) changed_ = true;
    const std::string& bytes = value.type == REG_SZ || value.type == REG_EXPAND_SZ
                                   ? FromLegacyCodePage(value.bytes)
                                   : value.bytes;
    if (!key_ || RegSetValueExA(key_, name.c_str(), 0, value.type,
                                reinterpret_cast<const BYTE*>(bytes.data()),
                                static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS)
        throw RegistryError(WithName("Failed to set data for '%s'", name));
}

void RegistryAccessor::WriteString(const std::string& name, const std::string& value) {
    WriteRaw(name, RawValue{REG_SZ, value + '\0'});
}

StoredText RegistryAccessor::ReadText(const std::string& name) const {
    StoredText shown;
    if (!key_ || Query(name, shown.stored) != ERROR_SUCCESS) {
        shown.stored = {};
        return shown;
    }
    shown.present = true;
    shown.text = StringFromValue(name, shown.stored);
    // The program's text is in the active code page: UTF-8 where the system honours the
    // manifest, and then every character is kept. An older system's ANSI code page may lack
    // some of the stored characters: the wide text tells.
    if (GetACP() != CP_UTF8 && !shown.text.empty()) {
        std::wstring wide(shown.stored.bytes.size() + 1, L'\0');
        DWORD size = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
        DWORD type = REG_NONE;
        if (RegQueryValueExW(key_, Widen(name).c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(wide.data()), &size) == ERROR_SUCCESS) {
            wide.resize(size / sizeof(wchar_t));
            wide = wide.substr(0, wide.find(L'\0'));
            BOOL lost = FALSE;
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                static_cast<int>(wide.size()), nullptr, 0, nullptr, &lost);
            shown.exact = !lost;
        }
    }
    return shown;
}

bool RegistryAccessor::WriteText(const std::string& name, const std::string& text,
                                 const StoredText& shown) {
    if (!shown.Changed(text)) {
        if (!key_) throw RegistryError(WithName("Failed to set data for '%s'", name));
        return false;
    }
    WriteRaw(name, RawValue{shown.Expandable() ? DWORD{REG_EXPAND_SZ} : DWORD{REG_SZ}, text + '\0'});
    return true;
}

std::string RegistryAccessor::ExpandedText(const std::string& text, DWORD type) {
    if (type != REG_EXPAND_SZ || text.find('%') == std::string::npos) return text;
    DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (size == 0) return text;
    std::string expanded(size, '\0');
    size = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), size);
    if (size == 0 || size > expanded.size()) return text;
    return expanded.substr(0, expanded.find('\0'));
}

std::string RegistryAccessor::CannotKeepText(const std::string& name) {
    return WithName("The value '%s' cannot be saved: it holds characters that this system's code "
                    "page cannot show. Nothing was written",
                    name);
}

void RegistryAccessor::WriteInteger(const std::string& name, int32_t value) {
    uint32_t data = static_cast<uint32_t>(value);
    WriteRaw(name, RawValue{REG_DWORD, std::string(reinterpret_cast<const char*>(&data), 4)});
}

bool RegistryAccessor::DeleteValue(const std::string& name) {
    if (!key_ || RegDeleteValueA(key_, name.c_str()) != ERROR_SUCCESS) return false;
    changed_ = true;
    return true;
}

} // namespace qm
