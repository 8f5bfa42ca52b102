#include "MenuTestSupport.h"

#include <gtest/gtest.h>

#include <utility>

namespace menutest {
namespace {

std::string Relative(const std::string& name) { return qm::MenuKeyPath(name).substr(1); }

void Dump(HKEY key, const std::string& indent, std::string& out) {
    char name[16384];
    BYTE data[16384];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength) !=
            ERROR_SUCCESS)
            break;
        out += indent + "[" + std::string(name, nameLength) + "] type " + std::to_string(type) +
               " = " + std::string(reinterpret_cast<char*>(data), dataLength) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        out += indent + std::string(name, length) + "\\\n";
        HKEY child;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            Dump(child, indent + "  ", out);
            RegCloseKey(child);
        }
    }
}

} // namespace

void SeedRaw(const std::string& keyBelowMenuExt, const std::string& value, DWORD type,
             const std::string& bytes) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Relative(keyBelowMenuExt).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, value.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

void SeedEntry(const std::string& name, const Seed& seed) {
    SeedRaw(name, "", REG_SZ, seed.script + '\0');
    if (seed.contexts) SeedRaw(name, "Contexts", REG_DWORD, Dword(*seed.contexts));
    if (seed.flags) SeedRaw(name, "Flags", REG_DWORD, Dword(*seed.flags));
    if (seed.marked) SeedRaw(name, "IsQuillmere", REG_SZ, std::string("YES") + '\0');
}

std::optional<qm::RawValue> Stored(const std::string& name, const std::string& value) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Relative(name).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    qm::RawValue raw;
    BYTE data[16384];
    DWORD length = sizeof data;
    LONG result = RegQueryValueExA(key, value.c_str(), nullptr, &raw.type, data, &length);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    raw.bytes.assign(reinterpret_cast<char*>(data), length);
    return raw;
}

std::optional<uint32_t> StoredDword(const std::string& name, const std::string& value) {
    auto raw = Stored(name, value);
    if (!raw || raw->type != REG_DWORD || raw->bytes.size() != 4) return std::nullopt;
    uint32_t v;
    memcpy(&v, raw->bytes.data(), 4);
    return v;
}

bool EntryExists(const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Relative(name).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string DumpMenuExt() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, std::string(qm::kMenuExtKey).substr(1).c_str(), 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return "(no MenuExt)";
    std::string out;
    Dump(key, "", out);
    RegCloseKey(key);
    return out;
}

} // namespace menutest
