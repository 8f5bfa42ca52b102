#pragma once
// The files a button's file values ("Script", "Icon", "HotIcon") name, as they go from one
// machine to another. On export each file either travels as a copy, or, for a module of the
// system's own folders (an icon inside shell32.dll or notepad.exe), by its name alone, which
// every machine resolves to its own copy; or it cannot go, and the export says which and why.
// On import a file value whose file is not in the companion folder is pointed to the module
// the system has by that name, and is otherwise reported as missing. Both exports (the export
// file and the Group Policy file) decide through these functions.

#include "transfer/ExportFormat.h"
#include "transfer/ImportPlan.h"

#include <optional>
#include <string>
#include <vector>

namespace qm::transfer {

// The module the platform finds by this bare file name in the system's own folders, the way
// it looks for a module by name from there: the system folder, then the Windows folder. Only
// a program or library (".exe", ".dll") counts; nothing when the name holds a path or no
// such file is there.
std::optional<std::string> FindSystemModule(const std::string& fileName);

// Whether a file is there and is a plain file (no folder).
bool IsPlainFile(const std::string& path);

// A file value's text cut into the file's path and what follows it: an icon location that
// names a module ("C:\Windows\system32\shell32.dll,-152") gives the module's path and its
// icon number with the separator (",-152"); anything else is a path whole.
struct FileAndSuffix {
    std::string file, suffix;
};
FileAndSuffix SplitFileValue(const std::string& name, const std::string& data);

// How the file of a file value travels with an export: an icon's module named bare, or lying
// in one of the system's folders, that FindSystemModule finds by its name goes by name; an existing
// plain file (for a module with an icon number: the module) is copied; anything else is not
// taken, with why. Environment variables in the path (%SystemRoot%) count as expanded.
FileTravel TravelOf(const std::string& name, const std::string& data);

// The message that ends an export whose buttons name files it could not take: one line per
// file, "The button "X": Icon names "C:\gone\a.ico", which is not there". Empty when none.
struct ButtonFilesNotTaken {
    std::string buttonText;
    std::vector<FileNotTaken> files;
};
std::string FilesNotTakenMessage(const std::vector<ButtonFilesNotTaken>& buttons);

// Goes over the planned buttons' file values once the file was read: an icon value whose file
// is not in the companion folder, and whose name a module of the system's folders has, is
// pointed to that module (a script page never is); any other value whose file is not there is listed in its button's
// missingFiles. A value that names nothing (the folder itself) is left alone.
void FindFilesNotCarried(ImportPlan& plan, const std::string& companionFolder);

// What the import tells the user about planned buttons whose files are missing: one line per
// file; empty when none is.
std::string MissingFilesMessage(const ImportPlan& plan);

} // namespace qm::transfer
