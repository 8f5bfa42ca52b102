#include "transfer/ImportRows.h"

#include "buttons/ButtonRecord.h"
#include "buttons/IconLocation.h"
#include "transfer/ExportFormat.h"

#include <windows.h>

namespace qm::transfer {

std::string FileNamedBy(const std::string& valueName, const std::string& text) {
    std::string path = text;
    if (valueName != kScriptValue) {
        IconLocation location = ParseIconLocation(text);
        if (location.kind != IconLocationKind::None) path = location.path;
    }
    // An empty value comes back from the export file as the companion folder itself.
    if (FileNamePart(path).empty()) return {};
    return path;
}

bool NamedFileExists(const std::string& path) {
    if (path.find_first_of("\\/:") == std::string::npos) {
        char found[MAX_PATH] = {};
        return SearchPathA(nullptr, path.c_str(), nullptr, MAX_PATH, found, nullptr) > 0;
    }
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<ImportRow> CheckImportRows(const ImportPlan& plan, const ExistingButtons& existing) {
    std::vector<ImportRow> rows;
    for (const PlannedButton& button : plan.buttons) {
        ImportRow row;
        for (const PlannedValue& value : button.values) {
            if (!IsFileValue(value.name)) continue;
            std::string file = FileNamedBy(value.name, value.text);
            if (file.empty() || NamedFileExists(file)) continue;
            if (std::find(row.missing.begin(), row.missing.end(), file) == row.missing.end())
                row.missing.push_back(file);
        }
        if (existing.Contains(button))
            row.state = ImportState::AlreadyThere;
        else if (!row.missing.empty())
            row.state = ImportState::FileMissing;
        rows.push_back(std::move(row));
    }
    return rows;
}

bool ChosenByDefault(const ImportRow& row, bool force) {
    return force || row.state != ImportState::AlreadyThere;
}

ImportPlan ChosenButtons(ImportPlan plan, const std::vector<bool>& chosen) {
    std::vector<PlannedButton> kept;
    for (size_t i = 0; i < plan.buttons.size(); ++i)
        if (i < chosen.size() && chosen[i]) kept.push_back(std::move(plan.buttons[i]));
    plan.buttons = std::move(kept);
    return plan;
}

} // namespace qm::transfer
