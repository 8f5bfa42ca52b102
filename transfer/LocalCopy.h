#pragma once
// An imported set's own copy of its files. An import points the buttons' scripts and icons
// into the companion folder of the file it read; where that folder will not stay (a USB stick,
// a network share, Downloads, a temporary folder) the import can first copy the files into a
// folder of the program's that every user of the machine can read, one folder per imported
// set, and point the buttons there instead.

#include "transfer/ImportPlan.h"

#include <string>
#include <vector>

namespace qm::transfer {

// Where imported sets keep their files: %ProgramData%\Quillmere\Imported, one folder per set.
std::string ImportedSetsFolder();

// Whether the import of the export file at path proposes copying its files: the file lies on
// a removable drive, a CD or DVD, a RAM disk or a network drive (or a drive whose kind the
// platform cannot tell), on a server (\\server\share), or in the user's temporary folder or
// Downloads folder.
bool SuggestLocalCopy(const std::string& exportPath);

// Whether a path lies in the folder of an imported set (directly in a folder directly below
// ImportedSetsFolder()).
bool LiesInImportedSet(const std::string& path);

// Whether copy is an imported set's copy of the file original: it lies in an imported set's
// folder, has the same name and the same bytes.
bool SameCopiedFile(const std::string& copy, const std::string& original);

// Whether the plan's buttons name a file of the companion folder that is there to be copied.
bool HasFilesToCopy(const ImportPlan& plan, const std::string& companionFolder);

// The copy of one set's files, made when it is constructed:
// - a new folder below ImportedSetsFolder(), named after the export file ("notes" for
//   notes.qmx, then "notes (2)" and on where that is taken: another set's folder is never
//   written into), and nothing anywhere else;
// - every file that a file value of the plan names in the companion folder goes there under its
//   own name, through the export's safe copy (temporary names, then all put in place), and the
//   values are pointed at the copies; values that name other files (a module of the system)
//   stay as they are;
// - all or nothing: a file that cannot be copied throws InOutError naming it, with nothing of
//   the copy left behind.
// A copy that is not kept (the import made no button) removes its files and folder again when
// it goes.
class SetCopy {
public:
    SetCopy(const std::string& exportPath, const ImportPlan& plan);
    ~SetCopy();
    SetCopy(const SetCopy&) = delete;
    SetCopy& operator=(const SetCopy&) = delete;

    // The plan with its file values pointing at the copies.
    const ImportPlan& Plan() const { return plan_; }
    // The set's folder; "" when the plan named no file to copy and nothing was made.
    const std::string& Folder() const { return folder_; }
    // The import made buttons that use the copies: they stay.
    void Keep() { kept_ = true; }

private:
    void Discard();

    ImportPlan plan_;
    std::string folder_;
    std::vector<std::string> placed_;      // the copies put in place
    std::vector<std::string> madeFolders_; // the folders made above the set's, outermost first
    bool kept_ = false;
};

namespace testing {
// Puts imported sets into another folder ("" for the real one).
void SetImportedSetsFolder(const std::string& folder);
} // namespace testing

} // namespace qm::transfer
