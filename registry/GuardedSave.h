#pragma once
// The one way every page saves a record: the values the user changed, checked first and
// written all together or not at all, over a record as the page showed it.
//
// A page turns the controls the user changed into edits (its field table says which value each
// control stands for and what an empty or unchosen control writes), then:
//
//     SaveOutcome outcome = SaveEdits(registry, openRecord, shown_, edits, askOverwrite);
//
// In order: every edit's field is checked (a text that cannot become a value refuses the whole
// save, nothing is written); an edit over a value whose text the page could not show exactly is
// refused (it would replace characters the user never saw); when another program changed an
// edited value since it was shown, askOverwrite is asked once, with the names; then only the
// edits are written, and a failure part-way puts back what this save had written before it; last,
// what was written becomes what the page shows (`shown`), so a second save writes nothing.

#include "registry/ChangeHistory.h"
#include "registry/RegistryAccessor.h"
#include "registry/ShownValues.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// One value a save changes.
struct ValueEdit {
    ValueEdit(std::string name, std::optional<RawValue> value)
        : name(std::move(name)), value(std::move(value)) {}
    // An edit whose field's text cannot become a value.
    static ValueEdit Refused(std::string name, std::string text) {
        ValueEdit edit(std::move(name), std::nullopt);
        edit.refusedText = std::move(text);
        return edit;
    }

    std::string name;              // "" is the key's default value
    std::optional<RawValue> value; // what to store; nothing deletes the value
    // The field's text when it cannot become a value (an integer field holding "x"): the
    // save is refused whole.
    std::optional<std::string> refusedText;
    bool operator==(const ValueEdit&) const = default;
};

struct SaveOutcome {
    enum class Kind {
        Saved,
        RefusedField, // an edited field's text cannot become a value: name, text
        CannotKeep,   // an edit would replace a value the page could not show exactly: name
        Declined,     // another program changed an edited value, and the user kept it
        Failed,       // the registry failed: error (Refused() for lack of rights)
    };
    Kind kind = Kind::Saved;
    std::string name;
    std::string text;
    std::optional<RegistryError> error;
    // The edited values as the check found them in the registry, in the edits' order (empty
    // when the record could not be opened): what a save made elsewhere must still find.
    std::vector<std::optional<RawValue>> found;

    bool Saved() const { return kind == Kind::Saved; }
};

// Opens the record's key on the accessor for reading (a write asks for write access then);
// false when the key cannot be opened.
using RecordOpener = std::function<bool(RegistryAccessor&)>;
// Asked when values the user edited were changed elsewhere since they were shown; names is
// their list as the question shows it ("Exec", "(Default)"). True overwrites them.
using OverwriteQuestion = std::function<bool(const std::string& names)>;

// The record of a save in the program's history, written once the checks have passed and before
// the first write, so that the save can be taken back: what it is ("Save button "Notes""), the
// keys it touches, and what to ask when the record cannot be written.
struct SaveRecord {
    std::string what;
    std::vector<ChangedKey> keys;
    GoOnWithoutRecord goOn;
};

// The whole guarded save: CheckEdits, then WriteEdits.
SaveOutcome SaveEdits(RegistryAccessor& registry, const RecordOpener& open, ShownValues& shown,
                      const std::vector<ValueEdit>& edits, const OverwriteQuestion& askOverwrite,
                      const SaveRecord& record);

// Its checks alone, for a page that has something to do between the checks and the writes (the
// context-menu page renames the entry's key there): refused fields, values not shown exactly,
// and the question about other programs' changes. Writes nothing.
SaveOutcome CheckEdits(RegistryAccessor& registry, const RecordOpener& open,
                       const ShownValues& shown, const std::vector<ValueEdit>& edits,
                       const OverwriteQuestion& askOverwrite);
// Its writes alone, after CheckEdits: all the edits or, on a failure, none of them. With a
// record, it is written first (a record that cannot be written and is not gone on without
// stops the save as Declined) and dropped again when nothing was saved.
SaveOutcome WriteEdits(RegistryAccessor& registry, const RecordOpener& open, ShownValues& shown,
                       const std::vector<ValueEdit>& edits, const SaveRecord* record = nullptr);

// How a value's name shows in the program's messages: the key's default value is "(Default)".
std::string ValueLabel(const std::string& name);

} // namespace qm
