#include "transfer/LocalCopy.h"

#include "base/Handles.h"
#include "registry/RegistryAccessor.h"
#include "transfer/ExportFile.h"
#include "transfer/FileValues.h"
#include "transfer/ImportRows.h"
#include "ui/Texts.h"

#include "resource.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

namespace qm::transfer {
namespace {

std::string& FolderOverride() {
    static std::string folder;
    return folder;
}

std::string Resolved(const std::string& path) { return ResolveFullPath(path).value_or(path); }

std::string ParentOf(const std::string& path) {
    size_t separator = path.find_last_of('\\');
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// Whether the resolved path lies in the folder or below it.
bool LiesUnder(const std::string& path, std::string folder) {
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (folder.empty()) return false;
    std::string lowerPath = AsciiLower(path), lowerFolder = AsciiLower(folder) + "\\";
    return lowerPath.rfind(lowerFolder, 0) == 0;
}

// The user's Downloads folder, as the platform resolves it; "" where it has none.
std::string DownloadsFolder() {
    // FOLDERID_Downloads, spelt out: the shell's known-folder identifiers are not part of the
    // import libraries of every toolchain.
    static constexpr GUID kDownloads = {
        0x374de290, 0x123f, 0x4565, {0x91, 0x64, 0x39, 0xc4, 0x92, 0x5e, 0x46, 0x7b}};
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(kDownloads, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path)
        folder = NarrowText(path);
    CoTaskMemFree(path);
    return folder.empty() ? folder : Resolved(folder);
}

std::string TemporaryFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH) return {};
    return Resolved(NarrowText(path));
}

// The name of a set's folder: the export file's name cut before its first "." (as its
// companion folder is named), or "Set" where that leaves nothing.
std::string SetName(const std::string& exportPath) {
    std::string name = FileNamePart(exportPath);
    name = name.substr(0, name.find('.'));
    return name.empty() ? std::string("Set") : name;
}

} // namespace

std::string ImportedSetsFolder() {
    if (!FolderOverride().empty()) return FolderOverride();
    // The environment's %ProgramData% first: asking the shell for the folder may have it write
    // its compatibility values ("Shell Folders") into the machine's registry, which a check
    // that only reads must not.
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"ProgramData", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        path[0] = L'\0';
        if (FAILED(
                SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
            return {};
    }
    return NarrowText(path) + "\\Quillmere\\Imported";
}

bool SuggestLocalCopy(const std::string& exportPath) {
    std::string full = Resolved(exportPath);
    if (full.rfind("\\\\", 0) == 0) return true; // a server's share
    if (full.size() < 3 || full[1] != ':') return true;
    std::wstring root = WidenText(full.substr(0, 3));
    if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) return true;
    return LiesUnder(full, TemporaryFolder()) || LiesUnder(full, DownloadsFolder());
}

bool LiesInImportedSet(const std::string& path) {
    std::string sets = ImportedSetsFolder();
    if (sets.empty()) return false;
    std::string setFolder = ParentOf(Resolved(path));
    std::string base = Resolved(sets);
    while (!base.empty() && base.back() == '\\') base.pop_back();
    return !setFolder.empty() && AsciiLower(ParentOf(setFolder)) == AsciiLower(base);
}

bool SameCopiedFile(const std::string& copy, const std::string& original) {
    if (AsciiLower(FileNamePart(Resolved(copy))) != AsciiLower(FileNamePart(Resolved(original))) ||
        !LiesInImportedSet(copy))
        return false;
    UniqueFile files[2];
    const std::string* paths[2] = {&copy, &original};
    for (int i = 0; i < 2; ++i)
        files[i].reset(CreateFileA(paths[i]->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    bool same = files[0] && files[1];
    std::vector<char> a(64 * 1024), b(64 * 1024);
    while (same) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(files[0].get(), a.data(), static_cast<DWORD>(a.size()), &readA, nullptr) ||
            !ReadFile(files[1].get(), b.data(), static_cast<DWORD>(b.size()), &readB, nullptr) ||
            readA != readB || !std::equal(a.begin(), a.begin() + readA, b.begin())) {
            same = false;
        } else if (readA == 0) {
            break;
        }
    }
    return same;
}

namespace {

// One file of the set to copy, and the value that names it.
struct FileToCopy {
    size_t button = 0, value = 0;
    std::string source; // as the value names it
    std::string name;   // the file's name as the platform has it
    std::string rest;   // what the value holds after the file (an icon number)
};

// The set's files to copy, in the order of the buttons and their values; with firstOnly, at
// most the first (whether there is any at all, without checking every file of a large set).
std::vector<FileToCopy> FilesToCopy(const ImportPlan& plan, const std::string& companionFolder,
                                    bool firstOnly = false) {
    std::vector<FileToCopy> files;
    for (size_t b = 0; b < plan.buttons.size(); ++b) {
        const std::vector<PlannedValue>& values = plan.buttons[b].values;
        for (size_t v = 0; v < values.size(); ++v) {
            if (!IsFileValue(values[v].name)) continue;
            const FileAndSuffix split = SplitFileValue(values[v].name, values[v].text);
            // Only the set's own files travel: a module of the system stays where it is, and a
            // file that did not come with the set has nothing to copy. An empty value names the
            // companion folder itself, and so no file.
            if (FileNamePart(split.file).empty() ||
                !LiesDirectlyIn(split.file, companionFolder, ResolveFullPath) ||
                !IsPlainFile(split.file))
                continue;
            files.push_back({b, v, split.file, FileNamePart(Resolved(split.file)), split.suffix});
            if (firstOnly) return files;
        }
    }
    return files;
}

} // namespace

bool HasFilesToCopy(const ImportPlan& plan, const std::string& companionFolder) {
    return !FilesToCopy(plan, companionFolder, true).empty();
}

SetCopy::SetCopy(const std::string& exportPath, const ImportPlan& plan) : plan_(plan) {
    std::vector<FileToCopy> files = FilesToCopy(plan_, CompanionFolderFor(exportPath));
    if (files.empty()) return; // nothing to copy: no folder either

    try {
        std::string sets = ImportedSetsFolder();
        DWORD error = ERROR_PATH_NOT_FOUND;
        if (sets.empty() || !CreateFolderTree(sets, &madeFolders_, &error))
            throw InOutError(
                ui::Text(IDS_IMPORT_SET_FOLDER_NOT_MADE, {sets, InOutErrorText(error)}));
        const std::string base = Resolved(sets);
        const std::string name = SetName(exportPath);
        // A folder of its own, claimed by making it: one that is there (another set's) is
        // passed over, as is a name the platform would take for another (a device, a name
        // with trailing dots).
        for (int n = 1; folder_.empty(); ++n) {
            if (n > 999)
                throw InOutError(ui::Text(IDS_IMPORT_SET_FOLDER_NOT_MADE,
                                          {base + "\\" + name, InOutErrorText(ERROR_FILE_EXISTS)}));
            std::string candidate =
                base + "\\" + (n == 1 ? name : name + " (" + std::to_string(n) + ")");
            if (AsciiLower(Resolved(candidate)) != AsciiLower(candidate)) continue;
            if (CreateDirectoryA(candidate.c_str(), nullptr)) {
                folder_ = candidate;
            } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
                throw InOutError(ui::Text(IDS_IMPORT_SET_FOLDER_NOT_MADE,
                                          {candidate, InOutErrorText(GetLastError())}));
            }
        }

        ExportOutput output("", folder_, WriteToDisk, ExportOutput::UnreadableSource::Fail);
        for (const FileToCopy& file : files) {
            std::string target = folder_ + "\\" + file.name;
            if (!LiesDirectlyIn(target, folder_, ResolveFullPath))
                throw InOutError(ui::Text(IDS_IMPORT_COPY_OUTSIDE, {file.source, folder_}));
            output.Copy(file.source, target);
        }
        output.Commit();
        for (const FileToCopy& file : files) {
            std::string target = folder_ + "\\" + file.name;
            if (std::find(placed_.begin(), placed_.end(), target) == placed_.end())
                placed_.push_back(target);
            plan_.buttons[file.button].values[file.value].text = target + file.rest;
        }
    } catch (const InOutError& error) {
        Discard();
        throw InOutError(ui::Text(IDS_IMPORT_COPY_FAILED, {error.what()}));
    } catch (...) {
        Discard();
        throw;
    }
}

SetCopy::~SetCopy() {
    if (!kept_) Discard();
}

void SetCopy::Discard() {
    for (const std::string& file : placed_) DeleteFileA(file.c_str());
    placed_.clear();
    // Only folders this copy made, and only when nothing else came into them meanwhile.
    if (!folder_.empty()) RemoveDirectoryA(folder_.c_str());
    folder_.clear();
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    madeFolders_.clear();
}

namespace testing {
void SetImportedSetsFolder(const std::string& folder) { FolderOverride() = folder; }
} // namespace testing

} // namespace qm::transfer
