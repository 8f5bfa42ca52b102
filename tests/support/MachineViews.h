#pragma once
// Checks on the registry through the plain platform calls, in a chosen registry view, and
// rules that make the accessor refuse requests as Windows refuses a user without rights.

#include "registry/RegistryRefusals.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qmtest {

// The two views of the machine's keys, for loops over both.
inline constexpr REGSAM kBothViews[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
const char* ViewName(REGSAM view);

// A key's string values (other types as their raw bytes), or nothing when the key is missing
// in that view. path has no leading backslash.
using RawStrings = std::map<std::string, std::string>;
std::optional<RawStrings> RawRead(HKEY root, REGSAM view, const std::string& path);
bool RawKeyExists(HKEY root, REGSAM view, const std::string& path);
std::vector<std::string> RawSubKeys(HKEY root, REGSAM view, const std::string& path);
// Makes the key in that view (with missing parents) and writes the values as REG_SZ.
void RawPut(HKEY root, REGSAM view, const std::string& path, const RawStrings& values);

// Refuses, while it lives, every request under root whose path begins with prefix (letter
// case ignored) and that asks to change something (set values, make or delete keys), in one
// view or (view 0) in all. Reads stay allowed, as Windows allows a standard user to read the
// machine's keys.
class RefuseChanges {
public:
    RefuseChanges(HKEY root, std::string prefix, REGSAM view = 0);
    ~RefuseChanges();
    RefuseChanges(const RefuseChanges&) = delete;
    RefuseChanges& operator=(const RefuseChanges&) = delete;
    // The requests refused so far.
    int refused = 0;
};

// Refuses, while it lives, every change to one key (its values, its sub-keys, its deletion) in
// one view through the key's own security descriptor, as Windows refuses a standard user the
// machine's keys: a DACL that denies those rights to everyone, in every process. Lift() puts
// the descriptor back before the end, as an elevation would lift the refusal.
class DenyChanges {
public:
    DenyChanges(HKEY root, REGSAM view, const std::string& path);
    ~DenyChanges() { Lift(); }
    DenyChanges(const DenyChanges&) = delete;
    DenyChanges& operator=(const DenyChanges&) = delete;
    void Lift();

private:
    HKEY key_ = nullptr;
    std::vector<BYTE> original_;
};

} // namespace qmtest
