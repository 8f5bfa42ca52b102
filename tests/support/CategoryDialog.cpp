#include "support/CategoryDialog.h"

#include "resource.h"

#include <utility>

namespace qmtest {
namespace {

std::function<void(HWND)> pendingAction;
UINT_PTR pendingTimer = 0;

void CALLBACK AnswerWhenUp(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "Select category");
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    pendingTimer = 0;
    if (auto action = std::exchange(pendingAction, nullptr)) action(dialog);
}

} // namespace

void AnswerCategoryDialog(std::function<void(HWND dialog)> action) {
    ForgetCategoryAnswer();
    pendingAction = std::move(action);
    pendingTimer = SetTimer(nullptr, 0, 10, &AnswerWhenUp);
}

void ForgetCategoryAnswer() {
    if (pendingTimer) KillTimer(nullptr, pendingTimer);
    pendingTimer = 0;
    pendingAction = nullptr;
}

int CategoryRow(HWND dialog) {
    return static_cast<int>(
        SendMessageA(GetDlgItem(dialog, IDC_CONMENU_COMBOBOX1), CB_GETCURSEL, 0, 0));
}

void AnswerCategory(HWND dialog, int row) {
    if (row >= 0) SendMessageA(GetDlgItem(dialog, IDC_CONMENU_COMBOBOX1), CB_SETCURSEL, row, 0);
    const int button = row >= 0 ? IDOK : IDCANCEL;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

} // namespace qmtest
