#pragma once
// The program's one way into the registry: a root, at most one open key, and string and
// 32-bit integer values, with the user-facing failure texts carried by RegistryError.

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// A registry failure whose what() is the exact text shown to the user.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Machine-wide keys are read and written in the 32-bit registry view: the browser's page
// processes, which load toolbar buttons, are 32-bit on 64-bit Windows. The current user's
// Software key is shared between the views, so the flag is harmless there.
inline constexpr REGSAM kMachineRegistryView = KEY_WOW64_32KEY;

// A value exactly as the registry stores it: its type and its bytes.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const RawValue&) const = default;
};

// A text value as a page found it when it filled a field from it. A page keeps one per field
// from its load until its save, so that what the user did not change is written back exactly
// as it was found:
//
//     StoredText shown = registry.ReadText("Start Page");         // load
//     ui::SetText(field, shown.text);
//     ...
//     std::string typed = ui::GetText(field);                     // save
//     if (!shown.CanKeep(typed)) { show CannotKeepText(name); write nothing at all; }
//     registry.WriteText("Start Page", typed, shown);
//
// WriteText leaves a present value alone while its field still holds the text it showed (type
// and bytes stay, so a REG_EXPAND_SZ stays unexpanded and expandable); a changed text keeps the
// type REG_EXPAND_SZ when the value had it and is REG_SZ otherwise. Check CanKeep for every
// field before the first write, so that a refused save writes nothing.
struct StoredText {
    bool present = false;
    RawValue stored;   // type and bytes as read; REG_NONE when absent
    std::string text;  // what the field shows: up to the first NUL, "" when absent or empty
    bool exact = true; // false when the text lost characters the code page cannot hold

    bool Expandable() const { return stored.type == REG_EXPAND_SZ; }
    // Whether a field's text differs from the value as it was found.
    bool Changed(const std::string& fieldText) const { return !present || fieldText != text; }
    // False when the field was changed although it could not show the stored text exactly:
    // writing it would replace characters the user never saw.
    bool CanKeep(const std::string& fieldText) const { return exact || fieldText == text; }
};

class RegistryAccessor {
public:
    RegistryAccessor() = default;
    ~RegistryAccessor();
    RegistryAccessor(const RegistryAccessor&) = delete;
    RegistryAccessor& operator=(const RegistryAccessor&) = delete;

    // Chooses HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE; closes the open key.
    void SetRoot(HKEY root);
    HKEY Root() const { return root_; }

    // Paths with a leading backslash start at the root; others lie below the open key.
    // A failed open leaves no key open, so later reads give "" and writes fail.
    bool OpenKey(const std::string& path, bool canCreate);
    // Opens (or with canCreate creates) a key below the key open in parent, under parent's
    // root; path is relative to that key. Reaching a key through a handle that is already
    // open spares walking its path from the root again, which costs many times more for a
    // machine-wide key in the 32-bit view. False, with no key open, when parent has none open
    // or the key cannot be opened.
    bool OpenKeyBelow(const RegistryAccessor& parent, const std::string& path, bool canCreate);
    // Creates the key (and its missing parents); throws "Failed to create key %s".
    void CreateKey(const std::string& path);
    bool KeyExists(const std::string& path);
    // Deletes the key and every key below it, deepest first.
    bool DeleteKey(const std::string& path);
    // Moves a key with every value (type and bytes as stored) and sub-key to a new path and
    // deletes the old one. Returns false, doing nothing, when the old key is missing or the
    // new one exists; throws when the new path lies inside the old key or a step fails.
    bool MoveKey(const std::string& oldPath, const std::string& newPath);
    // Flushes the key to disk first when it was made or changed through this accessor.
    void CloseKey();

    bool HasOpenKey() const { return key_ != nullptr; }
    // The open key's path from the root, without a leading backslash.
    const std::string& CurrentPath() const { return currentPath_; }

    // Names of the open key's sub-keys or values, in the registry's enumeration order.
    std::vector<std::string> GetKeyNames() const;
    std::vector<std::string> GetValueNames() const;
    // The open key's values with their types and bytes as stored, in enumeration order, read
    // together with their names (one registry call per value).
    std::vector<std::pair<std::string, RawValue>> GetValues() const;

    bool ValueExists(const std::string& name) const;
    // Absent value, empty data or no open key give "". REG_SZ and REG_EXPAND_SZ come back as
    // stored (unexpanded); other types fail with "Invalid data type for '%s'".
    std::string ReadString(const std::string& name) const;
    // Signed: a stored 0xFFFFFFFF reads as -1.
    int32_t ReadInteger(const std::string& name) const;
    // The string ReadString gives for a value already read: empty data gives "", REG_SZ and
    // REG_EXPAND_SZ their text up to the first NUL, other types fail as ReadString does.
    static std::string StringFromValue(const std::string& name, const RawValue& value);
    void WriteString(const std::string& name, const std::string& value);

    // A string value for a field, with what is needed to write it back untouched (StoredText
    // above). An absent value (or no open key) gives present = false and text "". Types other
    // than REG_SZ and REG_EXPAND_SZ fail as ReadString does; empty data of any type reads "".
    StoredText ReadText(const std::string& name) const;
    // Writes a field's text unless it is the text shown of a present value; true when written.
    // Fails with "Failed to set data for '%s'".
    bool WriteText(const std::string& name, const std::string& text, const StoredText& shown);
    // The text as the browser uses a value of that type: REG_EXPAND_SZ has its environment
    // references (%SystemRoot%...) expanded; other types give the text unchanged.
    static std::string ExpandedText(const std::string& text, DWORD type);
    // The user text of a save refused because a changed field could not show its value.
    static std::string CannotKeepText(const std::string& name);
    void WriteInteger(const std::string& name, int32_t value);
    bool DeleteValue(const std::string& name);

    // The value's type and bytes as stored; throws "Failed to get data for '%s'" if absent.
    RawValue ReadRaw(const std::string& name) const;
    void WriteRaw(const std::string& name, const RawValue& value);

private:
    REGSAM Access() const;
    // Reads a value of the open key in one query when it fits the first buffer; the
    // registry's result code.
    LONG Query(const std::string& name, RawValue& value) const;
    // Splits a path into the key it starts from and the rest, relative to that key.
    HKEY BaseFor(const std::string& path, std::string& relative, std::string& fullPath) const;

    HKEY root_ = HKEY_CURRENT_USER;
    HKEY key_ = nullptr;
    bool changed_ = false; // the open key was made or written through this accessor
    std::string currentPath_;
};

} // namespace qm
