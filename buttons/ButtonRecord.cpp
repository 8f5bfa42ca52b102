#include "buttons/ButtonRecord.h"

#include "registry/KeyScope.h"

#include <algorithm>
#include <cstdio>

namespace qm {
namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

std::string TwoDigits(int n) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", n);
    return digits;
}

} // namespace

bool IsDefaultVisible(const std::string& stored) { return EqualsIgnoringAsciiCase(stored, "YES"); }

std::string ButtonKeyName(int n) { return ButtonKeyPrefix + TwoDigits(n) + "}"; }

std::string ButtonKeyPath(const std::string& keyName) {
    return std::string(kExtensionsKey) + "\\" + keyName;
}

std::string OwnRecordValueName(int n) { return "StdBtn" + TwoDigits(n); }

ButtonKeysExhausted::ButtonKeysExhausted()
    : RegistryError("No free toolbar button key is left: Quillmere can make at most 99 buttons") {}

NewButtonKey NextButtonKey(RegistryAccessor& reg, int firstCandidate) {
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    // Without an Extensions key every name is free.
    reg.OpenKey(kExtensionsKey, false);
    KeyScope keyScope(reg);
    return NextButtonKeyBelow(reg, firstCandidate);
}

NewButtonKey NextButtonKeyBelow(RegistryAccessor& extensions, int firstCandidate) {
    // A name the current user's root holds is taken too: the page would address a new
    // machine-wide record of that name under the current user's root.
    RegistryAccessor user;
    user.SetRoot(HKEY_CURRENT_USER);
    const bool userHasButtons = user.OpenKey(kExtensionsKey, false);
    auto taken = [&](const std::string& name) {
        return (extensions.HasOpenKey() && extensions.KeyExists(name)) ||
               (userHasButtons && user.KeyExists(name));
    };
    int n = std::max(firstCandidate, 1);
    while (n <= kMaxButtonCounter && taken(ButtonKeyName(n))) ++n;
    if (n > kMaxButtonCounter) throw ButtonKeysExhausted();
    return {n, ButtonKeyName(n), OwnRecordValueName(n)};
}

StoredValue AddOwnRecordEntry(RegistryAccessor& ownRecord, const NewButtonKey& key) {
    if (!ownRecord.HasOpenKey()) {
        ownRecord.SetRoot(HKEY_CURRENT_USER);
        ownRecord.OpenKey(kOwnRecordKey, true); // a failure names kOwnRecordKey
    }
    return ownRecord.WriteString(key.ownRecordValueName, key.keyName);
}

void WriteOwnRecord(RegistryAccessor& reg, const NewButtonKey& key) {
    reg.SetRoot(HKEY_CURRENT_USER);
    KeyScope keyScope(reg);
    AddOwnRecordEntry(reg, key);
}

namespace {

// The own-record entry of a key name, open in reg: "StdBtn" and characters 36 and 37 (counting
// from 1), a program-made name's counter digits, when its data is that very key name; an entry
// of another type or for another key is not this button's. Empty when there is none.
std::string OwnRecordEntryOf(const RegistryAccessor& reg, const std::string& keyName) {
    if (keyName.size() < 37) return {};
    std::string valueName = "StdBtn" + keyName.substr(35, 2);
    if (!reg.ValueExists(valueName)) return {};
    RawValue stored = reg.ReadRaw(valueName);
    std::string data = stored.bytes;
    while (!data.empty() && data.back() == '\0') data.pop_back();
    if ((stored.type == REG_SZ || stored.type == REG_EXPAND_SZ) && data == keyName)
        return valueName;
    return {};
}

} // namespace

bool ForgetOwnRecord(RegistryAccessor& reg, const std::string& keyName) {
    reg.SetRoot(HKEY_CURRENT_USER);
    KeyScope keyScope(reg);
    if (!reg.OpenKey(kOwnRecordKey, false)) return false;
    std::string valueName = OwnRecordEntryOf(reg, keyName);
    return !valueName.empty() && reg.DeleteValue(valueName);
}

bool InOwnRecord(RegistryAccessor& reg, const std::string& keyName) {
    reg.SetRoot(HKEY_CURRENT_USER);
    KeyScope keyScope(reg);
    return reg.OpenKey(kOwnRecordKey, false) && !OwnRecordEntryOf(reg, keyName).empty();
}

void WalkListedButtons(RegistryAccessor& reg, HKEY root, bool onlyOwn, bool backwards,
                       const std::function<void(const std::string&, RegistryAccessor&)>& listed) {
    reg.SetRoot(root);
    KeyScope recordScope(reg);
    RegistryAccessor extensions;
    extensions.SetRoot(root);
    if (!extensions.OpenKey(kExtensionsKey, false)) return;
    std::vector<std::string> names = extensions.GetKeyNames();
    if (backwards) std::reverse(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name == kReservedButtonKey) continue;
        // A record removed since the names were read is no button any more.
        if (!reg.OpenKeyBelow(extensions, name, false)) continue;
        if (root == HKEY_CURRENT_USER && !reg.ValueExists(kClsidValue)) continue;
        if (onlyOwn && !reg.ValueExists(kIsQuillmereValue)) continue;
        listed(name, reg);
    }
}

void WalkButtonsInListedOrder(
    RegistryAccessor& reg, bool onlyOwn, bool backwards,
    const std::function<void(const std::string&, RegistryAccessor&)>& listed) {
    std::array<HKEY, 2> roots = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    if (backwards) std::reverse(roots.begin(), roots.end());
    for (HKEY root : roots) WalkListedButtons(reg, root, onlyOwn, backwards, listed);
}

std::vector<std::string> ListedButtonKeys(RegistryAccessor& reg, HKEY root, bool onlyOwn) {
    std::vector<std::string> listed;
    WalkListedButtons(reg, root, onlyOwn, false,
                      [&](const std::string& name, RegistryAccessor&) { listed.push_back(name); });
    return listed;
}

bool OpenButtonRecord(RegistryAccessor& extensions, RegistryAccessor& reg, HKEY root,
                      const std::string& keyName) {
    reg.SetRoot(root);
    extensions.SetRoot(root);
    if (keyName.empty() || !extensions.OpenKey(kExtensionsKey, false)) return false;
    return reg.OpenKeyBelow(extensions, keyName, false);
}

bool MakeButtonRecord(RegistryAccessor& registry, HKEY root, const std::string& keyName,
                      const std::vector<std::pair<std::string, std::string>>& values) {
    KeyScope keyScope(registry);
    const std::string path = ButtonKeyPath(keyName);
    RegistryAccessor extensions;
    extensions.SetRoot(root);
    try {
        extensions.OpenKey(kExtensionsKey, true);
        if (registry.MakeKeyBelow(extensions, keyName) == RegistryAccessor::NewKey::Exists)
            return false;
    } catch (const RegistryError& error) {
        throw KeyNotCreated(path, error.Refused()); // named by the record's path
    }
    try {
        for (const auto& [name, text] : values) registry.WriteString(name, text);
    } catch (const RegistryError&) {
        // No half record stays behind, as far as it can be taken away.
        registry.CloseKey();
        try {
            DeleteButtonRecord(registry, root, keyName);
        } catch (const RegistryError&) {
        }
        throw;
    }
    return true;
}

bool DeleteButtonRecord(RegistryAccessor& registry, HKEY root, const std::string& keyName) {
    if (keyName.empty()) return false; // the Extensions key itself, with every button
    KeyScope keyScope(registry);
    registry.SetRoot(root);
    // Below the open Extensions key: the record's full path may be longer than the platform
    // takes.
    try {
        return registry.OpenKey(kExtensionsKey, false) && registry.DeleteKey(keyName);
    } catch (const RegistryError& error) {
        throw KeyNotDeleted(ButtonKeyPath(keyName), error.Refused());
    }
}

HKEY RootForButton(const std::string& keyName, const std::vector<std::string>& currentUserButtons) {
    for (const std::string& name : currentUserButtons)
        if (EqualsIgnoringAsciiCase(name, keyName)) return HKEY_CURRENT_USER;
    return HKEY_LOCAL_MACHINE;
}

bool TemplateIsVisible(const ButtonTemplateRow& row) {
    return std::string(row[kTemplateVisible]) == "yes";
}

bool TemplateShowsInTools(const ButtonTemplateRow& row) {
    return *row[kTemplateMenuText] != '\0' || *row[kTemplateMenuStatusBar] != '\0';
}

std::string TemplatePath(const std::string& programFolder, const char* cell) {
    if (*cell == '\0') return "";
    return programFolder + cell;
}

} // namespace qm
