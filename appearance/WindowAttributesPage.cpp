#include "appearance/WindowAttributesPage.h"

#include "registry/RegistryAccessor.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/PageHost.h"

#include "resource.h"

#include <algorithm>
#include <cctype>

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
    RegistryAccessor& registry = host_.NewRegistry();
    registry.SetRoot(HKEY_CURRENT_USER);
    registry.OpenKey(kMainKey, false);
    struct CloseAtEnd {
        RegistryAccessor& registry;
        ~CloseAtEnd() { registry.CloseKey(); }
    } closeAtEnd{registry};

    for (const TextValue& text : kTextValues) ui::SetText(Item(text.field), "");
    for (const OptionValue& option : kOptions) ui::SetChecked(Item(option.box), false);
    for (const TextValue& text : kTextValues) {
        if (registry.ValueExists(text.value))
            ui::SetText(Item(text.field), registry.ReadString(text.value));
    }
    for (const OptionValue& option : kOptions) {
        if (registry.ValueExists(option.value))
            ui::SetChecked(Item(option.box), IsYes(registry.ReadString(option.value)));
    }
    // Last: filling the fields has set the flags through their change handlers.
    host_.ClearModified(ui::kPageWindowAttributes);
}

void WindowAttributesPage::SaveWindowAttributes() {
    RegistryAccessor& registry = host_.Registry();
    registry.SetRoot(HKEY_CURRENT_USER);
    registry.OpenKey(kMainKey, false);
    try {
        for (const TextValue& text : kTextValues) {
            std::string typed = ui::GetText(Item(text.field));
            if (!typed.empty())
                registry.WriteString(text.value, typed);
            else if (text.whenEmpty == WhenEmpty::Delete)
                registry.DeleteValue(text.value);
            else
                registry.WriteString(text.value,
                                     text.whenEmpty == WhenEmpty::WriteBlankPage ? "about:blank" : "");
        }
        for (const OptionValue& option : kOptions)
            registry.WriteString(option.value, ui::IsChecked(Item(option.box)) ? "yes" : "no");
    } catch (const RegistryError&) {
        registry.CloseKey();
        host_.UiDialogs().ShowError(hwnd(), "Error while trying to write registry data");
    }
    registry.CloseKey();
}

void WindowAttributesPage::FieldChange() { host_.MarkModified(ui::kPageWindowAttributes); }

void WindowAttributesPage::OptionClick() { host_.MarkModified(ui::kPageWindowAttributes); }

void WindowAttributesPage::FavoritBrowseClick() {
    // Placed over the main window; it starts where the dialog starts, not at the field's folder.
    if (std::optional<std::string> folder =
            host_.UiDialogs().BrowseForFolder(host_.MainWindow(), kFolderCaption))
        ui::SetText(Item(IDC_FAVORITFOLDER), *folder);
}

INT_PTR WindowAttributesPage::OnPageMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        boldLabels_ = ui::MakeBoldLabels(
            hwnd(), {IDC_WTITLELABEL, IDC_STARTPAGELABEL, IDC_SEARCHPAGELABEL,
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
    case WM_SIZE:
        anchors_.Apply();
        return FALSE;
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
    default:
        return FALSE;
    }
}

} // namespace qm
