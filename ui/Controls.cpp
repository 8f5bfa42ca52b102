#include "ui/Controls.h"

#include <commctrl.h>

namespace qm::ui {

std::string GetText(HWND control) {
    // Most texts fit a small buffer: one message reads them. Only a text that fills it is
    // asked for its length and read again.
    char shortText[256];
    const int read = GetWindowTextA(control, shortText, sizeof shortText);
    if (read < static_cast<int>(sizeof shortText) - 1)
        return std::string(shortText, read > 0 ? read : 0);
    int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    length = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

void SetText(HWND control, const std::string& text) {
    if (GetText(control) != text) SetWindowTextA(control, text.c_str());
}

std::string ShowText(HWND control, const std::string& text) {
    std::string shown = GetText(control);
    if (shown == text) return shown;
    SetWindowTextA(control, text.c_str());
    return GetText(control);
}

bool IsChecked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND button, bool checked) {
    if (IsChecked(button) == checked) return;
    SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void EnableField(HWND field, bool enabled) {
    if ((IsWindowEnabled(field) != FALSE) == enabled) return;
    EnableWindow(field, enabled);
    InvalidateRect(field, nullptr, TRUE);
}

void SetReadOnly(HWND field, bool readOnly) {
    if (((GetWindowLongPtrA(field, GWL_STYLE) & ES_READONLY) != 0) == readOnly) return;
    SendMessageA(field, EM_SETREADONLY, readOnly, 0);
}

HBRUSH FieldBrush(HWND control, HDC dc) {
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    if (lstrcmpiA(className, "Edit") != 0) return nullptr;
    // A read-only field (the key name) is shown on the dialog's colour, as Windows shows one.
    const bool readOnly = (GetWindowLongPtrA(control, GWL_STYLE) & ES_READONLY) != 0;
    int colour = !IsWindowEnabled(control) ? COLOR_INACTIVEBORDER
                 : readOnly                ? COLOR_BTNFACE
                                           : COLOR_WINDOW;
    SetBkColor(dc, GetSysColor(colour));
    SetTextColor(dc, GetSysColor(IsWindowEnabled(control) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    return GetSysColorBrush(colour);
}

void SetListCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
}

int ListTextWidth(HWND list, const std::string& text) {
    return static_cast<int>(
        SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

} // namespace qm::ui
