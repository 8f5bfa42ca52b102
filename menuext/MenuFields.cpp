#include "menuext/MenuFields.h"

#include "base/Integer.h"
#include "ui/Controls.h"

namespace qm {

void ReadMenuValues(RegistryAccessor& reg, const std::string& name, const MenuFields& fields) {
    MenuEntryReader reader;
    reader.script = [&](const std::string& script) { ui::SetText(fields.defaultEdit, script); };
    reader.contexts = [&](std::optional<int32_t> contexts) {
        if (contexts) {
            ui::SetText(fields.contextDecimalEdit, ContextsDecimalText(*contexts));
            ui::SetText(fields.contextHexEdit, ContextsHexText(*contexts));
            SetBoxesFromContexts(fields);
        } else {
            ui::SetText(fields.contextDecimalEdit, "");
            ui::SetText(fields.contextHexEdit, "");
        }
    };
    reader.flags = [&](std::optional<int32_t> flags) {
        ui::SetText(fields.flagEdit, flags ? std::to_string(*flags) : std::string());
    };
    ReadMenuEntry(reg, name, reader);
}

int32_t ContextsFromBoxes(const MenuFields& fields) {
    int32_t contexts = 0;
    for (size_t i = 0; i < kContextBits.size(); ++i)
        if (ui::IsChecked(fields.contextBoxes[i])) contexts += kContextBits[i];
    return contexts;
}

void ShowContextsFromBoxes(const MenuFields& fields) {
    int32_t contexts = ContextsFromBoxes(fields);
    if (contexts == 0) {
        ui::SetText(fields.contextDecimalEdit, "");
        ui::SetText(fields.contextHexEdit, "");
    } else {
        ui::SetText(fields.contextDecimalEdit, ContextsDecimalText(contexts));
        ui::SetText(fields.contextHexEdit, ContextsHexText(contexts));
    }
}

void SetBoxesFromContexts(const MenuFields& fields) {
    int32_t contexts =
        ParseSignedInteger(ui::GetText(fields.contextDecimalEdit), HexMarks::DollarOr0x)
            .value_or(0);
    for (size_t i = 0; i < kContextBits.size(); ++i)
        ui::SetChecked(fields.contextBoxes[i], (contexts & kContextBits[i]) != 0);
}

void ClearMenuFields(const MenuFields& fields) {
    for (HWND field : {fields.menuEdit, fields.defaultEdit, fields.contextDecimalEdit,
                       fields.contextHexEdit, fields.flagEdit})
        ui::SetText(field, "");
    for (HWND box : fields.contextBoxes) ui::SetChecked(box, false);
}

} // namespace qm
