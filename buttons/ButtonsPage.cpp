#include "buttons/ButtonsPage.h"

#include "buttons/ButtonRecord.h"
#include "buttons/IconLoader.h"
#include "buttons/SmallIconBatch.h"
#include "registry/KeyScope.h"
#include "registry/RegistryAccessor.h"
#include "registry/ShownValues.h"
#include "ui/AccessibleName.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Layout.h"
#include "ui/PageHost.h"
#include "ui/Rights.h"

#include "resource.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace qm {
namespace {

constexpr const char* kWriteError = "Error while trying to write registry data";
constexpr const char* kDeleteError = "Error while trying to delete registry data";
constexpr const char* kCreateError = "Error while trying to create new registry key";
constexpr const char* kNoButtonShown = "No toolbar button is shown. Use Add to make a new one.";

// A failed write: why Windows refused it when it did (failure says what could not be done),
// else the fixed text. True when Quillmere restarts elevated and the window is closing.
bool ReportWriteFailure(ui::PageHost& host, bool refused, HKEY root, const std::string& failure,
                        const char* fixedText) {
    if (refused)
        return ui::ReportRefusal(host,
                                 root == HKEY_LOCAL_MACHINE ? ui::RefusedKeys::Machine
                                                            : ui::RefusedKeys::CurrentUser,
                                 failure);
    ui::AppDialogs().ShowError(host.MainWindow(), fixedText);
    return false;
}

// Runs steps on the accessor; whatever key they leave open is closed before the failure, if
// any, is handed back for its message.
template <typename Steps>
std::optional<RegistryError> Attempt(RegistryAccessor& registry, Steps&& steps) {
    KeyScope keyScope(registry);
    try {
        steps();
    } catch (const RegistryError& error) {
        return error;
    }
    return std::nullopt;
}

// A button's text as a hint in the strip: hints are short, and a text of megabytes would cost
// every listing its time and memory.
std::string HintText(std::string text) {
    constexpr size_t kLongestHint = 1024;
    if (text.size() <= kLongestHint) return text;
    size_t end = kLongestHint;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text + "...";
}

constexpr const char* kExecHint = "if you need open web page or if you need to run application";
constexpr const char* kScriptHint = "if you need to run web page on your PC";

constexpr const char* kAllFilesFilter = "All files|*.*";
constexpr const char* kIconFilter =
    "Icons (*.ico)|*.ICO|Exe and Dll files (*.exe,*.dll)|*.EXE;*.DLL";

// Strip buttons send commands from here up, one identifier per button of a listing; far above
// the page's control identifiers, and room for more buttons than any registry holds.
constexpr int kFirstStripCommand = 0x4000;
constexpr int kLastStripCommand = 0xFFFF;

// Posted when the registry no longer matches the strip after a refresh: the full rebuild waits
// until the strip button's own click is over.
constexpr UINT kRebuildStrip = WM_APP + 1;

// The strip's place on the page, in pixels at 96 DPI: inset from the page's edges like the
// fields.
constexpr int kStripTop = 4;
constexpr int kStripBorder = 1; // WS_BORDER, on all four sides, one pixel at any DPI
constexpr int kGapBelowStrip = 6;
// A strip button at 96 DPI; its row is ui::kStripButtonHeight high.
constexpr int kStripButtonWidth = 23;
// The strip shows at most this many rows and scrolls through the others, so that the fields
// below it stay on the screen however many buttons there are.
constexpr int kStripRowsShown = 4;

// The previews at 96 DPI: a 41 x 41 sunken frame around a 33 x 33 picture area.
constexpr int kPreviewFrame = 41;
constexpr int kPreviewArea = 33;

constexpr const char* kStripViewClass = "QuillmereButtonStrip";

constexpr int kEditIds[] = {IDC_BUTTONTEXT,  IDC_EXECEDIT,     IDC_SCRIPTEDIT,
                            IDC_ICONEDIT,    IDC_HOTICONEDIT,  IDC_MENUTEXTEDIT,
                            IDC_STATUSBARTEXTEDIT};

} // namespace

// The normal and hot icons of the records a walk finds, on their way to Icons and HotIcons.
struct ButtonsPage::IconBatches {
    explicit IconBatches(int size) : icons(size), hotIcons(size) {}
    SmallIconBatch icons;
    SmallIconBatch hotIcons;
};

namespace {


} // namespace

ButtonsPage::ButtonsPage(ui::PageHost& host) : Page(host) {
    openDialog1_.filter = kAllFilesFilter;
    openDialog1_.options |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
}

ButtonsPage::~ButtonsPage() {
    // The strip must go before the image lists it draws from.
    if (hwnd()) DestroyWindow(hwnd());
}

void ButtonsPage::Create(HWND mainWindow) { CreateModeless(IDD_STDBTN, mainWindow); }

// --- creation and layout ---

void ButtonsPage::FormCreate() {
    dpi_ = ui::WindowDpi(hwnd());
    // Where the template puts each control. The controls move down as the strip grows, and
    // the fields and their buttons keep to the page's right edge when the page is wider than
    // its template (the dialog font decides how wide the template comes out).
    RECT page;
    GetClientRect(hwnd(), &page);
    templateWidth_ = page.right;
    templateTop_ = page.bottom;
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&place), 2);
        const int id = GetDlgCtrlID(child);
        FieldPlace::Anchor anchor = FieldPlace::Fixed;
        if (std::find(std::begin(kEditIds), std::end(kEditIds), id) != std::end(kEditIds) ||
            id == IDC_STATICTEXT1)
            anchor = FieldPlace::Stretch;
        else if (id == IDC_EXECBROWSE || id == IDC_SCRIPTBROWSE || id == IDC_ICONBROWSE ||
                 id == IDC_HOTICONBROWSE)
            anchor = FieldPlace::FollowRightEdge;
        if (id == IDC_IMAGE1 || id == IDC_IMAGE2) {
            // The previews are sized in pixels, not in dialog units.
            place.right = place.left + ui::Scale(kPreviewFrame, dpi_);
            place.bottom = place.top + ui::Scale(kPreviewFrame, dpi_);
        }
        fieldPlaces_.push_back({child, place, anchor});
        if (anchor == FieldPlace::Stretch) fieldsRight_ = std::max<int>(fieldsRight_, place.right);
        templateTop_ = std::min<int>(templateTop_, place.top);
    }

    iconEnter_ = [this] { IconEditKeyPress(); };
    hotIconEnter_ = [this] { HotIconEditKeyPress(); };
    // Enter in IconEdit and HotIconEdit previews the icon; the key then goes on to the field.
    ui::CallOnEnter(Item(IDC_ICONEDIT), &iconEnter_);
    ui::CallOnEnter(Item(IDC_HOTICONEDIT), &hotIconEnter_);

    CreateStrip();
    CreateHints();
    // The two fields follow their choices, not a label: a screen reader reads the choice's words.
    ui::SetAccessibleName(Item(IDC_EXECEDIT), ui::GetText(Item(IDC_EXEC)));
    ui::SetAccessibleName(Item(IDC_SCRIPTEDIT), ui::GetText(Item(IDC_SCRIPT)));
    LayoutStrip();
}

namespace {

// The strip's frame: it shows as many rows of the strip as fit and scrolls through the rest.
LRESULT CALLBACK StripViewProcedure(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* page = reinterpret_cast<ButtonsPage*>(GetWindowLongPtrA(view, GWLP_USERDATA));
    if (page && (message == WM_VSCROLL || message == WM_MOUSEWHEEL)) {
        ui::Guarded(GetParent(view), [&] { page->ScrollStrip(message, wParam); });
        return 0;
    }
    if (message == WM_NCDESTROY) SetWindowLongPtrA(view, GWLP_USERDATA, 0);
    return DefWindowProcA(view, message, wParam, lParam);
}

constexpr UINT_PTR kStripKeysSubclass = 0x53544B; // "STK"

// The strip's keys: arrows, Home and End move between its buttons, Enter and Space show the
// record of the button reached.
LRESULT CALLBACK StripKeys(HWND strip, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR data) {
    auto* page = reinterpret_cast<ButtonsPage*>(data);
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(strip, message, wParam, lParam) | DLGC_WANTARROWS |
                       DLGC_WANTCHARS;
        auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN: {
        bool handled = false;
        ui::Guarded(GetParent(GetParent(strip)), [&] { handled = page->StripKeyDown(static_cast<UINT>(wParam)); });
        if (handled) return 0;
        break;
    }
    case WM_CHAR:
        if (wParam == ' ' || wParam == '\r') return 0; // taken by the key itself
        break;
    case WM_SETFOCUS: {
        LRESULT result = DefSubclassProc(strip, message, wParam, lParam);
        page->StripFocused();
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(strip, &StripKeys, kStripKeysSubclass);
        break;
    default:
        break;
    }
    return DefSubclassProc(strip, message, wParam, lParam);
}

} // namespace

void ButtonsPage::CreateStrip() {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExA(ui::Instance(), kStripViewClass, &existing)) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &StripViewProcedure;
        wc.hInstance = ui::Instance();
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kStripViewClass;
        RegisterClassExA(&wc);
    }
    stripView_ = CreateWindowExA(WS_EX_CONTROLPARENT, kStripViewClass, nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN |
                                     WS_CLIPSIBLINGS,
                                 0, ui::Scale(kStripTop, dpi_), 0, ui::OneRowStripHeight(dpi_),
                                 hwnd(), reinterpret_cast<HMENU>(IDC_STRIPVIEW), ui::Instance(),
                                 this);
    if (!stripView_) throw std::runtime_error("The button strip cannot be created");
    toolBar2_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS |
                                    TBSTYLE_FLAT | TBSTYLE_WRAPABLE | TBSTYLE_TOOLTIPS |
                                    CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                                0, 0, 0, ui::OneRowStripHeight(dpi_) - 2 * kStripBorder,
                                stripView_, reinterpret_cast<HMENU>(IDC_TOOLBAR2), ui::Instance(),
                                nullptr);
    if (!toolBar2_) throw std::runtime_error("The button strip cannot be created");
    SendMessageA(toolBar2_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // Its clicks and hints go to the page, not to the frame around it.
    SendMessageA(toolBar2_, TB_SETPARENT, reinterpret_cast<WPARAM>(hwnd()), 0);
    // The buttons carry their records' texts, not shown on them: screen readers announce each
    // button by its text, as the hint shows it.
    SendMessageA(toolBar2_, TB_SETMAXTEXTROWS, 0, 0);
    SetWindowSubclass(toolBar2_, &StripKeys, kStripKeysSubclass, reinterpret_cast<DWORD_PTR>(this));
    SetStripPictureSize();
    // Hints show a record's text as stored: "&Highlight Selection" keeps its ampersand.
    if (HWND tips = reinterpret_cast<HWND>(SendMessageA(toolBar2_, TB_GETTOOLTIPS, 0, 0)))
        SetWindowLongPtrA(tips, GWL_STYLE, GetWindowLongPtrA(tips, GWL_STYLE) | TTS_NOPREFIX);
    // The strip is first in the page's tab order, above the fields.
    SetWindowPos(stripView_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ButtonsPage::SetStripPictureSize() {
    iconSize_ = ui::SystemMetric(SM_CXSMICON, dpi_);
    ui::UniqueImageList icons(ImageList_Create(iconSize_, iconSize_, ILC_COLOR32 | ILC_MASK, 0, 16));
    ui::UniqueImageList hotIcons(
        ImageList_Create(iconSize_, iconSize_, ILC_COLOR32 | ILC_MASK, 0, 16));
    SendMessageA(toolBar2_, TB_SETBITMAPSIZE, 0, MAKELPARAM(iconSize_, iconSize_));
    SendMessageA(toolBar2_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(icons.get()));
    SendMessageA(toolBar2_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hotIcons.get()));
    SendMessageA(toolBar2_, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(std::max(ui::Scale(kStripButtonWidth, dpi_), iconSize_ + 4),
                            std::max(ui::Scale(ui::kStripButtonHeight, dpi_), iconSize_ + 4)));
    icons_ = std::move(icons);
    hotIcons_ = std::move(hotIcons);
}

void ButtonsPage::CreateHints() {
    hints_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                             ui::Instance(), nullptr);
    if (!hints_) return; // the choices work without their hints
    const std::pair<int, const char*> tools[] = {{IDC_EXEC, kExecHint}, {IDC_SCRIPT, kScriptHint}};
    for (const auto& [id, text] : tools) {
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
        tool.lpszText = const_cast<char*>(text);
        SendMessageA(hints_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

int ButtonsPage::StripRowHeight() const {
    return std::max(1, static_cast<int>(HIWORD(SendMessageA(toolBar2_, TB_GETBUTTONSIZE, 0, 0))));
}

int ButtonsPage::StripContentHeight() const {
    int rows = std::max<int>(1, static_cast<int>(SendMessageA(toolBar2_, TB_GETROWS, 0, 0)));
    // The strip's buttons may lie lower than rows times their height (wrapped rows have gaps
    // in some versions of the control): the last button's bottom is what must be reachable.
    int bottom = rows * StripRowHeight();
    for (int i = static_cast<int>(strip_.size()) - 1; i >= 0; --i) {
        RECT item;
        if (SendMessageA(toolBar2_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item))) {
            bottom = std::max<int>(bottom, item.bottom);
            break;
        }
    }
    return bottom;
}

int ButtonsPage::StripHeight() const {
    RECT view;
    GetWindowRect(stripView_, &view);
    return view.bottom - view.top;
}

int ButtonsPage::StripRowsShown() const {
    // A few rows, fewer when the main window would otherwise reach below its monitor's work
    // area; at least one.
    int rows = kStripRowsShown;
    HWND main = host_.MainWindow();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT window;
    if (main && GetWindowRect(main, &window) &&
        GetMonitorInfoA(MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const int grown = std::max(0, reportedStripHeight_ - ui::OneRowStripHeight(dpi_));
        const int oneRowWindow = window.bottom - window.top - grown;
        const int room = monitor.rcWork.bottom - monitor.rcWork.top - oneRowWindow;
        rows = std::min(rows, 1 + std::max(0, room) / StripRowHeight());
    }
    return std::max(rows, 1);
}

int ButtonsPage::LayOutStripButtons(int width) {
    RECT now;
    GetWindowRect(toolBar2_, &now);
    // The control lays its buttons out (wrapping them) for its width; then the height follows.
    SetWindowPos(toolBar2_, nullptr, 0, 0, std::max(width, 0), now.bottom - now.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(toolBar2_, TB_AUTOSIZE, 0, 0);
    return StripContentHeight();
}

void ButtonsPage::LayoutStrip() {
    if (!toolBar2_) return;
    RECT page;
    GetClientRect(hwnd(), &page);
    RECT margin{4, 0, 0, 0};
    MapDialogRect(hwnd(), &margin);
    // The strip lines up with the fields on both sides.
    const int rightMargin = fieldsRight_ > 0 ? templateWidth_ - fieldsRight_ : margin.left;
    const int width = std::max<int>(0, page.right - rightMargin - margin.left);
    const int inner = std::max(0, width - 2 * kStripBorder);
    const int shownRows = StripRowsShown();
    const int tallest = shownRows * StripRowHeight();
    int content = LayOutStripButtons(inner);
    const bool scrolls = content > tallest;
    if (scrolls) content = LayOutStripButtons(inner - ui::SystemMetric(SM_CXVSCROLL, dpi_));
    const int shown = std::min(content, tallest);
    const int height = shown + 2 * kStripBorder;
    ShowScrollBar(stripView_, SB_VERT, scrolls ? TRUE : FALSE);
    SetWindowPos(stripView_, nullptr, margin.left, ui::Scale(kStripTop, dpi_), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetStripScroll(stripScroll_);
    if (height != reportedStripHeight_ || page.right != placedWidth_) PlaceFields(height);
    if (height == reportedStripHeight_) return;
    reportedStripHeight_ = height;
    host_.ButtonStripResized(height);
}

void ButtonsPage::SetStripScroll(int offset) {
    RECT view;
    GetClientRect(stripView_, &view);
    const int content = StripContentHeight();
    const int most = std::max(0, content - static_cast<int>(view.bottom));
    stripScroll_ = std::clamp(offset, 0, most);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(0, content - 1);
    info.nPage = static_cast<UINT>(std::max<LONG>(view.bottom, 0));
    info.nPos = stripScroll_;
    SetScrollInfo(stripView_, SB_VERT, &info, TRUE);
    RECT bar;
    GetWindowRect(toolBar2_, &bar);
    SetWindowPos(toolBar2_, nullptr, 0, -stripScroll_, bar.right - bar.left, content,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ButtonsPage::ScrollStrip(UINT message, WPARAM wParam) {
    const int row = StripRowHeight();
    RECT view;
    GetClientRect(stripView_, &view);
    int offset = stripScroll_;
    if (message == WM_MOUSEWHEEL) {
        offset -= GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * row;
    } else {
        switch (LOWORD(wParam)) {
        case SB_LINEUP: offset -= row; break;
        case SB_LINEDOWN: offset += row; break;
        case SB_PAGEUP: offset -= std::max<int>(row, view.bottom - row); break;
        case SB_PAGEDOWN: offset += std::max<int>(row, view.bottom - row); break;
        case SB_TOP: offset = 0; break;
        case SB_BOTTOM: offset = StripContentHeight(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(stripView_, SB_VERT, &info);
            offset = info.nTrackPos / row * row;
            break;
        }
        default: return;
        }
    }
    SetStripScroll(offset);
}

void ButtonsPage::RevealStripButton(int position) {
    RECT item, view;
    if (!SendMessageA(toolBar2_, TB_GETITEMRECT, position, reinterpret_cast<LPARAM>(&item))) return;
    GetClientRect(stripView_, &view);
    if (item.top < stripScroll_)
        SetStripScroll(item.top);
    else if (item.bottom > stripScroll_ + view.bottom)
        SetStripScroll(item.bottom - view.bottom);
}

int ButtonsPage::StripButtonBeside(int from, UINT key) const {
    const int last = StripButtonCount() - 1;
    switch (key) {
    case VK_LEFT: return std::max(from - 1, 0);
    case VK_RIGHT: return std::min(from + 1, last);
    case VK_HOME: return 0;
    case VK_END: return last;
    case VK_UP:
    case VK_DOWN: {
        // The button of the row above or below that lies nearest across.
        RECT at;
        if (!SendMessageA(toolBar2_, TB_GETITEMRECT, from, reinterpret_cast<LPARAM>(&at))) return from;
        const int centre = (at.left + at.right) / 2;
        const int step = key == VK_UP ? -1 : 1;
        int best = from;
        int bestRowTop = -1;
        int bestDistance = 0;
        for (int i = from + step; i >= 0 && i <= last; i += step) {
            RECT item;
            if (!SendMessageA(toolBar2_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item))) continue;
            if (item.top == at.top) continue; // the same row
            if (bestRowTop >= 0 && item.top != bestRowTop) break; // past the next row
            bestRowTop = item.top;
            const int distance = std::abs((item.left + item.right) / 2 - centre);
            if (best == from || distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        return best;
    }
    default:
        return from;
    }
}

bool ButtonsPage::StripKeyDown(UINT key) {
    const bool moves = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN ||
                       key == VK_HOME || key == VK_END;
    const bool shows = key == VK_RETURN || key == VK_SPACE;
    if (!moves && !shows) return false;
    if (strip_.empty() || strip_.front().command == 0) return true; // only the placeholder
    int hot = static_cast<int>(SendMessageA(toolBar2_, TB_GETHOTITEM, 0, 0));
    // Without a marked button the keys start from the record shown.
    if (hot < 0 || hot >= StripButtonCount()) hot = std::max(FindStripButton(ShownKey()), 0);
    if (moves) {
        hot = StripButtonBeside(hot, key);
        SendMessageA(toolBar2_, TB_SETHOTITEM, hot, 0);
        RevealStripButton(hot);
        return true;
    }
    ShowButton(hot);
    return true;
}

void ButtonsPage::StripFocused() {
    // The keyboard arrives at the button of the record shown.
    const int shown = FindStripButton(ShownKey());
    if (shown < 0) return;
    SendMessageA(toolBar2_, TB_SETHOTITEM, shown, 0);
    RevealStripButton(shown);
}

void ButtonsPage::PlaceFields(int stripHeight) {
    RECT page;
    GetClientRect(hwnd(), &page);
    placedWidth_ = page.right;
    const int shift =
        ui::Scale(kStripTop, dpi_) + stripHeight + ui::Scale(kGapBelowStrip, dpi_) - templateTop_;
    const int grown = std::max<int>(0, page.right - templateWidth_);
    for (const FieldPlace& place : fieldPlaces_) {
        RECT r = place.original;
        OffsetRect(&r, 0, shift);
        if (place.anchor == FieldPlace::Stretch) r.right += grown;
        if (place.anchor == FieldPlace::FollowRightEdge) OffsetRect(&r, grown, 0);
        SetWindowPos(place.field, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void ButtonsPage::SetStripButtonText(int position) {
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
    info.pszText = const_cast<char*>(strip_.at(position).hint.c_str());
    SendMessageA(toolBar2_, TB_SETBUTTONINFOA, position, reinterpret_cast<LPARAM>(&info));
}

void ButtonsPage::DpiChanged(UINT oldDpi, UINT newDpi) {
    if (oldDpi == 0 || newDpi == 0 || oldDpi == newDpi) return;
    // Windows has placed the controls anew for the new DPI; the places recorded from the
    // template follow in proportion.
    auto scale = [&](LONG value) { return static_cast<LONG>(MulDiv(value, newDpi, oldDpi)); };
    for (FieldPlace& place : fieldPlaces_) {
        place.original = {scale(place.original.left), scale(place.original.top),
                          scale(place.original.right), scale(place.original.bottom)};
    }
    templateWidth_ = scale(templateWidth_);
    templateTop_ = scale(templateTop_);
    fieldsRight_ = scale(fieldsRight_);
    dpi_ = newDpi;

    // The strip's icons at the new small-icon size, read again for the buttons it shows; the
    // fields and their flags are left as they are.
    SetStripPictureSize();
    host_.NewRegistry();
    currentUserButtons_.clear();
    std::vector<ListedRecord> found;
    std::exception_ptr failure = WalkBothRoots(found);
    const bool placeholder = StripButtonCount() == 1 && strip_[0].command == 0;
    const int buttons = placeholder ? 0 : StripButtonCount();
    if ((failure || static_cast<int>(found.size()) != buttons) && !rebuildPosted_)
        rebuildPosted_ = PostMessageA(hwnd(), kRebuildStrip, 0, 0) != FALSE;
    placedWidth_ = -1;
    reportedStripHeight_ = 0;
    LayoutStrip();
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void ButtonsPage::OnShow() {
    if (strip_.empty()) ListButtons(-1);
}

// --- the strip ---

void ButtonsPage::WalkRoot(HKEY root, IconBatches& batches,
                           const std::function<void(ListedRecord&&)>& found) {
    const bool onlyOwn = ui::IsChecked(Item(IDC_ONLYQUILLMERE));
    // The strip shows the records in the reverse order of the walks.
    WalkListedButtons(host_.Registry(), root, onlyOwn, true,
                      [&](const std::string& name, RegistryAccessor& record) {
                          ListedRecord listed{name, HintText(record.ReadString(kButtonTextValue))};
                          // The browser expands icon locations stored as expandable strings, and
                          // so does the strip.
                          StoredText icon = record.ReadText(kIconValue);
                          StoredText hotIcon = record.ReadText(kHotIconValue);
                          LoadIcons(batches,
                                    RegistryAccessor::ExpandedText(icon.text, icon.stored.type),
                                    RegistryAccessor::ExpandedText(hotIcon.text,
                                                                   hotIcon.stored.type));
                          found(std::move(listed));
                      });
}

std::exception_ptr ButtonsPage::WalkBothRoots(std::vector<ListedRecord>& found) {
    IconBatches batches(iconSize_);
    std::exception_ptr failure;
    try {
        WalkRoot(HKEY_LOCAL_MACHINE, batches,
                 [&](ListedRecord&& record) { found.push_back(std::move(record)); });
        WalkRoot(HKEY_CURRENT_USER, batches, [&](ListedRecord&& record) {
            currentUserButtons_.push_back(record.keyName);
            found.push_back(std::move(record));
        });
    } catch (...) {
        failure = std::current_exception();
    }
    // Image i belongs to record i of the walks.
    batches.icons.AppendTo(icons_.get());
    batches.hotIcons.AppendTo(hotIcons_.get());
    return failure;
}

void ButtonsPage::LoadIcons(IconBatches& batches, const std::string& icon,
                            const std::string& hotIcon) {
    // The loaded icons go when they leave scope; the batches keep 16 x 16 drawings of them.
    batches.icons.Add(LoadIconFromLocation(icon).get());
    batches.hotIcons.Add(LoadIconFromLocation(hotIcon).get());
}

void ButtonsPage::RemoveAllStripButtons() {
    for (int i = static_cast<int>(SendMessageA(toolBar2_, TB_BUTTONCOUNT, 0, 0)) - 1; i >= 0; --i)
        SendMessageA(toolBar2_, TB_DELETEBUTTON, i, 0);
    strip_.clear();
    nextCommand_ = 0;
}

int ButtonsPage::NextCommand() {
    int command = kFirstStripCommand + nextCommand_++;
    return std::min(command, kLastStripCommand);
}

void ButtonsPage::InsertStripButtons(const std::vector<ListedRecord>& records) {
    // Each record's button goes before all buttons already in the strip, so the strip shows
    // the records in the reverse order of the walks; its image is the one appended for it.
    std::vector<TBBUTTON> buttons;
    buttons.reserve(records.size());
    std::vector<StripButton> added;
    added.reserve(records.size());
    for (size_t i = records.size(); i-- > 0;) {
        StripButton button{records[i].keyName, records[i].hint, NextCommand()};
        TBBUTTON item{};
        item.iBitmap = static_cast<int>(i);
        item.idCommand = button.command;
        item.fsState = TBSTATE_ENABLED;
        item.fsStyle = BTNS_BUTTON;
        // The control copies the text: its accessible name (it shows no text).
        item.iString = reinterpret_cast<INT_PTR>(records[i].hint.c_str());
        buttons.push_back(item);
        added.push_back(std::move(button));
    }
    if (buttons.empty()) return;
    // One insertion for the whole lot: the control lays itself out once, not once per button.
    SendMessageA(toolBar2_, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    strip_.insert(strip_.begin(), std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
}

void ButtonsPage::AddPlaceholder() {
    TBBUTTON item{};
    item.iBitmap = I_IMAGENONE;
    item.idCommand = 0;
    item.fsState = 0; // disabled
    item.fsStyle = BTNS_BUTTON;
    item.iString = -1;
    SendMessageA(toolBar2_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&item));
    strip_.push_back(StripButton{});
}

int ButtonsPage::FindStripButton(const std::string& keyName) const {
    for (size_t i = 0; i < strip_.size(); ++i)
        if (strip_[i].command != 0 && strip_[i].keyName == keyName) return static_cast<int>(i);
    return -1;
}

void ButtonsPage::FinishStripChange() {
    LayoutStrip();
    InvalidateRect(toolBar2_, nullptr, TRUE);
}

void ButtonsPage::ListButtons(int selection) {
    // Asked before anything is rebuilt: the answer saves into the record shown, where it
    // lives, and a rebuild that ends with no button to show loses nothing unasked.
    OfferSaveOfShownRecord(false);
    std::optional<std::string> remembered;
    if (selection >= 0 && selection < StripButtonCount() && strip_[selection].command != 0)
        remembered = strip_[selection].keyName;

    ui::HourglassCursor hourglass;
    host_.NewRegistry();
    SendMessageA(toolBar2_, WM_SETREDRAW, FALSE, 0);
    RemoveAllStripButtons();
    ImageList_RemoveAll(icons_.get());
    ImageList_RemoveAll(hotIcons_.get());
    currentUserButtons_.clear();

    // A failure part-way keeps the buttons found so far; the selection still runs before the
    // failure is shown.
    std::vector<ListedRecord> found;
    std::exception_ptr failure = WalkBothRoots(found);
    InsertStripButtons(found);
    SendMessageA(toolBar2_, WM_SETREDRAW, TRUE, 0);
    FinishStripChange();

    try {
        if (strip_.empty()) {
            ClearButtonFields();
            AddPlaceholder();
            FinishStripChange();
        } else {
            int shown = remembered ? FindStripButton(*remembered) : -1;
            // A remembered record that is gone (deleted, or no longer passing the filter):
            // the last button, as without one.
            ShowButton(shown >= 0 ? shown : StripButtonCount() - 1);
        }
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    host_.ClearModified(ui::kPageButtons);
    if (failure) std::rethrow_exception(failure);
}

void ButtonsPage::RefreshButtonImages() {
    ui::HourglassCursor hourglass;
    host_.NewRegistry();
    ImageList_RemoveAll(icons_.get());
    ImageList_RemoveAll(hotIcons_.get());
    currentUserButtons_.clear();

    std::vector<ListedRecord> found;
    std::exception_ptr failure = WalkBothRoots(found);

    // Record i of the walks belongs to the strip button i places from the strip's end (the
    // strip's own order is the reverse of the walks), and image i is again its image.
    const bool placeholder = StripButtonCount() == 1 && strip_[0].command == 0;
    const int buttons = placeholder ? 0 : StripButtonCount();
    bool matches = !failure && static_cast<int>(found.size()) == buttons;
    for (int i = 0; matches && i < buttons; ++i)
        matches = strip_[buttons - 1 - i].keyName == found[i].keyName;
    if (matches) {
        for (int i = 0; i < buttons; ++i) {
            strip_[buttons - 1 - i].hint = found[i].hint;
            SetStripButtonText(buttons - 1 - i);
        }
    } else if (!failure && !rebuildPosted_) {
        // (A refresh that failed is shown once by its caller; a rebuild would only fail again
        // and show the same error a second time.)
        // Another program has added or removed records since the last listing. The buttons
        // cannot be re-created here (this may run inside a strip button's own click), so the
        // strip is rebuilt as soon as that click is over.
        rebuildPosted_ = PostMessageA(hwnd(), kRebuildStrip, 0, 0) != FALSE;
    }
    InvalidateRect(toolBar2_, nullptr, TRUE);
    host_.ClearModified(ui::kPageButtons);
    if (failure) std::rethrow_exception(failure);
}

void ButtonsPage::ShowButton(int position) {
    if (position < 0 || position >= StripButtonCount() || strip_[position].command == 0) return;
    RevealStripButton(position);
    // The question concerns the record shown until now; its Yes refreshes the strip in place,
    // so the position still names the clicked button afterwards.
    const std::string keyName = strip_[position].keyName;
    OfferSaveOfShownRecord(true);

    // The whole record is read before any field changes, so that a value that cannot be read
    // leaves no mix of two records in the fields.
    ShownRecord record;
    record.keyName = keyName;
    record.root = RootForButton(keyName, currentUserButtons_);
    std::string tooLong;
    {
        RegistryAccessor& registry = host_.Registry();
        KeyScope keyScope(registry);
        RegistryAccessor extensions;
        try {
            OpenButtonRecord(extensions, registry, record.root, keyName);
            for (const ButtonFieldRule& rule : kButtonFields) {
                StoredText& text = record.values.texts[rule.field];
                text = registry.ReadText(rule.value);
                record.values.tooLong[rule.field] = CutForField(text);
                if (record.values.tooLong[rule.field] && tooLong.empty()) tooLong = rule.value;
            }
            record.values.defaultVisible = registry.ReadText(kDefaultVisibleValue);
        } catch (...) {
            // Nothing of the record is shown, and nothing of the record shown before stays in
            // the fields: a later Save then has no record to write into.
            ClearButtonFields();
            host_.ClearModified(ui::kPageButtons);
            throw;
        }
    }
    shown_ = std::move(record);

    ui::SetText(Item(IDC_STATICTEXT1), keyName);
    ShowFields(FieldsFromRecord(shown_.values));
    for (const ButtonFieldRule& rule : kButtonFields)
        SendMessageA(Item(rule.control), EM_SETREADONLY, shown_.values.tooLong[rule.field], 0);
    SetPreview(image1_, IDC_IMAGE1, {});
    SetPreview(image1_, IDC_IMAGE1, LoadIconFromLocation(IconLocationOf(IDC_ICONEDIT)));
    SetPreview(image2_, IDC_IMAGE2, {});
    SetPreview(image2_, IDC_IMAGE2, LoadIconFromLocation(IconLocationOf(IDC_HOTICONEDIT)));
    // Last: filling the fields has set the flags through their change handlers. Only this
    // page's: edits left on another page through the View menu are still to be offered.
    host_.ClearModified(ui::kPageButtons);
    if (!tooLong.empty())
        ui::AppDialogs().ShowError(host_.MainWindow(),
                                    "The value \"" + tooLong + "\" of the toolbar button " +
                                        keyName +
                                        " is too long to edit. It is shown in part and kept as "
                                        "stored when the button is saved.");
}

void ButtonsPage::ShowFields(const ButtonFieldState& fields) {
    for (const ButtonFieldRule& rule : kButtonFields)
        ui::SetText(Item(rule.control), fields.texts[rule.field]);
    if (fields.action != ActionChoice::Neither) ChooseAction(fields.action);
    ui::SetChecked(Item(IDC_DEFAULTVISIBLE), fields.visible);
    ui::SetChecked(Item(IDC_SHOWINTOOLS), fields.inTools);
    EnableMenuFields(fields.inTools);
}

ButtonFieldState ButtonsPage::FieldsShown() const {
    ButtonFieldState fields;
    for (const ButtonFieldRule& rule : kButtonFields)
        fields.texts[rule.field] = ui::GetText(Item(rule.control));
    fields.action = ui::IsChecked(Item(IDC_EXEC))     ? ActionChoice::Exec
                    : ui::IsChecked(Item(IDC_SCRIPT)) ? ActionChoice::Script
                                                      : ActionChoice::Neither;
    fields.visible = ui::IsChecked(Item(IDC_DEFAULTVISIBLE));
    fields.inTools = ui::IsChecked(Item(IDC_SHOWINTOOLS));
    return fields;
}

void ButtonsPage::ChooseAction(ActionChoice action) {
    ui::SetChecked(Item(IDC_EXEC), action == ActionChoice::Exec);
    ui::SetChecked(Item(IDC_SCRIPT), action == ActionChoice::Script);
    for (const ButtonFieldRule& rule : kButtonFields)
        if (rule.group == FieldGroup::Exec || rule.group == FieldGroup::Script)
            ui::EnableField(Item(rule.control), GroupInUse(rule.group, action, false));
}

void ButtonsPage::EnableMenuFields(bool enabled) {
    for (const ButtonFieldRule& rule : kButtonFields)
        if (rule.group == FieldGroup::Tools)
            ui::EnableField(Item(rule.control), GroupInUse(rule.group, ActionChoice::Neither, enabled));
}

void ButtonsPage::OfferSaveOfShownRecord(bool refresh) {
    if (!host_.IsPageModified(ui::kPageButtons)) return;
    // The edits are this page's even when another page's load has cleared Modified since.
    host_.MarkModified(ui::kPageButtons);
    host_.OfferSave(ui::kPageButtons, refresh);
}

std::string ButtonsPage::IconLocationOf(int editId) const {
    const ButtonField field = editId == IDC_ICONEDIT ? kFieldIcon : kFieldHotIcon;
    // A location too long to edit names no file the platform can open.
    if (shown_.values.tooLong[field]) return {};
    return RegistryAccessor::ExpandedText(ui::GetText(Item(editId)),
                                          shown_.values.texts[field].stored.type);
}

void ButtonsPage::ClearButtonFields() {
    ui::SetText(Item(IDC_STATICTEXT1), "");
    ShowFields(NoRecordFields());
    for (const ButtonFieldRule& rule : kButtonFields)
        SendMessageA(Item(rule.control), EM_SETREADONLY, FALSE, 0);
    SetPreview(image1_, IDC_IMAGE1, {});
    SetPreview(image2_, IDC_IMAGE2, {});
    shown_ = {};
}

std::string ButtonsPage::ShownKey() const { return ui::GetText(Item(IDC_STATICTEXT1)); }

// --- editing ---

void ButtonsPage::Save() {
    if (ShownKey().empty()) {
        // The typed text stays in the fields; there is no record to write it into.
        ui::AppDialogs().ShowError(host_.MainWindow(), kNoButtonShown);
        return;
    }
    editsRefused_ = false;
    SaveButton(ShownKey());
    RefreshButtonImages();
    // Windows refused the save: the edits are still unsaved in the fields, and leaving the
    // page asks about them again.
    if (editsRefused_) host_.MarkModified(ui::kPageButtons);
}

std::string ButtonsPage::SavePrompt() const {
    return "Save changes in button \"" + ui::GetText(Item(IDC_BUTTONTEXT)) + "\"?";
}

void ButtonsPage::SaveFromPrompt(bool refresh) {
    if (ShownKey().empty()) {
        ui::AppDialogs().ShowError(host_.MainWindow(), kNoButtonShown);
        return;
    }
    SaveButton(ShownKey());
    if (refresh) RefreshButtonImages();
}

bool ButtonsPage::OverwriteChangedValues(const std::string& keyName, HKEY root,
                                         const std::vector<ValueChange>& changes) {
    std::string overwritten;
    {
        RegistryAccessor& registry = host_.Registry();
        KeyScope keyScope(registry);
        RegistryAccessor extensions;
        // A record that is gone fails at the first write, with its message.
        if (!OpenButtonRecord(extensions, registry, root, keyName)) return true;
        for (const ValueChange& change : changes) {
            const std::optional<RawValue> now = ReadStored(registry, change.name);
            std::optional<RawValue> shown;
            if (change.name == kDefaultVisibleValue) {
                if (shown_.values.defaultVisible.present) shown = shown_.values.defaultVisible.stored;
            }
            for (const ButtonFieldRule& rule : kButtonFields)
                if (change.name == rule.value && shown_.values.texts[rule.field].present)
                    shown = shown_.values.texts[rule.field].stored;
            // Another program's change, unless it made the very change this save makes.
            if (now != shown && now != change.value)
                overwritten += (overwritten.empty() ? "\"" : ", \"") + change.name + "\"";
        }
    }
    if (overwritten.empty()) return true;
    return ui::AppDialogs().AskYesNo(host_.MainWindow(),
                                      "The button \"" + ui::GetText(Item(IDC_BUTTONTEXT)) +
                                          "\" was changed in the registry since it was shown (" +
                                          overwritten + "). Overwrite it?");
}

void ButtonsPage::SaveButton(const std::string& keyName) {
    // With no record shown the path would be the Extensions key itself: nothing to write to.
    if (keyName.empty()) return;
    // What the fields showed of the record: a value whose field still holds it is left as
    // stored (type and bytes), so that only the user's changes are written.
    const ShownRecord none;
    const ShownRecord& shown = keyName == shown_.keyName ? shown_ : none;
    const HKEY root = shown.root ? shown.root : RootForButton(keyName, currentUserButtons_);
    const std::vector<ValueChange> changes = SaveChanges(shown.values, FieldsShown());

    // A changed field that could not show its stored text exactly would replace characters
    // the user never saw: the save says so before anything is written.
    if (std::optional<std::string> inexact = ValueNotShownExactly(shown.values, changes)) {
        ui::AppDialogs().ShowError(host_.MainWindow(), RegistryAccessor::CannotKeepText(*inexact));
        host_.MarkModified(ui::kPageButtons);
        editsRefused_ = true;
        return;
    }
    if (&shown == &shown_ && !OverwriteChangedValues(keyName, root, changes)) {
        // Nothing is written; the edits stay in the fields, still unsaved.
        host_.MarkModified(ui::kPageButtons);
        editsRefused_ = true;
        return;
    }

    std::optional<RegistryError> failure;
    {
        RegistryAccessor& registry = host_.Registry();
        KeyScope keyScope(registry);
        RegistryAccessor extensions;
        try {
            // The record shown is saved where it was read, whatever a listing found since.
            if (!OpenButtonRecord(extensions, registry, root, keyName))
                throw RegistryError("The toolbar button " + keyName + " is gone", registry.Refused());
            for (const ValueChange& change : changes) {
                if (change.value)
                    registry.WriteRaw(change.name, *change.value);
                else
                    registry.DeleteValue(change.name);
            }
        } catch (const RegistryError& error) {
            failure = error;
        }
    }
    if (failure) {
        const bool closing = ReportWriteFailure(
            host_, failure->Refused(), root,
            "The button \"" + ui::GetText(Item(IDC_BUTTONTEXT)) + "\" cannot be saved", kWriteError);
        // Windows refused it: the edits in the fields are still unsaved.
        if (failure->Refused() && !closing) {
            host_.MarkModified(ui::kPageButtons);
            editsRefused_ = true;
        }
        return;
    }
    // What is stored now is what the fields show: a second save writes nothing again, and a
    // later change is measured against it.
    if (&shown == &shown_) ApplyChanges(shown_.values, changes);
}

void ButtonsPage::DeleteButton(const std::string& keyName) {
    // With no record shown the path would be the Extensions key itself, with every button.
    if (keyName.empty()) return;
    if (!ui::AppDialogs().AskYesNo(host_.MainWindow(), "Ok to delete the button?")) return;
    RegistryAccessor& registry = host_.Registry();
    const HKEY root = RootForButton(keyName, currentUserButtons_);
    bool deleted = false;
    bool refused = false;
    {
        KeyScope keyScope(registry);
        registry.SetRoot(root);
        // Below the open Extensions key: the record's full path may be longer than the
        // platform takes.
        deleted = registry.OpenKey(kExtensionsKey, false) && registry.DeleteKey(keyName);
        refused = registry.Refused();
    }
    if (!deleted) {
        ReportWriteFailure(host_, refused, root,
                           "The button \"" + ui::GetText(Item(IDC_BUTTONTEXT)) +
                               "\" cannot be deleted",
                           kDeleteError);
        return;
    }
    if (std::optional<RegistryError> failure = Attempt(registry, [&] { ForgetOwnRecord(registry, keyName); }))
        // The button is gone; only its entry in the program's own record stays behind.
        ReportWriteFailure(host_, failure->Refused(), HKEY_CURRENT_USER,
                           "The deleted button cannot be taken out of Quillmere's own record",
                           kWriteError);
    // The edits of the record just deleted have nowhere to go: the rebuild asks nothing.
    host_.ClearModified(ui::kPageButtons);
    ListButtons(-1);
}

void ButtonsPage::AddButton(int templateRow) {
    if (templateRow < 0 || templateRow >= static_cast<int>(ButtonTemplates.size())) return;
    RegistryAccessor& registry = host_.Registry();
    NewButtonKey key;
    try {
        key = NextButtonKey(registry);
    } catch (const ButtonKeysExhausted& full) {
        ui::AppDialogs().ShowError(host_.MainWindow(), full.what());
        return;
    }

    if (std::optional<RegistryError> failure = Attempt(registry, [&] {
            registry.SetRoot(HKEY_LOCAL_MACHINE);
            registry.CreateKey(ButtonKeyPath(key.keyName));
        })) {
        ReportWriteFailure(host_, failure->Refused(), HKEY_LOCAL_MACHINE,
                           "The button cannot be added", kCreateError);
    } else {
        FillFromTemplate(templateRow);
        WriteNewRecord(key.keyName);
        if (std::optional<RegistryError> failure =
                Attempt(registry, [&] { WriteOwnRecord(registry, key); }))
            ReportWriteFailure(host_, failure->Refused(), HKEY_CURRENT_USER,
                               "The new button cannot be entered in Quillmere's own record",
                               kWriteError);
        InsertNewStripButton(key.keyName);
        ShowButton(0);
    }
    int position = FindStripButton(key.keyName);
    if (position >= 0) {
        host_.ClearModified(ui::kPageButtons);
        ListButtons(position);
    }
}

void ButtonsPage::FillFromTemplate(int templateRow) {
    ShowFields(FieldsFromTemplate(ButtonTemplates[templateRow], ui::ProgramFolder()));
    SetPreview(image1_, IDC_IMAGE1, {});
    SetPreview(image2_, IDC_IMAGE2, {});
    host_.ClearModified(ui::kPageButtons);
}

void ButtonsPage::WriteNewRecord(const std::string& keyName) {
    RegistryAccessor& registry = host_.Registry();
    if (std::optional<RegistryError> failure = Attempt(registry, [&] {
            registry.SetRoot(HKEY_LOCAL_MACHINE);
            registry.OpenKey(ButtonKeyPath(keyName), false);
            for (const auto& [name, text] : NewRecordValues(FieldsShown()))
                registry.WriteString(name, text);
        }))
        ReportWriteFailure(host_, failure->Refused(), HKEY_LOCAL_MACHINE,
                           "The new button cannot be written", kWriteError);
}

void ButtonsPage::InsertNewStripButton(const std::string& keyName) {
    IconBatches batches(iconSize_);
    LoadIcons(batches, ui::GetText(Item(IDC_ICONEDIT)), ui::GetText(Item(IDC_HOTICONEDIT)));
    batches.icons.AppendTo(icons_.get());
    batches.hotIcons.AppendTo(hotIcons_.get());
    StripButton button{keyName, ui::GetText(Item(IDC_BUTTONTEXT)), NextCommand()};
    TBBUTTON item{};
    item.iBitmap = ImageList_GetImageCount(icons_.get()) - 1;
    item.idCommand = button.command;
    item.fsState = TBSTATE_ENABLED;
    item.fsStyle = BTNS_BUTTON;
    item.iString = reinterpret_cast<INT_PTR>(button.hint.c_str());
    SendMessageA(toolBar2_, TB_INSERTBUTTONA, 0, reinterpret_cast<LPARAM>(&item));
    strip_.insert(strip_.begin(), std::move(button));
    FinishStripChange();
}

// --- field handlers ---

void ButtonsPage::FieldChange() { host_.MarkModified(ui::kPageButtons); }

void ButtonsPage::DefaultVisibleClick() { host_.MarkModified(ui::kPageButtons); }

void ButtonsPage::ExecRadioClick() {
    ChooseAction(ActionChoice::Exec);
    host_.MarkModified(ui::kPageButtons);
}

void ButtonsPage::ScriptRadioClick() {
    ChooseAction(ActionChoice::Script);
    host_.MarkModified(ui::kPageButtons);
}

void ButtonsPage::ShowInToolsClick() {
    EnableMenuFields(ui::IsChecked(Item(IDC_SHOWINTOOLS)));
    host_.MarkModified(ui::kPageButtons);
}

void ButtonsPage::BrowseInto(int editId) {
    // The filter stays as the last click left it: an icon "Browse" sets the icon filter.
    if (!ui::AppDialogs().RunFileDialog(host_.MainWindow(), ui::FileDialogKind::Open,
                                         openDialog1_))
        return;
    ui::SetText(Item(editId), openDialog1_.fileName);
}

void ButtonsPage::ExecBrowseClick() { BrowseInto(IDC_EXECEDIT); }
void ButtonsPage::ScriptBrowseClick() { BrowseInto(IDC_SCRIPTEDIT); }

void ButtonsPage::BrowseIcon(int editId, ui::UniqueIcon& preview, int imageId) {
    openDialog1_.filter = kIconFilter;
    if (!ui::AppDialogs().RunFileDialog(host_.MainWindow(), ui::FileDialogKind::Open,
                                         openDialog1_))
        return;
    // The full path without an icon number: a module's first icon. The same path as before is
    // no edit, but the preview is refreshed all the same.
    ui::SetText(Item(editId), openDialog1_.fileName);
    SetPreview(preview, imageId, LoadIconFromLocation(IconLocationOf(editId)));
}

void ButtonsPage::IconBrowseClick() { BrowseIcon(IDC_ICONEDIT, image1_, IDC_IMAGE1); }
void ButtonsPage::HotIconBrowseClick() { BrowseIcon(IDC_HOTICONEDIT, image2_, IDC_IMAGE2); }

void ButtonsPage::IconViewClick() {
    SetPreview(image1_, IDC_IMAGE1, LoadIconFromLocation(IconLocationOf(IDC_ICONEDIT)));
}

void ButtonsPage::HotIconViewClick() {
    SetPreview(image2_, IDC_IMAGE2, LoadIconFromLocation(IconLocationOf(IDC_HOTICONEDIT)));
}

void ButtonsPage::IconEditKeyPress() { IconViewClick(); }
void ButtonsPage::HotIconEditKeyPress() { HotIconViewClick(); }

void ButtonsPage::OnlyQuillmereClick() { ListButtons(-1); }

void ButtonsPage::ToolBar2Click(int command) {
    for (size_t i = 0; i < strip_.size(); ++i) {
        if (strip_[i].command == command) {
            ShowButton(static_cast<int>(i));
            return;
        }
    }
}

void ButtonsPage::SetPreview(ui::UniqueIcon& preview, int imageId, ui::UniqueIcon icon) {
    preview = std::move(icon);
    InvalidateRect(Item(imageId), nullptr, TRUE);
}

void ButtonsPage::PaintPreview(const DRAWITEMSTRUCT& item, HICON icon) {
    RECT frame = item.rcItem;
    FillRect(item.hDC, &frame, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(item.hDC, &frame, EDGE_SUNKEN, BF_RECT);
    if (!icon) return;
    // Unscaled from the picture area's top left corner; a larger icon is cut at its edges.
    int saved = SaveDC(item.hDC);
    const int area = ui::Scale(kPreviewArea, dpi_);
    const int inset = (frame.right - frame.left - area) / 2;
    IntersectClipRect(item.hDC, frame.left + inset, frame.top + inset, frame.left + inset + area,
                      frame.top + inset + area);
    DrawIconEx(item.hDC, frame.left + inset, frame.top + inset, icon, 0, 0, 0,
               nullptr, DI_NORMAL);
    RestoreDC(item.hDC, saved);
}

// --- messages ---

INT_PTR ButtonsPage::OnNotify(NMHDR& header) {
    // The strip's hints are asked for by command; the Exec and Script hints are fixed texts.
    if (header.code != TTN_GETDISPINFOA && header.code != TTN_GETDISPINFOW) return FALSE;
    if (header.hwndFrom == hints_) return FALSE;
    const StripButton* button = nullptr;
    for (const StripButton& candidate : strip_)
        if (candidate.command != 0 && candidate.command == static_cast<int>(header.idFrom))
            button = &candidate;
    if (!button) return FALSE;
    if (header.code == TTN_GETDISPINFOA) {
        auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
        info.lpszText = const_cast<char*>(button->hint.c_str());
    } else {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        int length = MultiByteToWideChar(CP_ACP, 0, button->hint.c_str(), -1, nullptr, 0);
        wideHint_.assign(static_cast<size_t>(std::max(length, 1)), L'\0');
        MultiByteToWideChar(CP_ACP, 0, button->hint.c_str(), -1, wideHint_.data(), length);
        info.lpszText = wideHint_.data();
    }
    return TRUE;
}

INT_PTR ButtonsPage::OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        FormCreate();
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (lParam != 0 && reinterpret_cast<HWND>(lParam) == toolBar2_) {
            ToolBar2Click(id);
            return TRUE;
        }
        if (code == EN_CHANGE) {
            if (std::find(std::begin(kEditIds), std::end(kEditIds), id) != std::end(kEditIds)) {
                FieldChange();
                return TRUE;
            }
            return FALSE;
        }
        if (code != BN_CLICKED) return FALSE;
        switch (id) {
        case IDC_DEFAULTVISIBLE: DefaultVisibleClick(); return TRUE;
        case IDC_EXEC: ExecRadioClick(); return TRUE;
        case IDC_SCRIPT: ScriptRadioClick(); return TRUE;
        case IDC_SHOWINTOOLS: ShowInToolsClick(); return TRUE;
        case IDC_EXECBROWSE: ExecBrowseClick(); return TRUE;
        case IDC_SCRIPTBROWSE: ScriptBrowseClick(); return TRUE;
        case IDC_ICONBROWSE: IconBrowseClick(); return TRUE;
        case IDC_HOTICONBROWSE: HotIconBrowseClick(); return TRUE;
        case IDC_ICONVIEW: IconViewClick(); return TRUE;
        case IDC_HOTICONVIEW: HotIconViewClick(); return TRUE;
        case IDC_ONLYQUILLMERE: OnlyQuillmereClick(); return TRUE;
        default: return FALSE;
        }
    }
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_SIZE:
        LayoutStrip();
        return FALSE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID == IDC_IMAGE1) PaintPreview(item, image1_.get());
        else if (item.CtlID == IDC_IMAGE2) PaintPreview(item, image2_.get());
        else return FALSE;
        return TRUE;
    }
    case kRebuildStrip: {
        rebuildPosted_ = false;
        // The record shown stays shown when the rebuild still lists it.
        int shown = FindStripButton(ShownKey());
        ListButtons(shown);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace qm
