#include "menuext/ContextMenuPage.h"

#include "buttons/ButtonRecord.h"
#include "resource.h"
#include "ui/Rights.h"
#include "ui/Controls.h"
#include "ui/History.h"
#include "ui/Layout.h"
#include "ui/Dialogs.h"
#include "ui/PageHost.h"
#include "ui/Texts.h"

#include <algorithm>
#include <cctype>

namespace qm {
namespace {

// Runs registry steps; the error that stopped them, if one did.
template <typename Steps>
std::optional<RegistryError> Attempt(Steps&& steps) {
    try {
        steps();
    } catch (const RegistryError& error) {
        return error;
    }
    return std::nullopt;
}

constexpr int kPage = ui::kPageContextMenu;

constexpr int kContextBoxIds[] = {IDC_CONTEXTDEFAULT, IDC_CONTEXTIMAGES,        IDC_CONTEXTCONTROLS,
                                  IDC_CONTEXTTABLES,  IDC_CONTEXTTEXTSELECTION, IDC_CONTEXTANCHOR};

constexpr int kFieldIds[] = {IDC_MENUEDIT, IDC_DEFAULTEDIT, IDC_CONTEXTDECIMALEDIT,
                             IDC_CONTEXTHEXEDIT, IDC_FLAGEDIT};

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

} // namespace

void ContextMenuPage::Create(HWND mainWindow) { CreateModeless(IDD_CONTEXTMENU, mainWindow); }

void ContextMenuPage::InitControls() {
    fields_.menuEdit = Item(IDC_MENUEDIT);
    fields_.defaultEdit = Item(IDC_DEFAULTEDIT);
    fields_.contextDecimalEdit = Item(IDC_CONTEXTDECIMALEDIT);
    fields_.contextHexEdit = Item(IDC_CONTEXTHEXEDIT);
    fields_.flagEdit = Item(IDC_FLAGEDIT);
    for (size_t i = 0; i < std::size(kContextBoxIds); ++i)
        fields_.contextBoxes[i] = Item(kContextBoxIds[i]);
    ui::EnableField(fields_.contextDecimalEdit, false);
    ui::EnableField(fields_.contextHexEdit, false);

    boldFont_ = ui::MakeBoldLabels(hwnd(), {IDC_CONTEXTMENU_TITLE, IDC_MENULABEL, IDC_DEFAULTLABEL,
                                            IDC_CONTEXTSLABEL, IDC_FLAGSLABEL});
    // The right panel's fields and notes keep to the page's right edge when the page is wider
    // than its template; the list keeps its width.
    using ui::RightAnchors;
    anchors_.Attach(hwnd(), {{IDC_MENUEDIT, RightAnchors::Stretch},
                             {IDC_DEFAULTEDIT, RightAnchors::Stretch},
                             {IDC_CHECKREQIRED, RightAnchors::Stretch},
                             {IDC_STATICTEXT2, RightAnchors::Stretch},
                             {IDC_FLAGEDIT, RightAnchors::Stretch},
                             {IDC_STATICTEXT3, RightAnchors::Stretch}});
}

void ContextMenuPage::OnShow() {
    host_.ClearModified(kPage);
    ListMenus();
}

void ContextMenuPage::AfterTabChange() { ListMenus(); }

HWND ContextMenuPage::FirstField() const { return Item(IDC_MENUEDIT); }

std::string ContextMenuPage::SavePrompt() const {
    return ui::Text(IDS_MENU_SAVE_PROMPT, {ui::GetText(fields_.menuEdit)});
}

void ContextMenuPage::SaveFromPrompt(bool refresh) {
    SaveMenu();
    if (refresh) ListMenus();
}

HWND ContextMenuPage::PopupMenuList() const { return Item(IDC_POPUPMENULIST); }

int ContextMenuPage::SelectedLine() const {
    return static_cast<int>(SendMessageA(PopupMenuList(), LB_GETCURSEL, 0, 0));
}

std::string ContextMenuPage::LineText(int line) const {
    LRESULT length = SendMessageA(PopupMenuList(), LB_GETTEXTLEN, line, 0);
    if (length == LB_ERR) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    length = SendMessageA(PopupMenuList(), LB_GETTEXT, line, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length == LB_ERR ? 0 : static_cast<size_t>(length));
    return text;
}

int ContextMenuPage::FindLine(const std::string& name) const {
    int count = static_cast<int>(SendMessageA(PopupMenuList(), LB_GETCOUNT, 0, 0));
    for (int line = 0; line < count; ++line)
        if (EqualIgnoringCase(LineText(line), name)) return line;
    return -1;
}

void ContextMenuPage::ShowError(const std::string& text) {
    ui::AppDialogs().ShowError(host_.MainWindow(), text);
}

void ContextMenuPage::OfferSaveOfShownEntry() {
    if (!host_.IsPageModified(kPage)) return;
    // The edits are this page's even when another page's load has cleared Modified since.
    host_.MarkModified(kPage);
    host_.OfferSave(kPage, false);
}

void ContextMenuPage::ForgetShown() {
    shown_.Clear();
    damaged_.reset();
    shownScript_.clear();
    shownContexts_.clear();
    shownFlags_.clear();
    ui::SetReadOnly(fields_.defaultEdit, false);
}

void ContextMenuPage::RememberShownTexts() {
    shownScript_ = ui::GetText(fields_.defaultEdit);
    shownContexts_ = ui::GetText(fields_.contextDecimalEdit);
    shownFlags_ = ui::GetText(fields_.flagEdit);
}

bool ContextMenuPage::Edited(HWND field, const std::string& shown) const {
    return ui::GetText(field) != shown;
}

void ContextMenuPage::KeepEditsMarked() {
    if (Edited(fields_.menuEdit, currentMenu_) || Edited(fields_.defaultEdit, shownScript_) ||
        Edited(fields_.contextDecimalEdit, shownContexts_) || Edited(fields_.flagEdit, shownFlags_))
        host_.MarkModified(kPage);
}

// A registry step that failed: why Windows refused it when it did, else the fixed text.
void ContextMenuPage::ShowRegistryError(const std::optional<RegistryError>& error,
                                        const std::string& failure, const std::string& text) {
    ui::ReportFailure(host_, error && error->Refused(), ui::RefusedKeys::CurrentUser, failure,
                      text);
}

void ContextMenuPage::ListMenus() {
    ui::HourglassCursor hourglass;
    ClearMenuFields(fields_);
    ForgetShown();
    host_.ClearModified(kPage);
    RegistryAccessor& reg = host_.ResetRegistry();
    std::vector<std::string> names = ListMenuNames(reg);
    HWND list = PopupMenuList();
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    bool onlyOwn = ui::IsChecked(Item(IDC_SHOWONLYQUILLMEREMENU));
    for (const std::string& name : names)
        if (!onlyOwn || IsQuillmereMenu(reg, name))
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) > 0) ShowMenu();
}

void ContextMenuPage::ShowMenu() {
    // The edits belong to the entry shown before (CurrentMenu); a Yes saves them there.
    OfferSaveOfShownEntry();
    int line = SelectedLine();
    if (line < 0) return;
    std::string name = LineText(line);
    currentMenu_ = name;
    ForgetShown();
    ui::SetText(fields_.menuEdit, name);
    MenuValues values;
    std::string reading;
    try {
        values = ReadMenuRecord(host_.Registry(), name, shown_, reading);
    } catch (const RegistryError&) {
        // Only the name is shown: nothing of the entry shown before stays in the fields, the
        // filling must not pass for an edit, and no save may write over the damaged value.
        damaged_ = reading;
        for (HWND field : {fields_.defaultEdit, fields_.contextDecimalEdit, fields_.contextHexEdit,
                           fields_.flagEdit})
            ui::SetText(field, "");
        for (HWND box : fields_.contextBoxes) ui::SetChecked(box, false);
        RememberShownTexts();
        host_.ClearModified(kPage);
        throw;
    }
    ui::SetText(fields_.defaultEdit, values.script);
    if (values.scriptTooLong) ui::SetReadOnly(fields_.defaultEdit, true);
    if (values.contexts) {
        ui::SetText(fields_.contextDecimalEdit, ContextsDecimalText(*values.contexts));
        ui::SetText(fields_.contextHexEdit, ContextsHexText(*values.contexts));
        SetBoxesFromContexts(fields_);
    } else {
        ui::SetText(fields_.contextDecimalEdit, "");
        ui::SetText(fields_.contextHexEdit, "");
    }
    ui::SetText(fields_.flagEdit, values.flags ? std::to_string(*values.flags) : "");
    RememberShownTexts();
    host_.ClearModified(kPage);
    if (values.scriptTooLong) ShowError(ui::Text(IDS_MENU_DEFAULT_TOO_LONG, {name}));
}

void ContextMenuPage::AddMenu(int templateRow) {
    const ButtonTemplateRow& row = ButtonTemplates.at(static_cast<size_t>(templateRow));
    RegistryAccessor& reg = host_.Registry();
    std::string name = FreeMenuName(reg, row[kTemplateName]);
    // The new entry with its values is one change in the history.
    std::optional<ChangeRecord> change = BeginChange(
        ui::Text(IDS_CHANGE_ADD_MENU, {name}),
        {{HKEY_CURRENT_USER, kMenuExtKey, true}, {HKEY_CURRENT_USER, MenuKeyPath(name)}},
        ui::AskToGoOnWithoutBackup(host_.MainWindow()));
    if (!change) return;
    bool created = false;
    if (std::optional<RegistryError> error = Attempt([&] { created = CreateMenuKey(reg, name); });
        !created) {
        change->Discard();
        ShowRegistryError(error, ui::Text(IDS_MENU_NOT_ADDED, {name}),
                          ui::Text(IDS_CREATE_KEY_ERROR));
        return;
    }
    // The new key holds no value yet: the save below writes every field that is filled.
    ForgetShown();
    for (const char* value : {kMenuScriptValue, kContextsValue, kFlagsValue})
        shown_.Remember(value, std::nullopt);
    ui::SetText(fields_.flagEdit, "");
    currentMenu_ = name;
    HWND list = PopupMenuList();
    LRESULT line = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(list, LB_SETCURSEL, line, 0);
    ui::SetText(fields_.menuEdit, LineText(static_cast<int>(line)));
    ui::SetText(fields_.defaultEdit, TemplatePath(ui::ProgramFolder(), row[kTemplateScript]));
    for (HWND box : fields_.contextBoxes) ui::SetChecked(box, true);
    ShowContextsFromBoxes(fields_);
    if (!MarkMenu(reg, name)) ShowError(ui::Text(IDS_WRITE_ERROR));
    host_.ClearModified(kPage);
    {
        addingMenu_ = true;
        struct EndAdding {
            bool& adding;
            ~EndAdding() { adding = false; }
        } endAdding{addingMenu_};
        SaveMenu();
    }
    change->Finish();
}

void ContextMenuPage::SaveMenu() {
    // The fields belong to a listed entry only after an entry was shown or added. Before that,
    // and after a listing that found none, CurrentMenu names nothing the user sees: an empty
    // name would make the rename below move the whole MenuExt key.
    int line = currentMenu_.empty() ? -1 : FindLine(currentMenu_);
    if (line < 0) {
        ShowError(ui::Text(IDS_MENU_NONE_SHOWN));
        return;
    }
    if (damaged_) {
        ShowError(ui::Text(IDS_MENU_DAMAGED,
                           {currentMenu_, damaged_->empty() ? "(Default)" : *damaged_}));
        KeepEditsMarked();
        return;
    }
    RegistryAccessor& reg = host_.Registry();
    std::string newName = ui::GetText(fields_.menuEdit);
    if (newName.empty()) {
        ShowError(ui::Text(IDS_MENU_NAME_EMPTY));
        KeepEditsMarked();
        return;
    }

    if (newName != currentMenu_) {
        if (newName.find('\\') != std::string::npos) {
            ShowError(ui::Text(IDS_MENU_NAME_BACKSLASH, {newName}));
            KeepEditsMarked();
            return;
        }
        if (MenuExists(reg, newName)) {
            ShowError(ui::Text(IDS_MENU_NAME_TAKEN, {newName}));
            KeepEditsMarked();
            return;
        }
    }

    // Only what the user changed is written, all of it or nothing.
    const auto changed = [&](HWND field, const std::string& shown) {
        return Edited(field, shown) ? std::optional<std::string>(ui::GetText(field)) : std::nullopt;
    };
    const std::vector<ValueEdit> edits =
        MenuEdits(shown_, changed(fields_.defaultEdit, shownScript_),
                  changed(fields_.contextDecimalEdit, shownContexts_),
                  changed(fields_.flagEdit, shownFlags_));
    const std::string oldName = currentMenu_;
    SaveOutcome outcome = CheckEdits(
        reg, [&](RegistryAccessor& entry) { return OpenMenuEntry(entry, oldName); }, shown_, edits,
        [&](const std::string& names) {
            return ui::AppDialogs().AskYesNo(host_.MainWindow(),
                                             ui::Text(IDS_MENU_CHANGED, {oldName, names}));
        });
    if (outcome.kind == SaveOutcome::Kind::RefusedField) {
        const bool flags = outcome.name == kFlagsValue;
        ShowError(ui::Text(IDS_MENU_NOT_A_NUMBER, {oldName, outcome.name, outcome.text}));
        SetFocus(flags ? fields_.flagEdit : fields_.contextBoxes[0]);
        KeepEditsMarked();
        return;
    }
    if (outcome.kind == SaveOutcome::Kind::CannotKeep) {
        ShowError(RegistryAccessor::CannotKeepText(ValueLabel(outcome.name)));
        KeepEditsMarked();
        return;
    }
    if (outcome.kind == SaveOutcome::Kind::Declined) {
        KeepEditsMarked();
        return;
    }

    const bool renaming = newName != oldName;
    // The rename and the values are one change in the history, recorded before either is made.
    std::optional<ChangeRecord> change;
    if (!addingMenu_ && (renaming || !edits.empty())) {
        std::vector<ChangedKey> keys = {{HKEY_CURRENT_USER, MenuKeyPath(oldName)}};
        if (renaming) keys.push_back({HKEY_CURRENT_USER, MenuKeyPath(newName)});
        change = BeginChange(renaming ? ui::Text(IDS_CHANGE_RENAME_MENU, {oldName, newName})
                                      : ui::Text(IDS_CHANGE_SAVE_MENU, {oldName}),
                             keys, ui::AskToGoOnWithoutBackup(host_.MainWindow()));
        if (!change) {
            KeepEditsMarked();
            return;
        }
    }
    bool renamed = !renaming;
    const std::optional<RegistryError> notRenamed =
        renaming ? Attempt([&] { renamed = RenameMenuKey(reg, oldName, newName); }) : std::nullopt;
    if (!renamed) {
        change->Discard();
        ShowRegistryError(notRenamed, ui::Text(IDS_MENU_NOT_RENAMED, {oldName}),
                          ui::Text(IDS_RENAME_KEY_ERROR));
        KeepEditsMarked();
        return;
    }
    outcome = WriteEdits(
        reg, [&](RegistryAccessor& entry) { return OpenMenuEntry(entry, newName); }, shown_, edits);
    if (!outcome.Saved()) {
        if (change) change->Discard();
        // Nothing of the save stays: the values are back, and so is the entry's name.
        if (renaming) Attempt([&] { RenameMenuKey(reg, newName, oldName); });
        ShowRegistryError(outcome.error, ui::Text(IDS_MENU_NOT_SAVED, {newName}),
                          ui::Text(IDS_WRITE_ERROR));
        KeepEditsMarked();
        return;
    }
    if (renaming) {
        HWND list = PopupMenuList();
        int selected = SelectedLine();
        SendMessageA(list, LB_DELETESTRING, line, 0);
        SendMessageA(list, LB_INSERTSTRING, line, reinterpret_cast<LPARAM>(newName.c_str()));
        SendMessageA(list, LB_SETCURSEL, selected, 0); // the list keeps its selection
        currentMenu_ = newName;
    }
    if (change) change->Finish();
    // What was written is what the fields now show; a later save writes only later edits.
    shownScript_ = ui::GetText(fields_.defaultEdit);
    shownContexts_ = ui::GetText(fields_.contextDecimalEdit);
    shownFlags_ = ui::GetText(fields_.flagEdit);
}

void ContextMenuPage::DeleteMenu() {
    int line = SelectedLine();
    if (line < 0) return; // nothing is selected, so there is nothing to delete or ask about
    // The entry by its name in the list (an unsaved rename in the field is no name yet).
    if (!ui::AppDialogs().AskYesNo(host_.MainWindow(),
                                   ui::Text(IDS_MENU_DELETE_QUESTION, {LineText(line)})))
        return;
    std::optional<ChangeRecord> change =
        BeginChange(ui::Text(IDS_CHANGE_DELETE_MENU, {LineText(line)}),
                    {{HKEY_CURRENT_USER, MenuKeyPath(LineText(line))}},
                    ui::AskToGoOnWithoutBackup(host_.MainWindow()));
    if (!change) return;
    bool deleted = false;
    if (std::optional<RegistryError> error =
            Attempt([&] { deleted = DeleteMenuKey(host_.Registry(), LineText(line)); });
        !deleted) {
        change->Discard();
        ShowRegistryError(error, ui::Text(IDS_MENU_NOT_DELETED, {LineText(line)}),
                          ui::Text(IDS_DELETE_DATA_ERROR));
        return;
    }
    change->Finish();
    SendMessageA(PopupMenuList(), LB_DELETESTRING, line, 0);
    ListMenus();
}

void ContextMenuPage::PopupMenuListKeyDown(WORD key) {
    if (key == VK_DELETE && SendMessageA(PopupMenuList(), LB_GETCOUNT, 0, 0) > 0) DeleteMenu();
}

void ContextMenuPage::ContextBoxClick() {
    ShowContextsFromBoxes(fields_);
    host_.MarkModified(kPage);
}

void ContextMenuPage::FieldChange() { host_.MarkModified(kPage); }

void ContextMenuPage::OnCommand(int id, int code) {
    if (id == IDC_POPUPMENULIST) {
        if (code == LBN_SELCHANGE) PopupMenuListClick();
        return;
    }
    if (id == IDC_SHOWONLYQUILLMEREMENU) {
        if (code == BN_CLICKED) {
            OfferSaveOfShownEntry();
            ListMenus();
        }
        return;
    }
    if (std::find(std::begin(kContextBoxIds), std::end(kContextBoxIds), id) !=
        std::end(kContextBoxIds)) {
        if (code == BN_CLICKED) ContextBoxClick();
        return;
    }
    if (std::find(std::begin(kFieldIds), std::end(kFieldIds), id) != std::end(kFieldIds) &&
        code == EN_CHANGE)
        FieldChange();
}

INT_PTR ContextMenuPage::OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: InitControls(); return FALSE;
    case WM_SIZE: anchors_.Apply(); return FALSE;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_VKEYTOITEM:
        if (reinterpret_cast<HWND>(lParam) == PopupMenuList()) {
            PopupMenuListKeyDown(LOWORD(wParam));
            return -1; // the key is not consumed: the list box does what it does with it
        }
        return -1;
    }
    return FALSE;
}

} // namespace qm
