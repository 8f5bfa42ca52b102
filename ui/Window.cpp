#include "ui/Window.h"

#include "ui/Dialogs.h"

namespace qm::ui {

void ReportException(HWND owner, const std::exception& error) {
    try {
        AppDialogs().ShowApplicationError(owner, StandardErrorText(error.what()));
    } catch (...) {
        // The error box itself failed (out of memory); there is nobody left to tell.
    }
}

std::string StandardErrorText(const std::string& what) {
    if (!what.empty() && static_cast<unsigned char>(what.back()) > '.') return what + ".";
    return what;
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

std::string ProgramFolder() {
    char path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

void ProcessPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

WindowBase::~WindowBase() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void WindowBase::RegisterClassOnce(const char* className, UINT style, HICON icon, HBRUSH background,
                                   const char* menu) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(Instance(), className, &existing)) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = &WindowBase::Thunk;
    wc.hInstance = Instance();
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszMenuName = menu;
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
}

HWND WindowBase::Create(const char* className, const char* caption, DWORD style, DWORD exStyle,
                        int x, int y, int width, int height, HWND parent, HMENU menu) {
    return CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent, menu,
                           Instance(), this);
}

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandling(message, wParam, lParam);
}

LRESULT CALLBACK WindowBase::Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    bool handled = false;
    Guarded(hwnd, [&] {
        result = self->HandleMessage(message, wParam, lParam);
        handled = true;
    });
    return handled ? result : 0;
}

DialogBase::~DialogBase() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

HWND DialogBase::Item(int id) const {
    HWND& item = items_[id];
    // Still that control: one destroyed since, or a handle taken again, is looked up anew.
    if (!item || !IsWindow(item) || GetParent(item) != hwnd_ || GetDlgCtrlID(item) != id)
        item = GetDlgItem(hwnd_, id);
    return item;
}

HWND DialogBase::CreateModeless(int templateId, HWND parent) {
    return CreateDialogParamA(Instance(), MAKEINTRESOURCEA(templateId), parent, &DialogBase::Thunk,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR DialogBase::RunModal(int templateId, HWND parent) {
    return DialogBoxParamA(Instance(), MAKEINTRESOURCEA(templateId), parent, &DialogBase::Thunk,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR DialogBase::HandleMessage(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK DialogBase::Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<DialogBase*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        self->items_.clear();
        return FALSE;
    }
    INT_PTR result = FALSE;
    Guarded(hwnd, [&] { result = self->HandleMessage(message, wParam, lParam); });
    return result;
}

} // namespace qm::ui
