#pragma once
// The "Standard Toolbar Buttons" page (sheet StdBtn): every browser toolbar button of both
// registry roots as an icon in a wrapping strip across the top (ToolBar2), and below it the
// fields of the record whose icon was clicked, with previews of its two icons. The page lists,
// shows, saves, deletes and adds button records; the main window calls it for its Refresh,
// Add, Save and Delete commands and for its save prompt.

#include "buttons/ButtonFields.h"
#include "buttons/ButtonPlace.h"
#include "buttons/ButtonStrip.h"
#include "registry/RegistryAccessor.h"
#include "ui/Dialogs.h"
#include "base/Handles.h"
#include "ui/Layout.h"
#include "ui/Page.h"

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace qm {

class ButtonsPage : public ui::Page {
public:
    explicit ButtonsPage(ui::PageHost& host);
    ~ButtonsPage() override;

    void Create(HWND mainWindow) override;
    // Shown by the tabs or the View menu: the strip is listed the first time only.
    void OnShow() override;
    // After the user changed to this page on the tabs: always a full listing.
    void AfterTabChange() override { ListButtons(-1); }
    void DpiChanged(UINT oldDpi, UINT newDpi) override;

    bool HasListCommands() const override { return true; }
    void Refresh() override { ListButtons(-1); }
    void Add(int templateRow) override { AddButton(templateRow); }
    HWND FirstField() const override;
    // The Save command: the record shown, then the strip's hints and icons.
    void Save() override;
    void Delete() override { DeleteButton(ShownKey()); }
    std::string SavePrompt() const override;
    void SaveFromPrompt(bool refresh) override;

    // --- the strip ---

    // Rebuilds the strip from the registry: the machine's records, then the current user's
    // ones that carry "CLSID", each passing the "Show only Quillmere created buttons" filter.
    // selection is -1 (show the last button) or the position of a strip button whose record is
    // shown again after the rebuild (the last button when it is gone). Also called after an
    // import has made new records.
    void ListButtons(int selection);
    // Shows the record of the strip button at that position in the fields, offering first to
    // save the edits of the record shown until now (a save that writes nothing by the user's
    // choice keeps that record shown, with its edits). The record is read whole before any field
    // changes; when it cannot be read, the fields, the "Key" field and the flags are cleared
    // and the failure goes on to the caller.
    void ShowButton(int position);
    void ClearButtonFields();
    // Re-reads the hints and icons of the strip's buttons without re-creating any, since it
    // may run inside a strip button's own click. When the registry no longer holds the records
    // the strip shows, a full rebuild follows once that click is over.
    void RefreshButtonImages();

    // --- editing ---

    // Writes the fields into the record of that key; an empty key name (no record shown)
    // writes nothing.
    void SaveButton(const std::string& keyName);
    // Asks, then deletes the record and its entry in the program's own record, and rebuilds
    // the strip. An empty key name (no record shown) deletes nothing.
    void DeleteButton(const std::string& keyName);
    // Makes a new machine-wide record from a row of ButtonTemplates and shows it. Refused for
    // lack of rights, it offers to make it with administrator rights, and then to make it for
    // this user alone.
    void AddButton(int templateRow);

    // --- what the page shows, for the shell and for tests ---

    // The key names of the records the last listing found under the current user's root.
    const std::vector<std::string>& CurrentUserButtons() const {
        return strip_.CurrentUserButtons();
    }
    // The key name in the read-only "Key" field: the record shown, or "" when none is.
    std::string ShownKey() const;
    const ButtonStrip& Strip() const { return strip_; }
    int StripButtonCount() const { return strip_.Count(); }
    // The key name and hint of a strip button ("" for the placeholder).
    const std::string& StripKey(int position) const { return strip_.Key(position); }
    const std::string& StripHint(int position) const { return strip_.Hint(position); }
    // The command identifier a strip button sends when clicked (0 for the placeholder).
    int StripCommand(int position) const { return strip_.Command(position); }
    HWND ToolBar2() const { return strip_.ToolBar(); }
    // The frame the strip lies in: it shows a few rows and scrolls through the others.
    HWND StripView() const { return strip_.View(); }
    // The size of the strip's icons: the system's small-icon size at the page's DPI.
    int StripIconSize() const { return strip_.IconSize(); }
    // How far the strip is scrolled, in pixels from its first row.
    int StripScroll() const { return strip_.Scroll(); }
    HIMAGELIST Icons() const { return strip_.Icons(); }
    HIMAGELIST HotIcons() const { return strip_.HotIcons(); }
    // The icons the previews Image1 and Image2 show; null when empty.
    HICON Image1Icon() const { return image1_.get(); }
    HICON Image2Icon() const { return image2_.get(); }
    // The shared file-open dialog of the page's "Browse" buttons.
    const ui::FileDialog& OpenDialog1() const { return openDialog1_; }
    // The height the strip shows, in pixels, its frame included: OneRowStripHeight for one row,
    // and never more than a few rows.
    int StripHeight() const { return strip_.Height(); }

protected:
    INT_PTR OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The record shown, with its values as they were read: what a save leaves alone while the
    // fields still hold it. root is where the record lives, kept with it so that a save goes
    // there whatever a later listing found.
    struct ShownRecord {
        std::string keyName;
        HKEY root = nullptr;
        ButtonPlace place = ButtonPlace::ThisUser; // shown beside the key
        ShownValues values;
        ButtonFieldState fields; // the controls as they showed the record
    };
    // Offers to save the edits of the record shown (when this page has any) before the fields
    // or the list they belong to are replaced.
    void OfferSaveOfShownRecord(bool refresh);
    // The text of an icon field as the icon is loaded from it: expanded when the value it
    // shows is expandable. shown, when given, is the field's text as it was just filled.
    std::string IconLocationOf(int editId, const std::string* shown = nullptr) const;

    void FormCreate();
    void CreateHints();
    // How many rows the strip shows: a few, fewer when the main window would otherwise reach
    // below its monitor's work area.
    int StripRowsShown() const;
    // Places the strip at the top and the fields below it; reports a change of the strip's
    // height to the main window.
    void LayoutStrip();
    void PlaceFields(int stripHeight);
    // Posts a full rebuild of the strip, once, for when the current click is over.
    void PostRebuild();

    // Puts the texts, the choices and the enabling they imply into the controls; an action of
    // Neither leaves the radio buttons and Exec's and Script's enabling as they are. Gives the
    // fields as they then stand: the texts as the fields took them.
    ButtonFieldState ShowFields(const ButtonFieldState& fields);
    // What the controls hold now.
    ButtonFieldState FieldsShown() const;
    // The action whose radio button is checked.
    ActionChoice ChosenAction() const;
    // Checks the action's radio button and enables its field only (the Exec/Script rule).
    void ChooseAction(ActionChoice action);

    // Field handlers, by their design names.
    void FieldChange(); // ButtonTextChange, ExecEditChange, ... StatusBarTextEditChange
    void DefaultVisibleClick();
    void ExecRadioClick();
    void ScriptRadioClick();
    void ShowInToolsClick();
    void ExecBrowseClick();
    void ScriptBrowseClick();
    void IconBrowseClick();
    void HotIconBrowseClick();
    void IconViewClick();
    void HotIconViewClick();
    void IconEditKeyPress();    // Enter in IconEdit
    void HotIconEditKeyPress(); // Enter in HotIconEdit
    void OnlyQuillmereClick();  // "Show only Quillmere created buttons"
    void ToolBar2Click(int command);

    void BrowseInto(int editId);
    void BrowseIcon(int editId, UniqueIcon& preview, int imageId);
    // Gives a preview a new icon (or none); the icon it showed before is released.
    void SetPreview(UniqueIcon& preview, int imageId, UniqueIcon icon);
    void PaintPreview(const DRAWITEMSTRUCT& item, HICON icon);
    // Enables the Tools-menu fields while "Show In Tools" is checked.
    void EnableMenuFields(bool enabled);

    ButtonStrip strip_;
    UINT dpi_ = 96;
    HWND hints_ = nullptr; // the tooltips of the Exec and Script choices
    ShownRecord shown_;
    int reportedStripHeight_ = 0;
    bool rebuildPosted_ = false;
    bool editsRefused_ = false;  // the last save was refused for lack of rights
    bool savedElevated_ = false; // the last save was made by an elevated copy
    // The last save wrote nothing by the user's choice (not to overwrite another program's
    // change) or because an edited text could not be shown exactly: the edits stay shown.
    bool editsKept_ = false;

    UniqueIcon image1_;
    UniqueIcon image2_;
    ui::FileDialog openDialog1_;
    std::function<void()> iconEnter_;
    std::function<void()> hotIconEnter_;
    // Where the controls sit in the template, and how they follow the page's size: moved down
    // below the strip, the fields stretched and their buttons moved along to the right edge.
    ui::RightAnchors anchors_;
    int templateWidth_ = 0;
    int templateTop_ = 0; // the top of the highest control
    int fieldsRight_ = 0; // the right edge of the fields
    int placedWidth_ = -1;
};

} // namespace qm
