#pragma once
// The export file and its companion folder on disk: creating and writing the file, reading it
// back through the format's reader, copying files and making folders. Input/output failures
// throw InOutError with the text the user sees ("File not found", "Disk full", ...).

#include "transfer/ExportFormat.h"

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace qm::transfer {

class InOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The user's text for a Windows error code from a file operation.
std::string InOutErrorText(DWORD error);

// Creates the export file (emptying one that exists) and writes it through a buffer. Close()
// writes what is left and reports a failure; the destructor closes quietly, keeping what was
// written so far (the file of an export stopped by an error).
class ExportFileWriter {
public:
    explicit ExportFileWriter(const std::string& path);
    ~ExportFileWriter();
    ExportFileWriter(const ExportFileWriter&) = delete;
    ExportFileWriter& operator=(const ExportFileWriter&) = delete;

    void Write(std::string_view bytes);
    void Close();

private:
    void Flush();

    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::string buffer_;
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

// Copies a file whole, replacing the target; false when the copy failed.
bool CopyWholeFile(const std::string& from, const std::string& to);

// Creates a folder with all its missing parents; true when it exists afterwards.
bool CreateFolderTree(const std::string& path);

} // namespace qm::transfer
