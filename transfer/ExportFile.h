#pragma once
// The export file and its companion folder on disk: creating and writing the file, reading it
// back through the format's reader, copying files and making folders. Input/output failures
// throw InOutError with the text the user sees ("File not found", "Disk full", ...).

#include "transfer/ExportFormat.h"
#include "transfer/ImportPlan.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <stdexcept>
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

// What one export puts on disk: the export file and the copies in its companion folder. All of
// it is first written under temporary names beside the targets; Commit() puts everything in
// place, and an export that never commits (it failed) removes every file and folder it made,
// leaving the previous export as it was.
class ExportOutput {
public:
    // Makes the companion folder (with missing parents; a failure only makes the copies fail
    // silently) and the temporary export file beside path. Throws InOutError naming path.
    ExportOutput(const std::string& path, const std::string& companionFolder,
                 DiskWrite write = WriteToDisk);
    ~ExportOutput();
    ExportOutput(const ExportOutput&) = delete;
    ExportOutput& operator=(const ExportOutput&) = delete;

    // Adds bytes to the export file; throws InOutError naming the export file.
    void Write(std::string_view bytes);
    // Copies the file at from to the path to, which must lie directly in the companion folder:
    // a target anywhere else (a name holding "/" or "..") and a file copied onto itself are
    // left alone. A source that cannot be read copies nothing, silently; a failed write throws
    // InOutError naming the target.
    void Copy(const std::string& from, const std::string& to);
    // Replaces the export file, then the copies' targets. Throws InOutError naming the file
    // that could not be put in place.
    void Commit();

private:
    void Flush();
    void WriteAll(HANDLE file, std::string_view bytes, const std::string& target);
    void RemoveWhatWasMade();

    std::string path_;
    std::string companionFolder_;
    DiskWrite write_;
    std::vector<std::string> madeFolders_; // deepest last
    std::string tempFile_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::string buffer_;
    std::vector<std::pair<std::string, std::string>> copies_; // (temporary, target)
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
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Opens and reads a whole export file.
void ReadExportFile(const std::string& path, const std::string& companionFolder,
                    ExportEvents& events);

// Reads a whole export file and works out what it will create, writing nothing.
ImportPlan PlanExportFile(const std::string& path, const std::string& companionFolder);

// The platform's full path for a path (GetFullPathNameA), or nothing when it has none.
std::optional<std::string> ResolveFullPath(const std::string& path);

// Creates a folder with all its missing parents; true when it exists afterwards. The folders
// it made are added to made, outermost first.
bool CreateFolderTree(const std::string& path, std::vector<std::string>* made = nullptr);

} // namespace qm::transfer
