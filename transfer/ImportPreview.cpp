#include "transfer/ImportPreview.h"

#include "buttons/ButtonRecord.h"
#include "buttons/IconLoader.h"
#include "transfer/ExportFormat.h"
#include "transfer/ImportCheck.h"
#include "transfer/LocalCopy.h"
#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>

namespace qm::transfer {
namespace {

std::string StateText(const ImportRow& row) {
    switch (row.state) {
    case ImportState::New: return ui::Text(IDS_IMPORT_STATE_NEW);
    case ImportState::AlreadyThere: return ui::Text(IDS_IMPORT_STATE_THERE);
    case ImportState::FileMissing: break;
    }
    std::string files;
    for (const std::string& file : row.missing) files += (files.empty() ? "" : ", ") + file;
    return ui::Text(IDS_IMPORT_STATE_MISSING, {files});
}

} // namespace

ui::RowChoice ImportChoice(const std::string& path, const ImportPlan& plan,
                           const std::vector<ImportRow>& rows) {
    ui::RowChoice choice;
    choice.caption = ui::Text(IDS_CAPTION_IMPORT);
    const size_t count = plan.buttons.size();
    choice.intro = ui::Text(count == 1 ? IDS_IMPORT_CHOOSE_ONE : IDS_IMPORT_CHOOSE,
                            {path, std::to_string(count)});
    if (std::any_of(rows.begin(), rows.end(),
                    [](const ImportRow& row) { return row.state == ImportState::AlreadyThere; }))
        choice.intro += " " + ui::Text(IDS_IMPORT_CHOOSE_THERE);
    choice.columns = {ui::Text(IDS_IMPORT_COLUMN_TEXT), ui::Text(IDS_IMPORT_COLUMN_RUNS),
                      ui::Text(IDS_IMPORT_COLUMN_ICON), ui::Text(IDS_IMPORT_COLUMN_STATE)};
    std::vector<std::string> icons;
    for (size_t i = 0; i < count; ++i) {
        const PlannedButton& button = plan.buttons[i];
        choice.rows.push_back({{PlannedText(button, kButtonTextValue), RunsText(button),
                                IconText(button), StateText(rows[i])},
                               ChosenByDefault(rows[i])});
        icons.push_back(PlannedText(button, kIconValue));
    }
    // The icon each button will show, drawn as the strip draws it (the error icon for a file
    // that is not there).
    choice.icon = [icons](size_t row, int) -> HICON {
        if (row >= icons.size() || icons[row].empty()) return nullptr;
        return LoadIconFromLocation(icons[row]).release();
    };

    std::vector<std::string> notes;
    if (!plan.refused.empty())
        notes.push_back(
            ui::Text(plan.refused.size() == 1 ? IDS_PREVIEW_LEFT_OUT_ONE : IDS_PREVIEW_LEFT_OUT,
                     {std::to_string(plan.refused.size())}));
    if (std::any_of(plan.buttons.begin(), plan.buttons.end(), RunsProgram))
        notes.push_back(ui::Text(IDS_PREVIEW_PROGRAMS));
    for (const std::string& note : notes) choice.note += (choice.note.empty() ? "" : "\r\n") + note;

    if (HasFilesToCopy(plan, CompanionFolderFor(path))) {
        choice.option = ui::Text(IDS_IMPORT_COPY_FILES, {ImportedSetsFolder()});
        choice.optionChecked = SuggestLocalCopy(path);
    }
    return choice;
}

std::vector<bool> ChosenRows(const ui::RowChoice& choice) {
    std::vector<bool> chosen;
    for (const ui::RowChoice::Row& row : choice.rows) chosen.push_back(row.chosen);
    return chosen;
}

} // namespace qm::transfer
