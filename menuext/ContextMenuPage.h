#pragma once
// The "Context Menu" page of the main window: the browser's context-menu entries in a list at
// the left, the shown entry's name, script page, context mask and flags at the right. The
// shell's Refresh, Add, Save and Delete act on the shown entry through this page.

#include "menuext/MenuFields.h"
#include "base/Handles.h"
#include "registry/RegistryError.h"
#include "ui/Layout.h"
#include "ui/Page.h"

#include <optional>
#include <string>

namespace qm {

class ContextMenuPage : public ui::Page {
public:
    explicit ContextMenuPage(ui::PageHost& host) : Page(host) {}

    void Create(HWND mainWindow) override;
    void OnShow() override;         // ContextMenuShow
    void AfterTabChange() override; // the listing again after a page change on the tabs
    bool HasListCommands() const override { return true; }
    void Refresh() override {
        OfferSaveOfShownEntry();
        ListMenus();
    }
    void Add(int templateRow) override {
        OfferSaveOfShownEntry();
        AddMenu(templateRow);
    }
    HWND FirstField() const override;
    void Save() override { SaveMenu(); }
    void Delete() override { DeleteMenu(); }
    std::string SavePrompt() const override;
    void SaveFromPrompt(bool refresh) override;

    // Fills the list from the registry (only the program's own entries while the filter is
    // on) and shows the first entry. Unsaved edits are dropped without a prompt.
    void ListMenus();
    // Shows the selected entry, after offering to save the edits of the one shown before. All
    // its values are read before any field is filled: a value of the wrong type leaves only
    // the name shown, clears the flags, and refuses saves of the entry until it is shown again.
    void ShowMenu();
    // Makes a new entry from a template row under the first free name and shows it.
    void AddMenu(int templateRow);
    // Writes the shown entry from the fields, moving its key first when the name changed. Only
    // the values the user changed are written, after asking when another program changed one
    // of them since the entry was shown; the others keep their type and bytes.
    void SaveMenu();
    // Deletes the selected entry after asking.
    void DeleteMenu();

    // The name of the entry whose values the fields hold.
    const std::string& CurrentMenu() const { return currentMenu_; }
    const MenuFields& Fields() const { return fields_; }

protected:
    INT_PTR OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void InitControls();
    void OnCommand(int id, int code);
    void PopupMenuListClick() { ShowMenu(); }
    void PopupMenuListKeyDown(WORD key);
    void ContextBoxClick();
    void FieldChange(); // MenuEditChange, DefaultEditChange, ... FlagEditChange
    void ShowError(const std::string& text);
    // A registry step that failed, or found nothing to act on (no error).
    void ShowRegistryError(const std::optional<RegistryError>& error, const std::string& failure,
                           const std::string& text);

    HWND PopupMenuList() const;
    int SelectedLine() const;
    std::string LineText(int line) const;
    // The line whose text equals the name, letter case ignored; -1 when there is none.
    int FindLine(const std::string& name) const;

    // Offers to save the shown entry's edits (when this page has any) before the list or the
    // fields they belong to are replaced.
    void OfferSaveOfShownEntry();
    // Forgets what was shown: no entry's values are held.
    void ForgetShown();
    // Remembers the fields' texts as shown, to tell the user's edits from them on Save.
    void RememberShownTexts();
    // Sets the flags again after a refused save when a field holds an edit, so that the edit is
    // offered for saving again rather than dropped at the next change of entry or page.
    void KeepEditsMarked();
    bool Edited(HWND field, const std::string& shown) const;

    MenuFields fields_;
    std::string currentMenu_;
    // The shown entry's values as stored, the texts its fields were given, and the value that
    // stopped its showing ("" when it was shown whole).
    ShownValues shown_;
    std::string shownScript_, shownContexts_, shownFlags_;
    std::optional<std::string> damaged_;
    UniqueFont boldFont_;
    ui::RightAnchors anchors_;
    // While Add saves the new entry: its record in the history is Add's.
    bool addingMenu_ = false;
};

} // namespace qm
