#include "transfer/FileValues.h"

#include "buttons/IconLocation.h"
#include "transfer/ExportFile.h"
#include "transfer/ImportCheck.h"
#include "transfer/TransferCommands.h"
#include "ui/Texts.h"

#include "resource.h"

#include <windows.h>

namespace qm::transfer {
namespace {

// Only an icon is looked for among the system's modules: a script page that named a program
// of the system's folders would have the browser open that program.
bool IsIconValue(const std::string& name) { return name == kIconValue || name == kHotIconValue; }

bool IsModuleName(const std::string& file) {
    const std::string lower = AsciiLower(file);
    return lower.size() > 4 && (lower.ends_with(".exe") || lower.ends_with(".dll"));
}

} // namespace

bool IsPlainFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// Whether the file lies directly in one of the system's own folders: the system folder, its
// 32-bit twin on 64-bit Windows, or the Windows folder. Windows keeps some modules in more
// than one of them (notepad.exe), and each machine finds its own by name.
bool LiesInSystemFolder(const std::string& path) {
    char folder[MAX_PATH + 1] = {};
    for (UINT(WINAPI * get)(LPSTR, UINT) :
         {&GetSystemDirectoryA, &GetSystemWow64DirectoryA, &GetWindowsDirectoryA}) {
        UINT length = get(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH &&
            LiesDirectlyIn(path, std::string(folder, length), ResolveFullPath))
            return true;
    }
    return false;
}

// A path with its environment variables (%SystemRoot%) as the platform expands them; as it
// stands when it holds none or cannot be expanded.
std::string WithEnvironment(const std::string& path) {
    if (path.find('%') == std::string::npos) return path;
    DWORD size = ExpandEnvironmentStringsA(path.c_str(), nullptr, 0);
    if (size == 0 || size > 32768) return path;
    std::string expanded(size, '\0');
    DWORD written = ExpandEnvironmentStringsA(path.c_str(), expanded.data(), size);
    if (written == 0 || written > size) return path;
    expanded.resize(written - 1);
    return expanded;
}

FileTravel NotTaken(const std::string& why) { return {FileTravel::Way::NotTaken, {}, {}, why}; }

} // namespace

std::optional<std::string> FindSystemModule(const std::string& fileName) {
    if (!IsModuleName(fileName) || fileName.find_first_of("\\/:") != std::string::npos ||
        fileName.find('\0') != std::string::npos)
        return std::nullopt;
    char system[MAX_PATH + 1] = {}, windows[MAX_PATH + 1] = {};
    UINT systemLength = GetSystemDirectoryA(system, MAX_PATH);
    UINT windowsLength = GetWindowsDirectoryA(windows, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH || windowsLength == 0 ||
        windowsLength >= MAX_PATH)
        return std::nullopt;
    const std::string folders = std::string(system) + ";" + windows;
    char found[MAX_PATH + 1] = {};
    DWORD length =
        SearchPathA(folders.c_str(), fileName.c_str(), nullptr, MAX_PATH, found, nullptr);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    const std::string path(found, length);
    if (!IsPlainFile(path)) return std::nullopt; // a folder of that name is no module
    return path;
}

FileAndSuffix SplitFileValue(const std::string& name, const std::string& data) {
    if (!IsIconValue(name)) return {data, {}};
    const IconLocation location = ParseIconLocation(data);
    if (location.kind != IconLocationKind::Module) return {data, {}};
    return {location.path, data.substr(location.path.size())};
}

FileTravel TravelOf(const std::string& name, const std::string& data) {
    // A value without a file name (empty, or a folder's path with its trailing "\", as an
    // empty value comes back from an import) names nothing: its line is written, and there is
    // nothing to say.
    FileAndSuffix split = SplitFileValue(name, data);
    split.file = WithEnvironment(split.file);
    const std::string part = FileNamePart(split.file);
    if (part.empty()) return {FileTravel::Way::Copy, {}, {}, {}};
    if (std::optional<std::string> module =
            IsIconValue(name) ? FindSystemModule(part) : std::nullopt)
        if (part == split.file || LiesInSystemFolder(split.file))
            return {FileTravel::Way::ByName, *module, split.suffix, {}};

    std::optional<std::string> full = ResolveFullPath(split.file);
    if (!full || full->rfind("\\\\.\\", 0) == 0 || full->rfind("\\\\?\\", 0) == 0)
        return NotTaken(ui::Text(IDS_FILE_VALUE_NOT_PLAIN));
    DWORD attributes = GetFileAttributesA(full->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH)
            return NotTaken(ui::Text(IDS_FILE_VALUE_MISSING));
        return NotTaken(ui::Text(IDS_FILE_VALUE_UNREADABLE, {InOutErrorText(error)}));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return NotTaken(ui::Text(IDS_FILE_VALUE_NOT_PLAIN));
    return {FileTravel::Way::Copy, split.file, split.suffix, {}};
}

std::string FilesNotTakenMessage(const std::vector<ButtonFilesNotTaken>& buttons) {
    std::vector<std::string> items;
    for (const ButtonFilesNotTaken& button : buttons)
        for (const FileNotTaken& file : button.files)
            items.push_back(ui::Text(IDS_FILE_VALUE_NOT_TAKEN, {QuoteCut(button.buttonText),
                                                                file.value, file.data, file.why}));
    if (items.empty()) return {};
    return ListMessage(ui::Text(IDS_EXPORT_FILES_NOT_TAKEN, {std::to_string(items.size())}), items);
}

void FindFilesNotCarried(ImportPlan& plan, const std::string& companionFolder) {
    const std::string prefix = companionFolder + "\\";
    for (PlannedButton& button : plan.buttons)
        for (PlannedValue& value : button.values) {
            if (!IsFileValue(value.name) || value.text.size() <= prefix.size() ||
                value.text.compare(0, prefix.size(), prefix) != 0)
                continue; // names nothing: the folder itself
            const FileAndSuffix split =
                SplitFileValue(value.name, value.text.substr(prefix.size()));
            if (IsPlainFile(prefix + split.file)) continue; // it came with the file
            std::optional<std::string> module =
                IsIconValue(value.name) ? FindSystemModule(split.file) : std::nullopt;
            if (module)
                value.text = *module + split.suffix;
            else
                button.missingFiles.push_back(value.name);
        }
}

std::string MissingFilesMessage(const ImportPlan& plan) {
    std::vector<std::string> items;
    for (const PlannedButton& button : plan.buttons)
        for (const std::string& name : button.missingFiles)
            items.push_back(
                ui::Text(IDS_IMPORT_FILE_MISSING, {QuoteCut(PlannedText(button, kButtonTextValue)),
                                                   name, PlannedText(button, name)}));
    if (items.empty()) return {};
    return ListMessage(ui::Text(IDS_IMPORT_FILES_MISSING, {std::to_string(items.size())}), items);
}

} // namespace qm::transfer
