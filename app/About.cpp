#include "app/About.h"

#include "resource.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Drawing.h"
#include "ui/Dpi.h"
#include "ui/Placement.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

namespace qm {
namespace {

// Where each control sits, in client pixels at 96 DPI. The right panel starts at x = 151; the places of
// its labels are counted from the panel's own corner.
struct Place {
    int id;
    int left, top, width, height;
};
constexpr int kPanel2Left = 151;
constexpr std::array<Place, 9> kLayout{{
    {IDC_ABOUT_PANEL1, 0, 0, 151, 201},
    {IDC_ABOUT_IMAGE1, 0, 0, 150, 200},
    {IDC_ABOUT_PANEL2, kPanel2Left, 0, 150, 201},
    {IDC_ABOUT_TITLE, kPanel2Left + 4, 12, 142, 18},
    {IDC_ABOUT_VERSION, kPanel2Left + 89, 29, 54, 15},
    {IDC_ABOUT_WEBLINK, kPanel2Left + 10, 120, 121, 15},
    {IDC_ABOUT_MAILCAPTION, kPanel2Left + 8, 148, 28, 13},
    {IDC_ABOUT_MAILLINK, kPanel2Left + 38, 147, 94, 15},
    {IDC_ABOUT_CREDIT, kPanel2Left + 26, 180, 97, 15},
}};

constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr COLORREF kTextColour = RGB(0, 0, 0);
constexpr COLORREF kBackground = RGB(255, 255, 255);

UniqueFont MakeFont(int height, int weight, bool underline, UINT dpi) {
    return UniqueFont(CreateFontA(-ui::Scale(height, dpi), 0, 0, 0, weight, FALSE, underline, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif"));
}

bool StartsWithMailto(const std::string& text) {
    static constexpr char kPrefix[] = "mailto:";
    constexpr size_t length = sizeof kPrefix - 1;
    return text.size() >= length && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(),
                                                   length, kPrefix, length) == CSTR_EQUAL;
}

// The links as the keyboard works them: Enter or Space opens the link that has the keyboard,
// as a click does, and that link shows the focus rectangle.
constexpr UINT_PTR kLinkKeysSubclass = 0x4C4E4B; // "LNK"

LRESULT CALLBACK LinkKeys(HWND link, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR) {
    switch (message) {
    case WM_GETDLGCODE: {
        // Enter is the link's own, not the box's default command.
        LRESULT code = DefSubclassProc(link, message, wParam, lParam);
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if ((wParam == VK_RETURN || wParam == VK_SPACE) && !(lParam & (1 << 30)))
            SendMessageA(GetParent(link), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), STN_CLICKED),
                         reinterpret_cast<LPARAM>(link));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(link, nullptr, TRUE); break;
    case WM_PAINT: {
        LRESULT result = DefSubclassProc(link, message, wParam, lParam);
        if (GetFocus() == link) {
            RECT area;
            GetClientRect(link, &area);
            ui::WindowDC dc(link);
            if (dc) DrawFocusRect(dc.dc(), &area);
        }
        return result;
    }
    case WM_NCDESTROY: RemoveWindowSubclass(link, &LinkKeys, kLinkKeysSubclass); break;
    default: break;
    }
    return DefSubclassProc(link, message, wParam, lParam);
}

// Whether a window belongs to this program (and not to another application).
bool IsOwnWindow(HWND window) {
    DWORD process = 0;
    return window && GetWindowThreadProcessId(window, &process) && process == GetCurrentProcessId();
}

} // namespace

std::string LinkTarget(const std::string& linkText) {
    if (linkText.find('@') == std::string::npos || StartsWithMailto(linkText)) return linkText;
    return "mailto:" + linkText;
}

TAboutForm::TAboutForm(HWND owner) { CreateModeless(IDD_ABOUT, owner); }

void TAboutForm::Show() {
    // In the middle of the screen the main window is on.
    ui::CentreWindow(hwnd(), ui::ScreenAreaOf(GetWindow(hwnd(), GW_OWNER)));
    FormShow();
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    SetActiveWindow(hwnd());
}

void TAboutForm::FormShow() { ui::SetText(Item(IDC_ABOUT_VERSION), kVersionText); }

void TAboutForm::FormDeactivate() { Close(); }

void TAboutForm::Image1Click() { Close(); }

void TAboutForm::Panel2Click() { Close(); }

void TAboutForm::WebLinkClick() { OpenLink(IDC_ABOUT_WEBLINK); }

void TAboutForm::MailLinkClick() { OpenLink(IDC_ABOUT_MAILLINK); }

void TAboutForm::Close() { ShowWindow(hwnd(), SW_HIDE); }

void TAboutForm::OpenLink(int linkId) {
    HWND link = Item(linkId);
    if (!IsWindowEnabled(link)) return;
    if (ui::AppDialogs().ShellOpen(hwnd(), LinkTarget(ui::GetText(link)))) return;
    // The shell could not open it (no browser or mail program): the link goes inert for the
    // rest of the run. The user sees it greyed; a message would only repeat that.
    const bool hadKeyboard = GetFocus() == link;
    EnableWindow(link, FALSE);
    InvalidateRect(link, nullptr, TRUE);
    if (hadKeyboard) SetFocus(hwnd()); // so that Escape and Tab still work
}

bool TAboutForm::IsLink(HWND control) const {
    return control && (control == Item(IDC_ABOUT_WEBLINK) || control == Item(IDC_ABOUT_MAILLINK));
}

void TAboutForm::LayOut() {
    const UINT dpi = ui::WindowDpi(hwnd());
    ui::SetClientSize(hwnd(), ui::Scale(kClientWidth, dpi), ui::Scale(kClientHeight, dpi), dpi);
    const int clientRight = ui::Scale(kClientWidth, dpi);
    for (const Place& place : kLayout) {
        // Edges scaled, not sizes, so that neighbours still meet and nothing passes the edge.
        RECT r{ui::Scale(place.left, dpi), ui::Scale(place.top, dpi),
               ui::Scale(place.left + place.width, dpi), ui::Scale(place.top + place.height, dpi)};
        r.right = std::min<LONG>(r.right, clientRight);
        FitText(place.id, r, place.left >= kPanel2Left ? ui::Scale(kPanel2Left, dpi) : 0,
                clientRight);
        SetWindowPos(Item(place.id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The bold "Mail:" grows faster than the DPI, and the address beside it may have grown to
    // the panel's edge: the address starts where the caption ends, and the caption gives way
    // to the left, within its panel, when the address would pass the edge.
    auto placeOf = [this](int id) {
        RECT r;
        GetWindowRect(Item(id), &r);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    RECT caption = placeOf(IDC_ABOUT_MAILCAPTION);
    RECT link = placeOf(IDC_ABOUT_MAILLINK);
    const int gap = ui::Scale(2, dpi);
    if (caption.right + gap > link.left) {
        const int linkWidth = link.right - link.left;
        link.left = caption.right + gap;
        link.right = link.left + linkWidth;
        if (link.right > clientRight) {
            const int back = std::min<int>(link.right - clientRight,
                                           caption.left - ui::Scale(kPanel2Left + 2, dpi));
            OffsetRect(&caption, -std::max(back, 0), 0);
            OffsetRect(&link, -std::max(back, 0), 0);
            link.right = std::min<LONG>(link.right, clientRight);
        }
        SetWindowPos(Item(IDC_ABOUT_MAILCAPTION), nullptr, caption.left, caption.top,
                     caption.right - caption.left, caption.bottom - caption.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(Item(IDC_ABOUT_MAILLINK), nullptr, link.left, link.top, link.right - link.left,
                     link.bottom - link.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The labels lie on the panels: the picture above the left panel, both panels below all.
    for (int id : {IDC_ABOUT_IMAGE1, IDC_ABOUT_PANEL1, IDC_ABOUT_PANEL2})
        SetWindowPos(Item(id), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TAboutForm::DressForDpi() {
    // Fonts, picture and places for the DPI of the monitor the box is on. The controls take
    // the new fonts before the old ones go.
    const UINT dpi = ui::WindowDpi(hwnd());
    UniqueFont text = MakeFont(11, FW_NORMAL, false, dpi);
    UniqueFont title = MakeFont(13, FW_BOLD, false, dpi);
    UniqueFont bold = MakeFont(11, FW_BOLD, false, dpi);
    UniqueFont link = MakeFont(11, FW_NORMAL, true, dpi);
    for (const Place& place : kLayout)
        SendMessageA(Item(place.id), WM_SETFONT, reinterpret_cast<WPARAM>(text.get()), 0);
    SendMessageA(Item(IDC_ABOUT_TITLE), WM_SETFONT, reinterpret_cast<WPARAM>(title.get()), 0);
    SendMessageA(Item(IDC_ABOUT_MAILCAPTION), WM_SETFONT, reinterpret_cast<WPARAM>(bold.get()), 0);
    for (int id : {IDC_ABOUT_WEBLINK, IDC_ABOUT_MAILLINK})
        SendMessageA(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(link.get()), 0);
    UniqueBitmap picture(static_cast<HBITMAP>(LoadImageA(
        ui::Instance(), MAKEINTRESOURCEA(IDB_ABOUT), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (picture && dpi != ui::kDefaultDpi) {
        BITMAP size{};
        GetObjectA(picture.get(), sizeof size, &size);
        UniqueBitmap scaled = ui::ScaledBitmap(picture.get(), ui::Scale(size.bmWidth, dpi),
                                               ui::Scale(size.bmHeight, dpi));
        if (scaled) picture = std::move(scaled);
    }
    SendMessageA(Item(IDC_ABOUT_IMAGE1), STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(picture.get()));
    picture_ = std::move(picture);
    textFont_ = std::move(text);
    titleFont_ = std::move(title);
    boldFont_ = std::move(bold);
    linkFont_ = std::move(link);
    LayOut();
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void TAboutForm::FitText(int id, RECT& place, int panelLeft, int panelRight) const {
    // The fonts do not grow exactly with the DPI: a label whose text has become wider than its
    // place grows, about its centre (or from its right edge, or its left), within its panel.
    HWND label = Item(id);
    const std::string text = ui::GetText(label);
    if (text.empty()) return;
    SIZE needs{};
    {
        ui::WindowDC dc(label);
        HGDIOBJ previous =
            SelectObject(dc.dc(), reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32A(dc.dc(), text.c_str(), static_cast<int>(text.size()), &needs);
        SelectObject(dc.dc(), previous);
    }
    const int width = place.right - place.left;
    const int wanted = std::min<int>(needs.cx + 2, panelRight - panelLeft);
    if (wanted > width) {
        const LONG align = GetWindowLongA(label, GWL_STYLE) & SS_TYPEMASK;
        const int grow = wanted - width;
        if (align == SS_CENTER) {
            place.left -= grow / 2;
            place.right += grow - grow / 2;
        } else if (align == SS_RIGHT) {
            place.left -= grow;
        } else {
            place.right += grow;
        }
        // Back inside the panel where the growth pushed it out.
        if (place.left < panelLeft) OffsetRect(&place, panelLeft - place.left, 0);
        if (place.right > panelRight) OffsetRect(&place, panelRight - place.right, 0);
    }
    if (needs.cy > place.bottom - place.top) place.bottom = place.top + needs.cy;
}

INT_PTR TAboutForm::ColourStatic(HDC dc, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    if (IsLink(control))
        SetTextColor(dc, IsWindowEnabled(control) ? kLinkColour : GetSysColor(COLOR_GRAYTEXT));
    else
        SetTextColor(dc, kTextColour);
    return reinterpret_cast<INT_PTR>(background_.get());
}

INT_PTR TAboutForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowTextA(hwnd(), kCaption);
        background_.reset(CreateSolidBrush(kBackground));
        for (int id : {IDC_ABOUT_WEBLINK, IDC_ABOUT_MAILLINK})
            SetWindowSubclass(Item(id), &LinkKeys, kLinkKeysSubclass, 0);
        DressForDpi();
        return TRUE;
    }
    case WM_DPICHANGED: // moved to a monitor of another DPI
        DressForDpi();
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            // The box itself has the keyboard when it opens: Escape closes it, and Tab leads
            // to the links.
            SetFocus(hwnd());
            return TRUE;
        }
        // Turning to another window of this program hides the box; switching to another
        // application leaves it where it is, behind that application with the main window.
        if (IsOwnWindow(reinterpret_cast<HWND>(lParam))) FormDeactivate();
        return FALSE;
    case WM_SETFOCUS: return TRUE; // not handed on to a link, as a dialog would

    case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(background_.get());
    case WM_CTLCOLORSTATIC:
        return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR: {
        HWND under = reinterpret_cast<HWND>(wParam);
        if (!IsLink(under) || !IsWindowEnabled(under)) return FALSE;
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        SetWindowLongPtrA(hwnd(), DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_KEYDOWN: // while the box itself has the keyboard, its keys come here
        if (wParam != VK_ESCAPE) return FALSE;
        Close();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) { // the system's close
            Close();
            return TRUE;
        }
        if (HIWORD(wParam) != STN_CLICKED) return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_ABOUT_IMAGE1: Image1Click(); return TRUE;
        case IDC_ABOUT_PANEL2: Panel2Click(); return TRUE;
        case IDC_ABOUT_WEBLINK: WebLinkClick(); return TRUE;
        case IDC_ABOUT_MAILLINK: MailLinkClick(); return TRUE;
        default: return FALSE; // the other labels take the click and do nothing
        }
    default: return FALSE;
    }
}

} // namespace qm
