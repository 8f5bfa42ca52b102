#include "appearance/WindowAttributesPage.h"

#include "registry/GuardedSave.h"
#include "registry/KeyScope.h"
#include "registry/RegistryAccessor.h"
#include "ui/Rights.h"
#include "ui/Controls.h"
#include "ui/History.h"
#include "ui/Dialogs.h"
#include "ui/PageHost.h"
#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace qm {
namespace {

// What an empty field is saved as.
enum class WhenEmpty { Delete, WriteEmpty, WriteBlankPage };

struct TextValue {
    int field;
    const char* value;
    WhenEmpty whenEmpty;
};

// In the order in which they are loaded and saved.
constexpr TextValue kTextValues[] = {
    {IDC_WTITLEEDIT, "Window Title", WhenEmpty::Delete},
    {IDC_STARTPAGE, "Start Page", WhenEmpty::WriteBlankPage},
    {IDC_SEARCHPAGE, "Search Page", WhenEmpty::WriteEmpty},
    {IDC_FAVORITFOLDER, "FavoritesImportFolder", WhenEmpty::WriteEmpty},
};

struct OptionValue {
    int box;
    const char* value;
};

constexpr OptionValue kOptions[] = {
    {IDC_SHOWPICTURES, "Display Inline Images"},
    {IDC_PLAYVIDEOS, "Display Inline Videos"},
    {IDC_PLAYANIMATIONS, "Play_Animations"},
    {IDC_PLAYSOUNDS, "Play_Background_Sounds"},
    {IDC_FULLSCREEN, "FullScreen"},
    {IDC_PRINTBACKGROUND, "Print_Background"},
    {IDC_SHOWGOBUTTON, "ShowGoButton"},
};

bool IsYes(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text == "YES";
}

} // namespace

void WindowAttributesPage::Create(HWND mainWindow) { CreateModeless(IDD_WINDOWTITLE, mainWindow); }

void WindowAttributesPage::WindowTitleShow() {
    // The shell has set the commands: only Save is available here.
    LoadWindowAttributes();
}

void WindowAttributesPage::LoadWindowAttributes() {
    RegistryAccessor& registry = host_.ResetRegistry();
    registry.SetRoot(HKEY_CURRENT_USER);
    registry.OpenKey(kMainKey, false);
    KeyScope keyScope(registry);

    shown_.Clear();
    damaged_.clear();
    shownTexts_.fill({});
    shownChecks_.fill(false);
    for (const TextValue& text : kTextValues) {
        ui::SetText(Item(text.field), "");
        ui::SetReadOnly(Item(text.field), false);
    }
    for (const OptionValue& option : kOptions) ui::SetChecked(Item(option.box), false);
    std::string tooLong;
    const char* reading = nullptr;
    try {
        for (size_t i = 0; i < std::size(kTextValues); ++i) {
            const TextValue& text = kTextValues[i];
            reading = text.value;
            bool cut = false;
            std::string shown = shown_.ReadText(registry, text.value, cut);
            ui::SetText(Item(text.field), shown);
            shownTexts_[i] = ui::GetText(Item(text.field));
            if (cut) {
                // Kept as stored and not editable here: a field cannot hold all of it.
                ui::SetReadOnly(Item(text.field), true);
                if (tooLong.empty()) tooLong = text.value;
            }
        }
        for (size_t i = 0; i < std::size(kOptions); ++i) {
            const OptionValue& option = kOptions[i];
            reading = option.value;
            const std::optional<RawValue>& stored = shown_.Read(registry, option.value);
            if (!stored) continue;
            shownChecks_[i] = IsYes(RegistryAccessor::StringFromValue(option.value, *stored));
            ui::SetChecked(Item(option.box), shownChecks_[i]);
        }
    } catch (const RegistryError&) {
        // Nothing may be saved over a damaged value, and the filling above must not pass for
        // an edit: the flags are cleared before the error goes on to the standard error box.
        damaged_ = reading;
        host_.ClearModified(ui::kPageWindowAttributes);
        throw;
    }
    // Last: filling the fields has set the flags through their change handlers.
    host_.ClearModified(ui::kPageWindowAttributes);
    if (!tooLong.empty())
        ui::AppDialogs().ShowError(hwnd(), ui::Text(IDS_VALUE_TOO_LONG, {tooLong}));
}

bool WindowAttributesPage::TextEdited(size_t index) const {
    return ui::GetText(Item(kTextValues[index].field)) != shownTexts_[index];
}

bool WindowAttributesPage::OptionEdited(size_t index) const {
    return ui::IsChecked(Item(kOptions[index].box)) != shownChecks_[index];
}

void WindowAttributesPage::KeepEditsMarked() {
    bool edited = false;
    for (size_t i = 0; i < std::size(kTextValues); ++i) edited = edited || TextEdited(i);
    for (size_t i = 0; i < std::size(kOptions); ++i) edited = edited || OptionEdited(i);
    if (edited) host_.MarkModified(ui::kPageWindowAttributes);
}

void WindowAttributesPage::SaveWindowAttributes() {
    if (!damaged_.empty()) {
        ui::AppDialogs().ShowError(hwnd(), ui::Text(IDS_ATTRIBUTES_DAMAGED, {damaged_}));
        KeepEditsMarked();
        return;
    }
    // The user's edits: the fields and boxes changed since they were shown. An emptied field
    // saves as its value's rule says.
    std::vector<ValueEdit> edits;
    for (size_t i = 0; i < std::size(kTextValues); ++i) {
        if (!TextEdited(i)) continue;
        const TextValue& text = kTextValues[i];
        const std::string typed = ui::GetText(Item(text.field));
        const std::optional<RawValue>& stored = shown_.Stored(text.value);
        if (!typed.empty())
            edits.push_back({text.value, TypedText(stored, typed)});
        else if (text.whenEmpty == WhenEmpty::Delete)
            edits.push_back({text.value, std::nullopt});
        else
            edits.push_back(
                {text.value,
                 TypedText(stored,
                           text.whenEmpty == WhenEmpty::WriteBlankPage ? "about:blank" : "")});
    }
    for (size_t i = 0; i < std::size(kOptions); ++i) {
        if (!OptionEdited(i)) continue;
        const OptionValue& option = kOptions[i];
        edits.push_back({option.value, TypedText(shown_.Stored(option.value),
                                                 ui::IsChecked(Item(option.box)) ? "yes" : "no")});
    }
    const RecordOpener open = [](RegistryAccessor& registry) {
        registry.SetRoot(HKEY_CURRENT_USER);
        return registry.OpenKey(kMainKey, false);
    };
    const SaveOutcome outcome =
        SaveEdits(host_.Registry(), open, shown_, edits,
                  [&](const std::string& names) {
                      return ui::AppDialogs().AskYesNo(host_.MainWindow(),
                                                       ui::Text(IDS_ATTRIBUTES_CHANGED, {names}));
                  },
                  {ui::Text(IDS_CHANGE_SAVE_ATTRIBUTES),
                   {{HKEY_CURRENT_USER, kMainKey}},
                   ui::AskToGoOnWithoutBackup(host_.MainWindow())});
    switch (outcome.kind) {
    case SaveOutcome::Kind::Saved:
        for (size_t i = 0; i < std::size(kTextValues); ++i)
            shownTexts_[i] = ui::GetText(Item(kTextValues[i].field));
        for (size_t i = 0; i < std::size(kOptions); ++i)
            shownChecks_[i] = ui::IsChecked(Item(kOptions[i].box));
        return;
    case SaveOutcome::Kind::CannotKeep:
        ui::AppDialogs().ShowError(hwnd(), RegistryAccessor::CannotKeepText(outcome.name));
        break;
    case SaveOutcome::Kind::RefusedField:
    case SaveOutcome::Kind::Declined: break;
    case SaveOutcome::Kind::Failed:
        ui::ReportFailure(host_, outcome.error->Refused(), ui::RefusedKeys::CurrentUser,
                          ui::Text(IDS_ATTRIBUTES_NOT_SAVED), ui::Text(IDS_WRITE_ERROR));
        break;
    }
    KeepEditsMarked();
}

void WindowAttributesPage::FieldChange() { host_.MarkModified(ui::kPageWindowAttributes); }

void WindowAttributesPage::OptionClick() { host_.MarkModified(ui::kPageWindowAttributes); }

void WindowAttributesPage::FavoritBrowseClick() {
    // Placed over the main window; it starts where the dialog starts, not at the field's folder.
    if (std::optional<std::string> folder = ui::AppDialogs().BrowseForFolder(
            host_.MainWindow(), ui::Text(IDS_FAVORITES_FOLDER_CAPTION)))
        ui::SetText(Item(IDC_FAVORITFOLDER), *folder);
}

INT_PTR WindowAttributesPage::OnPageMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        boldLabels_ =
            ui::MakeBoldLabels(hwnd(), {IDC_WTITLELABEL, IDC_STARTPAGELABEL, IDC_SEARCHPAGELABEL,
                                        IDC_FAVORITFOLDERLABEL, IDC_OTHEROPTIONSLABEL});
        {
            using ui::RightAnchors;
            anchors_.Attach(hwnd(), {{IDC_WTITLEEDIT, RightAnchors::Stretch},
                                     {IDC_STATICTEXT4, RightAnchors::Stretch},
                                     {IDC_STARTPAGE, RightAnchors::Stretch},
                                     {IDC_STATICTEXT5, RightAnchors::Stretch},
                                     {IDC_SEARCHPAGE, RightAnchors::Stretch},
                                     {IDC_STATICTEXT6, RightAnchors::Stretch},
                                     {IDC_FAVORITFOLDER, RightAnchors::Stretch},
                                     {IDC_FAVORITFOLDERBROWSE, RightAnchors::Move},
                                     {IDC_STATICTEXT7, RightAnchors::Stretch},
                                     {IDC_OPTIONSGROUP, RightAnchors::Stretch},
                                     {IDC_SHOWGOBUTTON, RightAnchors::Move},
                                     {IDC_PRINTBACKGROUND, RightAnchors::Move},
                                     {IDC_FULLSCREEN, RightAnchors::Move},
                                     {IDC_STATICTEXT8, RightAnchors::Stretch}});
        }
        return TRUE;
    case WM_SIZE: anchors_.Apply(); return FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wParam), code = HIWORD(wParam);
        if (code == EN_CHANGE) {
            for (const TextValue& text : kTextValues) {
                if (id == text.field) {
                    FieldChange();
                    return TRUE;
                }
            }
        }
        if (code == BN_CLICKED) {
            if (id == IDC_FAVORITFOLDERBROWSE) {
                FavoritBrowseClick();
                return TRUE;
            }
            for (const OptionValue& option : kOptions) {
                if (id == option.box) {
                    OptionClick();
                    return TRUE;
                }
            }
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

} // namespace qm
