#pragma once
// The program's one way into the registry: a root, at most one open key, and string and
// 32-bit integer values, with the user-facing failure texts carried by RegistryError.
// Keys are opened for reading only; the first write to a key asks for write access then, so
// a user without rights to a key still lists and shows it.
//
// How it fails, one way throughout:
// - What may rightly find nothing answers with a return value and throws nothing: OpenKey and
//   OpenKeyBelow without canCreate (false; a key this user may not read is, for reading, not
//   there), KeyExists, ValueExists, ReadString and ReadText of an absent value, DeleteKey and
//   DeleteValue of what is not there (false), MoveKey from a missing key or onto an existing one
//   (false), MakeKeyBelow of a name that is taken (NewKey::Exists).
// - Every failure of the registry itself throws RegistryError, whose what() is the text the
//   user sees and whose Refused() tells a refusal for lack of rights from any other failure.
//   The accessor keeps no record of a past failure: a caller that must tell a refusal catches
//   the error.

#include "base/Text.h"
#include "registry/RegistryError.h"
#include "registry/RegistryViews.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// A value exactly as the registry stores it: its type and its bytes.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const RawValue&) const = default;
};

// A value as the registry itself holds it: the name and a text's bytes in UTF-16.
struct StoredValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::string bytes;
};

// A text value as a page found it when it filled a field from it: its type and bytes, so that
// a save can leave it exactly as it was (see ShownValues and SaveEdits).
struct StoredText {
    bool present = false;
    RawValue stored;   // type and bytes as read; REG_NONE when absent
    std::string text;  // what the field shows: up to the first NUL, "" when absent or empty
    bool exact = true; // false when the text lost characters the code page cannot hold

    bool Expandable() const { return stored.type == REG_EXPAND_SZ; }
};

class RegistryAccessor {
public:
    RegistryAccessor() = default;
    ~RegistryAccessor();
    RegistryAccessor(const RegistryAccessor&) = delete;
    RegistryAccessor& operator=(const RegistryAccessor&) = delete;

    // Chooses HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE; closes the open key.
    void SetRoot(HKEY root);
    // The same, with every operation in one registry view of the root only (one of those
    // ViewsOf names), for a caller that must tell the views apart: what an import made in the
    // view that lacked it is taken away there and nowhere else.
    void SetRootInView(HKEY root, REGSAM view);
    HKEY Root() const { return root_; }

    // Paths with a leading backslash start at the root; others lie below the open key.
    // A failed open leaves no key open, so later reads give "" and writes fail. Without
    // canCreate the key is opened for reading, false when it cannot be; with it, for writing (a
    // key missing in a machine view is made there, empty), and nothing is made when any view
    // refuses: it throws "Failed to create key %1" with the path as given.
    bool OpenKey(const std::string& path, bool canCreate);
    // Opens (or with canCreate creates) a key below the key open in parent, under parent's
    // root; path is relative to that key. Reaching a key through a handle that is already
    // open spares walking its path from the root again, which costs many times more for a
    // machine-wide key in the 32-bit view. The key is reached in each view below the
    // parent's key there. False, with no key open, when parent has none open (nothing lies
    // below it) or, without canCreate, when the key cannot be opened; with canCreate a key that
    // cannot be made throws "Failed to create key %1" with its path from the root (with a
    // leading backslash).
    bool OpenKeyBelow(const RegistryAccessor& parent, const std::string& path, bool canCreate);
    enum class NewKey {
        Made,   // the key is new in every view and open for writing
        Exists, // a key of that name is there already in some view: nothing was made
    };
    // Makes a new key below the key open in parent, under parent's root, with one request per
    // view, and leaves it open for writing; a key that is already there is never opened for
    // writing. With Exists, or when it throws ("Failed to create key %1" with the key's path
    // from the root, with a leading backslash; also when parent has no key open), no key is
    // left open and no view has changed.
    NewKey MakeKeyBelow(const RegistryAccessor& parent, const std::string& name);
    // Creates the key (and its missing parents); throws "Failed to create key %1".
    void CreateKey(const std::string& path);
    bool KeyExists(const std::string& path);
    // Deletes the key and every key below it, deepest first, from every view that has it; false
    // when no view has it (or the path names the root or the open key). When a view's key cannot
    // be deleted it throws "Failed to delete key %1" with the path as given; a refusal deletes
    // nothing.
    bool DeleteKey(const std::string& path);
    // Moves a key with every value (type and bytes as stored) and sub-key to a new path and
    // deletes the old one. Returns false, doing nothing, when the old key is missing or the
    // new one exists; throws when the new path lies inside the old key or a step fails.
    bool MoveKey(const std::string& oldPath, const std::string& newPath);
    void CloseKey();

    // Back to a fresh accessor's state in place: no key open, the current user's root.
    void Reset() { SetRoot(HKEY_CURRENT_USER); }
    bool HasOpenKey() const { return Primary() != nullptr; }
    // The registry views (as ViewsOf names them) in which the open key exists: one or both of
    // the machine's, or the one view of a root that has no others; none when no key is open.
    std::vector<REGSAM> OpenViews() const;
    // The open key's path from the root, without a leading backslash.
    const std::string& CurrentPath() const { return currentPath_; }

    // Names of the open key's sub-keys or values, in the registry's enumeration order. A
    // machine-wide key's sub-keys of both views are listed, each name once: the 32-bit
    // view's first, then those only the 64-bit view has.
    std::vector<std::string> GetKeyNames() const;
    std::vector<std::string> GetValueNames() const;
    // The open key's values with their types and bytes as stored, in enumeration order, read
    // together with their names (one registry call per value).
    std::vector<std::pair<std::string, RawValue>> GetValues() const;
    // The same for every registry view in which the open key exists (as OpenViews lists them),
    // so that a caller can tell whether the views hold the same record.
    std::vector<std::vector<std::pair<std::string, RawValue>>> GetValuesOfEachView() const;

    bool ValueExists(const std::string& name) const;
    // Absent value, empty data or no open key give "". REG_SZ and REG_EXPAND_SZ come back as
    // stored (unexpanded); other types fail with "Invalid data type for '%1'".
    std::string ReadString(const std::string& name) const;
    // Signed: a stored 0xFFFFFFFF reads as -1.
    int32_t ReadInteger(const std::string& name) const;
    // The string ReadString gives for a value already read: empty data gives "", REG_SZ and
    // REG_EXPAND_SZ their text up to the first NUL, other types fail as ReadString does.
    static std::string StringFromValue(const std::string& name, const RawValue& value);
    // Gives the value as the registry now holds it.
    StoredValue WriteString(const std::string& name, const std::string& value);

    // A string value for a field, with what is needed to write it back untouched (StoredText
    // above). An absent value (or no open key) gives present = false and text "". Types other
    // than REG_SZ and REG_EXPAND_SZ fail as ReadString does; empty data of any type reads "".
    StoredText ReadText(const std::string& name) const;
    // The text as the browser uses a value of that type: REG_EXPAND_SZ has its environment
    // references (%SystemRoot%...) expanded; other types give the text unchanged.
    static std::string ExpandedText(const std::string& text, DWORD type);
    // The user text of a save refused because a changed field could not show its value.
    static std::string CannotKeepText(const std::string& name);
    void WriteInteger(const std::string& name, int32_t value);
    // False when no view has the value; a deletion that fails throws RegistryError
    // "Failed to delete value '%1'" (Refused() when Windows refused it), so that a save does
    // not pass it by.
    bool DeleteValue(const std::string& name);

    // The value's type and bytes as stored; throws "Failed to get data for '%1'" if absent.
    RawValue ReadRaw(const std::string& name) const;
    StoredValue WriteRaw(const std::string& name, const RawValue& value);
    // A value as WriteRaw stores it, and so as a read gives it back afterwards: a text in the
    // legacy code page (an export file of an earlier version) is stored as UTF-8.
    static RawValue AsWritten(const RawValue& value);

private:
    // The value as the registry holds it once WriteRaw wrote it: its name, and a text's bytes,
    // in UTF-16 from the program's code page.
    static StoredValue AsStored(const std::string& name, const RawValue& value);
    static constexpr int kMaxViews = 2;
    // The open key in one registry view: missing (no handle) in a view that lacks it.
    struct ViewKey {
        HKEY handle = nullptr;
        bool writable = false;
    };
    using ViewKeys = std::array<ViewKey, kMaxViews>;
    // Where an operation starts in one view: a key handle and a path relative to it.
    struct Place {
        HKEY base = nullptr;
        std::string relative;
    };
    using Places = std::array<Place, kMaxViews>;
    // The view flag an open or create from that place takes.
    REGSAM ViewFlag(const Place& place, int view) const;

    // The views of the root: one, or two for the machine's root on 64-bit Windows.
    int ViewCount() const;
    REGSAM View(int index) const;
    // The handle reads use: the first view's where the key exists there.
    HKEY Primary() const;
    // Splits a path into where it starts in each view and the rest, relative to that.
    Places PlacesFor(const std::string& path, std::string& fullPath) const;
    Places PlacesFromRoot(const std::string& fullPath) const;
    // Every open goes through Open, so that a test can have chosen requests refused.
    LONG Open(const Place& place, int view, const std::string& fullPath, REGSAM access,
              HKEY& opened) const;
    LONG Create(const Place& place, int view, const std::string& fullPath, HKEY& created,
                DWORD& disposition) const;
    // Opens the key for reading in every view that has it; success when any has.
    LONG OpenInViews(const Places& places, const std::string& fullPath, ViewKeys& keys) const;
    // Opens the key for writing in every view, making it empty where it is missing; all or
    // nothing.
    LONG CreateInViews(const Places& places, const std::string& fullPath, ViewKeys& keys) const;
    // Removes a key made by CreateInViews again.
    void Unmake(const Place& place, int view) const;
    static void CloseAll(ViewKeys& keys);
    // Gives the open key write access in every view before a write; the registry's result
    // (ERROR_INVALID_HANDLE when no key is open).
    LONG MakeWritable();
    // Reads a value of the open key in one query when it fits the first buffer; the
    // registry's result code.
    LONG Query(const std::string& name, RawValue& value) const;

    HKEY root_ = HKEY_CURRENT_USER;
    REGSAM onlyView_ = 0; // the one view SetRootInView chose, or 0 for all of the root's
    ViewKeys keys_{};
    std::string currentPath_;
};

} // namespace qm
