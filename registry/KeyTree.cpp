#include "registry/KeyTree.h"

#include "base/Handles.h"
#include "base/Text.h"

#include <algorithm>

namespace qm {

bool DeleteTree(HKEY parent, const std::wstring& name, REGSAM view) {
    {
        UniqueKey key;
        if (RegOpenKeyExW(parent, name.c_str(), 0, kDeleteAccess | view, key.out()) !=
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
            if (RegEnumKeyExW(key.get(), i, child, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                continue;
            DeleteTree(key.get(), std::wstring(child, length), view);
        }
    }
    return RegDeleteKeyExW(parent, name.c_str(), view, 0) == ERROR_SUCCESS;
}

bool DeleteTreeAt(HKEY base, const std::string& relative, REGSAM view) {
    std::string parentPath, leaf = relative;
    if (size_t slash = leaf.rfind('\\'); slash != std::string::npos) {
        parentPath = leaf.substr(0, slash);
        leaf = leaf.substr(slash + 1);
    }
    UniqueKey parent;
    return RegOpenKeyExA(base, parentPath.c_str(), 0, kReadAccess | view, parent.out()) ==
               ERROR_SUCCESS &&
           DeleteTree(parent.get(), WidenText(leaf), view);
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
        LONG result = RegEnumKeyExW(from, i, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) return false;
        UniqueKey source, target;
        if (RegOpenKeyExW(from, child, 0, KEY_READ | view, source.out()) != ERROR_SUCCESS)
            return false;
        if (RegCreateKeyExW(to, child, 0, nullptr, 0, kWriteAccess | view, nullptr, target.out(),
                            nullptr) != ERROR_SUCCESS)
            return false;
        if (!CopyTree(source.get(), target.get(), view)) return false;
    }
    return true;
}

} // namespace qm
