#pragma once
// The button page's fields and the values of a button record behind them, as rules without
// windows: which value each field shows and saves, how a record, a template row or no record
// fills the fields, which fields the Exec/Script choice and "Show In Tools" enable, and what a
// save writes and deletes. The page only moves texts and checks between these and its controls.

#include "buttons/ButtonRecord.h"
#include "registry/GuardedSave.h"
#include "registry/RegistryAccessor.h"
#include "registry/ShownValues.h"

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

// The fields for a record as shown; for a template row (paths joined to the program's folder,
// which ends in a backslash); and for no record (the "Exec" choice on, everything empty).
ButtonFieldState FieldsFromRecord(const ShownValues& record);
ButtonFieldState FieldsFromTemplate(const ButtonTemplateRow& row, const std::string& programFolder);
ButtonFieldState NoRecordFields();

// The user's edits to a record shown as `shown`, whose controls showed `before`, in the order
// they are written: "ButtonText", "Exec" and "Script", "Icon", "HotIcon", "Default Visible",
// "MenuText", "MenuStatusBar". A control the user changed is an edit whatever the stored bytes:
// a text that differs from the one shown, a check box or radio choice that differs from how it
// was shown. A choice turned on writes its values (empty texts too: an emptied icon deletes its
// value), a choice turned off deletes them; "Default Visible" is written "YES" or "NO". Nothing
// else is touched, and a value too long to edit never is. A changed text keeps an expandable
// value expandable.
std::vector<ValueEdit> ButtonEdits(const ShownValues& shown, const ButtonFieldState& before,
                                   const ButtonFieldState& now);

// The values written into a new record made from the fields, in order: "CLSID", "ButtonText",
// the chosen action's value, "Icon", "HotIcon" (both even when empty), "Default Visible" only
// when checked, the Tools-menu texts only when "Show In Tools" is checked, and "IsQuillmere".
std::vector<std::pair<std::string, std::string>> NewRecordValues(const ButtonFieldState& fields);

} // namespace qm
