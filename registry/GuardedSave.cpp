#include "registry/GuardedSave.h"

#include "registry/KeyScope.h"

#include <utility>

namespace qm {
namespace {

// The record is opened for this block alone; a key that is not there (or that this user may
// not read) fails as its first write would.
void OpenOrFail(RegistryAccessor& registry, const RecordOpener& open, const std::string& name) {
    if (!open(registry)) throw DataNotSet(name);
}

} // namespace

std::string ValueLabel(const std::string& name) { return name.empty() ? "(Default)" : name; }

SaveOutcome CheckEdits(RegistryAccessor& registry, const RecordOpener& open,
                       const ShownValues& shown, const std::vector<ValueEdit>& edits,
                       const OverwriteQuestion& askOverwrite) {
    SaveOutcome outcome;
    for (const ValueEdit& edit : edits) {
        if (edit.refusedText) {
            outcome.kind = SaveOutcome::Kind::RefusedField;
            outcome.name = edit.name;
            outcome.text = *edit.refusedText;
            return outcome;
        }
    }
    for (const ValueEdit& edit : edits) {
        if (edit.value && !shown.Exact(edit.name)) {
            outcome.kind = SaveOutcome::Kind::CannotKeep;
            outcome.name = edit.name;
            return outcome;
        }
    }
    std::string overwritten;
    {
        KeyScope keyScope(registry);
        // A record that cannot be opened now has nothing another program changed in it; the
        // writes then fail with their own message.
        if (open(registry)) {
            for (const ValueEdit& edit : edits) {
                const std::optional<RawValue> now = ReadStored(registry, edit.name);
                outcome.found.push_back(now);
                // Another program's change, unless it made the very change this save makes.
                if (now != shown.Stored(edit.name) && now != edit.value)
                    overwritten +=
                        (overwritten.empty() ? "\"" : ", \"") + ValueLabel(edit.name) + "\"";
            }
        }
    }
    if (!overwritten.empty() && !askOverwrite(overwritten))
        outcome.kind = SaveOutcome::Kind::Declined;
    return outcome;
}

SaveOutcome WriteEdits(RegistryAccessor& registry, const RecordOpener& open, ShownValues& shown,
                       const std::vector<ValueEdit>& edits, const SaveRecord* record) {
    SaveOutcome outcome;
    if (edits.empty()) return outcome; // nothing the user changed: nothing to open or write
    std::optional<ChangeRecord> change;
    if (record) {
        change = BeginChange(record->what, record->keys, record->goOn);
        if (!change) {
            outcome.kind = SaveOutcome::Kind::Declined;
            return outcome;
        }
    }
    KeyScope keyScope(registry);
    // What each value was before this save wrote it, to put back should a later write fail.
    std::vector<std::pair<const ValueEdit*, std::optional<RawValue>>> written;
    try {
        OpenOrFail(registry, open, edits.front().name);
        for (const ValueEdit& edit : edits) {
            std::optional<RawValue> before = ReadStored(registry, edit.name);
            if (edit.value)
                registry.WriteRaw(edit.name, *edit.value);
            else if (before)
                registry.DeleteValue(edit.name);
            written.emplace_back(&edit, std::move(before));
        }
    } catch (const RegistryError& error) {
        outcome.kind = SaveOutcome::Kind::Failed;
        outcome.error = error;
        // All or nothing: the values this save wrote go back to what they were, newest first.
        for (auto it = written.rbegin(); it != written.rend(); ++it) {
            try {
                if (it->second)
                    registry.WriteRaw(it->first->name, *it->second);
                else
                    registry.DeleteValue(it->first->name);
            } catch (const RegistryError&) {
                // What cannot be put back stays as written; the failure is reported anyway.
            }
        }
        if (change) change->Discard();
        return outcome;
    }
    for (const ValueEdit& edit : edits) shown.Remember(edit.name, edit.value);
    if (change) change->Finish();
    return outcome;
}

SaveOutcome SaveEdits(RegistryAccessor& registry, const RecordOpener& open, ShownValues& shown,
                      const std::vector<ValueEdit>& edits, const OverwriteQuestion& askOverwrite,
                      const SaveRecord& record) {
    SaveOutcome checked = CheckEdits(registry, open, shown, edits, askOverwrite);
    if (!checked.Saved()) return checked;
    SaveOutcome outcome = WriteEdits(registry, open, shown, edits, &record);
    outcome.found = std::move(checked.found);
    return outcome;
}

} // namespace qm
