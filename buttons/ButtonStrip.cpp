#include "buttons/ButtonStrip.h"

#include "base/Text.h"
#include "buttons/ButtonPlace.h"
#include "buttons/ButtonRecord.h"
#include "buttons/ButtonStore.h"
#include "buttons/IconLoader.h"
#include "buttons/SmallIconBatch.h"
#include "registry/RegistryAccessor.h"
#include "ui/Dpi.h"
#include "ui/Texts.h"
#include "ui/Window.h"

#include "resource.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace qm {
namespace {

// A record's button as the strip shows it: enabled, a plain button with its image and hint.
// The control copies the text: the button's accessible name (it shows no text).
TBBUTTON RecordButton(int image, int command, const std::string& hint) {
    TBBUTTON item{};
    item.iBitmap = image;
    item.idCommand = command;
    item.fsState = TBSTATE_ENABLED;
    item.fsStyle = BTNS_BUTTON;
    item.iString = reinterpret_cast<INT_PTR>(hint.c_str());
    return item;
}

// Strip buttons send commands from here up, one identifier per button of a listing; far above
// the page's control identifiers, and room for more buttons than any registry holds.
constexpr int kFirstCommand = 0x4000;
constexpr int kLastCommand = 0xFFFF;

constexpr int kBorder = 1; // WS_BORDER, on all four sides, one pixel at any DPI
// A strip button at 96 DPI; its row is kStripButtonHeight high.
constexpr int kButtonWidth = 23;

// The widest hint at 96 DPI, in pixels; longer lines wrap.
constexpr int kWidestHint = 400;

constexpr const char* kViewClass = "QuillmereButtonStrip";

// A button's text as a hint: hints are short, and a text of megabytes would cost every
// listing its time and memory.
std::string HintText(std::string text) {
    constexpr size_t kLongestHint = 1024;
    if (text.size() <= kLongestHint) return text;
    size_t end = kLongestHint;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text + "...";
}

// The strip's frame: it shows as many rows of the strip as fit and scrolls through the rest.
LRESULT CALLBACK ViewProcedure(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* strip = reinterpret_cast<ButtonStrip*>(GetWindowLongPtrA(view, GWLP_USERDATA));
    if (strip && (message == WM_VSCROLL || message == WM_MOUSEWHEEL)) {
        ui::Guarded(GetParent(view), [&] { strip->ScrollBy(message, wParam); });
        return 0;
    }
    if (message == WM_NCDESTROY) SetWindowLongPtrA(view, GWLP_USERDATA, 0);
    return DefWindowProcA(view, message, wParam, lParam);
}

constexpr UINT_PTR kKeysSubclass = 0x53544B; // "STK"

// The strip's keys: arrows, Home and End move between its buttons, Enter and Space show the
// record of the button reached.
LRESULT CALLBACK Keys(HWND toolBar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                      DWORD_PTR data) {
    auto* strip = reinterpret_cast<ButtonStrip*>(data);
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code =
            DefSubclassProc(toolBar, message, wParam, lParam) | DLGC_WANTARROWS | DLGC_WANTCHARS;
        auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN: {
        bool handled = false;
        ui::Guarded(GetParent(GetParent(toolBar)),
                    [&] { handled = strip->KeyDown(static_cast<UINT>(wParam)); });
        if (handled) return 0;
        break;
    }
    case WM_CHAR:
        if (wParam == ' ' || wParam == '\r') return 0; // taken by the key itself
        break;
    case WM_SETFOCUS: {
        LRESULT result = DefSubclassProc(toolBar, message, wParam, lParam);
        strip->Focused();
        return result;
    }
    case WM_NCDESTROY: RemoveWindowSubclass(toolBar, &Keys, kKeysSubclass); break;
    default: break;
    }
    return DefSubclassProc(toolBar, message, wParam, lParam);
}

} // namespace

// The normal and hot icons of the records a walk finds, on their way to Icons and HotIcons.
// Each icon location is loaded and drawn once per walk: many buttons share a template's icon,
// or have none and show the stock error icon. A library whose icons many buttons show is
// opened once per walk.
struct ButtonStrip::IconBatches {
    explicit IconBatches(int size) : icons(size), hotIcons(size) {}
    void Load(const std::string& icon, const std::string& hotIcon) {
        Add(icons, drawnIcons, icon);
        Add(hotIcons, drawnHotIcons, hotIcon);
    }
    SmallIconBatch icons;
    SmallIconBatch hotIcons;

private:
    using Drawn = std::unordered_map<std::string, int>; // location -> its image in the batch
    void Add(SmallIconBatch& batch, Drawn& drawn, const std::string& location) {
        if (auto found = drawn.find(location); found != drawn.end()) {
            batch.Repeat(found->second);
            return;
        }
        // The loaded icon goes when it leaves scope; the batch keeps a small drawing of it.
        batch.Add(loads.Load(location).get());
        drawn.emplace(location, batch.Count() - 1);
    }
    Drawn drawnIcons;
    Drawn drawnHotIcons;
    IconLoads loads;
};

// --- creation ---

void ButtonStrip::Create(HWND pageWindow, UINT dpi) {
    dpi_ = dpi;
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExA(ui::Instance(), kViewClass, &existing)) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &ViewProcedure;
        wc.hInstance = ui::Instance();
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kViewClass;
        RegisterClassExA(&wc);
    }
    view_ = CreateWindowExA(WS_EX_CONTROLPARENT, kViewClass, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                            0, 0, 0, OneRowStripHeight(dpi_), pageWindow,
                            reinterpret_cast<HMENU>(IDC_STRIPVIEW), ui::Instance(), this);
    if (!view_) throw std::runtime_error(ui::Text(IDS_BUTTON_STRIP_NOT_MADE));
    toolBar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TBSTYLE_FLAT |
                                   TBSTYLE_WRAPABLE | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                                   CCS_NOPARENTALIGN | CCS_NODIVIDER,
                               0, 0, 0, OneRowStripHeight(dpi_) - 2 * kBorder, view_,
                               reinterpret_cast<HMENU>(IDC_TOOLBAR2), ui::Instance(), nullptr);
    if (!toolBar_) throw std::runtime_error(ui::Text(IDS_BUTTON_STRIP_NOT_MADE));
    SendMessageA(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // Its clicks and hints go to the page, not to the frame around it.
    SendMessageA(toolBar_, TB_SETPARENT, reinterpret_cast<WPARAM>(pageWindow), 0);
    // The buttons carry their records' texts, not shown on them: screen readers announce each
    // button by its text, as the hint shows it.
    SendMessageA(toolBar_, TB_SETMAXTEXTROWS, 0, 0);
    SetWindowSubclass(toolBar_, &Keys, kKeysSubclass, reinterpret_cast<DWORD_PTR>(this));
    SetPictureSize();
    // Hints show a record's text as stored: "&Highlight Selection" keeps its ampersand.
    if (HWND tips = reinterpret_cast<HWND>(SendMessageA(toolBar_, TB_GETTOOLTIPS, 0, 0))) {
        SetWindowLongPtrA(tips, GWL_STYLE, GetWindowLongPtrA(tips, GWL_STYLE) | TTS_NOPREFIX);
        SetHintWidth();
    }
    // The strip is first in the page's tab order, above the fields.
    SetWindowPos(view_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ButtonStrip::SetDpi(UINT dpi) {
    dpi_ = dpi;
    SetPictureSize();
    SetHintWidth();
}

void ButtonStrip::SetHintWidth() {
    // A hint takes lines: the record's text, then where the record lives; a long text wraps
    // instead of reaching across the screen.
    if (HWND tips = reinterpret_cast<HWND>(SendMessageA(toolBar_, TB_GETTOOLTIPS, 0, 0)))
        SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, ui::Scale(kWidestHint, dpi_));
}

void ButtonStrip::SetPictureSize() {
    iconSize_ = ui::SystemMetric(SM_CXSMICON, dpi_);
    UniqueImageList icons(ImageList_Create(iconSize_, iconSize_, ILC_COLOR32 | ILC_MASK, 0, 16));
    UniqueImageList hotIcons(ImageList_Create(iconSize_, iconSize_, ILC_COLOR32 | ILC_MASK, 0, 16));
    SendMessageA(toolBar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(iconSize_, iconSize_));
    SendMessageA(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(icons.get()));
    SendMessageA(toolBar_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hotIcons.get()));
    SendMessageA(toolBar_, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(std::max(ui::Scale(kButtonWidth, dpi_), iconSize_ + 4),
                            std::max(ui::Scale(kStripButtonHeight, dpi_), iconSize_ + 4)));
    icons_ = std::move(icons);
    hotIcons_ = std::move(hotIcons);
}

// --- listing ---

std::exception_ptr ButtonStrip::WalkListed(std::vector<Listed>& found) {
    ImageList_RemoveAll(icons_.get());
    ImageList_RemoveAll(hotIcons_.get());
    currentUserButtons_.clear();
    IconBatches batches(iconSize_);
    std::exception_ptr failure;
    try {
        // From the end of the listed order: the strip shows the records in the reverse order of
        // the walk, and a failure part-way keeps the buttons of the strip's end.
        auto listed = [&](const std::string& name, RegistryAccessor& record) {
            const ListedButton button = ReadListedButton(record);
            found.push_back({name, HintText(button.text), button.place});
            if (record.Root() == HKEY_CURRENT_USER) currentUserButtons_.push_back(name);
            // The browser expands icon locations stored as expandable strings, and so does the
            // strip.
            const IconLocations icons = ReadIconLocations(record);
            batches.Load(icons.icon, icons.hotIcon);
        };
        WalkButtonsInListedOrder(host_.Registry(), page_.onlyOwn(), true, listed);
    } catch (...) {
        failure = std::current_exception();
    }
    // Image i belongs to record i of the walk.
    batches.icons.AppendTo(icons_.get());
    batches.hotIcons.AppendTo(hotIcons_.get());
    return failure;
}

std::exception_ptr ButtonStrip::List() {
    SendMessageA(toolBar_, WM_SETREDRAW, FALSE, 0);
    std::vector<Listed> found;
    std::exception_ptr failure = WalkListed(found);
    const bool changed = Replace(found);
    SendMessageA(toolBar_, WM_SETREDRAW, TRUE, 0);
    // The same buttons as before need no new layout, only their pictures painted again.
    if (changed)
        Finish();
    else
        InvalidateRect(toolBar_, nullptr, TRUE);
    return failure;
}

bool ButtonStrip::Refresh(std::exception_ptr& failure) {
    std::vector<Listed> found;
    failure = WalkListed(found);
    // Record i of the walks belongs to the strip button i places from the strip's end (the
    // strip's own order is the reverse of the walks), and image i is again its image.
    const int buttons = Empty() ? 0 : Count();
    bool matches = !failure && static_cast<int>(found.size()) == buttons;
    for (int i = 0; matches && i < buttons; ++i)
        matches = buttons_[buttons - 1 - i].keyName == found[i].keyName;
    if (matches) {
        for (int i = 0; i < buttons; ++i) {
            buttons_[buttons - 1 - i].hint = found[i].hint;
            buttons_[buttons - 1 - i].place = found[i].place;
            SetButtonText(buttons - 1 - i);
        }
    }
    InvalidateRect(toolBar_, nullptr, TRUE);
    return matches;
}

int ButtonStrip::NextCommand() {
    int command = kFirstCommand + nextCommand_++;
    return std::min(command, kLastCommand);
}

bool ButtonStrip::Replace(const std::vector<Listed>& records) {
    // The strip shows the records in the reverse order of the walks: position p is record
    // n - 1 - p, and its image is the one appended for that record. The buttons already there
    // are given their new record in place and only the difference is deleted or added: the
    // control lays itself out again on every deletion, so deleting a long strip button by
    // button before listing it again cost as much as the listing's reads.
    const int wanted = static_cast<int>(records.size());
    int present = static_cast<int>(SendMessageA(toolBar_, TB_BUTTONCOUNT, 0, 0));
    bool changed = present != wanted;
    while (present > wanted) SendMessageA(toolBar_, TB_DELETEBUTTON, --present, 0);
    // A button that already shows what it should is left alone: the control lays itself out
    // again on every change, and a listing after a save mostly finds the same records. What a
    // button shows is known from the strip's own list, which follows every change made to the
    // control: asking the control, button by button, cost a fifth of a listing of 400 buttons
    // that share their icons.
    std::vector<Button> before = std::move(buttons_);
    buttons_.clear();
    nextCommand_ = 0;
    std::vector<TBBUTTON> added;
    for (int position = 0; position < wanted; ++position) {
        const Listed& record = records[wanted - 1 - position];
        Button button{record.keyName, record.hint, record.place, NextCommand(),
                      wanted - 1 - position};
        const TBBUTTON item = RecordButton(button.image, button.command, record.hint);
        if (position >= present) {
            added.push_back(item);
        } else if (position >= static_cast<int>(before.size()) ||
                   before[position].hint != button.hint ||
                   before[position].command != button.command ||
                   before[position].image != button.image) {
            changed = true;
            TBBUTTONINFOA info{};
            info.cbSize = sizeof info;
            info.dwMask =
                TBIF_BYINDEX | TBIF_COMMAND | TBIF_IMAGE | TBIF_STATE | TBIF_STYLE | TBIF_TEXT;
            info.idCommand = item.idCommand;
            info.iImage = item.iBitmap;
            info.fsState = item.fsState;
            info.fsStyle = item.fsStyle;
            info.pszText = const_cast<char*>(record.hint.c_str());
            SendMessageA(toolBar_, TB_SETBUTTONINFOA, position, reinterpret_cast<LPARAM>(&info));
        }
        buttons_.push_back(std::move(button));
    }
    // One insertion for the rest: the control lays itself out once, not once per button.
    if (!added.empty())
        SendMessageA(toolBar_, TB_ADDBUTTONSA, added.size(),
                     reinterpret_cast<LPARAM>(added.data()));
    return changed;
}

void ButtonStrip::AddPlaceholder() {
    TBBUTTON item{};
    item.iBitmap = I_IMAGENONE;
    item.idCommand = 0;
    item.fsState = 0; // disabled
    item.fsStyle = BTNS_BUTTON;
    item.iString = -1;
    SendMessageA(toolBar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&item));
    buttons_.push_back(Button{});
    Finish();
}

int ButtonStrip::Find(const std::string& keyName) const {
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i].command != 0 && buttons_[i].keyName == keyName) return static_cast<int>(i);
    return -1;
}

int ButtonStrip::FindCommand(int command) const {
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i].command != 0 && buttons_[i].command == command) return static_cast<int>(i);
    return -1;
}

void ButtonStrip::SetButtonText(int position) {
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
    info.pszText = const_cast<char*>(buttons_.at(position).hint.c_str());
    SendMessageA(toolBar_, TB_SETBUTTONINFOA, position, reinterpret_cast<LPARAM>(&info));
}

void ButtonStrip::Finish() {
    if (page_.changed) page_.changed();
    InvalidateRect(toolBar_, nullptr, TRUE);
}

std::string ButtonStrip::Tip(int position) const {
    const Button& button = buttons_.at(position);
    if (button.command == 0) return "";
    const std::string place = PlaceText(button.place);
    return button.hint.empty() ? place : button.hint + "\r\n" + place;
}

bool ButtonStrip::HintAsked(NMHDR& header) {
    if (header.code != TTN_GETDISPINFOA && header.code != TTN_GETDISPINFOW) return false;
    const int position = FindCommand(static_cast<int>(header.idFrom));
    if (position < 0) return false;
    // The tooltip shows the text it is handed until it asks again.
    tip_ = Tip(position);
    if (header.code == TTN_GETDISPINFOA) {
        auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
        info.lpszText = tip_.data();
    } else {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        wideHint_ = WidenText(tip_);
        info.lpszText = wideHint_.data();
    }
    return true;
}

// --- layout and scrolling ---

int ButtonStrip::RowHeight() const {
    return std::max(1, static_cast<int>(HIWORD(SendMessageA(toolBar_, TB_GETBUTTONSIZE, 0, 0))));
}

int ButtonStrip::ContentHeight() const {
    int rows = std::max<int>(1, static_cast<int>(SendMessageA(toolBar_, TB_GETROWS, 0, 0)));
    // The strip's buttons may lie lower than rows times their height (wrapped rows have gaps
    // in some versions of the control): the last button's bottom is what must be reachable.
    int bottom = rows * RowHeight();
    for (int i = Count() - 1; i >= 0; --i) {
        RECT item;
        if (SendMessageA(toolBar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item))) {
            bottom = std::max<int>(bottom, item.bottom);
            break;
        }
    }
    return bottom;
}

int ButtonStrip::Height() const {
    RECT view;
    GetWindowRect(view_, &view);
    return view.bottom - view.top;
}

int ButtonStrip::LayOutButtons(int width) {
    RECT now;
    GetWindowRect(toolBar_, &now);
    // The control lays its buttons out (wrapping them) for its width; then the height follows.
    SetWindowPos(toolBar_, nullptr, 0, 0, std::max(width, 0), now.bottom - now.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(toolBar_, TB_AUTOSIZE, 0, 0);
    return ContentHeight();
}

int ButtonStrip::LayOut(int left, int top, int width, int rowsShown) {
    const int inner = std::max(0, width - 2 * kBorder);
    const int tallest = rowsShown * RowHeight();
    int content = LayOutButtons(inner);
    const bool scrolls = content > tallest;
    if (scrolls) content = LayOutButtons(inner - ui::SystemMetric(SM_CXVSCROLL, dpi_));
    const int height = std::min(content, tallest) + 2 * kBorder;
    ShowScrollBar(view_, SB_VERT, scrolls ? TRUE : FALSE);
    SetWindowPos(view_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetScroll(scroll_);
    return height;
}

void ButtonStrip::SetScroll(int offset) {
    RECT view;
    GetClientRect(view_, &view);
    const int content = ContentHeight();
    const int most = std::max(0, content - static_cast<int>(view.bottom));
    scroll_ = std::clamp(offset, 0, most);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(0, content - 1);
    info.nPage = static_cast<UINT>(std::max<LONG>(view.bottom, 0));
    info.nPos = scroll_;
    SetScrollInfo(view_, SB_VERT, &info, TRUE);
    RECT bar;
    GetWindowRect(toolBar_, &bar);
    SetWindowPos(toolBar_, nullptr, 0, -scroll_, bar.right - bar.left, content,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ButtonStrip::ScrollBy(UINT message, WPARAM wParam) {
    const int row = RowHeight();
    RECT view;
    GetClientRect(view_, &view);
    int offset = scroll_;
    if (message == WM_MOUSEWHEEL) {
        offset -= GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * row;
    } else {
        switch (LOWORD(wParam)) {
        case SB_LINEUP: offset -= row; break;
        case SB_LINEDOWN: offset += row; break;
        case SB_PAGEUP: offset -= std::max<int>(row, view.bottom - row); break;
        case SB_PAGEDOWN: offset += std::max<int>(row, view.bottom - row); break;
        case SB_TOP: offset = 0; break;
        case SB_BOTTOM: offset = ContentHeight(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(view_, SB_VERT, &info);
            offset = info.nTrackPos / row * row;
            break;
        }
        default: return;
        }
    }
    SetScroll(offset);
}

void ButtonStrip::Reveal(int position) {
    RECT item, view, bar;
    GetClientRect(view_, &view);
    GetWindowRect(toolBar_, &bar);
    // Unscrolled, with all of the strip in the frame, every button is in view already.
    if (scroll_ == 0 && bar.bottom - bar.top <= view.bottom) return;
    if (!SendMessageA(toolBar_, TB_GETITEMRECT, position, reinterpret_cast<LPARAM>(&item))) return;
    if (item.top < scroll_)
        SetScroll(item.top);
    else if (item.bottom > scroll_ + view.bottom)
        SetScroll(item.bottom - view.bottom);
}

// --- keys ---

int ButtonStrip::Beside(int from, UINT key) const {
    const int last = Count() - 1;
    switch (key) {
    case VK_LEFT: return std::max(from - 1, 0);
    case VK_RIGHT: return std::min(from + 1, last);
    case VK_HOME: return 0;
    case VK_END: return last;
    case VK_UP:
    case VK_DOWN: {
        // The button of the row above or below that lies nearest across.
        RECT at;
        if (!SendMessageA(toolBar_, TB_GETITEMRECT, from, reinterpret_cast<LPARAM>(&at)))
            return from;
        const int centre = (at.left + at.right) / 2;
        const int step = key == VK_UP ? -1 : 1;
        int best = from;
        int bestRowTop = -1;
        int bestDistance = 0;
        for (int i = from + step; i >= 0 && i <= last; i += step) {
            RECT item;
            if (!SendMessageA(toolBar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item)))
                continue;
            if (item.top == at.top) continue;                     // the same row
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
    default: return from;
    }
}

bool ButtonStrip::KeyDown(UINT key) {
    const bool moves = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN ||
                       key == VK_HOME || key == VK_END;
    const bool shows = key == VK_RETURN || key == VK_SPACE;
    if (!moves && !shows) return false;
    if (Empty()) return true; // only the placeholder
    int hot = static_cast<int>(SendMessageA(toolBar_, TB_GETHOTITEM, 0, 0));
    // Without a marked button the keys start from the record shown.
    if (hot < 0 || hot >= Count()) hot = std::max(Find(page_.shownKey()), 0);
    if (moves) {
        hot = Beside(hot, key);
        SendMessageA(toolBar_, TB_SETHOTITEM, hot, 0);
        Reveal(hot);
        return true;
    }
    page_.showButton(hot);
    return true;
}

void ButtonStrip::Focused() {
    // The keyboard arrives at the button of the record shown.
    const int shown = Find(page_.shownKey());
    if (shown < 0) return;
    SendMessageA(toolBar_, TB_SETHOTITEM, shown, 0);
    Reveal(shown);
}

} // namespace qm
