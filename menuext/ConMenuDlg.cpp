#include "menuext/ConMenuDlg.h"

#include "buttons/ButtonRecord.h"
#include "resource.h"
#include "ui/Dpi.h"
#include "ui/Drawing.h"
#include "ui/Placement.h"

#include <iterator>

namespace qm {
namespace {

// The dialog's geometry in pixels at 96 DPI, scaled by the dialog's DPI: the client area, the list across the top and the two
// buttons below it.
constexpr int kClientWidth = 257;
constexpr int kClientHeight = 64;
constexpr int kMargin = 8;
constexpr int kListWidth = 241;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 22;
constexpr int kButtonTop = 34;
constexpr int kButtonGap = 17;

HICON LoadSmallIcon(int id, int size) {
    return static_cast<HICON>(
        LoadImageA(ui::Instance(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

} // namespace

TConMenuDlgForm::TConMenuDlgForm() = default;

std::optional<int> TConMenuDlgForm::ShowModal(HWND owner) {
    owner_ = owner;
    chosenRow_ = -1;
    INT_PTR result = RunModal(IDD_CONMENUDLG, owner);
    if (result != IDOK || chosenRow_ < 0) return std::nullopt;
    return chosenRow_;
}

void TConMenuDlgForm::FormShow() {
    HWND list = Item(IDC_CONMENU_COMBOBOX1);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const auto& row : ButtonTemplates)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row[0]));
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

void TConMenuDlgForm::PlaceControls() {
    const UINT dpi = ui::WindowDpi(hwnd());
    auto px = [dpi](int pixels96) { return ui::Scale(pixels96, dpi); };
    ui::SetClientSize(hwnd(), px(kClientWidth), px(kClientHeight), dpi);

    // A drop-down list's height is that of its opened list; the closed box sizes itself.
    SetWindowPos(Item(IDC_CONMENU_COMBOBOX1), nullptr, px(kMargin), px(kMargin), px(kListWidth),
                 px(120), SWP_NOZORDER | SWP_NOACTIVATE);
    int left = (px(kClientWidth) - 2 * px(kButtonWidth) - px(kButtonGap)) / 2;
    SetWindowPos(Item(IDOK), nullptr, left, px(kButtonTop), px(kButtonWidth), px(kButtonHeight),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(Item(IDCANCEL), nullptr, left + px(kButtonWidth) + px(kButtonGap), px(kButtonTop),
                 px(kButtonWidth), px(kButtonHeight), SWP_NOZORDER | SWP_NOACTIVATE);

    // The buttons' pictures at the small-icon size of this DPI.
    const int iconSize = ui::SystemMetric(SM_CXSMICON, dpi);
    if (iconSize != iconSize_ || !yesIcon_) {
        UniqueIcon yes(LoadSmallIcon(IDI_CONMENU_YES, iconSize));
        UniqueIcon no(LoadSmallIcon(IDI_CONMENU_NO, iconSize));
        SendMessageA(Item(IDOK), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(yes.get()));
        SendMessageA(Item(IDCANCEL), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(no.get()));
        yesIcon_ = std::move(yes);
        noIcon_ = std::move(no);
        iconSize_ = iconSize;
    } else {
        SendMessageA(Item(IDOK), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(yesIcon_.get()));
        SendMessageA(Item(IDCANCEL), BM_SETIMAGE, IMAGE_ICON,
                     reinterpret_cast<LPARAM>(noIcon_.get()));
    }
}

void TConMenuDlgForm::PaintBevel() {
    ui::PaintScope paint(hwnd());
    RECT client;
    GetClientRect(hwnd(), &client);
    DrawEdge(paint.dc(), &client, BDR_SUNKENOUTER, BF_RECT);
}

INT_PTR TConMenuDlgForm::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        PlaceControls();
        ui::CentreOnOwner(hwnd(), owner_);
        FormShow();
        return TRUE; // focus to the first control, the list
    case WM_PAINT: PaintBevel(); return TRUE;
    case WM_DPICHANGED: // moved to a monitor of another DPI
        PlaceControls();
        InvalidateRect(hwnd(), nullptr, TRUE);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            LRESULT row = SendMessageA(Item(IDC_CONMENU_COMBOBOX1), CB_GETCURSEL, 0, 0);
            chosenRow_ = row >= 0 && row < static_cast<LRESULT>(std::size(ButtonTemplates))
                             ? static_cast<int>(row)
                             : -1;
            EndDialog(hwnd(), IDOK);
            return TRUE;
        }
        case IDCANCEL: // "No", Escape and the close box
            EndDialog(hwnd(), IDCANCEL);
            return TRUE;
        }
        break;
    case WM_CLOSE: EndDialog(hwnd(), IDCANCEL); return TRUE;
    }
    return FALSE;
}

} // namespace qm
