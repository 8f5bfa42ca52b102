#include "transfer/ExportFile.h"

#include "base/Text.h"
#include "transfer/FileValues.h"
#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return ui::Text(IDS_IO_FILE_IN_THE_WAY);
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

// Whether the two paths name one file by their full names, as the platform resolves them.
bool SamePath(const std::string& a, const std::string& b) {
    std::optional<std::string> fullA = ResolveFullPath(a), fullB = ResolveFullPath(b);
    if (!fullA || !fullB) return false;
    std::optional<std::wstring> wideA = WidenExactly(*fullA);
    std::optional<std::wstring> wideB = WidenExactly(*fullB);
    return wideA && wideB &&
           CompareStringOrdinal(wideA->c_str(), static_cast<int>(wideA->size()), wideB->c_str(),
                                static_cast<int>(wideB->size()), TRUE) == CSTR_EQUAL;
}

// Whether the file at path already is what a copy of the open file in would leave there: the
// file itself, or a file with exactly its bytes. The file itself holds its own bytes, so one
// comparison of the bytes answers both; asking for the files' identity first would cost more
// than it saves (it asks the volume for its serial number, for each of the two files). in is
// read from its start, and left at its start again when the answer is no.
bool AlreadyHolds(HANDLE in, const std::string& path) {
    UniqueFile other(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    // Only a plain file of the same size can hold the same bytes: both are read to that end.
    LARGE_INTEGER inSize{}, otherSize{};
    if (!other || GetFileType(other.get()) != FILE_TYPE_DISK || !GetFileSizeEx(in, &inSize) ||
        !GetFileSizeEx(other.get(), &otherSize) || inSize.QuadPart != otherSize.QuadPart)
        return false;
    uint64_t left = static_cast<uint64_t>(inSize.QuadPart);
    std::vector<char> ours(static_cast<size_t>(std::min<uint64_t>(left, kBufferSize)));
    std::vector<char> theirs(ours.size());
    bool same = true;
    while (same && left > 0) {
        const DWORD wanted = static_cast<DWORD>(std::min<uint64_t>(left, ours.size()));
        DWORD readOurs = 0, readTheirs = 0;
        same = ReadFile(in, ours.data(), wanted, &readOurs, nullptr) &&
               ReadFile(other.get(), theirs.data(), wanted, &readTheirs, nullptr) &&
               readOurs == wanted && readTheirs == wanted &&
               std::memcmp(ours.data(), theirs.data(), wanted) == 0;
        left -= wanted;
    }
    if (!same) { // the copy reads the source from its start
        LARGE_INTEGER start{};
        SetFilePointerEx(in, start, nullptr, FILE_BEGIN);
    }
    return same;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

ExportOutput::ExportOutput(const std::string& path, const std::string& folder, DiskWrite write,
                           UnreadableSource unreadable)
    : path_(path), folder_(folder), write_(std::move(write)), unreadable_(unreadable) {
    if (!folder_.empty() && !CreateFolderTree(folder_, &madeFolders_, &folderError_) &&
        folderError_ == 0)
        folderError_ = ERROR_PATH_NOT_FOUND;
    if (path_.empty()) return; // copies only (an import's copy of a set's files)
    DWORD error = 0;
    tempFile_ = MakeTemporaryFile(FolderOf(path_), "qmx", &error);
    if (!tempFile_.empty())
        file_.reset(CreateFileA(tempFile_.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
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
    file_.reset();
    if (!tempFile_.empty()) DeleteFileA(tempFile_.c_str());
    tempFile_.clear();
    for (const Copied& copy : copies_) {
        if (!copy.temporary.empty()) DeleteFileA(copy.temporary.c_str());
        if (copy.made) DeleteFileA(copy.target.c_str());
    }
    copies_.clear();
    copiedTargets_.clear();
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
    if (bytes.size() >= kBufferSize) return WriteAll(file_.get(), bytes, path_);
    buffer_.append(bytes);
}

void ExportOutput::Flush() {
    std::string pending;
    pending.swap(buffer_); // written or not, it is not tried twice
    buffer_.reserve(kBufferSize);
    WriteAll(file_.get(), pending, path_);
}

DWORD ExportOutput::Copy(const std::string& from, const std::string& to) {
    // A target that a name holding "/" or ".." moves out of the folder is never written.
    if (folder_.empty() || !LiesDirectlyIn(to, folder_, ResolveFullPath)) return 0;
    // The file itself by its name; by another name, once it is open.
    if (SamePath(from, to)) return 0;
    // The same name from the same file.
    if (!copiedTargets_.insert(Lower(to)).second) return 0;
    const DWORD error = CopyOnce(from, to);
    if (error) copiedTargets_.erase(Lower(to));
    return error;
}

DWORD ExportOutput::CopyOnce(const std::string& from, const std::string& to) {
    UniqueFile in(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) {
        DWORD why = GetLastError();
        if (unreadable_ == UnreadableSource::Skip) return why; // a missing file, or no path
        throw InOutError(ui::Text(IDS_FILE_NOT_COPIED, {from, to, InOutErrorText(why)}));
    }
    if (folderError_)
        throw InOutError(ui::Text(IDS_FOLDER_NOT_MADE, {folder_, InOutErrorText(folderError_)}));
    DWORD error = 0;
    Copied copy{{}, to, false};
    // A free name is taken at once, made new so that no file of anybody else's is replaced.
    UniqueFile out(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (out) {
        copy.made = true;
    } else if (GetLastError() == ERROR_FILE_EXISTS && AlreadyHolds(in.get(), to)) {
        return 0; // the file itself, or already as a copy leaves it: nothing to write
    } else {
        copy.temporary = MakeTemporaryFile(folder_, "qmc", &error);
        if (!copy.temporary.empty()) {
            out.reset(CreateFileA(copy.temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                  TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!out) {
                error = GetLastError();
                DeleteFileA(copy.temporary.c_str());
            }
        }
    }
    if (!out) throw InOutError(ui::Text(IDS_FILE_NOT_COPIED, {from, to, InOutErrorText(error)}));
    // From here on the file written is this export's: a failure removes it with the rest.
    copies_.push_back(copy);
    std::vector<char> buffer(kBufferSize);
    bool readable = true;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            readable = false;
            error = GetLastError();
            break;
        }
        if (read == 0) break;
        WriteAll(out.get(), std::string_view(buffer.data(), read), to);
    }
    in.reset();
    out.reset();
    if (!readable) { // a source that fails part-way is not copied at all
        DeleteFileA(copy.made ? to.c_str() : copy.temporary.c_str());
        copies_.pop_back();
        if (unreadable_ == UnreadableSource::Fail)
            throw InOutError(ui::Text(IDS_FILE_NOT_COPIED, {from, to, InOutErrorText(error)}));
        return error;
    }
    return 0;
}

void ExportOutput::Commit() {
    if (!path_.empty()) {
        Flush();
        // Closed by hand: a close that fails may mean the last bytes never reached the disk.
        if (!CloseHandle(file_.release())) throw InOutError(WriteErrorText(path_, GetLastError()));
    }

    // The copies first and the file last, each replacing its target: a file that was there is
    // first moved aside under a name of its own, so that a later failure can put it back.
    struct Placed {
        std::string target, setAside;
    };
    std::vector<Placed> placed;
    // Only what replaces a file: a copy made under its own name is in place already.
    std::vector<std::pair<std::string, std::string>> moves;
    for (const Copied& copy : copies_)
        if (!copy.temporary.empty()) moves.emplace_back(copy.temporary, copy.target);
    if (!path_.empty()) moves.emplace_back(tempFile_, path_);
    auto undo = [&] {
        for (auto step = placed.rbegin(); step != placed.rend(); ++step) {
            DeleteFileA(step->target.c_str());
            if (!step->setAside.empty())
                MoveFileExA(step->setAside.c_str(), step->target.c_str(),
                            MOVEFILE_REPLACE_EXISTING);
        }
    };
    for (const auto& [temporary, target] : moves) {
        std::string setAside;
        DWORD error = 0;
        DWORD attributes = GetFileAttributesA(target.c_str());
        // A folder or a read-only file of that name is the user's, and stays: the platform
        // refuses to replace either.
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
            undo();
            throw InOutError(WriteErrorText(target, ERROR_ACCESS_DENIED));
        }
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            setAside = MakeTemporaryFile(FolderOf(target), "qmo", &error);
            if (!setAside.empty() &&
                !MoveFileExA(target.c_str(), setAside.c_str(), MOVEFILE_REPLACE_EXISTING)) {
                error = GetLastError();
                DeleteFileA(setAside.c_str());
                setAside.clear();
            }
            if (setAside.empty()) {
                undo();
                throw InOutError(WriteErrorText(target, error));
            }
        }
        if (!MoveFileExA(temporary.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = GetLastError();
            if (!setAside.empty())
                MoveFileExA(setAside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
            undo();
            throw InOutError(WriteErrorText(target, error));
        }
        placed.push_back({target, setAside});
    }
    for (const Placed& step : placed)
        if (!step.setAside.empty()) DeleteFileA(step.setAside.c_str());
    copies_.clear();
    copiedTargets_.clear();
    tempFile_.clear();
    committed_ = true;
}

ExportFileSource::ExportFileSource(const std::string& path) {
    file_.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_) throw InOutError(InOutErrorText(GetLastError()));
}

ExportFileSource::~ExportFileSource() { Close(); }

void ExportFileSource::Close() { file_.reset(); }

void ExportFileSource::Read(const std::string& companionFolder, ExportEvents& events) {
    ExportReader reader(companionFolder, events);
    std::vector<char> buffer(kBufferSize);
    while (!reader.Ended()) {
        DWORD read = 0;
        if (!ReadFile(file_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                      nullptr))
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
    ImportPlan plan = planner.TakePlan();
    FindFilesNotCarried(plan, companionFolder);
    return plan;
}

namespace {

// Calls a path function of the form f(in, buffer, size) with a buffer that grows to fit.
template <class Function>
std::optional<std::wstring> GrowingCall(Function function, const std::wstring& in) {
    std::wstring out(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD length = function(in.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (length == 0) return std::nullopt;
        if (length < out.size()) {
            out.resize(length);
            return out;
        }
        out.assign(length + 1, L'\0');
    }
    return std::nullopt;
}

// The long form of every name of a full path that exists: the longest part of the path that
// is there is expanded, and the rest (which the platform cannot expand either) is kept.
std::wstring WithLongNames(const std::wstring& full) {
    // A short name Windows makes for a long one always holds "~" ("PROGRA~1"): a path without
    // one has nothing to expand, and asking would read every folder of the path again.
    if (full.find(L'~') == std::wstring::npos) return full;
    auto longName = [](const wchar_t* in, wchar_t* out, DWORD size) {
        return GetLongPathNameW(in, out, size);
    };
    std::wstring head = full, tail;
    while (!head.empty()) {
        if (std::optional<std::wstring> expanded = GrowingCall(longName, head))
            return *expanded + tail;
        size_t separator = head.find_last_of(L'\\');
        if (separator == std::wstring::npos || separator < 2 || separator + 1 >= head.size()) break;
        tail = head.substr(separator) + tail;
        head.resize(separator);
        if (!head.empty() && head.back() == L':') break; // a drive alone: nothing left to expand
    }
    return full;
}

} // namespace

std::optional<std::string> ResolveFullPath(const std::string& path) {
    std::optional<std::wstring> wide = WidenExactly(path);
    if (!wide || wide->empty() || wide->find(L'\0') != std::wstring::npos) return std::nullopt;
    auto fullName = [](const wchar_t* in, wchar_t* out, DWORD size) {
        return GetFullPathNameW(in, size, out, nullptr);
    };
    std::optional<std::wstring> full = GrowingCall(fullName, *wide);
    if (!full) return std::nullopt;
    return NarrowExactly(WithLongNames(*full));
}

namespace {

std::optional<BY_HANDLE_FILE_INFORMATION> FileIdentity(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file.get(), &info);
    if (!known) return std::nullopt;
    return info;
}

} // namespace

bool SameFile(const std::string& a, const std::string& b) {
    if (SamePath(a, b)) return true;
    std::optional<BY_HANDLE_FILE_INFORMATION> infoA = FileIdentity(a), infoB = FileIdentity(b);
    // One file by another name, a link, a folder mounted twice.
    return infoA && infoB && infoA->dwVolumeSerialNumber == infoB->dwVolumeSerialNumber &&
           infoA->nFileIndexHigh == infoB->nFileIndexHigh &&
           infoA->nFileIndexLow == infoB->nFileIndexLow;
}

bool CreateFolderTree(const std::string& path, std::vector<std::string>* made, DWORD* error) {
    std::string folder = path;
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty()) return false;
    // Every prefix that ends before a separator, then the whole path; prefixes that exist or
    // cannot be made (a drive, a server name) simply fail.
    DWORD lastError = 0;
    auto create = [made, &lastError](const std::string& part) {
        if (CreateDirectoryA(part.c_str(), nullptr)) {
            if (made) made->push_back(part);
        } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
            lastError = GetLastError();
        }
    };
    for (size_t at = folder.find_first_of("\\/", 1); at != std::string::npos;
         at = folder.find_first_of("\\/", at + 1))
        create(folder.substr(0, at));
    create(folder);
    DWORD attributes = GetFileAttributesA(folder.c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (!exists && error)
        *error = attributes != INVALID_FILE_ATTRIBUTES ? ERROR_ALREADY_EXISTS
                 : lastError                           ? lastError
                                                       : ERROR_PATH_NOT_FOUND;
    return exists;
}

} // namespace qm::transfer
