#pragma once
// What becomes of each button of an export file, decided once for the Tools menu's import and
// for /import alike: a button already there is not made again unless asked for, a button that
// names a file that is not there is made but said so, and the rest is new.

#include "transfer/ImportCheck.h"
#include "transfer/ImportPlan.h"

#include <string>
#include <vector>

namespace qm::transfer {

enum class ImportState {
    New,          // not on the machine yet
    AlreadyThere, // a button with the same text that runs the same (ExistingButtons)
    FileMissing,  // its script page or icon names a file that is not there
};

struct ImportRow {
    ImportState state = ImportState::New;
    std::vector<std::string> missing; // the files named that are not there, in value order
    std::string existingKey;          // for AlreadyThere: the key of the button that is there
};

// One row per planned button, in plan order. The missing files are those the reading of the
// file found (PlannedButton::missingFiles), so the preview, /import and the message before an
// import name the same files.
std::vector<ImportRow> CheckImportRows(const ImportPlan& plan, const ExistingButtons& existing);

// Whether a row is made unless the user chooses otherwise: every button that is not already
// there, and with force (/force) that one too.
bool ChosenByDefault(const ImportRow& row, bool force = false);

// The plan with only the buttons whose entry in chosen is true (the refused sections and
// notes stay as they were). A button left out because it is already there is noted in
// alreadyThere: the set uses that button too, and taking back another set keeps it.
ImportPlan ChosenButtons(ImportPlan plan, const std::vector<ImportRow>& rows,
                         const std::vector<bool>& chosen);

} // namespace qm::transfer
