#include "transfer/ImportRows.h"

#include "buttons/ButtonRecord.h"
#include "transfer/ExportFormat.h"
#include "transfer/FileValues.h"

#include <algorithm>

namespace qm::transfer {

std::vector<ImportRow> CheckImportRows(const ImportPlan& plan, const ExistingButtons& existing) {
    std::vector<ImportRow> rows;
    for (const PlannedButton& button : plan.buttons) {
        ImportRow row;
        for (const std::string& name : button.missingFiles) {
            std::string file = SplitFileValue(name, PlannedText(button, name)).file;
            if (std::find(row.missing.begin(), row.missing.end(), file) == row.missing.end())
                row.missing.push_back(file);
        }
        if (std::optional<std::string> key = existing.KeyOf(button)) {
            row.state = ImportState::AlreadyThere;
            row.existingKey = *key;
        } else if (!row.missing.empty())
            row.state = ImportState::FileMissing;
        rows.push_back(std::move(row));
    }
    return rows;
}

bool ChosenByDefault(const ImportRow& row, bool force) {
    return force || row.state != ImportState::AlreadyThere;
}

ImportPlan ChosenButtons(ImportPlan plan, const std::vector<ImportRow>& rows,
                         const std::vector<bool>& chosen) {
    std::vector<PlannedButton> kept;
    for (size_t i = 0; i < plan.buttons.size(); ++i) {
        if (i < chosen.size() && chosen[i])
            kept.push_back(std::move(plan.buttons[i]));
        else if (i < rows.size() && rows[i].state == ImportState::AlreadyThere)
            plan.alreadyThere.push_back(
                {rows[i].existingKey, PlannedText(plan.buttons[i], kButtonTextValue)});
    }
    plan.buttons = std::move(kept);
    return plan;
}

} // namespace qm::transfer
