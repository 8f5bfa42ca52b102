#include "app/HistoryForm.h"

#include "resource.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Placement.h"
#include "ui/Texts.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

namespace qm {
namespace {

// The window's layout in the dialog font's units (as its template is), so that it grows with
// the font at every DPI: the margin, the gaps, the buttons and the band below the list that
// holds the note and the buttons.
constexpr int kMargin = 7;
constexpr int kGap = 4;
constexpr int kLabelHeight = 8;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kBand = 22;
// The smallest client area the window keeps.
constexpr int kMinimumWidth = 300;
constexpr int kMinimumHeight = 150;
// The room a column leaves beside its widest text, at 96 DPI.
constexpr int kColumnPadding = 14;

enum Column { kTimeColumn, kWhatColumn, kKeysColumn, kColumnCount };

// The record's time ("2026-12-07 22:41:16", local) as the user's settings write a date and a
// time; the record's own text when it is not a time.
std::string ShownTime(const std::string& stamp) {
    SYSTEMTIME time{};
    if (std::sscanf(stamp.c_str(), "%hu-%hu-%hu %hu:%hu:%hu", &time.wYear, &time.wMonth, &time.wDay,
                    &time.wHour, &time.wMinute, &time.wSecond) != 6)
        return stamp;
    char date[128] = {}, clock[128] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date) ||
        !GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, sizeof clock))
        return stamp;
    return std::string(date) + " " + clock;
}

std::string JoinedKeys(const std::vector<std::string>& keys) {
    std::string joined;
    for (const std::string& key : keys) joined += (joined.empty() ? "" : "; ") + key;
    return joined;
}

int ColumnWidth(HWND list, int column) {
    return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
}

void SetColumnWidth(HWND list, int column, int width) {
    SendMessageA(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
}

} // namespace

THistoryForm::THistoryForm(Restore restore) : restore_(std::move(restore)) {}

void THistoryForm::ShowModal(HWND owner) {
    owner_ = owner;
    RunModal(IDD_HISTORY, owner);
    changes_.clear();
}

void THistoryForm::FormShow() {
    dpi_ = ui::WindowDpi(hwnd());
    HWND list = Item(IDC_HISTORY_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP,
                 LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    const UINT headers[kColumnCount] = {IDS_HISTORY_COLUMN_TIME, IDS_HISTORY_COLUMN_WHAT,
                                        IDS_HISTORY_COLUMN_KEYS};
    for (int column = 0; column < kColumnCount; ++column) {
        const std::string header = ui::Text(headers[column]);
        LVCOLUMNA definition{};
        definition.mask = LVCF_TEXT | LVCF_SUBITEM;
        definition.pszText = const_cast<char*>(header.c_str());
        definition.iSubItem = column;
        SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&definition));
    }

    // Never larger than the work area of the owner's monitor, and in the middle of the owner.
    ui::FitAndCentreOnOwner(hwnd(), owner_);
    LayOut();
    ListHistory(0);

    // The time fits its column; the description gets what it needs up to half of what is left,
    // and the keys the rest.
    const int padding = ui::Scale(kColumnPadding, dpi_);
    int timeWidth = ui::ListTextWidth(list, ui::Text(IDS_HISTORY_COLUMN_TIME));
    int whatWidth = ui::ListTextWidth(list, ui::Text(IDS_HISTORY_COLUMN_WHAT));
    for (const ChangeEntry& change : changes_) {
        timeWidth = std::max(timeWidth, ui::ListTextWidth(list, ShownTime(change.time)));
        whatWidth = std::max(whatWidth, ui::ListTextWidth(list, change.what));
    }
    RECT inside;
    GetClientRect(list, &inside);
    timeWidth += padding;
    whatWidth = std::min(whatWidth + padding, std::max<int>(0, (inside.right - timeWidth) / 2));
    SetColumnWidth(list, kTimeColumn, timeWidth);
    SetColumnWidth(list, kWhatColumn, whatWidth);
    FitLastColumn();
}

void THistoryForm::ListHistory(int select) {
    HWND list = Item(IDC_HISTORY_LIST);
    changes_ = ListChanges();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < changes_.size(); ++i) {
        const int row = static_cast<int>(i);
        const std::string time = ShownTime(changes_[i].time);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<char*>(time.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        ui::SetListCell(list, row, kWhatColumn, changes_[i].what);
        ui::SetListCell(list, row, kKeysColumn, JoinedKeys(changes_[i].keys));
    }
    if (!changes_.empty()) {
        const int row = std::clamp(select, 0, static_cast<int>(changes_.size()) - 1);
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    SelectionChanged();
}

int THistoryForm::SelectedRow() const {
    const auto row = static_cast<int>(SendMessageA(Item(IDC_HISTORY_LIST), LVM_GETNEXTITEM,
                                                   static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row >= 0 && row < static_cast<int>(changes_.size()) ? row : -1;
}

void THistoryForm::SelectionChanged() {
    HWND restore = Item(IDC_HISTORY_RESTORE);
    const bool chosen = SelectedRow() >= 0;
    // The keyboard leaves a button that goes grey, for the list.
    if (!chosen && GetFocus() == restore)
        SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_HISTORY_LIST)), TRUE);
    EnableWindow(restore, chosen);
    SetWindowTextA(Item(IDC_HISTORY_NOTE),
                   ui::Text(changes_.empty() ? IDS_HISTORY_EMPTY : IDS_HISTORY_NOTE).c_str());
}

void THistoryForm::RestoreClick() {
    const int row = SelectedRow();
    if (row < 0) return;
    const ChangeEntry change = changes_[row];
    // The rows show the history as it is afterwards, also when the restore failed part-way.
    try {
        restore_(change, hwnd());
    } catch (...) {
        ListHistory(row);
        throw;
    }
    ListHistory(row);
}

void THistoryForm::LayOut() {
    RECT client;
    GetClientRect(hwnd(), &client);
    const auto units = [this](int across, int down) {
        RECT r{0, 0, across, down};
        MapDialogRect(hwnd(), &r);
        struct Pixels {
            int cx, cy;
        };
        return Pixels{static_cast<int>(r.right), static_cast<int>(r.bottom)};
    };
    const auto margin = units(kMargin, kMargin), gap = units(kGap, kGap);
    const auto button = units(kButtonWidth, kButtonHeight);
    const auto label = units(0, kLabelHeight), band = units(0, kBand);
    const int width = client.right, height = client.bottom;
    const int closeLeft = width - margin.cx - button.cx;
    const int restoreLeft = closeLeft - gap.cx - button.cx;
    const int buttonTop = height - margin.cy - button.cy;
    const int listTop = margin.cy + label.cy + gap.cy / 2;
    const int listBottom = std::max(listTop, height - margin.cy - band.cy);
    const auto place = [this](int id, int left, int top, int right, int bottom) {
        SetWindowPos(Item(id), nullptr, left, top, std::max(0, right - left),
                     std::max(0, bottom - top), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(IDC_HISTORY_LABEL, margin.cx, margin.cy, width - margin.cx, margin.cy + label.cy);
    place(IDC_HISTORY_LIST, margin.cx, listTop, width - margin.cx, listBottom);
    place(IDC_HISTORY_NOTE, margin.cx, listBottom + gap.cy, restoreLeft - margin.cx,
          height - gap.cy / 2);
    place(IDC_HISTORY_RESTORE, restoreLeft, buttonTop, restoreLeft + button.cx,
          buttonTop + button.cy);
    place(IDCANCEL, closeLeft, buttonTop, closeLeft + button.cx, buttonTop + button.cy);
    FitLastColumn();
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void THistoryForm::FitLastColumn() {
    HWND list = Item(IDC_HISTORY_LIST);
    RECT inside;
    GetClientRect(list, &inside);
    const int left = ColumnWidth(list, kTimeColumn) + ColumnWidth(list, kWhatColumn);
    const int least = ui::Scale(4 * kColumnPadding, dpi_);
    SetColumnWidth(list, kKeysColumn, std::max<int>(least, inside.right - left));
}

INT_PTR THistoryForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: FormShow(); return TRUE; // the keyboard on the first control, the list
    case WM_SIZE: LayOut(); return TRUE;
    case WM_GETMINMAXINFO:
        ui::KeepMinimumClientSize(hwnd(), kMinimumWidth, kMinimumHeight, lParam);
        return TRUE;
    case WM_DPICHANGED: {
        // The columns keep their share at the new DPI; the system scales the dialog's font and
        // size, and the resize that follows places the controls.
        HWND list = Item(IDC_HISTORY_LIST);
        const UINT newDpi = HIWORD(wParam);
        if (newDpi && dpi_)
            for (int column = kTimeColumn; column < kKeysColumn; ++column)
                SetColumnWidth(list, column, MulDiv(ColumnWidth(list, column), newDpi, dpi_));
        dpi_ = newDpi;
        return FALSE;
    }
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.idFrom == IDC_HISTORY_LIST && header.code == LVN_ITEMCHANGED) SelectionChanged();
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_HISTORY_RESTORE: RestoreClick(); return TRUE;
        case IDCANCEL: // Close, Escape and the close box
            EndDialog(hwnd(), IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace qm
