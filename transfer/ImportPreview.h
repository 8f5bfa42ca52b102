#pragma once
// The Tools menu's preview of an import: the program's row dialog with one row per button of
// the file (its text, what it runs, its icon and its state), the buttons that are not already
// there ticked, and the offer to copy the set's files to this computer.

#include "transfer/ImportPlan.h"
#include "transfer/ImportRows.h"
#include "ui/Dialogs.h"

#include <string>
#include <vector>

namespace qm::transfer {

// The choice the preview offers for the export file at path: rows proposed as ChosenByDefault
// says, and, where the set names files of its companion folder, the check box that copies them
// (SetCopy), ticked where SuggestLocalCopy says.
ui::RowChoice ImportChoice(const std::string& path, const ImportPlan& plan,
                           const std::vector<ImportRow>& rows);

// The rows the user ticked, one entry per row.
std::vector<bool> ChosenRows(const ui::RowChoice& choice);

} // namespace qm::transfer
