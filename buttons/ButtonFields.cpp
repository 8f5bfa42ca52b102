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

const StoredText* ShownValue(const ShownButton& shown, const std::string& name) {
    if (name == kDefaultVisibleValue) return &shown.defaultVisible;
    for (const ButtonFieldRule& rule : kButtonFields)
        if (name == rule.value) return &shown.texts[rule.field];
    return nullptr;
}

StoredText* ShownValue(ShownButton& shown, const std::string& name) {
    return const_cast<StoredText*>(ShownValue(std::as_const(shown), name));
}

bool CutForField(StoredText& text) {
    if (text.text.size() <= kMaxFieldText) return false;
    size_t end = kMaxFieldText;
    // Back to the first byte of a UTF-8 character, so that the field shows whole characters.
    while (end > 0 && (static_cast<unsigned char>(text.text[end]) & 0xC0) == 0x80) --end;
    text.text.resize(end);
    return true;
}

ButtonFieldState FieldsFromRecord(const ShownButton& record) {
    ButtonFieldState fields;
    for (const ButtonFieldRule& rule : kButtonFields)
        fields.texts[rule.field] = record.texts[rule.field].text;
    // With both values the record shows as a Script record with both texts.
    if (record.texts[kFieldScript].present)
        fields.action = ActionChoice::Script;
    else if (record.texts[kFieldExec].present)
        fields.action = ActionChoice::Exec;
    else
        fields.action = ActionChoice::Neither;
    fields.visible = IsDefaultVisible(record.defaultVisible.text);
    fields.inTools =
        record.texts[kFieldMenuText].present || record.texts[kFieldMenuStatusBar].present;
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

std::vector<ValueChange> SaveChanges(const ShownButton& shown, const ButtonFieldState& now) {
    std::vector<ValueChange> changes;
    for (const ButtonFieldRule& rule : kButtonFields) {
        if (rule.field == kFieldMenuText &&
            now.visible != IsDefaultVisible(shown.defaultVisible.text))
            changes.push_back(
                {kDefaultVisibleValue,
                 RawValue{REG_SZ, std::string(now.visible ? kVisibleData : kHiddenData) + '\0'}});
        if (shown.tooLong[rule.field]) continue;
        const StoredText& was = shown.texts[rule.field];
        const std::string& text = now.texts[rule.field];
        if (GroupInUse(rule.group, now.action, now.inTools)) {
            if (text == was.text) continue;
            if (text.empty() && rule.emptyDeletes) {
                if (was.present) changes.push_back({rule.value, std::nullopt});
                continue;
            }
            const DWORD type = was.Expandable() ? DWORD{REG_EXPAND_SZ} : DWORD{REG_SZ};
            changes.push_back({rule.value, RawValue{type, text + '\0'}});
            continue;
        }
        // A choice that is off deletes its values; with neither action chosen, Exec and Script
        // stay as they are.
        const bool choiceOff =
            rule.group == FieldGroup::Tools ||
            (rule.group != FieldGroup::Always && now.action != ActionChoice::Neither);
        if (choiceOff && was.present) changes.push_back({rule.value, std::nullopt});
    }
    return changes;
}

std::optional<std::string> ValueNotShownExactly(const ShownButton& shown,
                                                const std::vector<ValueChange>& changes) {
    for (const ValueChange& change : changes) {
        const StoredText* was = ShownValue(shown, change.name);
        if (change.value && was && !was->exact) return change.name;
    }
    return std::nullopt;
}

void ApplyChanges(ShownButton& shown, const std::vector<ValueChange>& changes) {
    for (const ValueChange& change : changes) {
        StoredText* was = ShownValue(shown, change.name);
        if (!was) continue;
        *was = {};
        if (change.value) {
            was->present = true;
            was->stored = *change.value;
            was->text = change.value->bytes.substr(0, change.value->bytes.find('\0'));
        }
        for (const ButtonFieldRule& rule : kButtonFields)
            if (change.name == rule.value) shown.tooLong[rule.field] = false;
    }
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
