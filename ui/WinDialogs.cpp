#include "ui/Dialogs.h"

#include "ui/Drawing.h"
#include "base/Handles.h"
#include "ui/Placement.h"
#include "ui/Texts.h"
#include "ui/Window.h"

#include "resource.h"

#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
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

// Places a dialog over the middle of its owner, inside the work area of the owner's monitor.
void CentreOver(HWND dialog, HWND owner) {
    if (owner) CentreOnOwner(dialog, owner);
}

// The picture-open dialog's preview pane: the picture selected in the dialog, shrunk to fit,
// with its size in pixels under it.
struct PicturePreview {
    UniqueBitmap picture;
    SIZE size{};
};

void ShowSelectedPicture(HWND pane, PicturePreview& preview) {
    // The name in the dialog's field, joined to the folder it shows unless it is a full path
    // already (some dialogs join the two blindly).
    char path[MAX_PATH * 4] = {};
    LRESULT length =
        SendMessageA(GetParent(pane), CDM_GETSPEC, sizeof path, reinterpret_cast<LPARAM>(path));
    const bool fullPath = (length > 2 && path[1] == ':') || (path[0] == '\\' && path[1] == '\\');
    if (!fullPath)
        length = SendMessageA(GetParent(pane), CDM_GETFILEPATH, sizeof path,
                              reinterpret_cast<LPARAM>(path));
    preview.picture.reset();
    preview.size = {};
    DWORD attributes = length > 0 ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        preview.picture.reset(static_cast<HBITMAP>(
            LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
        BITMAP info{};
        if (preview.picture && GetObjectA(preview.picture.get(), sizeof info, &info))
            preview.size = {info.bmWidth, info.bmHeight};
    }
    std::string caption;
    if (preview.picture)
        caption = std::to_string(preview.size.cx) + " x " + std::to_string(preview.size.cy);
    SetDlgItemTextA(pane, IDC_PICTURESIZE, caption.c_str());
    InvalidateRect(GetDlgItem(pane, IDC_PICTUREPREVIEW), nullptr, TRUE);
}

void DrawPreview(const DRAWITEMSTRUCT& item, const PicturePreview& preview) {
    RECT area = item.rcItem;
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_WINDOW));
    if (!preview.picture || preview.size.cx <= 0 || preview.size.cy <= 0) return;
    InflateRect(&area, -2, -2);
    const long room = area.right - area.left, height = area.bottom - area.top;
    // Shrunk to fit, keeping its proportions; never enlarged.
    long w = preview.size.cx, h = preview.size.cy;
    if (w > room) h = std::max(1L, h * room / w), w = room;
    if (h > height) w = std::max(1L, w * height / h), h = height;
    const int x = area.left + (room - w) / 2, y = area.top + (height - h) / 2;
    MemoryDC source(item.hDC, preview.picture.get());
    if (!source) return;
    SetStretchBltMode(item.hDC, HALFTONE);
    SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    StretchBlt(item.hDC, x, y, w, h, source.dc(), 0, 0, preview.size.cx, preview.size.cy, SRCCOPY);
}

// The hook of the picture-open dialog's pane. Nothing may escape into the dialog's frames.
UINT_PTR CALLBACK PicturePreviewHook(HWND pane, UINT message, WPARAM, LPARAM lParam) {
    try {
        auto* preview = reinterpret_cast<PicturePreview*>(GetWindowLongPtrA(pane, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(pane, DWLP_USER,
                              reinterpret_cast<const OPENFILENAMEA*>(lParam)->lCustData);
            return TRUE;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.code == CDN_INITDONE) {
                // With its preview the dialog is wide: keep it over the owner and on the screen.
                HWND dialog = GetParent(pane);
                CentreOver(dialog, GetWindow(dialog, GW_OWNER));
            }
            if (preview && (header.code == CDN_SELCHANGE || header.code == CDN_FOLDERCHANGE))
                ShowSelectedPicture(pane, *preview);
            return 0;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (!preview || item.CtlID != IDC_PICTUREPREVIEW) return 0;
            DrawPreview(item, *preview);
            return TRUE;
        }
        default: return 0;
        }
    } catch (...) {
        return 0; // a preview that cannot be shown stays empty
    }
}

int CALLBACK FolderDialogCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) CentreOver(dialog, reinterpret_cast<HWND>(data));
    return 0;
}

} // namespace

Dialogs& AppDialogs() {
    static WinDialogs windows;
    return g_dialogs ? *g_dialogs : windows;
}

void SetAppDialogs(Dialogs* dialogs) { g_dialogs = dialogs; }

bool WinDialogs::AskYesNo(HWND owner, const std::string& text, const std::string& caption) {
    std::string shown = caption.empty() ? Text(IDS_CAPTION_INFORMATION) : caption;
    return MessageBoxA(owner, text.c_str(), shown.c_str(), MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

void WinDialogs::ShowError(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), Text(IDS_CAPTION_ERROR).c_str(), MB_OK | MB_ICONERROR);
}

void WinDialogs::ShowApplicationError(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), Text(IDS_APPLICATION_TITLE).c_str(), MB_OK | MB_ICONERROR);
}

void WinDialogs::ShowInformation(HWND owner, const std::string& text) {
    // Without an owner (a command started from a shortcut) the box comes to the front itself.
    MessageBoxA(owner, text.c_str(), Text(IDS_APPLICATION_TITLE).c_str(),
                MB_OK | MB_ICONINFORMATION | (owner ? 0 : MB_SETFOREGROUND));
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
    PicturePreview preview;
    if (kind == FileDialogKind::Picture) {
        ofn.Flags |= OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
        ofn.hInstance = Instance();
        ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_PICTUREPREVIEW);
        ofn.lpfnHook = &PicturePreviewHook;
        ofn.lCustData = reinterpret_cast<LPARAM>(&preview);
    }
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
    info.lpfn = &FolderDialogCallback;
    info.lParam = reinterpret_cast<LPARAM>(owner);
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

std::optional<DWORD> WinDialogs::RunElevated(HWND owner, const std::string& arguments) {
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner;
    info.lpVerb = "runas";
    info.lpFile = program;
    info.lpParameters = arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    // Declining the elevation prompt fails with ERROR_CANCELLED; the caller goes on.
    if (!ShellExecuteExA(&info) || !info.hProcess) return std::nullopt;
    const UniqueKernelHandle process(info.hProcess);
    // The window stays, unusable until the elevated copy is done, and keeps painting.
    const bool wasEnabled = owner && !EnableWindow(owner, FALSE);
    // A quit message that comes meanwhile is posted again for the main loop once it is over.
    std::optional<int> quit;
    for (;;) {
        DWORD woke =
            quit ? WaitForSingleObject(info.hProcess, INFINITE)
                 : MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) break;
        MSG message;
        while (!quit && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = static_cast<int>(message.wParam);
                break;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (quit) PostQuitMessage(*quit);
    if (wasEnabled) EnableWindow(owner, TRUE);
    if (owner) SetForegroundWindow(owner);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode)) exitCode = DWORD(-1);
    return exitCode;
}

} // namespace qm::ui
