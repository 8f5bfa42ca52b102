#include "transfer/RemoveSet.h"

#include "buttons/ButtonRecord.h"
#include "registry/KeyScope.h"
#include "transfer/ExportFormat.h"
#include "transfer/ImportCheck.h"
#include "transfer/ImportedSets.h"
#include "transfer/TransferCommands.h"
#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>
#include <optional>

namespace qm::transfer {
namespace {

using Values = std::vector<std::pair<std::string, RawValue>>;

// The values the import writes for a button, as the registry then holds them: each a string,
// a later line of a name (in any letter case, as the registry matches names) giving its text.
Values WrittenValues(const PlannedButton& button) {
    Values written;
    for (const PlannedValue& value : button.values) {
        RawValue stored = RegistryAccessor::AsWritten({REG_SZ, value.text + '\0'});
        auto same = std::find_if(written.begin(), written.end(), [&](const auto& entry) {
            return AsciiLower(entry.first) == AsciiLower(value.name);
        });
        if (same != written.end())
            same->second = std::move(stored);
        else
            written.emplace_back(value.name, std::move(stored));
    }
    return written;
}

bool SameValues(const Values& held, const Values& written) {
    if (held.size() != written.size()) return false;
    return std::all_of(held.begin(), held.end(), [&](const auto& entry) {
        return std::any_of(written.begin(), written.end(), [&](const auto& expected) {
            return AsciiLower(expected.first) == AsciiLower(entry.first) &&
                   expected.second == entry.second;
        });
    });
}

// Whether the key open in button is the planned button in every view that holds it, with
// nothing below it: exactly the values its import writes, or, for a key the set's record says
// the set uses (its import made it, or found it already there), the button the import takes
// for the planned one.
bool IsTheSetsButton(const RegistryAccessor& button, const PlannedButton& planned,
                     const Values& written, bool recordedUse) {
    if (!button.GetKeyNames().empty()) return false;
    const std::vector<Values> views = button.GetValuesOfEachView();
    return !views.empty() && std::all_of(views.begin(), views.end(), [&](const Values& held) {
        return SameValues(held, written) || (recordedUse && AlreadyThereAs(planned, held));
    });
}

std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
    return joined;
}

} // namespace

size_t RemovalPlan::Count(RemovalState state) const {
    return static_cast<size_t>(std::count_if(rows.begin(), rows.end(),
                                             [&](const auto& row) { return row.state == state; }));
}

RemovalPlan PlanRemoval(const ImportPlan& plan, const std::string& path) {
    RemovalPlan removal;
    removal.setName = SetNameOf(path);
    removal.recorded = SetRecorded(removal.setName);

    // The program's own machine-wide buttons: those its own record names.
    RegistryAccessor extensions;
    extensions.SetRoot(HKEY_LOCAL_MACHINE);
    KeyScope extensionsScope(extensions);
    std::vector<std::string> own;
    if (extensions.OpenKey(kExtensionsKey, false)) {
        RegistryAccessor record;
        for (const std::string& name : extensions.GetKeyNames())
            if (InOwnRecord(record, name)) own.push_back(name);
    }
    std::vector<bool> taken(own.size(), false);
    RegistryAccessor button;
    for (size_t i = 0; i < plan.buttons.size(); ++i) {
        const PlannedButton& planned = plan.buttons[i];
        const std::string text = PlannedText(planned, kButtonTextValue);
        const Values written = WrittenValues(planned);
        bool found = false;
        // A section cut short got no own-record entry when it was imported: none is the set's.
        for (size_t j = 0; planned.complete && j < own.size(); ++j) {
            if (taken[j] || !button.OpenKeyBelow(extensions, own[j], false)) continue;
            KeyScope buttonScope(button);
            if (!IsTheSetsButton(button, planned, written, SetUses(removal.setName, own[j], text)))
                continue;
            // Every copy the file's imports made goes (an import with /force makes another).
            taken[j] = found = true;
            PlannedRemoval row{i, RemovalState::Remove, own[j], {}};
            row.sharedWith = OtherSetsUsing(removal.setName, own[j], text);
            if (!row.sharedWith.empty()) row.state = RemovalState::Shared;
            removal.rows.push_back(std::move(row));
        }
        if (!found) removal.rows.push_back({i, RemovalState::NotHere, {}, {}});
    }
    return removal;
}

std::string DescribeRemoval(const ImportPlan& plan, const PlannedRemoval& row) {
    const std::string button = DescribeButton(plan.buttons[row.button]);
    switch (row.state) {
    case RemovalState::Remove: return ui::Text(IDS_REMOVE_ROW_GOES, {button, row.keyName});
    case RemovalState::Shared:
        return ui::Text(IDS_REMOVE_ROW_SHARED, {button, row.keyName, Joined(row.sharedWith)});
    case RemovalState::NotHere: break;
    }
    return ui::Text(IDS_REMOVE_ROW_NOT_HERE, {button});
}

std::string RemovalQuestion(const std::string& path, const ImportPlan& plan,
                            const RemovalPlan& removal, size_t maxLines) {
    std::string text =
        ui::Text(IDS_REMOVE_PREVIEW, {path, std::to_string(removal.Count(RemovalState::Remove))}) +
        "\r\n\r\n";
    size_t shown = std::min(removal.rows.size(), maxLines);
    for (size_t i = 0; i < shown; ++i) text += DescribeRemoval(plan, removal.rows[i]) + "\r\n";
    if (shown < removal.rows.size())
        text += ui::Text(IDS_LIST_MORE, {std::to_string(removal.rows.size() - shown)}) + "\r\n";
    return text + "\r\n" + ui::Text(IDS_REMOVE_QUESTION);
}

void RemovePlanned(const RemovalPlan& removal, const std::string& path,
                   const GoOnWithoutRecord& goOn, const RemovedNotice& removed) {
    const size_t count = removal.Count(RemovalState::Remove);
    if (count == 0 && !removal.recorded) return; // nothing to change
    // The buttons, their own-record entries and the record of imported sets (whose last set
    // takes the containers the imports made with it, the Extensions key among them).
    const std::vector<ChangedKey> keys = SetRecordKeys(true);
    std::string why;
    std::optional<ChangeRecord> change =
        BeginChange(ui::Text(IDS_CHANGE_REMOVE, {SetNameOf(path), std::to_string(count)}), keys,
                    [&](const std::string& failure) {
                        why = failure;
                        return goOn && goOn(failure);
                    });
    if (!change) throw ImportNotBackedUp(why);
    // A removal that changed nothing (the first button refused) leaves no change behind.
    bool changed = false;
    struct EndChange {
        std::optional<ChangeRecord>& change;
        const bool& changed;
        ~EndChange() { changed ? change->Finish() : change->Discard(); }
    } endChange{change, changed};

    RegistryAccessor registry;
    for (const PlannedRemoval& row : removal.rows) {
        if (row.state != RemovalState::Remove) continue;
        registry.SetRoot(HKEY_LOCAL_MACHINE);
        // The views rule: the key goes from each view that holds it (each was found to hold
        // exactly the set's button), all views or none.
        try {
            registry.DeleteKey(ButtonKeyPath(row.keyName));
        } catch (const RegistryError&) {
            if (registry.KeyExists(ButtonKeyPath(row.keyName))) throw; // gone all the same
        }
        changed = true;
        ForgetOwnRecord(registry, row.keyName);
        if (removed) removed(row);
    }
    changed = true;
    ForgetSet(removal.setName);
}

} // namespace qm::transfer
