#include "buttons/ButtonFields.h"

#include "registry/ShownValues.h"

#include "resource.h"

#include <utility>

namespace qm {

const std::array<ButtonFieldRule, kButtonFieldCount> kButtonFields = {{
    {kFieldButtonText, IDC_BUTTONTEXT, kButtonTextValue, FieldGroup::Always, false},
    {kFieldExec, IDC_EXECEDIT, kExecValue, FieldGroup::Exec, false},
    {kFieldScript, IDC_SCRIPTEDIT, kScriptValue, FieldGroup::Script, false},
    {kFieldIcon, IDC_ICONEDIT, kIconValue, FieldGroup::Always, true},
    {kFieldHotIcon, IDC_HOTICONEDIT, kHotIconValue, FieldGroup::Always, true},
    {kFieldMenuText, IDC_MENUTEXTEDIT, kMenuTextValue, FieldGroup::Tools, false},
    {kFieldMenuStatusBar, IDC_STATUSBARTEXTEDIT, kMenuStatusBarValue, FieldGroup::Tools, false},
}};

bool GroupInUse(FieldGroup group, ActionChoice action, bool inTools) {
    switch (group) {
    case FieldGroup::Always: return true;
    case FieldGroup::Exec: return action == ActionChoice::Exec;
    case FieldGroup::Script: return action == ActionChoice::Script;
    case FieldGroup::Tools: return inTools;
    }
    return false;
}

ButtonFieldState FieldsFromRecord(const ShownValues& record) {
    ButtonFieldState fields;
    for (const ButtonFieldRule& rule : kButtonFields)
        fields.texts[rule.field] = record.Text(rule.value);
    // With both values the record shows as a Script record with both texts.
    if (record.Present(kScriptValue))
        fields.action = ActionChoice::Script;
    else if (record.Present(kExecValue))
        fields.action = ActionChoice::Exec;
    else
        fields.action = ActionChoice::Neither;
    fields.visible = IsDefaultVisible(record.Text(kDefaultVisibleValue));
    fields.inTools = record.Present(kMenuTextValue) || record.Present(kMenuStatusBarValue);
    return fields;
}

ButtonFieldState FieldsFromTemplate(const ButtonTemplateRow& row,
                                    const std::string& programFolder) {
    ButtonFieldState fields;
    fields.texts[kFieldButtonText] = row[kTemplateName];
    if (*row[kTemplateExec] != '\0') {
        fields.action = ActionChoice::Exec;
        fields.texts[kFieldExec] = TemplatePath(programFolder, row[kTemplateExec]);
    } else {
        fields.action = ActionChoice::Script;
        fields.texts[kFieldScript] = TemplatePath(programFolder, row[kTemplateScript]);
    }
    fields.texts[kFieldIcon] = TemplatePath(programFolder, row[kTemplateIcon]);
    fields.texts[kFieldHotIcon] = TemplatePath(programFolder, row[kTemplateHotIcon]);
    fields.visible = TemplateIsVisible(row);
    fields.inTools = TemplateShowsInTools(row);
    if (fields.inTools) {
        fields.texts[kFieldMenuText] = row[kTemplateMenuText];
        fields.texts[kFieldMenuStatusBar] = row[kTemplateMenuStatusBar];
    }
    return fields;
}

ButtonFieldState NoRecordFields() { return ButtonFieldState{}; }

std::vector<ValueEdit> ButtonEdits(const ShownValues& shown, const ButtonFieldState& before,
                                   const ButtonFieldState& now) {
    std::vector<ValueEdit> edits;
    const auto remove = [&](const char* name) {
        if (shown.Present(name)) edits.push_back({name, std::nullopt});
    };
    for (const ButtonFieldRule& rule : kButtonFields) {
        if (rule.field == kFieldMenuText && now.visible != before.visible)
            edits.push_back(
                {kDefaultVisibleValue, TypedText(shown.Stored(kDefaultVisibleValue),
                                                 now.visible ? kVisibleData : kHiddenData)});
        if (shown.TooLong(rule.value)) continue;
        const bool inUse = GroupInUse(rule.group, now.action, now.inTools);
        const bool wasInUse = GroupInUse(rule.group, before.action, before.inTools);
        const std::string& text = now.texts[rule.field];
        if (!inUse) {
            // A choice the user turned off deletes its values.
            if (wasInUse) remove(rule.value);
            continue;
        }
        // A choice the user turned on writes its values, whatever they hold.
        if (wasInUse && text == before.texts[rule.field]) continue;
        if (text.empty() && rule.emptyDeletes)
            remove(rule.value);
        else
            edits.push_back({rule.value, TypedText(shown.Stored(rule.value), text)});
    }
    return edits;
}

std::vector<std::pair<std::string, std::string>> NewRecordValues(const ButtonFieldState& fields) {
    std::vector<std::pair<std::string, std::string>> values;
    values.emplace_back(kClsidValue, kButtonClsid);
    values.emplace_back(kButtonTextValue, fields.texts[kFieldButtonText]);
    if (fields.action == ActionChoice::Exec)
        values.emplace_back(kExecValue, fields.texts[kFieldExec]);
    else
        values.emplace_back(kScriptValue, fields.texts[kFieldScript]);
    values.emplace_back(kIconValue, fields.texts[kFieldIcon]);
    values.emplace_back(kHotIconValue, fields.texts[kFieldHotIcon]);
    if (fields.visible) values.emplace_back(kDefaultVisibleValue, kVisibleData);
    if (fields.inTools) {
        values.emplace_back(kMenuTextValue, fields.texts[kFieldMenuText]);
        values.emplace_back(kMenuStatusBarValue, fields.texts[kFieldMenuStatusBar]);
    }
    values.emplace_back(kIsQuillmereValue, kIsQuillmereData);
    return values;
}

} // namespace qm
