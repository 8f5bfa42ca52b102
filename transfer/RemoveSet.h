#pragma once
// Taking an imported set back: the buttons that importing a file made, or would make, leave
// this machine again. A button goes only when it is the program's own (its own record has the
// key), when every registry view that holds its key holds, with no sub-key, exactly the values
// the import writes for a button of the file, or (for a key the record of imported sets says
// the set uses: its import found it already there) the button the import takes for that one,
// and when no other imported set uses it. A button the file does not describe is never
// touched, whatever its text.

#include "registry/ChangeHistory.h"
#include "registry/RegistryAccessor.h"
#include "transfer/ImportPlan.h"

#include <functional>
#include <string>
#include <vector>

namespace qm::transfer {

enum class RemovalState {
    Remove,  // the set's button, which only this set uses: it goes
    Shared,  // the set's button, which another imported set uses too: it stays
    NotHere, // no button of the program's own has exactly these values here
};

// One row per button of the file, or per copy of it when the file was imported more than once.
struct PlannedRemoval {
    size_t button = 0; // index into the import plan's buttons
    RemovalState state = RemovalState::NotHere;
    std::string keyName;                 // Remove and Shared: the button's key
    std::vector<std::string> sharedWith; // Shared: the other sets that use it
};

struct RemovalPlan {
    std::string setName;
    std::vector<PlannedRemoval> rows;
    bool recorded = false; // the record of imported sets knows the set
    size_t Count(RemovalState state) const;
};

// Works out, writing nothing, what taking back the set of the file at path does; plan is the
// file read as the import reads it (ReadImportFile), so that its values are the very texts the
// import wrote. Leaves no key open.
RemovalPlan PlanRemoval(const ImportPlan& plan, const std::string& path);

// One line about a row, for the preview and the command's output.
std::string DescribeRemoval(const ImportPlan& plan, const PlannedRemoval& row);

// The question asked before the removal: what goes, what stays and why, and whether to go on.
std::string RemovalQuestion(const std::string& path, const ImportPlan& plan,
                            const RemovalPlan& removal, size_t maxLines = 25);

// Deletes the buttons to remove (in every view that holds them) with their own-record entries,
// and forgets the set in the record of imported sets. Before the first change the keys it
// touches are backed up in the history as one change named after the file; when that cannot
// be done goOn is asked, and without its Yes nothing is changed (ImportNotBackedUp). Registry
// failures stop it with the buttons removed so far gone whole; removed hears of each.
using RemovedNotice = std::function<void(const PlannedRemoval& row)>;
void RemovePlanned(const RemovalPlan& removal, const std::string& path,
                   const GoOnWithoutRecord& goOn, const RemovedNotice& removed = {});

} // namespace qm::transfer
