#include "ui/Dialogs.h"

#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>

#include <vector>

namespace qm::ui {
namespace {

Dialogs* g_dialogs = nullptr;

// "A|*.a|B|*.b" becomes the double-zero-terminated list the common dialogs want.
std::string FilterForDialog(const std::string& filter) {
    std::string result = filter;
    for (char& c : result)
        if (c == '|') c = '\0';
    result.push_back('\0');
    result.push_back('\0');
    return result;
}

// The HTML Help control is optional: it is loaded on first use, and its absence is silent.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
HtmlHelpFunction HtmlHelpEntry() {
    static HtmlHelpFunction entry = [] {
        HMODULE module = LoadLibraryA("hhctrl.ocx");
        return module ? reinterpret_cast<HtmlHelpFunction>(
                            reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpA")))
                      : nullptr;
    }();
    return entry;
}

} // namespace

Dialogs& AppDialogs() {
    static WinDialogs windows;
    return g_dialogs ? *g_dialogs : windows;
}

void SetAppDialogs(Dialogs* dialogs) { g_dialogs = dialogs; }

bool WinDialogs::AskYesNo(HWND owner, const std::string& text) {
    return MessageBoxA(owner, text.c_str(), "Information", MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

void WinDialogs::ShowError(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

void WinDialogs::ShowApplicationError(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

bool WinDialogs::RunFileDialog(HWND owner, FileDialogKind kind, FileDialog& dialog) {
    std::string filter = FilterForDialog(dialog.filter);
    std::vector<char> name(32768, '\0');
    dialog.fileName.copy(name.data(), name.size() - 1);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = dialog.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size()); // ANSI: characters and bytes agree
    ofn.lpstrInitialDir = dialog.initialDir.empty() ? nullptr : dialog.initialDir.c_str();
    ofn.lpstrTitle = dialog.title.empty() ? nullptr : dialog.title.c_str();
    ofn.lpstrDefExt = dialog.defaultExt.empty() ? nullptr : dialog.defaultExt.c_str();
    ofn.Flags = dialog.options | OFN_EXPLORER | OFN_NOCHANGEDIR;
    BOOL chosen = kind == FileDialogKind::Save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen) return false;
    dialog.fileName = name.data();
    return true;
}

std::optional<std::string> WinDialogs::BrowseForFolder(HWND owner, const std::string& caption) {
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.lpszTitle = caption.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderA(&info);
    if (!list) return std::nullopt;
    char path[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    if (!ok) return std::nullopt;
    return std::string(path);
}

void WinDialogs::ShowHelp(HWND owner, const std::string& path, UINT command, DWORD_PTR data) {
    if (HtmlHelpFunction entry = HtmlHelpEntry()) entry(owner, path.c_str(), command, data);
}

bool WinDialogs::ShellOpen(HWND owner, const std::string& target) {
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

} // namespace qm::ui
