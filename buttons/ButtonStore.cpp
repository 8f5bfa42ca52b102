#include "buttons/ButtonStore.h"

#include "buttons/ButtonFields.h"
#include "registry/KeyScope.h"

namespace qm {
namespace {

// Runs a step on the accessor; whatever key it leaves open is closed before its failure, if
// any, is handed back.
template <typename Step>
StoreStep Attempt(RegistryAccessor& registry, Step&& step) {
    KeyScope keyScope(registry);
    StoreStep outcome;
    try {
        outcome.done = step();
    } catch (const RegistryError& error) {
        outcome.done = false;
        outcome.failure = error;
    }
    return outcome;
}

} // namespace

StoredButton ReadStoredButton(RegistryAccessor& registry, HKEY root, const std::string& keyName) {
    StoredButton record;
    record.root = root;
    KeyScope keyScope(registry);
    RegistryAccessor extensions;
    OpenButtonRecord(extensions, registry, root, keyName);
    record.place = PlaceOfOpenRecord(registry);
    for (const ButtonFieldRule& rule : kButtonFields) {
        bool cut = false;
        record.values.ReadText(registry, rule.value, cut);
        if (cut && record.tooLong.empty()) record.tooLong = rule.value;
    }
    bool cut = false;
    record.values.ReadText(registry, kDefaultVisibleValue, cut);
    return record;
}

SaveOutcome SaveButtonEdits(RegistryAccessor& registry, HKEY root, const std::string& keyName,
                            ShownValues& shown, const std::vector<ValueEdit>& edits,
                            const OverwriteQuestion& askOverwrite, const SaveRecord& record) {
    const RecordOpener open = [&](RegistryAccessor& opened) {
        RegistryAccessor extensions;
        return OpenButtonRecord(extensions, opened, root, keyName);
    };
    return SaveEdits(registry, open, shown, edits, askOverwrite, record);
}

std::vector<ChangedKey> SavedButtonKeys(HKEY root, const std::string& keyName) {
    return {{root, ButtonKeyPath(keyName)}};
}

std::vector<ChangedKey> DeletedButtonKeys(HKEY root, const std::string& keyName) {
    return {{root, ButtonKeyPath(keyName)}, {HKEY_CURRENT_USER, kOwnRecordKey}};
}

std::vector<ChangedKey> NewButtonKeys(HKEY root, const std::string& keyName) {
    return {{root, kExtensionsKey, true},
            {root, ButtonKeyPath(keyName)},
            {HKEY_CURRENT_USER, kOwnRecordKey}};
}

StoreStep MakeStoredButton(RegistryAccessor& registry, HKEY root, const std::string& keyName,
                           const std::vector<std::pair<std::string, std::string>>& values) {
    return Attempt(registry, [&] { return MakeButtonRecord(registry, root, keyName, values); });
}

StoreStep NoteMadeButton(RegistryAccessor& registry, const NewButtonKey& key) {
    return Attempt(registry, [&] {
        WriteOwnRecord(registry, key);
        return true;
    });
}

StoreStep DeleteStoredButton(RegistryAccessor& registry, HKEY root, const std::string& keyName) {
    return Attempt(registry, [&] { return DeleteButtonRecord(registry, root, keyName); });
}

StoreStep ForgetDeletedButton(RegistryAccessor& registry, const std::string& keyName) {
    return Attempt(registry, [&] {
        ForgetOwnRecord(registry, keyName);
        return true;
    });
}

ElevatedChange ElevatedSave(const std::string& keyName, const std::vector<ValueEdit>& edits,
                            const SaveOutcome& refused, const ShownValues& shown) {
    ElevatedChange change{ElevatedChange::Action::Save, keyName, {}};
    for (size_t i = 0; i < edits.size(); ++i)
        change.edits.push_back(
            {edits[i].name,
             refused.found.size() == edits.size() ? refused.found[i] : shown.Stored(edits[i].name),
             edits[i].value});
    return change;
}

ElevatedChange ElevatedCreate(const std::string& keyName,
                              const std::vector<std::pair<std::string, std::string>>& values) {
    ElevatedChange change{ElevatedChange::Action::Create, keyName, {}};
    for (const auto& [value, text] : values)
        change.edits.push_back({value, std::nullopt, RawValue{REG_SZ, text + '\0'}});
    return change;
}

ListedButton ReadListedButton(const RegistryAccessor& record) {
    ListedButton listed;
    listed.text = record.ReadString(kButtonTextValue);
    listed.place = PlaceOfOpenRecord(record);
    return listed;
}

IconLocations ReadIconLocations(const RegistryAccessor& record) {
    const StoredText icon = record.ReadText(kIconValue);
    const StoredText hotIcon = record.ReadText(kHotIconValue);
    return {RegistryAccessor::ExpandedText(icon.text, icon.stored.type),
            RegistryAccessor::ExpandedText(hotIcon.text, hotIcon.stored.type)};
}

std::map<std::string, ValueText>
ValueTexts(const std::vector<std::pair<std::string, RawValue>>& values,
           std::initializer_list<const char*> names) {
    std::map<std::string, ValueText> texts;
    for (const auto& [name, value] : values) {
        bool wanted = false;
        for (const char* wantedName : names) wanted = wanted || name == wantedName;
        if (!wanted) continue;
        ValueText& text = texts[name];
        try {
            text.text = RegistryAccessor::StringFromValue(name, value);
        } catch (const RegistryError& error) {
            text.notText = error.what();
        }
    }
    return texts;
}

std::vector<RecordValues> ReadEveryRecord(RegistryAccessor& registry, HKEY root) {
    std::vector<RecordValues> records;
    registry.SetRoot(root);
    if (!registry.OpenKey(kExtensionsKey, false)) return records;
    RegistryAccessor button;
    for (const std::string& name : registry.GetKeyNames()) {
        if (!button.OpenKeyBelow(registry, name, false)) continue;
        records.push_back({name, button.GetValues()});
        button.CloseKey();
    }
    registry.CloseKey();
    return records;
}

std::vector<MarkedRecord> ReadMarkedRecords(RegistryAccessor& registry) {
    std::vector<MarkedRecord> records;
    registry.SetRoot(HKEY_LOCAL_MACHINE);
    // The buttons of both registry views are listed, each once, and each is read where the
    // accessor reads it.
    if (!registry.OpenKey(kExtensionsKey, false)) return records;
    const std::vector<std::string> names = registry.GetKeyNames();
    RegistryAccessor button;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (*name == kReservedButtonKey || !button.OpenKeyBelow(registry, *name, false)) continue;
        if (button.ValueExists(kIsQuillmereValue)) {
            MarkedRecord marked{*name, button.GetValues(), {}};
            marked.inexact = InexactValueNames(button, marked.values);
            records.push_back(std::move(marked));
        }
        button.CloseKey();
    }
    registry.CloseKey();
    return records;
}

std::vector<std::string>
InexactValueNames(const RegistryAccessor& button,
                  const std::vector<std::pair<std::string, RawValue>>& values) {
    static constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD in UTF-8
    std::vector<std::string> inexact;
    for (const auto& [name, value] : values) {
        bool exact = true;
        if (name.find(kReplacement) != std::string::npos) exact = button.ValueExists(name);
        if (exact && (value.type == REG_SZ || value.type == REG_EXPAND_SZ) &&
            value.bytes.find(kReplacement) != std::string::npos)
            exact = button.ReadText(name).exact;
        if (!exact) inexact.push_back(name);
    }
    return inexact;
}

} // namespace qm
