#include "transfer/ExportFile.h"

#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>
#include <vector>

namespace qm::transfer {
namespace {
constexpr size_t kBufferSize = 64 * 1024;
} // namespace

std::string InOutErrorText(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return ui::Text(IDS_IO_FILE_NOT_FOUND);
    case ERROR_PATH_NOT_FOUND: return ui::Text(IDS_IO_PATH_NOT_FOUND);
    case ERROR_TOO_MANY_OPEN_FILES: return ui::Text(IDS_IO_TOO_MANY_OPEN_FILES);
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return ui::Text(IDS_IO_ACCESS_DENIED);
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: return ui::Text(IDS_IO_DISK_FULL);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return ui::Text(IDS_IO_INVALID_FILENAME);
    case ERROR_HANDLE_EOF: return ui::Text(IDS_IO_READ_BEYOND_END);
    default: return ui::Text(IDS_IO_ERROR, {std::to_string(error)});
    }
}

DWORD WriteToDisk(HANDLE file, std::string_view bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1u << 30));
        if (!WriteFile(file, bytes.data() + at, chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_DISK_FULL;
        at += written;
    }
    return 0;
}

std::string WriteErrorText(const std::string& path, DWORD error) {
    return ui::Text(IDS_FILE_NOT_WRITTEN, {path, InOutErrorText(error)});
}

namespace {

std::string FolderOf(const std::string& path) {
    size_t separator = path.find_last_of('\\');
    return separator == std::string::npos ? std::string(".") : path.substr(0, separator);
}

// A new, empty file of a name of its own in folder; "" when none can be made.
std::string MakeTemporaryFile(const std::string& folder, const char* prefix, DWORD* error) {
    char name[MAX_PATH + 16] = {};
    if (folder.size() + 14 >= MAX_PATH || !GetTempFileNameA(folder.c_str(), prefix, 0, name)) {
        if (error)
            *error = folder.size() + 14 >= MAX_PATH ? ERROR_FILENAME_EXCED_RANGE : GetLastError();
        return {};
    }
    return name;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

ExportOutput::ExportOutput(const std::string& path, const std::string& companionFolder,
                           DiskWrite write)
    : path_(path), companionFolder_(companionFolder), write_(std::move(write)) {
    // Copies into a folder that could not be made fail one by one, silently, like any copy.
    CreateFolderTree(companionFolder_, &madeFolders_);
    DWORD error = 0;
    tempFile_ = MakeTemporaryFile(FolderOf(path_), "qmx", &error);
    if (!tempFile_.empty())
        file_ = CreateFileA(tempFile_.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        if (!tempFile_.empty()) error = GetLastError();
        RemoveWhatWasMade();
        throw InOutError(WriteErrorText(path_, error));
    }
    buffer_.reserve(kBufferSize);
}

ExportOutput::~ExportOutput() {
    if (!committed_) RemoveWhatWasMade();
}

void ExportOutput::RemoveWhatWasMade() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!tempFile_.empty()) DeleteFileA(tempFile_.c_str());
    tempFile_.clear();
    for (const auto& copy : copies_) DeleteFileA(copy.first.c_str());
    copies_.clear();
    // Only folders this export made, and only when nothing else came into them meanwhile.
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    madeFolders_.clear();
}

void ExportOutput::WriteAll(HANDLE file, std::string_view bytes, const std::string& target) {
    if (DWORD error = write_(file, bytes)) throw InOutError(WriteErrorText(target, error));
}

void ExportOutput::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) Flush();
    if (bytes.size() >= kBufferSize) return WriteAll(file_, bytes, path_);
    buffer_.append(bytes);
}

void ExportOutput::Flush() {
    std::string pending;
    pending.swap(buffer_); // written or not, it is not tried twice
    buffer_.reserve(kBufferSize);
    WriteAll(file_, pending, path_);
}

void ExportOutput::Copy(const std::string& from, const std::string& to) {
    // A target that a name holding "/" or ".." moves out of the folder is never written.
    if (!LiesDirectlyIn(to, companionFolder_, ResolveFullPath)) return;
    std::optional<std::string> source = ResolveFullPath(from);
    std::optional<std::string> target = ResolveFullPath(to);
    if (source && target && Lower(*source) == Lower(*target)) return; // the file itself
    for (const auto& copy : copies_)
        if (Lower(copy.second) == Lower(to)) return; // the same name from the same file

    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) return; // a missing file or a value that is no path
    std::string temporary = MakeTemporaryFile(companionFolder_, "qmc", nullptr);
    HANDLE out = temporary.empty() ? INVALID_HANDLE_VALUE
                                   : CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        if (!temporary.empty()) DeleteFileA(temporary.c_str());
        return; // no folder to copy into: silent, as any failed copy
    }
    // From here on the temporary file is this export's: a failure removes it with the rest.
    copies_.emplace_back(temporary, to);
    std::vector<char> buffer(kBufferSize);
    bool readable = true;
    try {
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
                readable = false;
                break;
            }
            if (read == 0) break;
            WriteAll(out, std::string_view(buffer.data(), read), to);
        }
    } catch (...) {
        CloseHandle(in);
        CloseHandle(out);
        throw;
    }
    CloseHandle(in);
    CloseHandle(out);
    if (!readable) { // a source that fails part-way is not copied at all
        DeleteFileA(temporary.c_str());
        copies_.pop_back();
    }
}

void ExportOutput::Commit() {
    Flush();
    HANDLE file = file_;
    file_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file)) throw InOutError(WriteErrorText(path_, GetLastError()));
    if (!MoveFileExA(tempFile_.c_str(), path_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw InOutError(WriteErrorText(path_, GetLastError()));
    tempFile_.clear();
    committed_ = true;
    // The export file is in place; a copy that cannot take its name now stays out of the
    // folder like any failed copy, and its temporary file goes.
    for (const auto& [temporary, target] : copies_)
        if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            DeleteFileA(temporary.c_str());
    copies_.clear();
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

ImportPlan PlanExportFile(const std::string& path, const std::string& companionFolder) {
    ImportPlanner planner(companionFolder, ResolveFullPath);
    ReadExportFile(path, companionFolder, planner);
    return planner.TakePlan();
}

std::optional<std::string> ResolveFullPath(const std::string& path) {
    std::string full(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length =
            GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return std::nullopt;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.assign(length + 1, '\0');
    }
    return std::nullopt;
}

bool CreateFolderTree(const std::string& path, std::vector<std::string>* made) {
    std::string folder = path;
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty()) return false;
    // Every prefix that ends before a separator, then the whole path; prefixes that exist or
    // cannot be made (a drive, a server name) simply fail.
    auto create = [made](const std::string& part) {
        if (CreateDirectoryA(part.c_str(), nullptr) && made) made->push_back(part);
    };
    for (size_t at = folder.find_first_of("\\/", 1); at != std::string::npos;
         at = folder.find_first_of("\\/", at + 1))
        create(folder.substr(0, at));
    create(folder);
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace qm::transfer
