#pragma once
// Whole key trees: deleted deepest first, or copied with every value (type and bytes as
// stored) and sub-key. They run on the wide-character functions, so that key names, value
// names and string data that the ANSI code page cannot represent are deleted and copied
// exactly.

#include <windows.h>

#include <string>

namespace qm {

// What each kind of open asks for: reads no more than reading needs, so that a user without
// rights to a key can still list and show it.
inline constexpr REGSAM kReadAccess = KEY_READ;
inline constexpr REGSAM kWriteAccess = KEY_READ | KEY_WRITE;
inline constexpr REGSAM kDeleteAccess = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;

// Deletes the key name below parent in that view, with every key below it; false when it is
// not there or a step fails.
bool DeleteTree(HKEY parent, const std::wstring& name, REGSAM view);
// The same for the key at the path relative below base ("A\B" deletes B below base's A).
bool DeleteTreeAt(HKEY base, const std::string& relative, REGSAM view);
// Copies every value and sub-key of from into to; false when a step fails.
bool CopyTree(HKEY from, HKEY to, REGSAM view);

} // namespace qm
