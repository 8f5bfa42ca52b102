#include "transfer/ExportFile.h"

#include <algorithm>
#include <vector>

namespace qm::transfer {
namespace {
constexpr size_t kBufferSize = 64 * 1024;
} // namespace

std::string InOutErrorText(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return "File not found";
    case ERROR_PATH_NOT_FOUND: return "Path not found";
    case ERROR_TOO_MANY_OPEN_FILES: return "Too many open files";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "File access denied";
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: return "Disk full";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return "Invalid filename";
    case ERROR_HANDLE_EOF: return "Read beyond end of file";
    default: return "I/O error " + std::to_string(error);
    }
}

ExportFileWriter::ExportFileWriter(const std::string& path) {
    file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) throw InOutError(InOutErrorText(GetLastError()));
    buffer_.reserve(kBufferSize);
}

ExportFileWriter::~ExportFileWriter() {
    if (file_ == INVALID_HANDLE_VALUE) return;
    try {
        Flush();
    } catch (const InOutError&) {
        // The error that stopped the export is the one the user sees; the file keeps what
        // reached it.
    }
    CloseHandle(file_);
}

void ExportFileWriter::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) Flush();
    if (bytes.size() >= kBufferSize) {
        buffer_.assign(bytes);
        Flush();
        return;
    }
    buffer_.append(bytes);
}

void ExportFileWriter::Flush() {
    std::string pending;
    pending.swap(buffer_); // written or not, it is not tried twice
    buffer_.reserve(kBufferSize);
    size_t at = 0;
    while (at < pending.size()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(pending.size() - at, 1u << 30));
        if (!WriteFile(file_, pending.data() + at, chunk, &written, nullptr))
            throw InOutError(InOutErrorText(GetLastError()));
        if (written == 0) throw InOutError(InOutErrorText(ERROR_DISK_FULL));
        at += written;
    }
}

void ExportFileWriter::Close() {
    if (file_ == INVALID_HANDLE_VALUE) return;
    HANDLE file = file_;
    try {
        Flush();
    } catch (...) {
        file_ = INVALID_HANDLE_VALUE;
        CloseHandle(file);
        throw;
    }
    file_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file)) throw InOutError(InOutErrorText(GetLastError()));
}

ExportFileSource::ExportFileSource(const std::string& path) {
    file_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) throw InOutError(InOutErrorText(GetLastError()));
}

ExportFileSource::~ExportFileSource() { Close(); }

void ExportFileSource::Close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

void ExportFileSource::Read(const std::string& companionFolder, ExportEvents& events) {
    ExportReader reader(companionFolder, events);
    std::vector<char> buffer(kBufferSize);
    while (!reader.Ended()) {
        DWORD read = 0;
        if (!ReadFile(file_, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            throw InOutError(InOutErrorText(GetLastError()));
        if (read == 0) break;
        reader.Feed(std::string_view(buffer.data(), read));
    }
    reader.Finish();
}

void ReadExportFile(const std::string& path, const std::string& companionFolder,
                    ExportEvents& events) {
    ExportFileSource source(path);
    source.Read(companionFolder, events);
}

bool CopyWholeFile(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool CreateFolderTree(const std::string& path) {
    std::string folder = path;
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty()) return false;
    // Every prefix that ends before a separator, then the whole path; prefixes that exist or
    // cannot be made (a drive, a server name) simply fail.
    for (size_t at = folder.find_first_of("\\/", 1); at != std::string::npos;
         at = folder.find_first_of("\\/", at + 1))
        CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace qm::transfer
