#include "app/Main.h"
#include "app/HistoryForm.h"
#include "app/SingleInstance.h"

#include "appearance/BackgroundsPage.h"
#include "appearance/WindowAttributesPage.h"
#include "base/Text.h"
#include "buttons/ButtonsPage.h"
#include "menuext/ContextMenuPage.h"
#include "transfer/TransferCommands.h"
#include "ui/Dialogs.h"
#include "ui/Dpi.h"
#include "ui/Drawing.h"
#include "ui/Layout.h"
#include "ui/Placement.h"
#include "ui/TabbedKeys.h"
#include "ui/Texts.h"

#include "Version.h"
#include "resource.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>

namespace qm {
namespace {

constexpr const char* kMainClass = "TForm1";
constexpr const char* kCaption = "Quillmere version " QM_VERSION_TEXT;
// Sizes at 96 DPI; the window scales them by its own DPI.
constexpr int kClientWidth = 522;
// The client height until the pages exist; then the pages' controls decide it.
constexpr int kClientHeight = 440;
constexpr int kMinimumWidth = 530;
// Below the lowest control of the tallest page.
constexpr int kPageMargin = 4;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr COLORREF kTransparent = RGB(255, 0, 255);

struct TabSpec {
    const char* caption;
    int viewCommand;
    const char* helpTopic; // the page of the help that F1 and Help - Content open
};
constexpr std::array<TabSpec, TForm1::kPageCount> kTabs{{
    {"Standard Toolbar Buttons", IDM_VIEWSTDBTN, "buttons.htm"},
    {"Context Menu", IDM_VIEWCONTEXTMENU, "contextmenu.htm"},
    {"Backgrounds", IDM_VIEWTBBACKGROUND, "backgrounds.htm"},
    {"Window Attributes", IDM_VIEWWINDOWTITLE, "windowattributes.htm"},
}};

// The tool bar's buttons, left to right, with their hints; Refresh is followed by a separator.
struct ToolSpec {
    int command;
    const char* hint;
};
constexpr std::array<ToolSpec, 4> kToolButtons{{
    {IDM_REFRESH, "Refresh"},
    {IDM_ADD, "Add"},
    {IDM_SAVE, "Save"},
    {IDM_DELETE, "Delete"},
}};

// A strip of pictures (IDB_TOOLBAR_NORMAL ...) drawn at that size (16, 20, 24 or 32 pixels).
UniqueImageList LoadStrip(int bitmapId, int size) {
    return UniqueImageList(
        ImageList_LoadImageA(ui::Instance(), MAKEINTRESOURCEA(ui::PictureResource(bitmapId, size)),
                             size, 0, kTransparent, IMAGE_BITMAP, LR_CREATEDIBSECTION));
}

// One image of a list drawn on the menu's own colour, for a menu item.
UniqueBitmap MenuBitmap(HIMAGELIST images, int index) {
    int width = 16, height = 16;
    ImageList_GetIconSize(images, &width, &height);
    UniqueBitmap bitmap(CreateCompatibleBitmap(ScreenDc().get(), width, height));
    ui::MemoryDC dc(nullptr, bitmap.get());
    if (!dc) return bitmap;
    RECT area{0, 0, width, height};
    FillRect(dc.dc(), &area, GetSysColorBrush(COLOR_MENU));
    ImageList_Draw(images, index, dc.dc(), 0, 0, ILD_TRANSPARENT);
    return bitmap;
}

} // namespace

TForm1::TForm1(bool endsApplication) : endsApplication_(endsApplication) {
    transfer_ =
        std::make_unique<transfer::ToolBarTransfer>(*this, [this] { RebuildButtonStrip(); });
    RegisterClassOnce(kMainClass, 0, LoadIconA(ui::Instance(), MAKEINTRESOURCEA(IDI_QUILLMERE)),
                      GetSysColorBrush(COLOR_BTNFACE));
    HMENU menu = LoadMenuA(ui::Instance(), MAKEINTRESOURCEA(IDM_MAINMENU));
    // Made at the system's DPI, then sized for the DPI of the monitor it is on.
    dpi_ = ui::SystemDpi();
    const SIZE size = OneRowWindowSize();
    const POINT place = ui::CentredIn(ui::WorkAreaOf(nullptr), size);
    // The one version from the start: boxes shown while the program starts are under it too.
    Create(kMainClass, kCaption, kStyle, 0, place.x, place.y, size.cx, size.cy, nullptr, menu);
    if (!hwnd()) {
        DestroyMenu(menu);
        throw std::runtime_error("The main window cannot be created");
    }
    // A second start of the program finds this window and brings it to the front.
    if (endsApplication_) MarkMainWindow(hwnd());
    accelerators_ = LoadAcceleratorsA(ui::Instance(), MAKEINTRESOURCEA(IDA_MAIN));
    dpi_ = ui::WindowDpi(hwnd());
    oneRowWindowHeight_ = OneRowWindowSize().cy;
    font_ = ui::CreateDialogFont(dpi_);

    CreateToolBar();
    CreatePageControl();
    AttachMenuImages();
    CreatePages();
    LayoutControls(); // the tabs take their rows at the window's width before they are measured
    oneRowWindowHeight_ = OneRowWindowSize().cy;
    SetWindowPos(hwnd(), nullptr, 0, 0, OneRowWindowSize().cx, oneRowWindowHeight_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutControls();
    SetCommandStates();
    aboutForm_ = std::make_unique<TAboutForm>(hwnd());
}

SIZE TForm1::OneRowWindowSize() const {
    SIZE size = ui::WindowSizeForClient(ui::Scale(kClientWidth, dpi_), ClientHeightForPages(),
                                        kStyle, 0, true, dpi_);
    size.cx = std::max<LONG>(size.cx, ui::Scale(kMinimumWidth, dpi_));
    return size;
}

int TForm1::ClientHeightForPages() const {
    // The fonts do not grow exactly with the DPI, and the pages' templates grow with the
    // fonts: a height fixed in pixels would leave a band below the pages at one scale and cut
    // them at another. The window holds the tallest page's controls instead, the button page's
    // with a one-row strip (further rows add to the window).
    int content = 0;
    for (int i = 0; i < kPageCount; ++i) {
        if (!pages_[i] || !pages_[i]->hwnd()) return ui::Scale(kClientHeight, dpi_);
        int bottom = ui::LowestControlBottom(pages_[i]->hwnd());
        bottom -= grown_[i];
        content = std::max(content, bottom);
    }
    RECT bar;
    GetWindowRect(toolBar1_, &bar);
    RECT client;
    GetClientRect(hwnd(), &client);
    constexpr int kTall = 0x4000;
    RECT display{0, 0, std::max<LONG>(client.right, ui::Scale(kClientWidth, dpi_)), kTall};
    TabCtrl_AdjustRect(pageControl1_, FALSE, &display);
    return (bar.bottom - bar.top) + display.top + content + ui::Scale(kPageMargin, dpi_) +
           (kTall - display.bottom);
}

TForm1::~TForm1() {
    // The pages and the image lists must outlive the windows that show them.
    if (hwnd()) DestroyWindow(hwnd());
}

void TForm1::CreatePages() {
    pages_[ui::kPageButtons] = std::make_unique<ButtonsPage>(*this);
    pages_[ui::kPageContextMenu] = std::make_unique<ContextMenuPage>(*this);
    pages_[ui::kPageBackgrounds] = std::make_unique<BackgroundsPage>(*this);
    pages_[ui::kPageWindowAttributes] = std::make_unique<WindowAttributesPage>(*this);
    for (auto& page : pages_) {
        page->Create(hwnd());
        if (!page->hwnd()) throw std::runtime_error("A page of the main window cannot be created");
    }
}

void TForm1::CreateToolBar() {
    toolBar1_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT |
                                    TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER,
                                0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(IDC_TOOLBAR1),
                                ui::Instance(), nullptr);
    SendMessageA(toolBar1_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    LoadToolPictures();

    std::vector<TBBUTTON> buttons;
    for (size_t i = 0; i < kToolButtons.size(); ++i) {
        TBBUTTON button{};
        button.iBitmap = static_cast<int>(i);
        button.idCommand = kToolButtons[i].command;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON;
        button.iString = -1;
        buttons.push_back(button);
        if (i == 0) {
            TBBUTTON separator{};
            separator.fsStyle = BTNS_SEP;
            separator.iString = -1;
            buttons.push_back(separator);
        }
    }
    SendMessageA(toolBar1_, TB_ADDBUTTONSA, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(toolBar1_, TB_AUTOSIZE, 0, 0);
}

void TForm1::LoadToolPictures() {
    const int size = ui::PictureSize(dpi_);
    UniqueImageList normal = LoadStrip(IDB_TOOLBAR_NORMAL, size);
    UniqueImageList hot = LoadStrip(IDB_TOOLBAR_HOT, size);
    SendMessageA(toolBar1_, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
    SendMessageA(toolBar1_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(normal.get()));
    SendMessageA(toolBar1_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hot.get()));
    // The lists the tool bar showed until now go only after it has the new ones.
    toolImages_ = std::move(normal);
    toolHotImages_ = std::move(hot);
}

void TForm1::CreatePageControl() {
    pageControl1_ = CreateWindowExA(
        0, WC_TABCONTROLA, nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TCS_MULTILINE, 0, 0, 0, 0, hwnd(),
        reinterpret_cast<HMENU>(IDC_PAGECONTROL1), ui::Instance(), nullptr);
    SendMessageA(pageControl1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    tabImages_ = LoadStrip(IDB_TABS, ui::PictureSize(dpi_));
    TabCtrl_SetImageList(pageControl1_, tabImages_.get());
    for (int i = 0; i < kPageCount; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<char*>(kTabs[i].caption);
        item.iImage = i;
        SendMessageA(pageControl1_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
}

void TForm1::AttachMenuImages() {
    UniqueImageList menuStrip = LoadStrip(IDB_MENU, ui::PictureSize(dpi_));
    struct Picture {
        int command;
        HIMAGELIST images;
        int index;
    };
    const Picture pictures[] = {
        {IDM_IMPORTTOOLBARSINFO1, menuStrip.get(), 0},
        {IDM_EXPORTTOOLBARSINFO1, menuStrip.get(), 1},
        {IDM_REFRESH, toolImages_.get(), 0},
        {IDM_ADD, toolImages_.get(), 1},
        {IDM_SAVE, toolImages_.get(), 2},
        {IDM_DELETE, toolImages_.get(), 3},
        {IDM_VIEWSTDBTN, tabImages_.get(), 0},
        {IDM_VIEWCONTEXTMENU, tabImages_.get(), 1},
        {IDM_VIEWTBBACKGROUND, tabImages_.get(), 2},
        {IDM_VIEWWINDOWTITLE, tabImages_.get(), 3},
        {IDM_CONTENT, menuStrip.get(), 2},
        {IDM_ABOUT2, menuStrip.get(), 3},
    };
    HMENU menu = GetMenu(hwnd());
    std::vector<UniqueBitmap> images;
    for (const Picture& picture : pictures) {
        if (!picture.images) continue;
        images.push_back(MenuBitmap(picture.images, picture.index));
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_BITMAP;
        info.hbmpItem = images.back().get();
        SetMenuItemInfoA(menu, picture.command, FALSE, &info);
    }
    // The menu shows the new pictures now: the ones it showed before can go.
    menuImages_ = std::move(images);
}

void TForm1::LayoutControls() {
    if (!toolBar1_ || !pageControl1_) return;
    RECT client;
    GetClientRect(hwnd(), &client);
    SendMessageA(toolBar1_, TB_AUTOSIZE, 0, 0);
    RECT bar;
    GetWindowRect(toolBar1_, &bar);
    int top = bar.bottom - bar.top;
    MoveWindow(pageControl1_, 0, top, client.right, client.bottom - top, TRUE);
    RECT display{0, top, client.right, client.bottom};
    TabCtrl_AdjustRect(pageControl1_, FALSE, &display);
    for (auto& page : pages_) {
        if (page && page->hwnd())
            SetWindowPos(page->hwnd(), HWND_TOP, display.left, display.top,
                         display.right - display.left, display.bottom - display.top,
                         SWP_NOACTIVATE);
    }
}

void TForm1::Show(int showCommand, TLogoForm* splash) {
    ShowWindow(hwnd(), showCommand);
    // Under the guard like every handler, but reported only once the splash is gone, so that
    // the error box is not hidden behind it.
    std::exception_ptr failure;
    try {
        ShowPage(activePage_);
    } catch (const std::exception&) {
        failure = std::current_exception();
    }
    UpdateWindow(hwnd());
    if (splash) splash->Close();
    SetWindowTextA(hwnd(), kCaption);
    if (!failure) return;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        ui::ReportException(hwnd(), error);
    }
}

bool TForm1::TranslateKeyboard(MSG& message) {
    ui::TabbedWindowKeys keys;
    keys.frame = hwnd();
    keys.tabs = pageControl1_;
    keys.page = pages_[activePage_] ? pages_[activePage_]->hwnd() : nullptr;
    keys.accelerators = accelerators_;
    keys.modeless = aboutForm_ ? aboutForm_->hwnd() : nullptr;
    keys.pageCount = kPageCount;
    keys.activePage = activePage_;
    keys.changePage = [this](int index) { ChangePageByKeyboard(index); };
    return ui::RouteTabbedWindowKey(message, keys);
}

void TForm1::ChangePageByKeyboard(int index) {
    // The same road as a click on the tab: the save question for the page being left, then
    // the new page with its loading.
    PageControl1Changing();
    TabCtrl_SetCurSel(pageControl1_, index);
    PageControl1Change();
    // The keyboard stays with the window: never in a page that is now hidden.
    HWND focus = GetFocus();
    if (!focus || !IsWindowVisible(focus) || !IsChild(hwnd(), focus)) SetFocus(pageControl1_);
}

// --- pages and commands ---

void TForm1::ShowPage(int index, bool load) {
    activePage_ = index;
    TabCtrl_SetCurSel(pageControl1_, index);
    for (int i = 0; i < kPageCount; ++i) {
        if (i != index) ShowWindow(pages_[i]->hwnd(), SW_HIDE);
    }
    HWND page = pages_[index]->hwnd();
    SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    // Keys go to the page that can be seen, never to the hidden one left behind.
    FocusPage();
    SetCommandStates();
    if (load) pages_[index]->OnShow();
}

void TForm1::FocusPage() {
    HWND page = pages_[activePage_] ? pages_[activePage_]->hwnd() : nullptr;
    if (HWND first = page ? GetNextDlgTabItem(page, nullptr, FALSE) : nullptr) SetFocus(first);
}

void TForm1::Activated(WPARAM wParam, LPARAM lParam) {
    if (focus_.OnActivate(hwnd(), wParam)) return;
    DefaultHandling(WM_ACTIVATE, wParam, lParam);
    // Coming back to a control that is gone (a page left meanwhile) or to none yet: the
    // page's first control rather than the frame, where Tab would lead nowhere in particular.
    if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0 && GetFocus() == hwnd()) FocusPage();
}

void TForm1::ViewPage(int index) {
    // The View menu only switches pages and asks nothing, so it must not discard either: the
    // page already shown stays as it is, and a page that still holds unsaved edits (left
    // earlier through this menu) is shown with them instead of being loaded over them.
    if (index == activePage_) return;
    ShowPage(index, !flags_.IsPageModified(index));
}

bool TForm1::CommandEnabled(int command) const {
    switch (command) {
    case IDM_REFRESH:
    case IDM_ADD:
    case IDM_DELETE: return pages_[activePage_]->HasListCommands();
    default: return true;
    }
}

void TForm1::SetCommandStates() {
    for (int command : {IDM_REFRESH, IDM_ADD, IDM_SAVE, IDM_DELETE})
        EnableCommand(command, CommandEnabled(command));
}

void TForm1::EnableCommand(int command, bool enabled) {
    SendMessageA(toolBar1_, TB_ENABLEBUTTON, command, MAKELPARAM(enabled ? TRUE : FALSE, 0));
    EnableMenuItem(GetMenu(hwnd()), command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void TForm1::OnCommand(int command) {
    if (!CommandEnabled(command)) return; // an accelerator of a command the page lacks
    switch (command) {
    case IDM_REFRESH: ToolButton1Click(); break;
    case IDM_ADD: ToolButton2Click(); break;
    case IDM_SAVE: ToolButton3Click(); break;
    case IDM_DELETE: ToolButton4Click(); break;
    case IDM_UNDO: Undo1Click(); break;
    case IDM_HISTORY: History1Click(); break;
    case IDM_IMPORTTOOLBARSINFO1: ImportToolBarsInfo1Click(); break;
    case IDM_EXPORTTOOLBARSINFO1: ExportToolBarsInfo1Click(); break;
    case IDM_CONTENT: Content1Click(); break;
    case IDM_ABOUT2: About2Click(); break;
    default:
        for (int i = 0; i < kPageCount; ++i) {
            if (command == kTabs[i].viewCommand) ViewPage(i);
        }
        break;
    }
}

void TForm1::ToolButton1Click() { pages_[activePage_]->Refresh(); }

void TForm1::ToolButton2Click() {
    ui::Page& page = *pages_[activePage_];
    if (!page.HasListCommands()) return;
    std::optional<int> row = ChooseCategory();
    if (!row) return;
    page.Add(*row);
    // The user goes on with the new record: its first field, ready to be typed over.
    HWND first = page.FirstField();
    if (!ui::CanTakeFocus(first)) return;
    SetFocus(first);
    SendMessageA(first, EM_SETSEL, 0, -1);
}

void TForm1::ToolButton3Click() {
    ClearAllModified();
    pages_[activePage_]->Save();
}

void TForm1::ToolButton4Click() { pages_[activePage_]->Delete(); }

void TForm1::UpdateUndoItem(HMENU menu) {
    if (GetMenuState(menu, IDM_UNDO, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
    const std::vector<ChangeEntry> newest = ListChanges(1);
    std::string text = ui::Text(IDS_UNDO_NOTHING);
    if (!newest.empty()) {
        // The description holds names the user typed: an ampersand there is no access key.
        std::string what;
        for (char c : newest.front().what) what += c == '&' ? std::string("&&") : std::string(1, c);
        text = ui::Text(IDS_UNDO_MENU, {what});
    }
    text += "\tAlt+Backspace";
    ModifyMenuA(menu, IDM_UNDO,
                MF_BYCOMMAND | MF_STRING | (newest.empty() ? MF_GRAYED : MF_ENABLED), IDM_UNDO,
                text.c_str());
}

void TForm1::OfferSaveOfShownPage(HWND owner) {
    // The page shows the registry again after an undo: its edits are offered first.
    if (!flags_.IsPageModified(activePage_)) return;
    flags_.Mark(activePage_);
    flags_.OfferSave(activePage_, *pages_[activePage_], owner, false);
}

void TForm1::Undo1Click() {
    OfferSaveOfShownPage(hwnd());
    const std::vector<ChangeEntry> newest = ListChanges(1);
    if (newest.empty()) {
        ui::AppDialogs().ShowInformation(hwnd(), ui::Text(IDS_UNDO_NO_CHANGE));
        return;
    }
    UndoChange(newest.front());
}

void TForm1::UndoChange(const ChangeEntry& change, HWND owner) {
    if (!owner) owner = hwnd();
    OfferSaveOfShownPage(owner);
    const std::vector<std::string> changed = KeysChangedSince(change);
    if (!changed.empty()) {
        std::string keys;
        for (const std::string& key : changed) keys += (keys.empty() ? "" : ", ") + key;
        if (!ui::AppDialogs().AskYesNo(owner,
                                       ui::Text(IDS_UNDO_CHANGED_QUESTION, {change.what, keys})))
            return;
    }
    const RestoreResult result = RestoreChange(change);
    if (!result.restored)
        ui::AppDialogs().ShowError(owner, ui::Text(IDS_UNDO_FAILED, {change.what, result.failure}));
    // The pages show the registry as it is now; a page with unsaved edits keeps them.
    if (activePage_ != ui::kPageButtons) RebuildButtonStrip();
    if (!flags_.IsPageModified(activePage_)) {
        ui::Page& page = *pages_[activePage_];
        if (page.HasListCommands())
            page.Refresh();
        else
            page.OnShow();
    }
}

void TForm1::History1Click() {
    THistoryForm history(
        [this](const ChangeEntry& change, HWND owner) { UndoChange(change, owner); });
    history.ShowModal(hwnd());
}

std::optional<int> TForm1::ChooseCategory() { return conMenuDlgForm_.ShowModal(hwnd()); }

void TForm1::ImportToolBarsInfo1Click() { transfer_->ImportToolBarInfo(); }

void TForm1::ExportToolBarsInfo1Click() { transfer_->ExportToolBarInfo(); }

void TForm1::RebuildButtonStrip() {
    // An import concerns the button page alone: a save is offered only for that page's own
    // edits, and another page keeps its unsaved edits and its flag through the rebuild (the
    // listing clears every flag once it has filled the button fields).
    const std::array<bool, kPageCount> others = flags_.EditedPagesBut(ui::kPageButtons);
    std::exception_ptr failure;
    if (flags_.IsPageModified(ui::kPageButtons)) {
        flags_.Mark(ui::kPageButtons);
        try {
            OfferSave(ui::kPageButtons, false);
        } catch (...) {
            failure = std::current_exception(); // the strip still shows what was imported
        }
    }
    flags_.ClearAll();
    try {
        static_cast<ButtonsPage&>(*pages_[ui::kPageButtons]).ListButtons(-1);
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    for (int page = 0; page < kPageCount; ++page)
        if (others[page]) MarkModified(page);
    if (failure) std::rethrow_exception(failure);
}

void TForm1::Content1Click() {
    // The help opens at the topic of the page that is showing; its contents lead on from there.
    ui::AppDialogs().ShowHelp(
        hwnd(), ui::ProgramFolder() + "qmhelp.chm::/" + kTabs[activePage_].helpTopic, 0, 0);
}

void TForm1::About2Click() { aboutForm_->Show(); }

void TForm1::PageControl1Changing() {
    // Edits may have been left on another page through the View menu: the question is about
    // the first page in tab order that holds edits. Its answer clears that page's flag alone;
    // a page with edits still unasked keeps them, and shows them when it is shown again.
    OfferSaveOfFirstEditedPage();
}

void TForm1::OfferSaveOfFirstEditedPage() {
    if (std::optional<int> page = flags_.FirstEditedPage()) {
        flags_.Mark(*page); // another page's load may have cleared Modified alone
        OfferSave(*page, false);
    }
}

void TForm1::PageControl1Change() {
    int index = TabCtrl_GetCurSel(pageControl1_);
    if (index < 0 || index >= kPageCount) return;
    // A page that still holds edits nobody was asked about is shown with them, not loaded over
    // them.
    const bool load = !flags_.IsPageModified(index);
    ShowPage(index, load);
    SetCommandStates();
    if (load) pages_[index]->AfterTabChange();
}

void TForm1::FormClose() {
    // One question for each page with unsaved edits, in tab order. A page's own flag alone
    // counts here: loading another page (through the View menu, which asks nothing) clears
    // Modified, and the edits must not be lost without a question. The close is never refused,
    // also not when a save fails.
    for (int page = 0; page < kPageCount; ++page) {
        if (!flags_.IsPageModified(page)) continue;
        ui::Guarded(hwnd(), [&] {
            flags_.Mark(page);
            OfferSave(page, false);
        });
    }
    DestroyWindow(hwnd());
}

// --- PageHost ---

void TForm1::MarkModified(int page) { flags_.Mark(page); }

void TForm1::ClearModified(int page) { flags_.Clear(page); }

void TForm1::ClearAllModified() { flags_.ClearAll(); }

void TForm1::OfferSave(int page, bool refresh) {
    flags_.OfferSave(page, *pages_.at(page), hwnd(), refresh);
}

RegistryAccessor& TForm1::Registry() {
    if (!registry_) registry_ = std::make_unique<RegistryAccessor>();
    return *registry_;
}

RegistryAccessor& TForm1::ResetRegistry() {
    Registry().Reset();
    return *registry_;
}

void TForm1::PageGrew(int page, int extraHeight) {
    // Measured from the height the pages' templates need, so that a strip rebuilt row by row
    // always ends at the same window height.
    if (page < 0 || page >= kPageCount) return;
    grown_[page] = std::max(extraHeight, 0);
    const int height = oneRowWindowHeight_ + *std::max_element(grown_.begin(), grown_.end());
    RECT window;
    GetWindowRect(hwnd(), &window);
    if (window.bottom - window.top == height) return;
    SetWindowPos(hwnd(), nullptr, 0, 0, window.right - window.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- messages ---

void TForm1::DpiChanged(UINT dpi, const RECT& suggested) {
    // The window moved to a monitor of another DPI: its fonts, pictures and sizes follow. The
    // pages' dialogs are rescaled by Windows; each page then places what it sizes itself.
    const UINT oldDpi = dpi_;
    if (dpi == 0 || dpi == oldDpi) return;
    dpi_ = dpi;
    UniqueFont font = ui::CreateDialogFont(dpi_);
    SendMessageA(pageControl1_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    font_ = std::move(font);
    LoadToolPictures();
    SendMessageA(toolBar1_, TB_AUTOSIZE, 0, 0);
    UniqueImageList tabs = LoadStrip(IDB_TABS, ui::PictureSize(dpi_));
    TabCtrl_SetImageList(pageControl1_, tabs.get());
    tabImages_ = std::move(tabs);
    AttachMenuImages();
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (auto& page : pages_) page->DpiChanged(oldDpi, dpi_);
    // The pages' controls at the new DPI decide the height, as at the start.
    oneRowWindowHeight_ = OneRowWindowSize().cy;
    PageGrew(ui::kPageButtons, grown_[ui::kPageButtons]);
    LayoutControls();
    InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT TForm1::OnNotify(NMHDR& header) {
    if (header.hwndFrom == pageControl1_) {
        if (header.code == TCN_SELCHANGING) {
            PageControl1Changing();
            return FALSE; // a page change is never refused
        }
        if (header.code == TCN_SELCHANGE) PageControl1Change();
        return 0;
    }
    if (header.code == TTN_GETDISPINFOA || header.code == TTN_GETDISPINFOW) {
        for (const ToolSpec& tool : kToolButtons) {
            if (static_cast<int>(header.idFrom) != tool.command) continue;
            if (header.code == TTN_GETDISPINFOA) {
                auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
                lstrcpynA(info.szText, tool.hint, sizeof info.szText);
            } else {
                auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
                lstrcpynW(info.szText, WidenText(tool.hint).c_str(),
                          sizeof info.szText / sizeof info.szText[0]);
            }
        }
    }
    return 0;
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (lParam == 0 || reinterpret_cast<HWND>(lParam) == toolBar1_) {
            OnCommand(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_INITMENUPOPUP: UpdateUndoItem(reinterpret_cast<HMENU>(wParam)); break;
    case WM_SIZE: LayoutControls(); return 0;
    case WM_GETMINMAXINFO: {
        auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
        limits.ptMinTrackSize.x = ui::Scale(kMinimumWidth, dpi_);
        if (oneRowWindowHeight_ > 0) limits.ptMinTrackSize.y = oneRowWindowHeight_;
        return 0;
    }
    case WM_DPICHANGED:
        DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ACTIVATE: Activated(wParam, lParam); return 0;
    case WM_CLOSE: FormClose(); return 0;
    case WM_DESTROY:
        // The window's registry accessor goes with it.
        registry_.reset();
        if (endsApplication_) {
            UnmarkMainWindow(hwnd());
            PostQuitMessage(0);
        }
        return 0;
    default: break;
    }
    return DefaultHandling(message, wParam, lParam);
}

} // namespace qm
