#pragma once
// The registry as the browser and other programs see it: seeded and read back with plain
// registry calls, never through the program's own accessor, so a test sees the bytes the
// program really left. Machine-wide keys are seeded and read in the 32-bit view, which the
// program reads first; RemoveKey removes a machine-wide key from both views.
// Paths may start with a backslash; they are relative to the (sandboxed) root either way.
// The Expect... checks report a failure at the calling test's line.

#include <windows.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <optional>
#include <source_location>
#include <string>
#include <utility>
#include <vector>

namespace qmtest {

// A value's type and bytes exactly as stored.
struct StoredValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const StoredValue&) const = default;
};
// How test failures show a value: its type and its bytes.
void PrintTo(const StoredValue& value, std::ostream* out);
using StoredValues = std::vector<std::pair<std::string, StoredValue>>;

// A REG_SZ value as a well-written string is stored: the text and one terminating zero.
inline StoredValue Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }
inline StoredValue Dword(uint32_t value) {
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value)};
}

// The text of a string value stored with exactly one terminating zero; anything else (another
// type, no terminating zero, a zero inside) gives a description that no expected text equals,
// so a comparison fails and shows what is wrong.
std::string TextOf(const StoredValue& value);

bool StoredKeyExists(HKEY root, const std::string& path);
// A key's values in enumeration order; nullopt when the key is missing.
std::optional<StoredValues> StoredValuesOf(HKEY root, const std::string& path);
// A key's values as texts (TextOf) by name; nullopt when the key is missing.
std::optional<std::map<std::string, std::string>> StoredTexts(HKEY root, const std::string& path);
// One value; nullopt when it or its key is missing.
std::optional<StoredValue> StoredValueOf(HKEY root, const std::string& path,
                                         const std::string& name);
// The text of one value (TextOf); nullopt when it or its key is missing.
std::optional<std::string> StoredText(HKEY root, const std::string& path, const std::string& name);
// Sub-key names in enumeration order; empty when the key is missing.
std::vector<std::string> StoredSubKeys(HKEY root, const std::string& path);

// Seeding: creates the key (and its parents) and writes the values as given.
void PutValues(HKEY root, const std::string& path, const StoredValues& values,
               std::source_location where = std::source_location::current());
void PutText(HKEY root, const std::string& path, const std::string& name, const std::string& text,
             std::source_location where = std::source_location::current());
void PutKey(HKEY root, const std::string& path,
            std::source_location where = std::source_location::current());
// Several REG_SZ values of one key, in the order given.
inline void PutTexts(HKEY root, const std::string& path,
                     const std::vector<std::pair<std::string, std::string>>& texts,
                     std::source_location where = std::source_location::current()) {
    for (const auto& [name, text] : texts) PutText(root, path, name, text, where);
}
// Text written and read with the wide registry functions, past any code page. `view` is 0 or
// one of KEY_WOW64_32KEY / KEY_WOW64_64KEY.
struct WideValue {
    DWORD type = REG_NONE;
    std::wstring text; // up to the first NUL
    bool operator==(const WideValue&) const = default;
};
void PutWideText(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                 const std::wstring& text, REGSAM view = 0,
                 std::source_location where = std::source_location::current());
std::optional<WideValue> StoredWideValue(HKEY root, const std::wstring& path,
                                         const std::wstring& name, REGSAM view = 0);
// Everything in and below a key under base, in one view, as text: each key's path (as given,
// below base), then each value's name, type and bytes in hexadecimal. "" when it is missing.
// Two dumps are equal exactly when the trees are, byte for byte.
std::string DumpTree(HKEY base, const std::wstring& path, REGSAM view = 0);

// Removes a key with everything below it (true when it was there and is gone now), or one value.
bool RemoveKey(HKEY root, const std::string& path);
void RemoveValue(HKEY root, const std::string& path, const std::string& name);

// The value is a REG_SZ holding exactly text and its terminating zero.
void ExpectStoredText(HKEY root, const std::string& path, const std::string& name,
                      const std::string& text,
                      std::source_location where = std::source_location::current());
void ExpectNoValue(HKEY root, const std::string& path, const std::string& name,
                   std::source_location where = std::source_location::current());
void ExpectNoKey(HKEY root, const std::string& path,
                 std::source_location where = std::source_location::current());

} // namespace qmtest
