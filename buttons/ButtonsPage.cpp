#include "buttons/ButtonsPage.h"

#include "buttons/ButtonPlace.h"
#include "buttons/ButtonRecord.h"
#include "buttons/ButtonStore.h"
#include "buttons/ElevatedChange.h"
#include "buttons/ElevatedOffer.h"
#include "buttons/IconLoader.h"
#include "registry/RegistryAccessor.h"
#include "registry/ShownValues.h"
#include "ui/Controls.h"
#include "ui/History.h"
#include "ui/PageHost.h"
#include "ui/Rights.h"
#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace qm {
namespace {

ui::RefusedKeys KeysOf(HKEY root) {
    return root == HKEY_LOCAL_MACHINE ? ui::RefusedKeys::Machine : ui::RefusedKeys::CurrentUser;
}

// Posted when the registry no longer matches the strip after a refresh: the full rebuild waits
// until the strip button's own click is over.
constexpr UINT kRebuildStrip = WM_APP + 1;

} // namespace

ButtonsPage::ButtonsPage(ui::PageHost& host)
    : Page(host),
      strip_(host, ButtonStrip::Page{[this](int position) { ShowButton(position); },
                                     [this] { return ShownKey(); },
                                     [this] { return ui::IsChecked(Item(IDC_ONLYQUILLMERE)); },
                                     [this] { LayoutStrip(); }}) {
    openDialog1_.filter = ui::Text(IDS_FILTER_ALL_FILES);
    openDialog1_.options |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
}

ButtonsPage::~ButtonsPage() {
    // The strip must go before the image lists it draws from.
    if (hwnd()) DestroyWindow(hwnd());
}

void ButtonsPage::Create(HWND mainWindow) { CreateModeless(IDD_STDBTN, mainWindow); }

void ButtonsPage::OnShow() {
    if (strip_.Count() == 0) ListButtons(-1);
}

HWND ButtonsPage::FirstField() const { return Item(IDC_BUTTONTEXT); }

void ButtonsPage::PostRebuild() {
    if (!rebuildPosted_) rebuildPosted_ = PostMessageA(hwnd(), kRebuildStrip, 0, 0) != FALSE;
}

// --- listing and showing ---

void ButtonsPage::ListButtons(int selection) {
    // Asked before anything is rebuilt: the answer saves into the record shown, where it
    // lives, and a rebuild that ends with no button to show loses nothing unasked.
    OfferSaveOfShownRecord(false);
    std::optional<std::string> remembered;
    if (selection >= 0 && selection < strip_.Count() && strip_.Command(selection) != 0)
        remembered = strip_.Key(selection);

    ui::HourglassCursor hourglass;
    host_.ResetRegistry();
    // A failure part-way keeps the buttons found so far; the selection still runs before the
    // failure is shown.
    std::exception_ptr failure = strip_.List();
    try {
        if (strip_.Count() == 0) {
            ClearButtonFields();
            strip_.AddPlaceholder();
        } else {
            int shown = remembered ? strip_.Find(*remembered) : -1;
            // A remembered record that is gone (deleted, or no longer passing the filter):
            // the last button, as without one.
            ShowButton(shown >= 0 ? shown : strip_.Count() - 1);
        }
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    host_.ClearModified(ui::kPageButtons);
    if (failure) std::rethrow_exception(failure);
}

void ButtonsPage::RefreshButtonImages() {
    ui::HourglassCursor hourglass;
    host_.ResetRegistry();
    std::exception_ptr failure;
    // Another program has added or removed records since the last listing. The buttons
    // cannot be re-created here (this may run inside a strip button's own click), so the
    // strip is rebuilt as soon as that click is over. A refresh that failed is shown once by
    // its caller; a rebuild would only fail again and show the same error a second time.
    if (!strip_.Refresh(failure) && !failure) PostRebuild();
    host_.ClearModified(ui::kPageButtons);
    if (failure) std::rethrow_exception(failure);
}

void ButtonsPage::ShowButton(int position) {
    if (position < 0 || position >= strip_.Count() || strip_.Command(position) == 0) return;
    strip_.Reveal(position);
    // The question concerns the record shown until now; its Yes refreshes the strip in place,
    // so the position still names the clicked button afterwards.
    const std::string keyName = strip_.Key(position);
    editsKept_ = false;
    OfferSaveOfShownRecord(true);
    if (editsKept_) {
        // The user chose not to overwrite another program's change: the record shown stays,
        // with the edits, still unsaved.
        host_.MarkModified(ui::kPageButtons);
        return;
    }

    // The whole record is read before any field changes, so that a value that cannot be read
    // leaves no mix of two records in the fields.
    StoredButton record;
    try {
        record = ReadStoredButton(host_.Registry(),
                                  RootForButton(keyName, strip_.CurrentUserButtons()), keyName);
    } catch (...) {
        // Nothing of the record is shown, and nothing of the record shown before stays in
        // the fields: a later Save then has no record to write into.
        ClearButtonFields();
        host_.ClearModified(ui::kPageButtons);
        throw;
    }
    const std::string tooLong = record.tooLong;
    shown_ = {keyName, record.root, record.place, std::move(record.values), {}};

    ui::SetText(Item(IDC_STATICTEXT1), keyName);
    ui::SetText(Item(IDC_BUTTONPLACE), PlaceText(shown_.place));
    // The controls as shown: a save writes what the user changed of them since. The texts are
    // those the fields took, read back as they were filled.
    shown_.fields = ShowFields(FieldsFromRecord(shown_.values));
    for (const ButtonFieldRule& rule : kButtonFields)
        ui::SetReadOnly(Item(rule.control), shown_.values.TooLong(rule.value));
    // The previous record's icons go before the new ones are loaded; each preview is drawn
    // once, with its new icon.
    image1_.reset();
    image2_.reset();
    SetPreview(
        image1_, IDC_IMAGE1,
        LoadIconFromLocation(IconLocationOf(IDC_ICONEDIT, &shown_.fields.texts[kFieldIcon])));
    SetPreview(
        image2_, IDC_IMAGE2,
        LoadIconFromLocation(IconLocationOf(IDC_HOTICONEDIT, &shown_.fields.texts[kFieldHotIcon])));
    // Last: filling the fields has set the flags through their change handlers. Only this
    // page's: edits left on another page through the View menu are still to be offered.
    host_.ClearModified(ui::kPageButtons);
    if (!tooLong.empty())
        ui::AppDialogs().ShowError(host_.MainWindow(),
                                   ui::Text(IDS_BUTTON_VALUE_TOO_LONG, {tooLong, keyName}));
}

ButtonFieldState ButtonsPage::ShowFields(const ButtonFieldState& fields) {
    ButtonFieldState shown;
    for (const ButtonFieldRule& rule : kButtonFields)
        shown.texts[rule.field] = ui::ShowText(Item(rule.control), fields.texts[rule.field]);
    // The radio buttons chosen here are known; only those left as they were are asked.
    if (fields.action != ActionChoice::Neither) ChooseAction(fields.action);
    shown.action = fields.action != ActionChoice::Neither ? fields.action : ChosenAction();
    ui::SetChecked(Item(IDC_DEFAULTVISIBLE), fields.visible);
    ui::SetChecked(Item(IDC_SHOWINTOOLS), fields.inTools);
    EnableMenuFields(fields.inTools);
    shown.visible = ui::IsChecked(Item(IDC_DEFAULTVISIBLE));
    shown.inTools = ui::IsChecked(Item(IDC_SHOWINTOOLS));
    return shown;
}

ActionChoice ButtonsPage::ChosenAction() const {
    return ui::IsChecked(Item(IDC_EXEC))     ? ActionChoice::Exec
           : ui::IsChecked(Item(IDC_SCRIPT)) ? ActionChoice::Script
                                             : ActionChoice::Neither;
}

ButtonFieldState ButtonsPage::FieldsShown() const {
    ButtonFieldState fields;
    for (const ButtonFieldRule& rule : kButtonFields)
        fields.texts[rule.field] = ui::GetText(Item(rule.control));
    fields.action = ChosenAction();
    fields.visible = ui::IsChecked(Item(IDC_DEFAULTVISIBLE));
    fields.inTools = ui::IsChecked(Item(IDC_SHOWINTOOLS));
    return fields;
}

void ButtonsPage::ChooseAction(ActionChoice action) {
    ui::SetChecked(Item(IDC_EXEC), action == ActionChoice::Exec);
    ui::SetChecked(Item(IDC_SCRIPT), action == ActionChoice::Script);
    for (const ButtonFieldRule& rule : kButtonFields)
        if (rule.group == FieldGroup::Exec || rule.group == FieldGroup::Script)
            ui::EnableField(Item(rule.control), GroupInUse(rule.group, action, false));
}

void ButtonsPage::EnableMenuFields(bool enabled) {
    for (const ButtonFieldRule& rule : kButtonFields)
        if (rule.group == FieldGroup::Tools)
            ui::EnableField(Item(rule.control),
                            GroupInUse(rule.group, ActionChoice::Neither, enabled));
}

void ButtonsPage::OfferSaveOfShownRecord(bool refresh) {
    if (!host_.IsPageModified(ui::kPageButtons)) return;
    // The edits are this page's even when another page's load has cleared Modified since.
    host_.MarkModified(ui::kPageButtons);
    host_.OfferSave(ui::kPageButtons, refresh);
}

void ButtonsPage::ClearButtonFields() {
    ui::SetText(Item(IDC_STATICTEXT1), "");
    ui::SetText(Item(IDC_BUTTONPLACE), "");
    ShowFields(NoRecordFields());
    for (const ButtonFieldRule& rule : kButtonFields) ui::SetReadOnly(Item(rule.control), false);
    SetPreview(image1_, IDC_IMAGE1, {});
    SetPreview(image2_, IDC_IMAGE2, {});
    shown_ = {};
}

std::string ButtonsPage::ShownKey() const { return ui::GetText(Item(IDC_STATICTEXT1)); }

// --- editing ---

void ButtonsPage::Save() {
    if (ShownKey().empty()) {
        // The typed text stays in the fields; there is no record to write it into.
        ui::AppDialogs().ShowError(host_.MainWindow(), ui::Text(IDS_BUTTON_NONE_SHOWN));
        return;
    }
    editsRefused_ = savedElevated_ = false;
    const std::string keyName = ShownKey();
    SaveButton(keyName);
    if (savedElevated_) {
        // Made by the elevated copy: the record is read again, as it now is.
        host_.ClearModified(ui::kPageButtons);
        const int position = strip_.Find(keyName);
        if (position >= 0) ShowButton(position);
    }
    RefreshButtonImages();
    // Windows refused the save: the edits are still unsaved in the fields, and leaving the
    // page asks about them again.
    if (editsRefused_) host_.MarkModified(ui::kPageButtons);
}

std::string ButtonsPage::SavePrompt() const {
    return ui::Text(IDS_BUTTON_SAVE_PROMPT, {ui::GetText(Item(IDC_BUTTONTEXT))});
}

void ButtonsPage::SaveFromPrompt(bool refresh) {
    if (ShownKey().empty()) {
        ui::AppDialogs().ShowError(host_.MainWindow(), ui::Text(IDS_BUTTON_NONE_SHOWN));
        return;
    }
    SaveButton(ShownKey());
    if (refresh) RefreshButtonImages();
}

void ButtonsPage::SaveButton(const std::string& keyName) {
    // With no record shown the path would be the Extensions key itself: nothing to write to.
    if (keyName.empty()) return;
    // What the fields showed of the record: only what the user changed since is written.
    ShownRecord none;
    none.fields = FieldsShown();
    ShownRecord& shown = keyName == shown_.keyName ? shown_ : none;
    const HKEY root = shown.root ? shown.root : RootForButton(keyName, strip_.CurrentUserButtons());
    const ButtonFieldState now = FieldsShown();
    const std::vector<ValueEdit> edits = ButtonEdits(shown.values, shown.fields, now);

    // The record shown is saved where it was read, whatever a listing found since.
    const std::string text = ui::GetText(Item(IDC_BUTTONTEXT));
    const SaveOutcome outcome =
        SaveButtonEdits(host_.Registry(), root, keyName, shown.values, edits,
                        [&](const std::string& names) {
                            return ui::AppDialogs().AskYesNo(
                                host_.MainWindow(), ui::Text(IDS_BUTTON_CHANGED, {text, names}));
                        },
                        {ui::Text(IDS_CHANGE_SAVE_BUTTON, {text}), SavedButtonKeys(root, keyName),
                         ui::AskToGoOnWithoutBackup(host_.MainWindow())});
    switch (outcome.kind) {
    case SaveOutcome::Kind::Saved:
        // What is stored now is what the fields show: a second save writes nothing again.
        shown.fields = now;
        return;
    case SaveOutcome::Kind::CannotKeep:
        ui::AppDialogs().ShowError(host_.MainWindow(),
                                   RegistryAccessor::CannotKeepText(outcome.name));
        break;
    case SaveOutcome::Kind::RefusedField:
    case SaveOutcome::Kind::Declined: break;
    case SaveOutcome::Kind::Failed: {
        const bool refused = outcome.error->Refused();
        const std::string failure = ui::Text(IDS_BUTTON_NOT_SAVED, {text});
        if (refused && root == HKEY_LOCAL_MACHINE) {
            // Exactly this save: the elevated copy writes only while the values are still as
            // the check found them.
            if (OfferElevated(host_, failure, ElevatedSave(keyName, edits, outcome, shown.values),
                              ui::Text(IDS_CHANGE_SAVE_BUTTON, {text}),
                              SavedButtonKeys(root, keyName)) == Elevated::Made) {
                for (const ValueEdit& edit : edits) shown.values.Remember(edit.name, edit.value);
                shown.fields = now;
                savedElevated_ = true;
                return;
            }
        } else {
            ui::ReportFailure(host_, refused, KeysOf(root), failure, ui::Text(IDS_WRITE_ERROR));
        }
        // Windows refused it: the edits in the fields are still unsaved.
        if (refused) {
            host_.MarkModified(ui::kPageButtons);
            editsRefused_ = true;
        }
        return;
    }
    }
    // Nothing is written; the edits stay in the fields, still unsaved.
    host_.MarkModified(ui::kPageButtons);
    editsRefused_ = editsKept_ = true;
}

void ButtonsPage::DeleteButton(const std::string& keyName) {
    // With no record shown the path would be the Extensions key itself, with every button.
    if (keyName.empty()) return;
    const HKEY root = RootForButton(keyName, strip_.CurrentUserButtons());
    // The button by its text as stored, not as an unsaved edit in the field has it, and where
    // it lives: a machine-wide button goes for every user of the computer.
    const std::string name = keyName == shown_.keyName ? shown_.fields.texts[kFieldButtonText]
                                                       : ui::GetText(Item(IDC_BUTTONTEXT));
    const std::string which = ui::Text(root == HKEY_CURRENT_USER ? IDS_BUTTON_DELETE_THIS_USER
                                                                 : IDS_BUTTON_DELETE_ALL_USERS,
                                       {name});
    if (!ui::AppDialogs().AskYesNo(host_.MainWindow(),
                                   ui::Text(IDS_BUTTON_DELETE_QUESTION, {which})))
        return;
    RegistryAccessor& registry = host_.Registry();
    std::optional<ChangeRecord> change =
        BeginChange(ui::Text(IDS_CHANGE_DELETE_BUTTON, {name}), DeletedButtonKeys(root, keyName),
                    ui::AskToGoOnWithoutBackup(host_.MainWindow()));
    if (!change) return;
    auto forgetOwnRecord = [&] {
        if (const StoreStep forgot = ForgetDeletedButton(registry, keyName); forgot.failure)
            // The button is gone; only its entry in the program's own record stays behind.
            ui::ReportFailure(host_, forgot.failure->Refused(), ui::RefusedKeys::CurrentUser,
                              ui::Text(IDS_BUTTON_OWN_RECORD_NOT_FORGOTTEN),
                              ui::Text(IDS_WRITE_ERROR));
    };
    const StoreStep deleted = DeleteStoredButton(registry, root, keyName);
    if (deleted.done) {
        forgetOwnRecord();
        change->Finish();
    } else {
        const bool refused = deleted.failure && deleted.failure->Refused();
        change->Discard();
        const std::string failure = ui::Text(IDS_BUTTON_NOT_DELETED, {name});
        if (!refused || root != HKEY_LOCAL_MACHINE) {
            ui::ReportFailure(host_, refused, KeysOf(root), failure,
                              ui::Text(IDS_DELETE_DATA_ERROR));
            return;
        }
        if (OfferElevated(host_, failure, {ElevatedChange::Action::Delete, keyName, {}},
                          ui::Text(IDS_CHANGE_DELETE_BUTTON, {name}),
                          DeletedButtonKeys(root, keyName), forgetOwnRecord) != Elevated::Made)
            return;
    }
    // The edits of the record just deleted have nowhere to go: the rebuild asks nothing.
    host_.ClearModified(ui::kPageButtons);
    ListButtons(-1);
}

void ButtonsPage::AddButton(int templateRow) {
    if (templateRow < 0 || templateRow >= static_cast<int>(ButtonTemplates.size())) return;
    // The template replaces the fields: their edits are offered first, for the record shown.
    OfferSaveOfShownRecord(false);
    RegistryAccessor& registry = host_.Registry();
    NewButtonKey key;
    try {
        key = NextButtonKey(registry);
    } catch (const ButtonKeysExhausted& full) {
        ui::AppDialogs().ShowError(host_.MainWindow(), full.what());
        return;
    }
    const std::string name = ButtonTemplates[templateRow][kTemplateName];
    const std::vector<std::pair<std::string, std::string>> values =
        NewRecordValues(FieldsFromTemplate(ButtonTemplates[templateRow], ui::ProgramFolder()));
    const std::string what = ui::Text(IDS_CHANGE_ADD_BUTTON, {name});
    auto writeOwnRecord = [&] {
        if (const StoreStep noted = NoteMadeButton(registry, key); noted.failure)
            ui::ReportFailure(host_, noted.failure->Refused(), ui::RefusedKeys::CurrentUser,
                              ui::Text(IDS_BUTTON_OWN_RECORD_NOT_WRITTEN),
                              ui::Text(IDS_WRITE_ERROR));
    };
    // Makes the record under root; a refusal of the machine's keys is left to the caller.
    enum class Outcome { Made, Refused, Stopped };
    auto makeUnder = [&](HKEY root) {
        // The new record, the Extensions key where it is made with it, and the program's own
        // record are one change in the history.
        std::optional<ChangeRecord> change = BeginChange(
            what, NewButtonKeys(root, key.keyName), ui::AskToGoOnWithoutBackup(host_.MainWindow()));
        if (!change) return Outcome::Stopped;
        const StoreStep made = MakeStoredButton(registry, root, key.keyName, values);
        if (made.done) {
            writeOwnRecord();
            change->Finish();
            return Outcome::Made;
        }
        change->Discard();
        const bool refused = made.failure && made.failure->Refused();
        if (refused && root == HKEY_LOCAL_MACHINE) return Outcome::Refused;
        ui::ReportFailure(host_, refused, KeysOf(root), ui::Text(IDS_BUTTON_NOT_ADDED),
                          ui::Text(IDS_CREATE_KEY_ERROR));
        return Outcome::Stopped;
    };

    Outcome outcome = makeUnder(HKEY_LOCAL_MACHINE);
    if (outcome == Outcome::Refused) {
        // The same record, made by an elevated copy; or, for a user who does not take that, the
        // button for this user alone, which the browser shows them as well.
        const Elevated elevated = OfferElevated(
            host_, ui::Text(IDS_BUTTON_NOT_ADDED), ElevatedCreate(key.keyName, values), what,
            NewButtonKeys(HKEY_LOCAL_MACHINE, key.keyName), writeOwnRecord);
        if (elevated == Elevated::Made)
            outcome = Outcome::Made;
        else if (elevated == Elevated::Declined &&
                 ui::AppDialogs().AskYesNo(host_.MainWindow(),
                                           ui::Text(IDS_ADD_FOR_THIS_USER, {name})))
            outcome = makeUnder(HKEY_CURRENT_USER);
    }
    if (outcome != Outcome::Made) return;
    // The strip is listed again with the new button, which is shown.
    host_.ClearModified(ui::kPageButtons);
    ListButtons(-1);
    const int position = strip_.Find(key.keyName);
    if (position >= 0) ShowButton(position);
}

// --- field handlers ---

void ButtonsPage::FieldChange() { host_.MarkModified(ui::kPageButtons); }

void ButtonsPage::DefaultVisibleClick() { host_.MarkModified(ui::kPageButtons); }

void ButtonsPage::ExecRadioClick() {
    ChooseAction(ActionChoice::Exec);
    host_.MarkModified(ui::kPageButtons);
}

void ButtonsPage::ScriptRadioClick() {
    ChooseAction(ActionChoice::Script);
    host_.MarkModified(ui::kPageButtons);
}

void ButtonsPage::ShowInToolsClick() {
    EnableMenuFields(ui::IsChecked(Item(IDC_SHOWINTOOLS)));
    host_.MarkModified(ui::kPageButtons);
}

void ButtonsPage::BrowseInto(int editId) {
    // The filter stays as the last click left it: an icon "Browse" sets the icon filter.
    if (!ui::AppDialogs().RunFileDialog(host_.MainWindow(), ui::FileDialogKind::Open, openDialog1_))
        return;
    ui::SetText(Item(editId), openDialog1_.fileName);
}

void ButtonsPage::ExecBrowseClick() { BrowseInto(IDC_EXECEDIT); }
void ButtonsPage::ScriptBrowseClick() { BrowseInto(IDC_SCRIPTEDIT); }

void ButtonsPage::OnlyQuillmereClick() { ListButtons(-1); }

void ButtonsPage::ToolBar2Click(int command) {
    const int position = strip_.FindCommand(command);
    if (position >= 0) ShowButton(position);
}

// --- messages ---

INT_PTR ButtonsPage::OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: FormCreate(); return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (lParam != 0 && reinterpret_cast<HWND>(lParam) == strip_.ToolBar()) {
            ToolBar2Click(id);
            return TRUE;
        }
        if (code == EN_CHANGE) {
            if (std::any_of(kButtonFields.begin(), kButtonFields.end(),
                            [&](const ButtonFieldRule& rule) { return rule.control == id; })) {
                FieldChange();
                return TRUE;
            }
            return FALSE;
        }
        if (code != BN_CLICKED) return FALSE;
        switch (id) {
        case IDC_DEFAULTVISIBLE: DefaultVisibleClick(); return TRUE;
        case IDC_EXEC: ExecRadioClick(); return TRUE;
        case IDC_SCRIPT: ScriptRadioClick(); return TRUE;
        case IDC_SHOWINTOOLS: ShowInToolsClick(); return TRUE;
        case IDC_EXECBROWSE: ExecBrowseClick(); return TRUE;
        case IDC_SCRIPTBROWSE: ScriptBrowseClick(); return TRUE;
        case IDC_ICONBROWSE: IconBrowseClick(); return TRUE;
        case IDC_HOTICONBROWSE: HotIconBrowseClick(); return TRUE;
        case IDC_ICONVIEW: IconViewClick(); return TRUE;
        case IDC_HOTICONVIEW: HotIconViewClick(); return TRUE;
        case IDC_ONLYQUILLMERE: OnlyQuillmereClick(); return TRUE;
        default: return FALSE;
        }
    }
    case WM_NOTIFY:
        // The strip's hints are asked for by command; the Exec and Script hints are fixed texts.
        return reinterpret_cast<NMHDR*>(lParam)->hwndFrom != hints_ &&
               strip_.HintAsked(*reinterpret_cast<NMHDR*>(lParam));
    case WM_SIZE: LayoutStrip(); return FALSE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID == IDC_IMAGE1)
            PaintPreview(item, image1_.get());
        else if (item.CtlID == IDC_IMAGE2)
            PaintPreview(item, image2_.get());
        else
            return FALSE;
        return TRUE;
    }
    case kRebuildStrip: {
        rebuildPosted_ = false;
        // The record shown stays shown when the rebuild still lists it.
        int shown = strip_.Find(ShownKey());
        ListButtons(shown);
        return TRUE;
    }
    default: return FALSE;
    }
}

} // namespace qm
