#pragma once
// The "Context Menu" page of the main window: the browser's context-menu entries in a list at
// the left, the shown entry's name, script page, context mask and flags at the right. The
// shell's Refresh, Add, Save and Delete act on the shown entry through this page.

#include "menuext/MenuFields.h"
#include "ui/Handles.h"
#include "ui/Layout.h"
#include "ui/Page.h"

#include <string>

namespace qm {

class ContextMenuPage : public ui::Page {
public:
    explicit ContextMenuPage(ui::PageHost& host) : Page(host) {}

    void Create(HWND mainWindow) override;
    void OnShow() override;         // ContextMenuShow
    void AfterTabChange() override; // the listing again after a page change on the tabs
    bool HasListCommands() const override { return true; }
    void Refresh() override { ListMenus(); }
    void Add(int templateRow) override { AddMenu(templateRow); }
    void Save() override { SaveMenu(); }
    void Delete() override { DeleteMenu(); }
    std::string SavePrompt() const override;
    void SaveFromPrompt(bool refresh) override;

    // Fills the list from the registry (only the program's own entries while the filter is
    // on) and shows the first entry. Unsaved edits are dropped without a prompt.
    void ListMenus();
    // Shows the selected entry, after offering to save the edits of the one shown before.
    void ShowMenu();
    // Makes a new entry from a template row under the first free name and shows it.
    void AddMenu(int templateRow);
    // Writes the shown entry from the fields, moving its key first when the name changed.
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

    HWND PopupMenuList() const;
    int SelectedLine() const;
    std::string LineText(int line) const;
    // The line whose text equals the name, letter case ignored; -1 when there is none.
    int FindLine(const std::string& name) const;

    MenuFields fields_;
    std::string currentMenu_;
    ui::UniqueFont boldFont_;
    ui::RightAnchors anchors_;
};

} // namespace qm
