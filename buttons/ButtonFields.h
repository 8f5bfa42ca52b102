#pragma once
// The button page's fields and the values of a button record behind them, as rules without
// windows: which value each field shows and saves, how a record, a template row or no record
// fills the fields, which fields the Exec/Script choice and "Show In Tools" enable, and what a
// save writes and deletes. The page only moves texts and checks between these and its controls.

#include "buttons/ButtonRecord.h"
#include "registry/RegistryAccessor.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// The page's text fields, in the order a save writes their values.
enum ButtonField : int {
    kFieldButtonText,
    kFieldExec,
    kFieldScript,
    kFieldIcon,
    kFieldHotIcon,
    kFieldMenuText,
    kFieldMenuStatusBar,
    kButtonFieldCount
};

// Which choice a field belongs to. A field whose choice is off keeps its text, is disabled
// and its value is deleted on save; Exec's and Script's fields follow the "Exec" and "Script"
// choice, the Tools-menu fields follow "Show In Tools".
enum class FieldGroup { Always, Exec, Script, Tools };

// Which of the two actions is chosen. Neither happens only before the first record that has one
// was shown: the radio buttons start with none checked.
enum class ActionChoice { Neither, Exec, Script };

struct ButtonFieldRule {
    ButtonField field;
    int control;       // the edit field's control identifier
    const char* value; // the record value it shows and saves
    FieldGroup group;
    bool emptyDeletes; // an emptied field deletes its value instead of storing ""
};

extern const std::array<ButtonFieldRule, kButtonFieldCount> kButtonFields;

// What the fields hold: a text per field, the action chosen, and the two check boxes.
struct ButtonFieldState {
    std::array<std::string, kButtonFieldCount> texts;
    // When shown from a record with neither "Exec" nor "Script": the radio buttons and the
    // enabling stay as they were.
    ActionChoice action = ActionChoice::Exec;
    bool visible = false;
    bool inTools = false;
};

// Whether a field of that group is in use (shown enabled and saved) with these choices.
// Neither action leaves Exec's and Script's fields as they are: neither is in use then.
bool GroupInUse(FieldGroup group, ActionChoice action, bool inTools);

// A record's values as the page read them when it showed the record: what a save compares the
// fields with, so that what the user did not change stays as stored.
struct ShownButton {
    std::array<StoredText, kButtonFieldCount> texts;
    StoredText defaultVisible;
    // Values longer than a field shows: the field holds their start, is read-only, and a save
    // leaves the value exactly as stored.
    std::array<bool, kButtonFieldCount> tooLong{};
};

// The value of that name as shown (a field's value or "Default Visible"); null for any other.
const StoredText* ShownValue(const ShownButton& shown, const std::string& name);
StoredText* ShownValue(ShownButton& shown, const std::string& name);

// Cuts a value read for a field to what the field shows, at most kMaxFieldText bytes and never
// inside a character; true when the text was cut.
bool CutForField(StoredText& text);

// The fields for a record as shown; for a template row (paths joined to the program's folder,
// which ends in a backslash); and for no record (the "Exec" choice on, everything empty).
ButtonFieldState FieldsFromRecord(const ShownButton& record);
ButtonFieldState FieldsFromTemplate(const ButtonTemplateRow& row, const std::string& programFolder);
ButtonFieldState NoRecordFields();

// One change a save makes to a record: the value to store, or nothing to delete the value.
struct ValueChange {
    std::string name;
    std::optional<RawValue> value;
    bool operator==(const ValueChange&) const = default;
};

// What saving the fields changes in a record shown as `shown`, in the order it is written:
// "ButtonText", "Exec" and "Script", "Icon", "HotIcon", "Default Visible", "MenuText",
// "MenuStatusBar". Only what the user changed: a field whose text is the one shown, a check box
// as it was shown, a value too long to edit, and a value to delete that was absent when shown
// give no change. A changed text keeps an expandable value expandable.
std::vector<ValueChange> SaveChanges(const ShownButton& shown, const ButtonFieldState& now);
// The first value those changes would write although its field could not show the stored
// text exactly; nothing when there is none.
std::optional<std::string> ValueNotShownExactly(const ShownButton& shown,
                                                const std::vector<ValueChange>& changes);
// The record as stored after the changes were written.
void ApplyChanges(ShownButton& shown, const std::vector<ValueChange>& changes);

// The values written into a new record made from the fields, in order: "CLSID", "ButtonText",
// the chosen action's value, "Icon", "HotIcon" (both even when empty), "Default Visible" only
// when checked, the Tools-menu texts only when "Show In Tools" is checked, and "IsQuillmere".
std::vector<std::pair<std::string, std::string>> NewRecordValues(const ButtonFieldState& fields);

} // namespace qm
