#include "registry/RegistryAccessor.h"

#include "base/Handles.h"
#include "base/StringTable.h"
#include "registry/KeyTree.h"
#include "registry/RegistryRefusals.h"
#include "registry/ValueText.h"

#include "resource.h"

#include <algorithm>
#include <cctype>

namespace qm {
namespace {

bool RuleRefuses(HKEY root, REGSAM view, const std::string& path, REGSAM access, bool creates) {
    return testing::RuleRefuses(testing::RegistryRequest{root, view, path, access, creates});
}

std::string StripTrailingSeparators(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Join(const std::string& path, const std::string& relative) {
    if (path.empty()) return relative;
    if (relative.empty()) return path;
    return path + "\\" + relative;
}

} // namespace

RegistryAccessor::~RegistryAccessor() { CloseKey(); }

void RegistryAccessor::SetRoot(HKEY root) {
    CloseKey();
    root_ = root;
    onlyView_ = 0;
}

void RegistryAccessor::SetRootInView(HKEY root, REGSAM view) {
    SetRoot(root);
    const std::vector<REGSAM> views = ViewsOf(root);
    if (std::find(views.begin(), views.end(), view) != views.end()) onlyView_ = view;
}

int RegistryAccessor::ViewCount() const {
    if (onlyView_ || root_ != HKEY_LOCAL_MACHINE) return 1;
    return MachineViewsApart() ? 2 : 1;
}

REGSAM RegistryAccessor::View(int index) const {
    if (onlyView_) return onlyView_;
    if (root_ != HKEY_LOCAL_MACHINE) return 0;
    return index == 0 ? kMachineRegistryView : kMachineOtherView;
}

HKEY RegistryAccessor::Primary() const {
    for (const ViewKey& key : keys_)
        if (key.handle) return key.handle;
    return nullptr;
}

std::vector<REGSAM> RegistryAccessor::OpenViews() const {
    if (onlyView_) return keys_[0].handle ? std::vector<REGSAM>{onlyView_} : std::vector<REGSAM>{};
    const std::vector<REGSAM> views = ViewsOf(root_);
    std::vector<REGSAM> open;
    for (int i = 0; i < ViewCount() && i < static_cast<int>(views.size()); ++i)
        if (keys_[i].handle) open.push_back(views[i]);
    return open;
}

RegistryAccessor::Places RegistryAccessor::PlacesFromRoot(const std::string& fullPath) const {
    Places places;
    for (int i = 0; i < ViewCount(); ++i) places[i] = Place{root_, fullPath};
    return places;
}

RegistryAccessor::Places RegistryAccessor::PlacesFor(const std::string& path,
                                                     std::string& fullPath) const {
    if ((!path.empty() && path.front() == '\\') || !HasOpenKey()) {
        fullPath = StripTrailingSeparators(path.substr(!path.empty() && path.front() == '\\'));
        return PlacesFromRoot(fullPath);
    }
    std::string relative = StripTrailingSeparators(path);
    fullPath = Join(currentPath_, relative);
    Places places = PlacesFromRoot(fullPath);
    // Below the open key's handle where it has one in that view.
    for (int i = 0; i < ViewCount(); ++i)
        if (keys_[i].handle) places[i] = Place{keys_[i].handle, relative};
    return places;
}

REGSAM RegistryAccessor::ViewFlag(const Place& place, int view) const {
#if defined(_WIN64)
    // Below a key handle the view is the handle's: a 64-bit program's path from there is never
    // redirected, and naming the view again only has Wine look for a redirected node (an extra
    // open of the registry) at every record of a listing. From a root the view is named.
    if (place.base != root_) return 0;
#endif
    return View(view);
}

LONG RegistryAccessor::Open(const Place& place, int view, const std::string& fullPath,
                            REGSAM access, HKEY& opened) const {
    opened = nullptr;
    LONG result = RegOpenKeyExA(place.base, place.relative.c_str(), 0,
                                access | ViewFlag(place, view), &opened);
    // Windows says whether a key exists before it weighs the rights to it.
    if (result == ERROR_SUCCESS && RuleRefuses(root_, View(view), fullPath, access, false)) {
        RegCloseKey(opened);
        opened = nullptr;
        return ERROR_ACCESS_DENIED;
    }
    return result;
}

LONG RegistryAccessor::Create(const Place& place, int view, const std::string& fullPath,
                              HKEY& created, DWORD& disposition) const {
    created = nullptr;
    if (RuleRefuses(root_, View(view), fullPath, KEY_CREATE_SUB_KEY, true))
        return ERROR_ACCESS_DENIED;
    return RegCreateKeyExA(place.base, place.relative.c_str(), 0, nullptr, 0,
                           kWriteAccess | ViewFlag(place, view), nullptr, &created, &disposition);
}

LONG RegistryAccessor::OpenInViews(const Places& places, const std::string& fullPath,
                                   ViewKeys& keys) const {
    LONG failure = ERROR_FILE_NOT_FOUND;
    bool any = false;
    for (int i = 0; i < ViewCount(); ++i) {
        LONG result = Open(places[i], i, fullPath, kReadAccess, keys[i].handle);
        if (result == ERROR_SUCCESS)
            any = true;
        else if (failure != ERROR_ACCESS_DENIED)
            failure = result;
    }
    return any ? ERROR_SUCCESS : failure;
}

void RegistryAccessor::Unmake(const Place& place, int view) const {
    DeleteTreeAt(place.base, place.relative, View(view));
}

LONG RegistryAccessor::CreateInViews(const Places& places, const std::string& fullPath,
                                     ViewKeys& keys) const {
    if (fullPath.empty()) return ERROR_INVALID_PARAMETER; // never the root itself
    // First the views that have the key, for writing: a refusal there changes nothing.
    std::array<bool, kMaxViews> missing{};
    for (int i = 0; i < ViewCount(); ++i) {
        LONG result = Open(places[i], i, fullPath, kWriteAccess, keys[i].handle);
        if (result == ERROR_FILE_NOT_FOUND) {
            missing[i] = true;
        } else if (result != ERROR_SUCCESS) {
            CloseAll(keys);
            return result;
        }
        keys[i].writable = keys[i].handle != nullptr;
    }
    // Then the views that lack it, each made empty: what another view holds under the key
    // (every program's buttons, for the Extensions key) is never copied into it.
    for (int i = 0; i < ViewCount(); ++i) {
        if (!missing[i]) continue;
        DWORD disposition = REG_CREATED_NEW_KEY;
        LONG result = Create(places[i], i, fullPath, keys[i].handle, disposition);
        if (result == ERROR_SUCCESS) keys[i].writable = true;
        if (result != ERROR_SUCCESS) {
            // The copies made so far go again, so that no view is left half done.
            for (int j = 0; j <= i; ++j) {
                bool made = missing[j] && keys[j].handle;
                if (keys[j].handle) RegCloseKey(keys[j].handle);
                keys[j] = ViewKey{};
                if (made) Unmake(places[j], j);
            }
            CloseAll(keys);
            return result;
        }
    }
    return ERROR_SUCCESS;
}

void RegistryAccessor::CloseAll(ViewKeys& keys) {
    // No RegFlushKey: the registry writes changes to disk by itself within seconds, and a flush
    // stops every other program's registry work while it writes the whole hive.
    for (ViewKey& key : keys) {
        if (key.handle) RegCloseKey(key.handle);
        key = ViewKey{};
    }
}

bool RegistryAccessor::OpenKey(const std::string& path, bool canCreate) {
    std::string fullPath;
    Places places = PlacesFor(path, fullPath);
    ViewKeys opened{};
    LONG result =
        canCreate ? CreateInViews(places, fullPath, opened) : OpenInViews(places, fullPath, opened);
    CloseKey();
    if (result != ERROR_SUCCESS) {
        if (canCreate) throw KeyNotCreated(path, IsRefusal(result));
        return false; // a key this user may not read is, for reading, not there
    }
    keys_ = opened;
    currentPath_ = fullPath;
    return true;
}

bool RegistryAccessor::OpenKeyBelow(const RegistryAccessor& parent, const std::string& path,
                                    bool canCreate) {
    CloseKey();
    root_ = parent.root_;
    onlyView_ = parent.onlyView_;
    if (!parent.HasOpenKey()) return false;
    std::string relative = StripTrailingSeparators(path);
    std::string fullPath = Join(parent.currentPath_, relative);
    Places places = PlacesFromRoot(fullPath);
    for (int i = 0; i < ViewCount(); ++i)
        if (parent.keys_[i].handle) places[i] = Place{parent.keys_[i].handle, relative};
    ViewKeys opened{};
    LONG result =
        canCreate ? CreateInViews(places, fullPath, opened) : OpenInViews(places, fullPath, opened);
    if (result != ERROR_SUCCESS) {
        if (canCreate) throw KeyNotCreated("\\" + fullPath, IsRefusal(result));
        return false;
    }
    keys_ = opened;
    currentPath_ = fullPath;
    return true;
}

RegistryAccessor::NewKey RegistryAccessor::MakeKeyBelow(const RegistryAccessor& parent,
                                                        const std::string& name) {
    CloseKey();
    root_ = parent.root_;
    onlyView_ = parent.onlyView_;
    std::string relative = StripTrailingSeparators(name);
    std::string fullPath = Join(parent.currentPath_, relative);
    if (!parent.HasOpenKey()) throw KeyNotCreated("\\" + fullPath);
    Places places = PlacesFromRoot(fullPath);
    for (int i = 0; i < ViewCount(); ++i)
        if (parent.keys_[i].handle) places[i] = Place{parent.keys_[i].handle, relative};
    ViewKeys made{};
    std::array<bool, kMaxViews> created{};
    NewKey outcome = NewKey::Made;
    LONG failure = ERROR_SUCCESS;
    for (int i = 0; i < ViewCount() && outcome == NewKey::Made && failure == ERROR_SUCCESS; ++i) {
        DWORD disposition = 0;
        LONG result = Create(places[i], i, fullPath, made[i].handle, disposition);
        if (result != ERROR_SUCCESS) {
            failure = result;
        } else {
            made[i].writable = true;
            created[i] = disposition == REG_CREATED_NEW_KEY;
            if (!created[i]) outcome = NewKey::Exists;
        }
    }
    if (outcome == NewKey::Made && failure == ERROR_SUCCESS) {
        keys_ = made;
        currentPath_ = fullPath;
        return outcome;
    }
    // What this call made goes again, so that every view is as it was.
    for (int i = 0; i < kMaxViews; ++i) {
        if (made[i].handle) RegCloseKey(made[i].handle);
        if (created[i]) Unmake(places[i], i);
    }
    if (failure != ERROR_SUCCESS) throw KeyNotCreated("\\" + fullPath, IsRefusal(failure));
    return outcome;
}

void RegistryAccessor::CreateKey(const std::string& path) {
    std::string fullPath;
    Places places = PlacesFor(path, fullPath);
    ViewKeys created{};
    if (LONG result = CreateInViews(places, fullPath, created); result != ERROR_SUCCESS)
        throw KeyNotCreated(path, IsRefusal(result));
    CloseAll(created);
}

bool RegistryAccessor::KeyExists(const std::string& path) {
    std::string fullPath;
    Places places = PlacesFor(path, fullPath);
    for (int i = 0; i < ViewCount(); ++i) {
        UniqueKey key;
        if (Open(places[i], i, fullPath, kReadAccess, *key.out()) == ERROR_SUCCESS) return true;
    }
    return false;
}

bool RegistryAccessor::DeleteKey(const std::string& path) {
    std::string fullPath;
    Places places = PlacesFor(path, fullPath);
    if (fullPath.empty() || StripTrailingSeparators(path).empty() ||
        (path.size() == 1 && path[0] == '\\'))
        return false; // never the root or the open key through an empty name
    // Every view's copy must be deletable before any is deleted.
    std::array<bool, kMaxViews> present{};
    bool any = false;
    for (int i = 0; i < ViewCount(); ++i) {
        UniqueKey key;
        LONG result = Open(places[i], i, fullPath, kDeleteAccess, *key.out());
        if (result == ERROR_FILE_NOT_FOUND) continue;
        if (result != ERROR_SUCCESS) throw KeyNotDeleted(path, IsRefusal(result));
        present[i] = any = true;
    }
    if (!any) return false;
    bool deleted = true;
    for (int i = 0; i < ViewCount(); ++i) {
        if (present[i])
            deleted = DeleteTreeAt(places[i].base, places[i].relative, View(i)) && deleted;
    }
    if (!deleted) throw KeyNotDeleted(path);
    return true;
}

bool RegistryAccessor::MoveKey(const std::string& oldPath, const std::string& newPath) {
    std::string oldFull, newFull;
    Places oldPlaces = PlacesFor(oldPath, oldFull);
    Places newPlaces = PlacesFor(newPath, newFull);
    if (oldFull.empty() || newFull.empty()) return false;
    // Key names compare without regard to letter case, as the registry matches them.
    std::string oldKey = Lower(oldFull), newKey = Lower(newFull);
    if (newKey.size() > oldKey.size() && newKey.compare(0, oldKey.size(), oldKey) == 0 &&
        newKey[oldKey.size()] == '\\')
        throw KeyIntoItself(oldPath);
    if (!KeyExists(oldPath) || KeyExists(newPath)) return false;

    // The old key must be deletable in every view before the new one is made.
    ViewKeys sources{};
    for (int i = 0; i < ViewCount(); ++i) {
        LONG result = Open(oldPlaces[i], i, oldFull, kDeleteAccess, sources[i].handle);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            CloseAll(sources);
            throw KeyNotDeleted(oldPath, IsRefusal(result));
        }
    }
    ViewKeys targets{};
    if (LONG result = CreateInViews(newPlaces, newFull, targets); result != ERROR_SUCCESS) {
        CloseAll(sources);
        throw KeyNotCreated(newPath, IsRefusal(result));
    }
    bool copied = true;
    for (int i = 0; i < ViewCount(); ++i) {
        if (sources[i].handle) {
            copied = copied && CopyTree(sources[i].handle, targets[i].handle, View(i));
            continue;
        }
        // A view that lacks the old key gets no new one either.
        RegCloseKey(targets[i].handle);
        targets[i] = ViewKey{};
        Unmake(newPlaces[i], i);
    }
    CloseAll(sources);
    CloseAll(targets);
    if (!copied) throw KeyNotCopied(oldPath);
    if (!DeleteKey(oldPath)) throw KeyNotDeleted(oldPath);
    return true;
}

void RegistryAccessor::CloseKey() {
    CloseAll(keys_);
    currentPath_.clear();
}

LONG RegistryAccessor::MakeWritable() {
    if (!HasOpenKey()) return ERROR_INVALID_HANDLE;
    bool writable = true;
    for (int i = 0; i < ViewCount(); ++i) writable = writable && keys_[i].writable;
    if (writable) return ERROR_SUCCESS;
    // An edit writes the views that hold the key and no other: a record one view lacks is not
    // made there. Each view reopens the key through its own handle: the path from the root is
    // not walked again, and may be longer than the platform takes for a key opened below
    // another. All or nothing: a refusal in one view leaves the key as it was.
    ViewKeys reopened{};
    LONG result = ERROR_SUCCESS;
    for (int i = 0; i < ViewCount() && result == ERROR_SUCCESS; ++i) {
        if (!keys_[i].handle) continue;
        result =
            Open(Place{keys_[i].handle, ""}, i, currentPath_, kWriteAccess, reopened[i].handle);
        reopened[i].writable = result == ERROR_SUCCESS;
    }
    if (result != ERROR_SUCCESS) {
        CloseAll(reopened);
        return result;
    }
    CloseAll(keys_);
    keys_ = reopened;
    return ERROR_SUCCESS;
}

std::vector<std::string> RegistryAccessor::GetKeyNames() const {
    std::vector<std::string> names;
    std::vector<std::string> seen; // lower case, as the registry matches names
    for (const ViewKey& key : keys_) {
        if (!key.handle) continue;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD length = sizeof name;
            LONG result =
                RegEnumKeyExA(key.handle, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (result == ERROR_NO_MORE_ITEMS) break;
            if (result == ERROR_SUCCESS) {
                std::string lower = Lower(std::string(name, length));
                if (std::find(seen.begin(), seen.end(), lower) != seen.end()) continue;
                seen.push_back(std::move(lower));
                names.emplace_back(name, length);
            } else if (result != ERROR_MORE_DATA) {
                break;
            }
        }
    }
    return names;
}

std::vector<std::string> RegistryAccessor::GetValueNames() const {
    std::vector<std::string> names;
    if (!Primary()) return names;
    std::string name(32768, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        LONG result =
            RegEnumValueA(Primary(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_SUCCESS)
            names.emplace_back(name.data(), length);
        else
            break;
    }
    return names;
}

namespace {

std::vector<std::pair<std::string, RawValue>> ValuesOf(HKEY key) {
    std::vector<std::pair<std::string, RawValue>> values;
    if (!key) return values;
    std::string name(32768, '\0');
    std::string data(1024, '\0');
    for (DWORD i = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG result = RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &dataLength);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_MORE_DATA && data.size() < (1u << 30)) { // the same value again
            data.resize(std::max<size_t>(data.size() * 2, dataLength));
            continue;
        }
        if (result != ERROR_SUCCESS) break;
        values.emplace_back(
            std::string(name.data(), nameLength),
            RawValue{type, data.substr(0, std::min<size_t>(dataLength, data.size()))});
        ++i;
    }
    return values;
}

} // namespace

std::vector<std::pair<std::string, RawValue>> RegistryAccessor::GetValues() const {
    return ValuesOf(Primary());
}

std::vector<std::vector<std::pair<std::string, RawValue>>>
RegistryAccessor::GetValuesOfEachView() const {
    std::vector<std::vector<std::pair<std::string, RawValue>>> views;
    for (const ViewKey& key : keys_)
        if (key.handle) views.push_back(ValuesOf(key.handle));
    return views;
}

bool RegistryAccessor::ValueExists(const std::string& name) const {
    return Primary() && RegQueryValueExA(Primary(), name.c_str(), nullptr, nullptr, nullptr,
                                         nullptr) == ERROR_SUCCESS;
}

LONG RegistryAccessor::Query(const std::string& name, RawValue& value) const {
    // Most values are short: the first query usually brings the data along.
    DWORD size = 256;
    for (;;) {
        DWORD capacity = size;
        value.bytes.assign(capacity, '\0');
        LONG result = RegQueryValueExA(Primary(), name.c_str(), nullptr, &value.type,
                                       reinterpret_cast<BYTE*>(value.bytes.data()), &size);
        if (result == ERROR_MORE_DATA) { // size now holds what the value needs
            if (size <= capacity) size = capacity * 2;
            continue;
        }
        if (result != ERROR_SUCCESS) return result;
        value.bytes.resize(std::min(size, capacity));
        return ERROR_SUCCESS;
    }
}

RawValue RegistryAccessor::ReadRaw(const std::string& name) const {
    RawValue value;
    if (!Primary() || Query(name, value) != ERROR_SUCCESS) throw DataNotRead(name);
    return value;
}

std::string RegistryAccessor::ReadString(const std::string& name) const {
    RawValue value;
    if (!Primary() || Query(name, value) != ERROR_SUCCESS) return {}; // absent reads as ""
    return StringFromValue(name, value);
}

std::string RegistryAccessor::StringFromValue(const std::string& name, const RawValue& value) {
    if (value.bytes.empty()) return {};
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) throw WrongDataType(name);
    return value.bytes.substr(0, value.bytes.find('\0'));
}

int32_t RegistryAccessor::ReadInteger(const std::string& name) const {
    DWORD data = 0, size = sizeof data, type = REG_NONE;
    if (!Primary() || RegQueryValueExA(Primary(), name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        throw DataNotRead(name);
    if (type != REG_DWORD) throw WrongDataType(name);
    return static_cast<int32_t>(data);
}

RawValue RegistryAccessor::AsWritten(const RawValue& value) {
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return value;
    return RawValue{value.type, FromLegacyCodePage(value.bytes)};
}

StoredValue RegistryAccessor::AsStored(const std::string& name, const RawValue& value) {
    StoredValue stored{WidenText(name), value.type, {}};
    const RawValue written = AsWritten(value);
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ) {
        const std::wstring wide = WidenText(written.bytes);
        stored.bytes.assign(reinterpret_cast<const char*>(wide.data()),
                            wide.size() * sizeof(wchar_t));
    } else {
        stored.bytes = written.bytes;
    }
    return stored;
}

StoredValue RegistryAccessor::WriteRaw(const std::string& name, const RawValue& value) {
    if (LONG result = MakeWritable(); result != ERROR_SUCCESS)
        throw DataNotSet(name, IsRefusal(result));
    // Written wide, as the program knows it is stored: the one conversion from the program's
    // text, which a change's record also uses for what it wrote.
    const StoredValue stored = AsStored(name, value);
    for (ViewKey& key : keys_) {
        if (!key.handle) continue;
        LONG result = RegSetValueExW(key.handle, stored.name.c_str(), 0, stored.type,
                                     reinterpret_cast<const BYTE*>(stored.bytes.data()),
                                     static_cast<DWORD>(stored.bytes.size()));
        if (result != ERROR_SUCCESS) throw DataNotSet(name, IsRefusal(result));
    }
    return stored;
}

StoredValue RegistryAccessor::WriteString(const std::string& name, const std::string& value) {
    return WriteRaw(name, RawValue{REG_SZ, value + '\0'});
}

StoredText RegistryAccessor::ReadText(const std::string& name) const {
    StoredText shown;
    if (!Primary() || Query(name, shown.stored) != ERROR_SUCCESS) {
        shown.stored = {};
        return shown;
    }
    shown.present = true;
    shown.text = StringFromValue(name, shown.stored);
    shown.exact = ReadsExactly(Primary(), name, shown.text, shown.stored.bytes.size());
    return shown;
}

std::string RegistryAccessor::ExpandedText(const std::string& text, DWORD type) {
    if (type != REG_EXPAND_SZ || text.find('%') == std::string::npos) return text;
    DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (size == 0) return text;
    std::string expanded(size, '\0');
    size = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), size);
    if (size == 0 || size > expanded.size()) return text;
    return expanded.substr(0, expanded.find('\0'));
}

std::string RegistryAccessor::CannotKeepText(const std::string& name) {
    return TableText(IDS_REG_CANNOT_KEEP_TEXT, {name});
}

void RegistryAccessor::WriteInteger(const std::string& name, int32_t value) {
    uint32_t data = static_cast<uint32_t>(value);
    WriteRaw(name, RawValue{REG_DWORD, std::string(reinterpret_cast<const char*>(&data), 4)});
}

bool RegistryAccessor::DeleteValue(const std::string& name) {
    // A value no view has needs no rights to stay absent.
    bool present = false;
    for (const ViewKey& key : keys_)
        present =
            present || (key.handle && RegQueryValueExA(key.handle, name.c_str(), nullptr, nullptr,
                                                       nullptr, nullptr) == ERROR_SUCCESS);
    if (!present) return false;
    // A failure is no absent value: it throws, so that a save does not pass it by silently.
    if (LONG result = MakeWritable(); result != ERROR_SUCCESS)
        throw ValueNotDeleted(name, IsRefusal(result));
    bool deleted = false;
    for (ViewKey& key : keys_) {
        if (!key.handle) continue;
        LONG result = RegDeleteValueA(key.handle, name.c_str());
        if (result == ERROR_SUCCESS) {
            deleted = true;
        } else if (result != ERROR_FILE_NOT_FOUND) {
            throw ValueNotDeleted(name, IsRefusal(result));
        }
    }
    return deleted;
}

} // namespace qm
