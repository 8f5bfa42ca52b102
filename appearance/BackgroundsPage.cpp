#include "appearance/BackgroundsPage.h"

#include "appearance/PageTools.h"
#include "registry/GuardedSave.h"
#include "registry/KeyScope.h"
#include "registry/RegistryAccessor.h"
#include "ui/Rights.h"
#include "ui/Controls.h"
#include "ui/History.h"
#include "ui/Dialogs.h"
#include "ui/Dpi.h"
#include "ui/PageHost.h"
#include "ui/Placement.h"
#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace qm {
namespace {

// The panels' picture areas in pixels at 96 DPI, inside their sunken frames.
constexpr SIZE kBrowserPanelSize{505, 105};
constexpr SIZE kExplorerPanelSize{506, 105};

} // namespace

BackgroundsPage::BackgroundsPage(ui::PageHost& host)
    : Page(host),
      panels_{{{IDC_TBIMAGEPANEL, IDC_TBIMAGEEDIT, IDC_TBIMAGEBROWSE, kBrowserValue, {}, {}, {}},
               {IDC_WEBACKGROUNDPANEL,
                IDC_WEBACKGROUND,
                IDC_WEBACKGROUNDBROWSE,
                kExplorerValue,
                {},
                {},
                {}}}} {
    openPictureDialog1_.filter = ui::Text(IDS_FILTER_BITMAP_PICTURES);
    openPictureDialog1_.options |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
}

void BackgroundsPage::Create(HWND mainWindow) { CreateModeless(IDD_TBBACKGROUND, mainWindow); }

void BackgroundsPage::FormCreate() {
    boldLabels_ = ui::MakeBoldLabels(hwnd(), {IDC_TBIMAGELABEL, IDC_WEBACKGROUNDLABEL});
    using ui::RightAnchors;
    anchors_.Attach(hwnd(), {{IDC_STATICTEXT9, RightAnchors::Stretch},
                             {IDC_TBIMAGEEDIT, RightAnchors::Stretch},
                             {IDC_TBIMAGEBROWSE, RightAnchors::Move},
                             {IDC_STATICTEXT10, RightAnchors::Stretch},
                             {IDC_WEBACKGROUND, RightAnchors::Stretch},
                             {IDC_WEBACKGROUNDBROWSE, RightAnchors::Move}});
    const SIZE sizes[] = {kBrowserPanelSize, kExplorerPanelSize};
    const int kTextBelow[] = {IDC_STATICTEXT9, IDC_STATICTEXT10};
    for (size_t i = 0; i < panels_.size(); ++i) {
        Panel& panel = panels_[i];
        // The frame is outside the picture area: size the window so that its client area is
        // exactly the picture area.
        HWND control = Item(panel.panelId);
        const UINT dpi = ui::WindowDpi(hwnd());
        const SIZE frame = ui::WindowSizeFor(control, ui::Scale(sizes[i].cx, dpi),
                                             ui::Scale(sizes[i].cy, dpi), dpi);
        // The dialog font does not grow exactly with the DPI: the panel never reaches into the
        // text below it.
        RECT place, below;
        GetWindowRect(control, &place);
        GetWindowRect(Item(kTextBelow[i]), &below);
        const int height = std::min<int>(frame.cy, below.top - place.top);
        SetWindowPos(control, nullptr, 0, 0, frame.cx, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        panel.onEnter = [this, &panel] { KeyPressEnter(panel); };
        ui::CallOnEnter(Item(panel.editId), &panel.onEnter);
    }
}

void BackgroundsPage::CentrePanels() {
    RECT page;
    GetClientRect(hwnd(), &page);
    for (Panel& panel : panels_) {
        HWND control = Item(panel.panelId);
        RECT frame;
        GetWindowRect(control, &frame);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&frame), 2);
        int left = std::max<int>(0, (page.right - (frame.right - frame.left)) / 2);
        SetWindowPos(control, nullptr, left, frame.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

std::string BackgroundsPage::FieldText(const Panel& panel) const {
    return ui::GetText(Item(panel.editId));
}

void BackgroundsPage::TBBackgroundShow() {
    // The shell has set the commands: only Save is available here.
    LoadBackgrounds();
}

void BackgroundsPage::LoadBackgrounds() {
    RegistryAccessor& registry = host_.ResetRegistry();
    registry.SetRoot(HKEY_CURRENT_USER);
    registry.OpenKey(kToolbarKey, false);
    KeyScope keyScope(registry);

    shown_.Clear();
    damaged_.clear();
    for (Panel& panel : panels_) {
        ui::SetText(Item(panel.editId), "");
        ui::SetReadOnly(Item(panel.editId), false);
        panel.shownText.clear();
    }
    std::string tooLong;
    for (Panel& panel : panels_) {
        bool cut = false;
        std::string text;
        try {
            text = shown_.ReadText(registry, panel.value, cut);
        } catch (const RegistryError&) {
            // Nothing of this value is shown and nothing may be saved over it: the filling
            // above must not pass for an edit, so the flags are cleared before the error goes
            // on to the standard error box.
            damaged_ = panel.value;
            ReloadPanel(panel, "");
            host_.ClearModified(ui::kPageBackgrounds);
            throw;
        }
        ui::SetText(Item(panel.editId), text);
        panel.shownText = FieldText(panel);
        if (cut) {
            // A path this long names no file; it is kept as stored and cannot be edited here.
            ui::SetReadOnly(Item(panel.editId), true);
            tooLong = panel.value;
            ReloadPanel(panel, "");
        } else {
            ReloadPanel(panel, text);
        }
    }
    // Last: filling the fields has set the flags through their change handlers.
    host_.ClearModified(ui::kPageBackgrounds);
    if (!tooLong.empty())
        ui::AppDialogs().ShowError(hwnd(), ui::Text(IDS_VALUE_TOO_LONG, {tooLong}));
}

void BackgroundsPage::KeepEditsMarked() {
    for (const Panel& panel : panels_) {
        if (FieldText(panel) != panel.shownText) {
            host_.MarkModified(ui::kPageBackgrounds);
            return;
        }
    }
}

void BackgroundsPage::SaveBackgrounds(const std::string& browserPath,
                                      const std::string& explorerPath) {
    if (!damaged_.empty()) {
        ui::AppDialogs().ShowError(hwnd(), ui::Text(IDS_BACKGROUNDS_DAMAGED, {damaged_}));
        KeepEditsMarked();
        return;
    }
    // Only the paths that differ from what the page showed are written; an emptied path deletes
    // its value.
    const std::string* paths[] = {&browserPath, &explorerPath};
    std::vector<ValueEdit> edits;
    for (size_t i = 0; i < panels_.size(); ++i) {
        if (*paths[i] == panels_[i].shownText) continue;
        const char* value = panels_[i].value;
        if (paths[i]->empty())
            edits.push_back({value, std::nullopt});
        else
            edits.push_back({value, TypedText(shown_.Stored(value), *paths[i])});
    }
    const RecordOpener open = [](RegistryAccessor& registry) {
        registry.SetRoot(HKEY_CURRENT_USER);
        return registry.OpenKey(kToolbarKey, false);
    };
    const SaveOutcome outcome =
        SaveEdits(host_.Registry(), open, shown_, edits,
                  [&](const std::string& names) {
                      return ui::AppDialogs().AskYesNo(host_.MainWindow(),
                                                       ui::Text(IDS_BACKGROUNDS_CHANGED, {names}));
                  },
                  {ui::Text(IDS_CHANGE_SAVE_BACKGROUNDS),
                   {{HKEY_CURRENT_USER, kToolbarKey}},
                   ui::AskToGoOnWithoutBackup(host_.MainWindow())});
    switch (outcome.kind) {
    case SaveOutcome::Kind::Saved:
        for (size_t i = 0; i < panels_.size(); ++i) panels_[i].shownText = *paths[i];
        break;
    case SaveOutcome::Kind::CannotKeep:
        ui::AppDialogs().ShowError(hwnd(), RegistryAccessor::CannotKeepText(outcome.name));
        KeepEditsMarked();
        return;
    case SaveOutcome::Kind::RefusedField:
    case SaveOutcome::Kind::Declined: KeepEditsMarked(); return;
    case SaveOutcome::Kind::Failed:
        ui::ReportFailure(host_, outcome.error->Refused(), ui::RefusedKeys::CurrentUser,
                          ui::Text(IDS_BACKGROUNDS_NOT_SAVED), ui::Text(IDS_WRITE_ERROR));
        KeepEditsMarked();
        break;
    }
    for (Panel& panel : panels_) ReloadPanel(panel, FieldText(panel));
}

void BackgroundsPage::Save() { SaveBackgrounds(FieldText(panels_[0]), FieldText(panels_[1])); }

void BackgroundsPage::SaveFromPrompt(bool) { Save(); }

void BackgroundsPage::FieldChange() { host_.MarkModified(ui::kPageBackgrounds); }

void BackgroundsPage::KeyPressEnter(Panel& panel) { ReloadPanel(panel, FieldText(panel)); }

void BackgroundsPage::BrowseClick(Panel& panel) {
    if (!ui::AppDialogs().RunFileDialog(host_.MainWindow(), ui::FileDialogKind::Picture,
                                        openPictureDialog1_))
        return;
    const std::string chosen = openPictureDialog1_.fileName;
    ui::SetText(Item(panel.editId), chosen);
    // Not guarded: a chosen file that is no bitmap is reported, and the field keeps its path.
    panel.picture.reset();
    InvalidateRect(Item(panel.panelId), nullptr, TRUE);
    panel.picture = appearance::LoadBitmapFile(chosen);
    InvalidateRect(Item(panel.panelId), nullptr, TRUE);
}

void BackgroundsPage::ReloadPanel(Panel& panel, const std::string& path) {
    panel.picture = appearance::TryLoadBitmapFile(path);
    InvalidateRect(Item(panel.panelId), nullptr, TRUE);
}

INT_PTR BackgroundsPage::OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: FormCreate(); return TRUE;
    case WM_COMMAND:
        for (Panel& panel : panels_) {
            if (LOWORD(wParam) == panel.editId && HIWORD(wParam) == EN_CHANGE) {
                FieldChange();
                return TRUE;
            }
            if (LOWORD(wParam) == panel.browseId && HIWORD(wParam) == BN_CLICKED) {
                BrowseClick(panel);
                return TRUE;
            }
        }
        return FALSE;
    case WM_SIZE:
        anchors_.Apply();
        CentrePanels();
        return FALSE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        for (Panel& panel : panels_) {
            if (static_cast<int>(item.CtlID) == panel.panelId) {
                appearance::PaintTiled(item, panel.picture.get());
                return TRUE;
            }
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

} // namespace qm
