#pragma once
// Helpers of the context-menu tests: entries seeded straight into the sandboxed registry, read
// back as stored, and a dump of the whole MenuExt tree to prove that nothing changed.

#include "menuext/MenuRecord.h"
#include "support/CategoryDialog.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace menutest {

struct Seed {
    std::string script;
    std::optional<uint32_t> contexts;
    std::optional<uint32_t> flags;
    bool marked = false;

    Seed& Script(std::string s) { return script = std::move(s), *this; }
    Seed& Contexts(uint32_t c) { return contexts = c, *this; }
    Seed& Flags(uint32_t f) { return flags = f, *this; }
    Seed& Marked() { return marked = true, *this; }
};

// Creates the entry key under the current user's MenuExt with the given values.
void SeedEntry(const std::string& name, const Seed& seed = {});
// Writes one value exactly as given into an entry (or a key below it: "Entry\\Sub").
void SeedRaw(const std::string& keyBelowMenuExt, const std::string& value, DWORD type,
             const std::string& bytes);

// A value as stored; nullopt when absent.
std::optional<qm::RawValue> Stored(const std::string& name, const std::string& value);
std::optional<uint32_t> StoredDword(const std::string& name, const std::string& value);
bool EntryExists(const std::string& name);

// Every key, value type and value byte below MenuExt, in enumeration order.
std::string DumpMenuExt();

inline std::string Dword(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// Answers the next "Select category" dialog as soon as it is up.
using qmtest::AnswerCategoryDialog;

} // namespace menutest
