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
};

// The file a file value names: the whole text of a Script, the file of an icon location
// (without its icon number); "" where the value names no file (empty, or the companion folder
// itself, which an empty value of the exported button becomes).
std::string FileNamedBy(const std::string& valueName, const std::string& text);

// Whether the file a value names is there: a path as it is, a bare name (such as shell32.dll)
// where the platform's search finds it.
bool NamedFileExists(const std::string& path);

// One row per planned button, in plan order.
std::vector<ImportRow> CheckImportRows(const ImportPlan& plan, const ExistingButtons& existing);

// Whether a row is made unless the user chooses otherwise: every button that is not already
// there, and with force (/force) that one too.
bool ChosenByDefault(const ImportRow& row, bool force = false);

// The plan with only the buttons whose entry in chosen is true (the refused sections and
// notes stay as they were).
ImportPlan ChosenButtons(ImportPlan plan, const std::vector<bool>& chosen);

} // namespace qm::transfer
