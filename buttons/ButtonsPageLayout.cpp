#include "buttons/ButtonsPage.h"

#include "buttons/ButtonRecord.h"
#include "buttons/IconLoader.h"
#include "registry/RegistryAccessor.h"
#include "ui/AccessibleName.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Dpi.h"
#include "ui/Layout.h"
#include "ui/PageHost.h"
#include "ui/Placement.h"
#include "ui/Texts.h"

#include "resource.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

// The button page's controls: where they go as the strip grows and the DPI changes, the hints
// of the two choices, and the icon previews.

namespace qm {
namespace {

// The strip's place on the page, in pixels at 96 DPI: inset from the page's edges like the
// fields.
constexpr int kStripTop = 4;
constexpr int kGapBelowStrip = 6;
// The strip shows at most this many rows and scrolls through the others, so that the fields
// below it stay on the screen however many buttons there are.
constexpr int kStripRowsShown = 4;

// The previews at 96 DPI: a 41 x 41 sunken frame around a 33 x 33 picture area.
constexpr int kPreviewFrame = 41;
constexpr int kPreviewArea = 33;

} // namespace

void ButtonsPage::FormCreate() {
    dpi_ = ui::WindowDpi(hwnd());
    // Where the template puts each control. The controls move down as the strip grows, and
    // the fields and their buttons keep to the page's right edge when the page is wider than
    // its template (the dialog font decides how wide the template comes out).
    for (int id : {IDC_IMAGE1, IDC_IMAGE2}) {
        // The previews are sized in pixels, not in dialog units.
        const int frame = ui::Scale(kPreviewFrame, dpi_);
        SetWindowPos(Item(id), nullptr, 0, 0, frame, frame,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT page;
    GetClientRect(hwnd(), &page);
    templateWidth_ = page.right;
    templateTop_ = page.bottom;
    std::vector<std::pair<int, ui::RightAnchors::Kind>> anchored;
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        ui::RightAnchors::Kind kind = ui::RightAnchors::Stay;
        if (id == IDC_STATICTEXT1 || id == IDC_BUTTONPLACE ||
            std::any_of(kButtonFields.begin(), kButtonFields.end(),
                        [&](const ButtonFieldRule& rule) { return rule.control == id; }))
            kind = ui::RightAnchors::Stretch;
        else if (id == IDC_EXECBROWSE || id == IDC_SCRIPTBROWSE || id == IDC_ICONBROWSE ||
                 id == IDC_HOTICONBROWSE)
            kind = ui::RightAnchors::Move;
        anchored.emplace_back(id, kind);
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&place), 2);
        if (kind == ui::RightAnchors::Stretch)
            fieldsRight_ = std::max<int>(fieldsRight_, place.right);
        templateTop_ = std::min<int>(templateTop_, place.top);
    }
    anchors_.Attach(hwnd(), anchored);

    iconEnter_ = [this] { IconEditKeyPress(); };
    hotIconEnter_ = [this] { HotIconEditKeyPress(); };
    // Enter in IconEdit and HotIconEdit previews the icon; the key then goes on to the field.
    ui::CallOnEnter(Item(IDC_ICONEDIT), &iconEnter_);
    ui::CallOnEnter(Item(IDC_HOTICONEDIT), &hotIconEnter_);

    strip_.Create(hwnd(), dpi_);
    CreateHints();
    // The two fields follow their choices, not a label: a screen reader reads the choice's words.
    ui::SetAccessibleName(Item(IDC_EXECEDIT), ui::GetText(Item(IDC_EXEC)));
    ui::SetAccessibleName(Item(IDC_SCRIPTEDIT), ui::GetText(Item(IDC_SCRIPT)));
    LayoutStrip();
}

void ButtonsPage::CreateHints() {
    hints_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                             ui::Instance(), nullptr);
    if (!hints_) return; // the choices work without their hints
    // The tooltip control keeps a copy of each text.
    const std::string exec = ui::Text(IDS_BUTTON_EXEC_HINT);
    const std::string script = ui::Text(IDS_BUTTON_SCRIPT_HINT);
    const std::pair<int, const char*> tools[] = {{IDC_EXEC, exec.c_str()},
                                                 {IDC_SCRIPT, script.c_str()}};
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

int ButtonsPage::StripRowsShown() const {
    // A few rows, fewer when the main window would otherwise reach below its monitor's work
    // area; at least one.
    int rows = kStripRowsShown;
    HWND main = host_.MainWindow();
    RECT window;
    if (main && GetWindowRect(main, &window)) {
        const RECT work = ui::WorkAreaOf(main);
        const int grown = std::max(0, reportedStripHeight_ - OneRowStripHeight(dpi_));
        const int oneRowWindow = window.bottom - window.top - grown;
        const int room = work.bottom - work.top - oneRowWindow;
        rows = std::min(rows, 1 + std::max(0, room) / strip_.RowHeight());
    }
    return std::max(rows, 1);
}

void ButtonsPage::LayoutStrip() {
    if (!strip_.ToolBar()) return;
    RECT page;
    GetClientRect(hwnd(), &page);
    RECT margin{4, 0, 0, 0};
    MapDialogRect(hwnd(), &margin);
    // The strip lines up with the fields on both sides.
    const int rightMargin = fieldsRight_ > 0 ? templateWidth_ - fieldsRight_ : margin.left;
    const int width = std::max<int>(0, page.right - rightMargin - margin.left);
    const int height =
        strip_.LayOut(margin.left, ui::Scale(kStripTop, dpi_), width, StripRowsShown());
    if (height != reportedStripHeight_ || page.right != placedWidth_) PlaceFields(height);
    if (height == reportedStripHeight_) return;
    reportedStripHeight_ = height;
    host_.PageGrew(ui::kPageButtons, height - OneRowStripHeight(dpi_));
}

void ButtonsPage::PlaceFields(int stripHeight) {
    RECT page;
    GetClientRect(hwnd(), &page);
    placedWidth_ = page.right;
    anchors_.Apply(ui::Scale(kStripTop, dpi_) + stripHeight + ui::Scale(kGapBelowStrip, dpi_) -
                   templateTop_);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void ButtonsPage::DpiChanged(UINT oldDpi, UINT newDpi) {
    if (oldDpi == 0 || newDpi == 0 || oldDpi == newDpi) return;
    // Windows has placed the controls anew for the new DPI; the places recorded from the
    // template follow in proportion.
    auto scale = [&](LONG value) { return static_cast<LONG>(MulDiv(value, newDpi, oldDpi)); };
    anchors_.Rescale(oldDpi, newDpi);
    templateWidth_ = scale(templateWidth_);
    templateTop_ = scale(templateTop_);
    fieldsRight_ = scale(fieldsRight_);
    dpi_ = newDpi;

    // The strip's icons at the new small-icon size, read again for the buttons it shows; the
    // fields and their flags are left as they are.
    strip_.SetDpi(newDpi);
    host_.ResetRegistry();
    std::exception_ptr failure;
    if (!strip_.Refresh(failure)) PostRebuild();
    placedWidth_ = -1;
    reportedStripHeight_ = 0;
    LayoutStrip();
    InvalidateRect(hwnd(), nullptr, TRUE);
}

// --- the icon previews ---

std::string ButtonsPage::IconLocationOf(int editId, const std::string* shown) const {
    const char* value = editId == IDC_ICONEDIT ? kIconValue : kHotIconValue;
    // A location too long to edit names no file the platform can open.
    if (shown_.values.TooLong(value)) return {};
    const std::optional<RawValue>& stored = shown_.values.Stored(value);
    return RegistryAccessor::ExpandedText(shown ? *shown : ui::GetText(Item(editId)),
                                          stored ? stored->type : DWORD{REG_NONE});
}

void ButtonsPage::BrowseIcon(int editId, UniqueIcon& preview, int imageId) {
    openDialog1_.filter = ui::Text(IDS_FILTER_ICONS);
    if (!ui::AppDialogs().RunFileDialog(host_.MainWindow(), ui::FileDialogKind::Open, openDialog1_))
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

void ButtonsPage::SetPreview(UniqueIcon& preview, int imageId, UniqueIcon icon) {
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
    DrawIconEx(item.hDC, frame.left + inset, frame.top + inset, icon, 0, 0, 0, nullptr, DI_NORMAL);
    RestoreDC(item.hDC, saved);
}

} // namespace qm
