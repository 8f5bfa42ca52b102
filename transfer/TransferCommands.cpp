#include "transfer/TransferCommands.h"

#include "buttons/ButtonStore.h"
#include "transfer/ExportFile.h"
#include "transfer/FileValues.h"
#include "transfer/ImportCheck.h"
#include "transfer/ImportPreview.h"
#include "transfer/ImportRows.h"
#include "transfer/ImportedSets.h"
#include "transfer/LocalCopy.h"
#include "registry/KeyScope.h"
#include "ui/Controls.h"
#include "ui/History.h"
#include "ui/PageHost.h"
#include "ui/Rights.h"
#include "ui/Texts.h"
#include "ui/Window.h"

#include "resource.h"

#include <algorithm>

namespace qm::transfer {

namespace {

// The key names taken under either root, in lower case: the machine's names below the
// Extensions key open in machine (none when it has none open), and the current user's. A name
// the current user's root holds is taken too: the page would address a new machine-wide record
// of that name under the current user's root.
std::vector<std::string> TakenNames(const RegistryAccessor& machine) {
    std::vector<std::string> taken;
    if (machine.HasOpenKey())
        for (const std::string& name : machine.GetKeyNames()) taken.push_back(AsciiLower(name));
    RegistryAccessor user;
    user.SetRoot(HKEY_CURRENT_USER);
    if (user.OpenKey(kExtensionsKey, false))
        for (const std::string& name : user.GetKeyNames()) taken.push_back(AsciiLower(name));
    return taken;
}

bool IsTaken(const std::vector<std::string>& taken, const std::string& keyName) {
    return std::find(taken.begin(), taken.end(), AsciiLower(keyName)) != taken.end();
}

// The names from searchFrom to 99 that are not taken: what an import may still make.
int CountFree(const std::vector<std::string>& taken, int searchFrom) {
    int free = 0;
    for (int n = std::max(searchFrom, 1); n <= kMaxButtonCounter; ++n)
        if (!IsTaken(taken, ButtonKeyName(n))) ++free;
    return free;
}

void ThrowUnlessFits(const ImportPlan& plan, int free) {
    if (static_cast<size_t>(free) < plan.buttons.size())
        throw ImportDoesNotFit(ui::Text(IDS_IMPORT_DOES_NOT_FIT,
                                        {std::to_string(plan.buttons.size()), std::to_string(free),
                                         std::to_string(kMaxButtonCounter)}));
}

} // namespace

ButtonImporter::ButtonImporter(RegistryAccessor& registry, HWND owner)
    : registry_(registry), owner_(owner) {}

void ButtonImporter::OpenExtensions() {
    extensions_.SetRoot(HKEY_LOCAL_MACHINE);
    try {
        extensions_.OpenKey(kExtensionsKey, true);
    } catch (const RegistryError& error) {
        // Without the rights to change it the import stops here, before any button is made;
        // any other failure names the first button's key when it cannot be made below it.
        if (error.Refused()) throw;
        return;
    }
    taken_ = TakenNames(extensions_);
}

bool ButtonImporter::Taken(const std::string& keyName) const { return IsTaken(taken_, keyName); }

int ButtonImporter::FreeNames() {
    if (!extensions_.HasOpenKey()) OpenExtensions();
    return CountFree(taken_, searchFrom_);
}

void CheckImportFits(const ImportPlan& plan) {
    RegistryAccessor machine;
    machine.SetRoot(HKEY_LOCAL_MACHINE);
    // Opened for reading only: counting changes nothing, not even a missing Extensions key.
    if (!machine.OpenKey(kExtensionsKey, false)) machine.CloseKey();
    ThrowUnlessFits(plan, CountFree(TakenNames(machine), 1));
}

void ButtonImporter::SectionStart() {
    // A section that never ended keeps what it got and has no own-record entry.
    registry_.CloseKey();
    sectionOpen_ = false;
    if (!extensions_.HasOpenKey()) OpenExtensions();
    // Every name below the one chosen last was taken when it was chosen, and the import only
    // adds keys: the search goes on from there rather than probing the same names again for
    // each section (which made a long import quadratic). Past the 99th name it stops. A name
    // another program took since the names were read is passed over as well: a new button
    // never goes into a key that is already there.
    for (int n = std::max(searchFrom_, 1);; ++n) {
        if (n > kMaxButtonCounter) throw ButtonKeysExhausted();
        NewButtonKey key{n, ButtonKeyName(n), OwnRecordValueName(n)};
        if (Taken(key.keyName)) continue;
        try {
            if (registry_.MakeKeyBelow(extensions_, key.keyName) ==
                RegistryAccessor::NewKey::Exists)
                continue;
        } catch (const RegistryError& error) {
            throw KeyNotCreated(ButtonKeyPath(key.keyName), error.Refused());
        }
        searchFrom_ = n + 1;
        sectionOpen_ = true;
        created_.push_back(std::move(key));
        written_.emplace_back();
        return;
    }
}

void ButtonImporter::Value(const std::string& name, const std::string& text) {
    if (!sectionOpen_) return; // stray lines between sections have no effect
    try {
        written_.back().push_back(registry_.WriteString(name, text));
    } catch (const RegistryError& error) {
        RemoveOpenSection();
        throw DataNotSet(QuoteCut(name), error.Refused());
    }
}

void ButtonImporter::RemoveOpenSection() {
    sectionOpen_ = false;
    registry_.CloseKey();
    RegistryAccessor machine;
    machine.SetRoot(HKEY_LOCAL_MACHINE);
    try {
        machine.DeleteKey(ButtonKeyPath(created_.back().keyName));
    } catch (const RegistryError&) {
        // What the section got stays; the failure that ended it is the one reported.
    }
    created_.pop_back();
    written_.pop_back();
    searchFrom_ = 1; // the name is free again
}

void ButtonImporter::SectionEnd() {
    // An end with no section open belongs to no key: it records nothing.
    if (!sectionOpen_) return;
    sectionOpen_ = false;
    registry_.CloseKey();
    const NewButtonKey& key = created_.back();
    try {
        ownRecordWritten_.push_back(AddOwnRecordEntry(ownRecord_, key));
    } catch (const RegistryError& error) {
        ownRecord_.CloseKey();
        ownRecordFailed_ = true;
        // Which key and value, and why: a refusal says so, anything else gives the registry's
        // own text.
        std::string where = kOwnRecordKey;
        while (!where.empty() && where.back() == '\\') where.pop_back();
        std::string text = ui::Text(
            IDS_OWN_RECORD_ENTRY_NOT_WRITTEN,
            {ui::Text(IDS_WRITE_ERROR), "HKEY_CURRENT_USER" + where, key.ownRecordValueName,
             key.keyName, error.Refused() ? ui::Text(IDS_REGISTRY_REFUSED) : error.what()});
        if (ownRecordNotice_)
            ownRecordNotice_(text, error.Refused());
        else
            ui::AppDialogs().ShowError(owner_, text);
    }
}

namespace {

using StoredValues = std::vector<std::pair<std::string, RawValue>>;

std::optional<std::string> TextOf(const StoredValues& values, const std::string& name) {
    for (const auto& [valueName, value] : values) {
        if (valueName != name) continue;
        try {
            return RegistryAccessor::StringFromValue(name, value);
        } catch (const RegistryError&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

constexpr size_t kListedInMessage = 10;

} // namespace

std::string ListMessage(const std::string& heading, const std::vector<std::string>& items) {
    if (items.size() == 1) return items.front();
    std::string text = heading;
    for (size_t i = 0; i < items.size() && i < kListedInMessage; ++i) text += "\n" + items[i];
    if (items.size() > kListedInMessage)
        text += "\n" + ui::Text(IDS_LIST_MORE, {std::to_string(items.size() - kListedInMessage)});
    return text;
}

ExportResult ExportButtons(RegistryAccessor& registry, const std::string& path,
                           const std::string& companionFolder, DiskWrite write) {
    ExportOutput output(path, companionFolder, std::move(write));
    std::vector<MarkedRecord> buttons = ReadMarkedRecords(registry);

    // Files that already lie in the companion folder (buttons imported from an earlier export
    // there) keep their names, and so do the system's modules that travel by name: every other
    // file gets a name of its own instead of replacing them.
    CompanionNames names(companionFolder, ResolveFullPath);
    for (bool byName : {false, true})
        for (const MarkedRecord& button : buttons)
            for (const auto& [name, value] : button.values) {
                if (!IsFileValue(name)) continue;
                std::optional<std::string> data = TextOf(button.values, name);
                if (!data) continue;
                FileTravel travel = TravelOf(name, *data);
                if (byName ? travel.way == FileTravel::Way::ByName
                           : travel.way == FileTravel::Way::Copy &&
                                 LiesDirectlyIn(travel.file, companionFolder, ResolveFullPath))
                    names.Claim(FileNamePart(travel.file), travel.file);
            }

    const MarkedRecord* current = nullptr;
    SectionSource source;
    source.valueNames = [&] {
        std::vector<std::string> valueNames;
        for (const auto& value : current->values) valueNames.push_back(value.first);
        return valueNames;
    };
    source.readString = [&](const std::string& name) {
        if (std::find(current->inexact.begin(), current->inexact.end(), name) !=
            current->inexact.end())
            throw UnportableValueError(ui::Text(IDS_EXPORT_INEXACT));
        for (const auto& [valueName, value] : current->values)
            if (valueName == name) return RegistryAccessor::StringFromValue(name, value);
        return std::string();
    };
    source.buttonText = [&] { return TextOf(current->values, kButtonTextValue).value_or(""); };
    source.travel = TravelOf;
    ByteSink sink = [&](std::string_view bytes) { output.Write(bytes); };
    // A file that is there but cannot be read is not taken either, and said so.
    std::vector<FileNotTaken> unreadable;
    FileCopier copy = [&](const std::string& from, const std::string& to) {
        DWORD error = output.Copy(from, to);
        if (!error) return;
        // Each value of the button that names the file, once.
        for (const auto& [name, value] : current->values) {
            std::string data = TextOf(current->values, name).value_or("");
            if (!IsFileValue(name) || SplitFileValue(name, data).file != from ||
                std::any_of(unreadable.begin(), unreadable.end(),
                            [&](const FileNotTaken& file) { return file.value == name; }))
                continue;
            unreadable.push_back(
                {name, data, ui::Text(IDS_FILE_VALUE_UNREADABLE, {InOutErrorText(error)})});
        }
    };

    std::vector<std::string> leftOut;
    std::vector<ButtonFilesNotTaken> filesNotTaken;
    for (const MarkedRecord& button : buttons) {
        current = &button;
        unreadable.clear();
        try {
            ButtonFilesNotTaken files{source.buttonText(), WriteButtonSection(sink, companionFolder,
                                                                              source, copy, names)};
            files.files.insert(files.files.end(), unreadable.begin(), unreadable.end());
            if (!files.files.empty()) filesNotTaken.push_back(std::move(files));
        } catch (const UnportableValueError& refused) {
            leftOut.push_back(refused.what());
        }
    }
    output.Commit();
    ExportResult result;
    result.exported = static_cast<int>(buttons.size() - leftOut.size());
    if (!leftOut.empty())
        result.leftOut =
            ListMessage(ui::Text(IDS_EXPORT_LEFT_OUT, {std::to_string(leftOut.size())}), leftOut);
    result.filesNotTaken = FilesNotTakenMessage(filesNotTaken);
    return result;
}

std::string ExportDoneText(const std::string& path, int exported) {
    if (exported == 0) return ui::Text(IDS_EXPORT_DONE_NONE, {path});
    if (exported == 1) return ui::Text(IDS_EXPORT_DONE_ONE, {path});
    return ui::Text(IDS_EXPORT_DONE, {std::to_string(exported), path});
}

ImportPlan PlanImport(const std::string& path) {
    return PlanExportFile(path, CompanionFolderFor(path));
}

std::vector<NewButtonKey> ImportPlanned(RegistryAccessor& registry, const ImportPlan& plan,
                                        const std::string& path, const GoOnWithoutRecord& goOn,
                                        HWND owner,
                                        const ButtonImporter::OwnRecordNotice& ownRecordNotice,
                                        const CreatedNotice& created) {
    // The record of imported sets says which buttons the set uses, also those already there.
    const std::string set = SetNameOf(path);
    if (plan.buttons.empty() && SetUsesNoted(set, plan.alreadyThere)) return {};
    // Before anything is opened for writing (which makes a missing Extensions key).
    MadeContainers made = MissingContainers();
    if (plan.buttons.empty()) made.machineKeys.clear(); // no button key is made
    ButtonImporter importer(registry, owner);
    if (ownRecordNotice) importer.SetOwnRecordNotice(ownRecordNotice);
    KeyScope keyScope(registry);
    std::vector<ChangedKey> keys = SetRecordKeys(!plan.buttons.empty());
    // The import only makes new buttons in the Extensions key and writes their entries into
    // the own record, each told to the record.
    for (ChangedKey& key : keys)
        if ((key.root == HKEY_LOCAL_MACHINE && key.path == kExtensionsKey) ||
            (key.root == HKEY_CURRENT_USER && key.path == kOwnRecordKey))
            key.grows = true;
    std::string why;
    std::optional<ChangeRecord> change =
        BeginChange(ui::Text(IDS_CHANGE_IMPORT, {path.substr(path.find_last_of("\\/") + 1),
                                                 std::to_string(plan.buttons.size())}),
                    keys, [&](const std::string& failure) {
                        why = failure;
                        return goOn && goOn(failure);
                    });
    if (!change) throw ImportNotBackedUp(why);
    // However the import ends, what it made is in the record's "after" state: the keys it
    // made hold what it wrote into them, the own record has the entries written in addition,
    // the rest is read.
    struct FinishAtEnd {
        std::optional<ChangeRecord>& change;
        const ButtonImporter& importer;
        ~FinishAtEnd() {
            for (size_t i = 0; i < importer.Created().size(); ++i)
                change->Made(HKEY_LOCAL_MACHINE, ButtonKeyPath(importer.Created()[i].keyName),
                             importer.Written()[i]);
            change->Wrote(HKEY_CURRENT_USER, kOwnRecordKey, importer.OwnRecordWritten());
            change->Finish();
        }
    } finishAtEnd{change, importer};
    // Counted again now that the key is open for writing (which makes it when it is missing, so
    // only now that the record has it as it was): another program may have taken names since
    // the check before the question. An empty plan opens nothing. A refusal has changed nothing
    // and leaves no record; names taken meanwhile leave at most the Extensions key made, which
    // the record takes back.
    try {
        if (!plan.buttons.empty()) ThrowUnlessFits(plan, importer.FreeNames());
    } catch (const RegistryError& error) {
        if (error.Refused() || made.machineKeys.empty()) change->Discard();
        throw;
    }
    // A record of imported sets that cannot be written does not stop the import: it is told
    // like an own record that cannot, once, at the end. Not when the own record failed as
    // well: the user heard that the program's records cannot be written, and a button without
    // its own-record entry is never taken back anyway.
    std::optional<RegistryError> notNoted;
    std::optional<SetUseNotes> notes;
    auto note = [&](const std::vector<SetUse>& uses) {
        if (notNoted) return;
        try {
            if (!notes) notes.emplace(set, made);
            notes->Note(uses);
        } catch (const RegistryError& error) {
            notNoted = error;
        }
    };
    note(plan.alreadyThere);
    for (size_t i = 0; i < plan.buttons.size(); ++i) {
        const PlannedButton& button = plan.buttons[i];
        importer.SectionStart();
        for (const PlannedValue& value : button.values) importer.Value(value.name, value.text);
        if (button.complete) importer.SectionEnd();
        note({{importer.Created().back().keyName, PlannedText(button, kButtonTextValue)}});
        if (created) created(i, importer.Created().back());
    }
    if (notNoted && !importer.OwnRecordFailed()) {
        std::string text =
            ui::Text(IDS_SET_RECORD_NOT_WRITTEN,
                     {std::string("HKEY_CURRENT_USER") + kImportedSetsKey, set,
                      notNoted->Refused() ? ui::Text(IDS_REGISTRY_REFUSED) : notNoted->what()});
        if (ownRecordNotice)
            ownRecordNotice(text, notNoted->Refused());
        else
            ui::AppDialogs().ShowError(owner, text);
    }
    return importer.Created();
}

std::string RefusedSectionsMessage(const std::string& path, const ImportPlan& plan) {
    std::vector<std::string> items;
    for (const RefusedSection& refused : plan.refused)
        items.push_back(ui::Text(IDS_IMPORT_BUTTON_REFUSED,
                                 {std::to_string(refused.line), path, refused.reason}));
    if (items.empty()) return {};
    return ListMessage(ui::Text(IDS_IMPORT_LEFT_OUT, {std::to_string(items.size()), path}), items);
}

ToolBarTransfer::ToolBarTransfer(ui::PageHost& host, std::function<void()> rebuildStrip)
    : host_(host), rebuildStrip_(std::move(rebuildStrip)) {}

void ToolBarTransfer::PrepareDialog(ui::FileDialog& dialog, DWORD options) {
    dialog.filter = ui::Text(IDS_FILTER_EXPORT_FILES);
    dialog.defaultExt = kExportExtension;
    dialog.initialDir = ui::ProgramFolder(); // matters only until a name was chosen
    dialog.options = options;
}

void ToolBarTransfer::ExportToolBarInfo() {
    ui::Guarded(host_.MainWindow(), [this] { Export(); });
}

void ToolBarTransfer::ImportToolBarInfo() {
    ui::Guarded(host_.MainWindow(), [this] { Import(); });
}

void ToolBarTransfer::Export() {
    RegistryAccessor& registry = host_.ResetRegistry();
    PrepareDialog(SaveDialog1, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING);
    if (!ui::AppDialogs().RunFileDialog(host_.MainWindow(), ui::FileDialogKind::Save, SaveDialog1))
        return;
    // The companion folder is named after the file as the platform names it (a short name
    // typed into the dialog would give another folder).
    const std::string path = ResolveFullPath(SaveDialog1.fileName).value_or(SaveDialog1.fileName);
    ExportResult result;
    {
        ui::HourglassCursor busy;
        result = ExportButtons(registry, path, CompanionFolderFor(path));
    }
    // The export ends with what it did: how many buttons went where, and, when some could not
    // go, which and why in the same box.
    std::string done = ExportDoneText(path, result.exported);
    for (const std::string* more : {&result.leftOut, &result.filesNotTaken})
        if (!more->empty()) done += "\n" + *more;
    if (result.leftOut.empty() && result.filesNotTaken.empty())
        ui::AppDialogs().ShowInformation(host_.MainWindow(), done);
    else
        ui::AppDialogs().ShowApplicationError(host_.MainWindow(), ui::StandardErrorText(done));
}

void ToolBarTransfer::Import() {
    RegistryAccessor& registry = host_.ResetRegistry();
    // Without OFN_FILEMUSTEXIST: a missing name is taken and fails on opening.
    PrepareDialog(OpenDialog2, OFN_HIDEREADONLY | OFN_ENABLESIZING);
    if (!ui::AppDialogs().RunFileDialog(host_.MainWindow(), ui::FileDialogKind::Open, OpenDialog2))
        return;
    // The whole file is read and checked before the first key is made; a file that cannot be
    // opened or read, or is no export file, imports nothing. The user sees what it will create
    // (a file is data from another machine) and No writes nothing.
    std::string path = ResolveFullPath(OpenDialog2.fileName).value_or(OpenDialog2.fileName);
    ImportPlan plan;
    std::vector<ImportRow> rows;
    ui::RowChoice choice;
    {
        ui::HourglassCursor reading;
        plan = ReadImportFile(path);
        // The same check as /import's: a button already there is not proposed again.
        rows = CheckImportRows(plan, ExistingButtons(registry));
        choice = ImportChoice(path, plan, rows);
    }
    // A file that cannot fit even with only the proposed rows is refused before the user is
    // asked about it, and the rows chosen are counted again before the first key is made.
    CheckImportFits(ChosenButtons(plan, rows, ChosenRows(choice)));
    if (!ui::AppDialogs().ChooseRows(host_.MainWindow(), choice)) return;
    plan = ChosenButtons(std::move(plan), rows, ChosenRows(choice));
    CheckImportFits(plan);
    // Nothing chosen and no button of the set already there: nothing to do.
    if (plan.buttons.empty() && plan.alreadyThere.empty()) return;
    ui::HourglassCursor busy;
    // The set's files first, all or nothing: a copy that fails imports nothing. The copy stays
    // once a button uses it.
    std::optional<SetCopy> copy;
    if (!choice.option.empty() && choice.optionChecked) copy.emplace(path, plan);
    try {
        ImportPlanned(registry, copy ? copy->Plan() : plan, path,
                      ui::AskToGoOnWithoutBackup(host_.MainWindow()), host_.MainWindow(), {},
                      [&](size_t, const NewButtonKey&) {
                          if (copy) copy->Keep();
                      });
    } catch (const ImportNotBackedUp&) {
        return; // the user chose not to import without a backup: nothing was written
    } catch (const RegistryError& error) {
        // What was imported before the failure stays, and the strip shows it.
        if (rebuildStrip_) rebuildStrip_();
        if (!error.Refused()) throw;
        // Refused before anything was made: the same import, by a copy of the program with
        // administrator rights, which shows what it will create and asks again itself; this
        // window waits for it and lists what it made.
        const std::string failure = ui::Text(IDS_IMPORT_NOT_DONE, {path});
        if (ui::AppDialogs().AskYesNo(host_.MainWindow(),
                                      ui::RefusalText(ui::RefusedKeys::Machine, failure)) &&
            ui::AppDialogs().RunElevated(host_.MainWindow(), "/import \"" + path + "\"" +
                                                                 (copy ? " /copyfiles" : "")) &&
            rebuildStrip_)
            rebuildStrip_();
        return;
    } catch (...) {
        if (rebuildStrip_) rebuildStrip_();
        throw;
    }
    if (rebuildStrip_) rebuildStrip_();
    std::string refused = RefusedSectionsMessage(path, plan);
    if (!refused.empty())
        ui::AppDialogs().ShowApplicationError(host_.MainWindow(), ui::StandardErrorText(refused));
}

} // namespace qm::transfer
