#include "transfer/ImportedSets.h"

#include "buttons/ButtonRecord.h"
#include "registry/KeyScope.h"
#include "transfer/ExportFormat.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <tuple>

namespace qm::transfer {
namespace {

// Values of the record's own key: the topmost keys the imports made, under each root and in
// each view of the machine's (the view's name follows: "MadeMachineKey32").
constexpr char kMadeMachineKeyValue[] = "MadeMachineKey";
constexpr char kMadeOwnKeyValue[] = "MadeOwnKey";

std::string MadeMachineKeyValue(REGSAM view) {
    return std::string(kMadeMachineKeyValue) + (view == KEY_WOW64_32KEY   ? "32"
                                                : view == KEY_WOW64_64KEY ? "64"
                                                                          : "");
}

// The keys on the way to the machine's Extensions key and to the own record, from the top
// down, each made by the first write below it.
const char* const kMachineKeys[] = {"\\Software\\Microsoft",
                                    "\\Software\\Microsoft\\Internet Explorer", kExtensionsKey};
const char* const kOwnKeys[] = {"\\Software", "\\Software\\qzo", "\\Software\\qzo\\Quillmere"};

std::string WithoutTrailingSeparator(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// Whether a noted container is one of the keys an import makes (the note is read back from
// the registry, and nothing else is ever deleted for it).
bool IsMachineKey(const std::string& path) {
    return std::any_of(std::begin(kMachineKeys), std::end(kMachineKeys),
                       [&](const char* key) { return path == key; });
}
bool IsOwnKey(const std::string& path) {
    return std::any_of(std::begin(kOwnKeys), std::end(kOwnKeys),
                       [&](const char* key) { return path == key; }) ||
           path == WithoutTrailingSeparator(kOwnRecordKey);
}

// A noted container, read back from the record open in record; empty when there is none.
std::string Noted(const RegistryAccessor& record, const char* value) {
    return record.ValueExists(value) ? record.ReadString(value) : std::string();
}

std::string SetKey(const std::string& setName) {
    return std::string(kImportedSetsKey) + "\\" + setName;
}

bool Exists(HKEY root, const std::string& path, REGSAM view = 0) {
    RegistryAccessor registry;
    registry.SetRootInView(root, view);
    return registry.OpenKey(path, false);
}

// The text of a string value read exactly; nothing for another type.
std::optional<std::string> TextOf(const RawValue& value) {
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return std::nullopt;
    return value.bytes.substr(0, value.bytes.find('\0'));
}

// Whether the set open in set notes that it uses the button under keyName with that text.
bool NotesUse(const RegistryAccessor& set, const std::string& keyName, const std::string& text) {
    return set.ValueExists(keyName) && TextOf(set.ReadRaw(keyName)) == text;
}

// Whether a key and everything below it hold no value, in any view.
bool HoldsNothing(const RegistryAccessor& key) {
    for (const auto& values : key.GetValuesOfEachView())
        if (!values.empty()) return false;
    for (const std::string& name : key.GetKeyNames()) {
        RegistryAccessor below;
        if (below.OpenKeyBelow(key, name, false) && !HoldsNothing(below)) return false;
    }
    return true;
}

void Delete(RegistryAccessor& registry, HKEY root, const std::string& path, REGSAM view = 0) {
    registry.SetRootInView(root, view);
    try {
        registry.DeleteKey(path);
    } catch (const RegistryError&) {
        if (registry.KeyExists(path)) throw; // a key gone all the same is deleted
    }
}

} // namespace

std::string SetNameOf(const std::string& path) {
    size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

MadeContainers MissingContainers() {
    MadeContainers missing;
    for (REGSAM view : ViewsOf(HKEY_LOCAL_MACHINE))
        for (const char* key : kMachineKeys)
            if (!Exists(HKEY_LOCAL_MACHINE, key, view)) {
                missing.machineKeys.emplace_back(view, key);
                break;
            }
    for (const char* key : kOwnKeys)
        if (!Exists(HKEY_CURRENT_USER, key)) {
            missing.ownKey = key;
            return missing;
        }
    std::string ownRecord = WithoutTrailingSeparator(kOwnRecordKey);
    if (!Exists(HKEY_CURRENT_USER, ownRecord)) missing.ownKey = ownRecord;
    return missing;
}

std::vector<ChangedKey> SetRecordKeys(bool machine) {
    // A key taken back is made again with the keys above it, so that these also bring back
    // the containers a removal took with the last set.
    std::vector<ChangedKey> keys;
    if (machine) keys.push_back({HKEY_LOCAL_MACHINE, kExtensionsKey});
    keys.push_back({HKEY_CURRENT_USER, kOwnRecordKey});
    keys.push_back({HKEY_CURRENT_USER, kImportedSetsKey});
    return keys;
}

bool SetUsesNoted(const std::string& setName, const std::vector<SetUse>& uses) {
    RegistryAccessor set;
    set.SetRoot(HKEY_CURRENT_USER);
    if (!set.OpenKey(SetKey(setName), false)) return uses.empty();
    return std::all_of(uses.begin(), uses.end(),
                       [&](const SetUse& use) { return NotesUse(set, use.keyName, use.text); });
}

SetUseNotes::SetUseNotes(const std::string& setName, const MadeContainers& made) {
    record_.SetRoot(HKEY_CURRENT_USER);
    record_.OpenKey(kImportedSetsKey, true); // a failure names kImportedSetsKey
    // A container noted once stays noted until the record goes; a record that holds no set
    // (left by an import whose set was then forgotten some other way) starts afresh.
    if (record_.GetKeyNames().empty())
        for (const std::string& name : record_.GetValueNames()) record_.DeleteValue(name);
    for (const auto& [view, key] : made.machineKeys)
        if (!record_.ValueExists(MadeMachineKeyValue(view)))
            record_.WriteString(MadeMachineKeyValue(view), key);
    if (!made.ownKey.empty() && !record_.ValueExists(kMadeOwnKeyValue))
        record_.WriteString(kMadeOwnKeyValue, made.ownKey);
    try {
        if (!set_.OpenKeyBelow(record_, setName, true)) throw KeyNotCreated(SetKey(setName));
    } catch (const RegistryError& error) {
        throw KeyNotCreated(SetKey(setName), error.Refused());
    }
}

void SetUseNotes::Note(const std::vector<SetUse>& uses) {
    for (const SetUse& use : uses) set_.WriteString(use.keyName, use.text);
}

bool SetRecorded(const std::string& setName) { return Exists(HKEY_CURRENT_USER, SetKey(setName)); }

bool SetUses(const std::string& setName, const std::string& keyName, const std::string& text) {
    RegistryAccessor set;
    set.SetRoot(HKEY_CURRENT_USER);
    return set.OpenKey(SetKey(setName), false) && NotesUse(set, keyName, text);
}

std::vector<std::string> OtherSetsUsing(const std::string& setName, const std::string& keyName,
                                        const std::string& text) {
    std::vector<std::string> others;
    RegistryAccessor record;
    record.SetRoot(HKEY_CURRENT_USER);
    if (!record.OpenKey(kImportedSetsKey, false)) return others;
    RegistryAccessor set;
    for (const std::string& name : record.GetKeyNames()) {
        if (AsciiLower(name) == AsciiLower(setName)) continue;
        if (set.OpenKeyBelow(record, name, false) && NotesUse(set, keyName, text))
            others.push_back(name);
        set.CloseKey();
    }
    return others;
}

void ForgetSet(const std::string& setName) {
    RegistryAccessor registry;
    if (SetRecorded(setName)) Delete(registry, HKEY_CURRENT_USER, SetKey(setName));
    RegistryAccessor record;
    record.SetRoot(HKEY_CURRENT_USER);
    if (!record.OpenKey(kImportedSetsKey, false) || !record.GetKeyNames().empty()) return;
    std::vector<std::tuple<HKEY, REGSAM, std::string>> made;
    for (REGSAM view : ViewsOf(HKEY_LOCAL_MACHINE)) {
        std::string key = Noted(record, MadeMachineKeyValue(view).c_str());
        if (IsMachineKey(key)) made.emplace_back(HKEY_LOCAL_MACHINE, view, key);
    }
    std::string ownKey = Noted(record, kMadeOwnKeyValue);
    if (IsOwnKey(ownKey)) made.emplace_back(HKEY_CURRENT_USER, 0, ownKey);
    record.CloseKey();
    Delete(registry, HKEY_CURRENT_USER, kImportedSetsKey);

    // The containers the imports made, in the view they made them in, where nothing is left.
    for (const auto& [root, view, key] : made) {
        RegistryAccessor container;
        container.SetRootInView(root, view);
        if (container.OpenKey(key, false) && HoldsNothing(container)) {
            container.CloseKey();
            Delete(registry, root, key, view);
        }
    }
}

} // namespace qm::transfer
