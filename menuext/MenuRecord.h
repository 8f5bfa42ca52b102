#pragma once
// A browser context-menu entry as the registry stores it: one sub-key of the browser's MenuExt
// key under the current user's root, named as the item reads in the menu, whose default value
// names the script page and whose "Contexts" and "Flags" values tell the browser where the
// item appears and how its script runs. Also the context bit mask and its display forms. The
// page's fields are filled and read on the page's side (MenuFields.h); a record knows no windows.

#include "registry/GuardedSave.h"
#include "registry/RegistryAccessor.h"
#include "registry/ShownValues.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Where the browser looks for context-menu entries, below the current user's root only.
inline constexpr char kMenuExtKey[] = "\\Software\\Microsoft\\Internet Explorer\\MenuExt";

// Value names of an entry key; the default (unnamed) value holds the script page.
inline constexpr char kMenuScriptValue[] = "";
inline constexpr char kContextsValue[] = "Contexts"; // REG_DWORD: the context bit mask
inline constexpr char kFlagsValue[] = "Flags";       // REG_DWORD: 1 runs the script as a dialog
inline constexpr char kMenuMarkerValue[] = "IsQuillmere";
inline constexpr char kMenuMarkerData[] = "YES";

// The context bits in the order of their boxes: left column top to bottom, then right.
inline constexpr std::array<int32_t, 6> kContextBits = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20};

// The full path of an entry key: kMenuExtKey + "\" + name.
std::string MenuKeyPath(const std::string& name);

// Whether a name can designate exactly one entry key: not empty, and without a backslash,
// which the registry would read as a step into a deeper key.
bool IsUsableMenuName(const std::string& name);

// The mask's display forms: signed decimal ("63", "-1") and eight upper-case hexadecimal
// digits without prefix ("0000003F", "FFFFFFFF").
std::string ContextsDecimalText(int32_t contexts);
std::string ContextsHexText(int32_t contexts);

// --- the entries in the registry. Every operation chooses the current user's root, opens the
// key it needs and leaves no key open when it returns, also when it fails. ---

// The names of all entries in the registry's enumeration order; none when MenuExt is missing.
std::vector<std::string> ListMenuNames(RegistryAccessor& reg);
// Whether the entry's key holds the marker value, of any type and content.
bool IsQuillmereMenu(RegistryAccessor& reg, const std::string& name);
// Whether a sub-key of that name exists (the registry ignores letter case).
bool MenuExists(RegistryAccessor& reg, const std::string& name);
// The name for a new entry made from base: base itself when free, else base followed by the
// digits of n div 10 and of n mod 10 for the first free n = 1, 2, ... (01 ... 09, 10, ... 100).
std::string FreeMenuName(RegistryAccessor& reg, const std::string& base);

// Where ReadMenuEntry hands each value as soon as it is read: "Contexts" and "Flags" are
// nullopt when absent.
struct MenuEntryReader {
    std::function<void(const std::string& script)> script;
    std::function<void(std::optional<int32_t> contexts)> contexts;
    std::function<void(std::optional<int32_t> flags)> flags;
};
// Reads the default value, then "Contexts", then "Flags", handing each on before the next is
// read. A value of the wrong type throws the registry's error there, so what was handed on
// stays handed on. An entry whose key is gone reads as empty.
void ReadMenuEntry(RegistryAccessor& reg, const std::string& name, const MenuEntryReader& reader);

// An entry's values as a page shows them, read before any field is filled.
struct MenuValues {
    std::string script;         // at most kMaxFieldText characters of the default value
    bool scriptTooLong = false; // the default value was longer and is shown in part
    std::optional<int32_t> contexts;
    std::optional<int32_t> flags;
};

// Reads the entry's default value, "Contexts" and "Flags", remembering each in `shown` exactly
// as stored. A value of the wrong type throws the registry's error ("Invalid data type for
// '%s'") with `reading` naming that value. An entry whose key is gone reads as empty.
MenuValues ReadMenuRecord(RegistryAccessor& reg, const std::string& name, ShownValues& shown,
                          std::string& reading);

// The user's edits to an entry shown as `shown`: each text is given only when its field changed
// since it was shown. The script keeps the type it was stored with; an empty Contexts or Flags
// text writes nothing (a stored value stays); a text that is no integer (optional leading blanks
// and sign, decimal digits, or hexadecimal ones after "$" or "0x") refuses the whole save.
std::vector<ValueEdit> MenuEdits(const ShownValues& shown, const std::optional<std::string>& script,
                                 const std::optional<std::string>& contextsDecimal,
                                 const std::optional<std::string>& flags);
// Opens the entry's key for reading, under the current user's root; false when it is gone or
// the name is not usable.
bool OpenMenuEntry(RegistryAccessor& reg, const std::string& name);

// Creates the entry's key (and MenuExt with it); an existing key is opened, not refused. False
// when the name is not usable; a registry failure throws RegistryError.
bool CreateMenuKey(RegistryAccessor& reg, const std::string& name);
// Writes the marker "IsQuillmere" = "YES" into the existing entry key.
bool MarkMenu(RegistryAccessor& reg, const std::string& name);

// Moves the entry's key with every value (type and bytes as stored) and sub-key to the new
// name. Succeeds doing nothing when the old key is missing or the new one exists; false when
// either name is not usable (a move never copies a key into itself); a step of the move that
// fails throws RegistryError.
bool RenameMenuKey(RegistryAccessor& reg, const std::string& oldName, const std::string& newName);
// Deletes the entry's key with everything under it; false when it is not there or the name is
// not usable (never MenuExt itself); a deletion that fails throws RegistryError.
bool DeleteMenuKey(RegistryAccessor& reg, const std::string& name);

} // namespace qm
