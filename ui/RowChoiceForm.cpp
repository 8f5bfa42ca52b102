#include "ui/RowChoiceForm.h"

#include "resource.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Placement.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>

namespace qm::ui {
namespace {

// The layout in the dialog font's units (as the template is): margin, gaps, the buttons, and
// the heights of the texts above and below the list.
constexpr int kMargin = 7;
constexpr int kGap = 4;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kIntroHeight = 16; // two lines
constexpr int kNoteHeight = 24;  // three lines
constexpr int kOptionHeight = 18;
// The smallest client area the window keeps.
constexpr int kMinimumWidth = 260;
constexpr int kMinimumHeight = 150;
// The room a column leaves beside its widest text, at 96 DPI.
constexpr int kColumnPadding = 14;

bool RowChecked(HWND list, int row) {
    // The state image is 1 for an empty check box and 2 for a ticked one.
    const auto state =
        static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void CheckRow(HWND list, int row, bool checked) {
    LVITEMA state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

} // namespace

TRowChoiceForm::TRowChoiceForm(RowChoice& choice) : choice_(choice) {}

bool TRowChoiceForm::ShowModal(HWND owner) {
    owner_ = owner;
    const bool ok = RunModal(IDD_ROWCHOICE, owner) == IDOK;
    pictures_.reset();
    return ok;
}

void TRowChoiceForm::FormShow() {
    dpi_ = WindowDpi(hwnd());
    SetWindowTextA(hwnd(), choice_.caption.c_str());
    SetWindowTextA(Item(IDC_ROWCHOICE_INTRO), choice_.intro.c_str());
    SetWindowTextA(Item(IDC_ROWCHOICE_NOTE), choice_.note.c_str());
    SetWindowTextA(Item(IDC_ROWCHOICE_OPTION), choice_.option.c_str());
    CheckDlgButton(hwnd(), IDC_ROWCHOICE_OPTION,
                   choice_.optionChecked ? BST_CHECKED : BST_UNCHECKED);
    // Without a text the check box is not there at all, also not for the keyboard.
    ShowWindow(Item(IDC_ROWCHOICE_OPTION), choice_.option.empty() ? SW_HIDE : SW_SHOW);
    EnableWindow(Item(IDC_ROWCHOICE_OPTION), !choice_.option.empty());
    ShowWindow(Item(IDC_ROWCHOICE_NOTE), choice_.note.empty() ? SW_HIDE : SW_SHOW);

    HWND list = Item(IDC_ROWCHOICE_LIST);
    const DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    for (size_t column = 0; column < choice_.columns.size(); ++column) {
        LVCOLUMNA definition{};
        definition.mask = LVCF_TEXT | LVCF_SUBITEM;
        definition.pszText = const_cast<char*>(choice_.columns[column].c_str());
        definition.iSubItem = static_cast<int>(column);
        SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&definition));
    }
    MakePictures();
    for (size_t i = 0; i < choice_.rows.size(); ++i) {
        const RowChoice::Row& row = choice_.rows[i];
        const std::string first = row.cells.empty() ? std::string() : row.cells[0];
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(first.c_str());
        item.iImage = i < pictureOf_.size() ? pictureOf_[i] : I_IMAGENONE;
        const auto at = static_cast<int>(
            SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t column = 1; column < row.cells.size(); ++column)
            SetListCell(list, at, static_cast<int>(column), row.cells[column]);
        CheckRow(list, at, row.chosen);
    }
    if (!choice_.rows.empty()) {
        // The keyboard starts on the first row, where Space toggles it.
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    }

    FitAndCentreOnOwner(hwnd(), owner_);
    LayOut();
    SetFocus(list);
}

void TRowChoiceForm::MakePictures() {
    HWND list = Item(IDC_ROWCHOICE_LIST);
    if (!choice_.icon) return;
    const int size = SystemMetric(SM_CXSMICON, dpi_);
    UniqueImageList pictures(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK,
                                              static_cast<int>(choice_.rows.size()), 4));
    pictureOf_.assign(choice_.rows.size(), I_IMAGENONE);
    for (size_t i = 0; i < choice_.rows.size(); ++i) {
        UniqueIcon icon(choice_.icon(i, size));
        if (icon) pictureOf_[i] = ImageList_ReplaceIcon(pictures.get(), -1, icon.get());
    }
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(pictures.get()));
    pictures_ = std::move(pictures); // the list has the new one: the old one may go
}

void TRowChoiceForm::LayOut() {
    RECT client;
    GetClientRect(hwnd(), &client);
    struct Pixels {
        int cx, cy;
    };
    const auto units = [this](int across, int down) {
        RECT r{0, 0, across, down};
        MapDialogRect(hwnd(), &r);
        return Pixels{static_cast<int>(r.right), static_cast<int>(r.bottom)};
    };
    const Pixels margin = units(kMargin, kMargin), gap = units(kGap, kGap);
    const Pixels button = units(kButtonWidth, kButtonHeight);
    const int introHeight = units(0, kIntroHeight).cy;
    const int noteHeight = choice_.note.empty() ? 0 : units(0, kNoteHeight).cy;
    const int optionHeight = choice_.option.empty() ? 0 : units(0, kOptionHeight).cy;
    const int width = client.right, height = client.bottom;
    const int cancelLeft = width - margin.cx - button.cx;
    const int okLeft = cancelLeft - gap.cx - button.cx;
    const int buttonTop = height - margin.cy - button.cy;
    const int optionTop = buttonTop - gap.cy - optionHeight;
    const int noteTop = optionTop - (optionHeight ? gap.cy : 0) - noteHeight;
    const int listTop = margin.cy + introHeight + gap.cy / 2;
    const int listBottom = std::max(listTop, noteTop - (noteHeight ? gap.cy : 0));
    const auto place = [this](int id, int left, int top, int right, int bottom) {
        SetWindowPos(Item(id), nullptr, left, top, std::max(0, right - left),
                     std::max(0, bottom - top), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const int right = width - margin.cx;
    place(IDC_ROWCHOICE_INTRO, margin.cx, margin.cy, right, margin.cy + introHeight);
    place(IDC_ROWCHOICE_LIST, margin.cx, listTop, right, listBottom);
    place(IDC_ROWCHOICE_NOTE, margin.cx, noteTop, right, noteTop + noteHeight);
    place(IDC_ROWCHOICE_OPTION, margin.cx, optionTop, right, optionTop + optionHeight);
    place(IDOK, okLeft, buttonTop, okLeft + button.cx, buttonTop + button.cy);
    place(IDCANCEL, cancelLeft, buttonTop, cancelLeft + button.cx, buttonTop + button.cy);
    FitColumns();
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void TRowChoiceForm::FitColumns() {
    HWND list = Item(IDC_ROWCHOICE_LIST);
    const size_t count = choice_.columns.size();
    if (count == 0) return;
    const int padding = Scale(kColumnPadding, dpi_);
    std::vector<int> needed(count);
    for (size_t column = 0; column < count; ++column) {
        needed[column] = ListTextWidth(list, choice_.columns[column]);
        for (const RowChoice::Row& row : choice_.rows)
            if (column < row.cells.size())
                needed[column] = std::max(needed[column], ListTextWidth(list, row.cells[column]));
        needed[column] += padding;
    }
    // The first column also holds the check box and the picture.
    needed[0] += 2 * SystemMetric(SM_CXSMICON, dpi_) + padding / 2;
    RECT inside;
    GetClientRect(list, &inside);
    const int room = std::max<int>(0, inside.right - SystemMetric(SM_CXVSCROLL, dpi_));
    const int total = std::accumulate(needed.begin(), needed.end(), 0);
    std::vector<int> widths = needed;
    if (total > room) {
        // Every column keeps at least a fair share (or what it needs, when less); what is left
        // goes to the others in proportion to what they need beyond it.
        const int share = room / static_cast<int>(count);
        int kept = 0, wanting = 0;
        for (int width : needed) {
            kept += std::min(width, share);
            wanting += std::max(0, width - share);
        }
        const int left = std::max(0, room - kept);
        for (size_t column = 0; column < count; ++column) {
            const int beyond = std::max(0, needed[column] - share);
            widths[column] =
                std::min(needed[column], share) + (wanting ? MulDiv(beyond, left, wanting) : 0);
        }
    }
    for (size_t column = 0; column < count; ++column)
        SendMessageA(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(widths[column], 0));
}

void TRowChoiceForm::TakeChoice() {
    HWND list = Item(IDC_ROWCHOICE_LIST);
    for (size_t i = 0; i < choice_.rows.size(); ++i)
        choice_.rows[i].chosen = RowChecked(list, static_cast<int>(i));
    if (!choice_.option.empty())
        choice_.optionChecked = IsDlgButtonChecked(hwnd(), IDC_ROWCHOICE_OPTION) == BST_CHECKED;
}

INT_PTR TRowChoiceForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: FormShow(); return FALSE; // the keyboard is on the list already
    case WM_SIZE: LayOut(); return TRUE;
    case WM_GETMINMAXINFO:
        KeepMinimumClientSize(hwnd(), kMinimumWidth, kMinimumHeight, lParam);
        return TRUE;
    case WM_DPICHANGED:
        // The system scales the dialog's font and size, and the resize that follows places the
        // controls and sizes the columns; the pictures are drawn again at the new size.
        dpi_ = HIWORD(wParam) ? HIWORD(wParam) : dpi_;
        MakePictures();
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            TakeChoice();
            EndDialog(hwnd(), IDOK);
            return TRUE;
        case IDCANCEL: // Cancel, Escape and the close box
            EndDialog(hwnd(), IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

bool WinDialogs::ChooseRows(HWND owner, RowChoice& choice) {
    TRowChoiceForm form(choice);
    return form.ShowModal(owner);
}

} // namespace qm::ui
