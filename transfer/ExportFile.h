#pragma once
// The export file and its companion folder on disk: creating and writing the file, reading it
// back through the format's reader, copying files and making folders. Input/output failures
// throw InOutError with the text the user sees ("File not found", "Disk full", ...).

#include "base/Handles.h"
#include "transfer/ExportFormat.h"
#include "transfer/ImportPlan.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qm::transfer {

class InOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The user's text for a Windows error code from a file operation.
std::string InOutErrorText(DWORD error);

// Writes bytes to an open file: 0, or the Windows error code of the failed write. Export and
// copies write through one of these, so that a test can give them a disk that fills up.
using DiskWrite = std::function<DWORD(HANDLE file, std::string_view bytes)>;
DWORD WriteToDisk(HANDLE file, std::string_view bytes);

// The text of a failed write of the file at path: The file "..." cannot be written: Disk full.
std::string WriteErrorText(const std::string& path, DWORD error);

// What one export puts on disk: a file and copies of other files in a folder beside it (the
// export file and its companion folder, or the Group Policy file and its files folder). Both
// exports go through this one class, so that the same rules hold for both:
// - a copy goes only into the folder itself: a target that resolves anywhere else (a name
//   holding ".." or "/", a device) is never written;
// - no file of the user's is touched before Commit(): a copy whose name is free is made new
//   under that name; one that would replace a file is written under a name of its own first
//   (made new by the platform in the target's folder), and Commit() puts all of those in place,
//   or, when any cannot be put in place, puts back what was there and fails; a file that
//   already holds the same bytes is left as it is;
// - an output that never commits (the export failed) removes every file and folder it made.
class ExportOutput {
public:
    // What a copy whose source cannot be read does: the export file's copies are skipped
    // silently (an icon inside a library names no file of its own), while the Group Policy
    // export lists only files that exist, and one that cannot be read fails it.
    enum class UnreadableSource { Skip, Fail };

    // Makes the folder (with missing parents; none when folder is "") and the temporary file
    // beside path. Throws InOutError naming path. A folder that cannot be made fails the first
    // copy that needs it, naming the folder and why. With path "" there is no file, only the
    // copies (an import's copy of a set's files).
    ExportOutput(const std::string& path, const std::string& folder, DiskWrite write = WriteToDisk,
                 UnreadableSource unreadable = UnreadableSource::Skip);
    ~ExportOutput();
    ExportOutput(const ExportOutput&) = delete;
    ExportOutput& operator=(const ExportOutput&) = delete;

    // Adds bytes to the file; throws InOutError naming the file.
    void Write(std::string_view bytes);
    // Copies the file at from to the path to, which must lie directly in the folder: a target
    // anywhere else and a file copied onto itself are left alone. A failed write, or a folder
    // that could not be made, throws InOutError naming the target or the folder. Returns 0, or
    // with UnreadableSource::Skip the Windows error code of a source that could not be read.
    DWORD Copy(const std::string& from, const std::string& to);
    // Puts the copies, then the file, in place, replacing what was there. Throws InOutError
    // naming what could not be put in place, after putting every replaced file back.
    void Commit();

private:
    DWORD CopyOnce(const std::string& from, const std::string& to);
    void Flush();
    void WriteAll(HANDLE file, std::string_view bytes, const std::string& target);
    void RemoveWhatWasMade();

    std::string path_;
    std::string folder_;
    DiskWrite write_;
    UnreadableSource unreadable_;
    std::vector<std::string> madeFolders_; // deepest last
    DWORD folderError_ = 0;                // why the folder could not be made (0: it is there)
    std::string tempFile_;
    UniqueFile file_;
    std::string buffer_;
    // Each copy written: the target, and the name it is written under until Commit() ("" when
    // it was made under the target's own name, which nobody else's file held).
    struct Copied {
        std::string temporary, target;
        bool made = false;
    };
    std::vector<Copied> copies_;
    std::set<std::string> copiedTargets_; // the targets, in lower case
    bool committed_ = false;
};

// An export file opened for reading; opening a missing file throws "File not found".
class ExportFileSource {
public:
    explicit ExportFileSource(const std::string& path);
    ~ExportFileSource();
    ExportFileSource(const ExportFileSource&) = delete;
    ExportFileSource& operator=(const ExportFileSource&) = delete;

    // Reads the whole file through the format's reader, reporting each line to events as it
    // is read; a read failure throws after the lines before it were reported.
    void Read(const std::string& companionFolder, ExportEvents& events);
    void Close();

private:
    UniqueFile file_;
};

// Opens and reads a whole export file.
void ReadExportFile(const std::string& path, const std::string& companionFolder,
                    ExportEvents& events);

// Reads a whole export file and works out what it will create, writing nothing.
ImportPlan PlanExportFile(const std::string& path, const std::string& companionFolder);

// A path as the platform will take it, before any check is made on it: the full path with
// "." and ".." followed, "/" turned into "\\", trailing dots and blanks dropped as the platform
// drops them (GetFullPathNameW), and every short (8.3) name of the part that exists in its
// long form (GetLongPathNameW). Nothing when the path has no full form, holds a NUL or has
// characters the program's code page cannot hold. Import plan, trust check, preview,
// containment of copies and the command line's file names all resolve through this one.
std::optional<std::string> ResolveFullPath(const std::string& path);

// Whether two paths name one file: the same path once resolved (letter case ignored as the
// file system ignores it), or, where both exist, the same file on the same volume (a hard link).
bool SameFile(const std::string& a, const std::string& b);

// Creates a folder with all its missing parents; true when it exists afterwards. The folders
// it made are added to made, outermost first; error gets why it could not be made.
bool CreateFolderTree(const std::string& path, std::vector<std::string>* made = nullptr,
                      DWORD* error = nullptr);

} // namespace qm::transfer
