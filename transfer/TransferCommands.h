#pragma once
// The Tools menu's "Export ToolBar Info" and "Import ToolBar Info": the program's own
// machine-wide toolbar buttons go to an export file with their script and icon files in its
// companion folder, and such a file comes back as new buttons on another machine.

#include "buttons/ButtonRecord.h"
#include "registry/ChangeHistory.h"
#include "registry/RegistryAccessor.h"
#include "transfer/ExportFile.h"
#include "transfer/ExportFormat.h"
#include "transfer/ImportPlan.h"
#include "ui/Dialogs.h"

#include <functional>
#include <stdexcept>
#include <string>

namespace qm::ui {
class PageHost;
}

namespace qm::transfer {

inline constexpr char kExportExtension[] = "qmx";

// The whole import is refused before anything is written: the file holds more buttons than
// there are free names.
class ImportDoesNotFit : public RegistryError {
public:
    using RegistryError::RegistryError;
};

// An import not made because its keys could not be backed up first and the user (or the
// command's switches) did not say to go on without; what() says why the backup failed.
class ImportNotBackedUp : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Creates one new machine-wide button per section, as the sections are handed to it (from a
// checked import plan): a section start makes a key under the first free name, values go into
// it as plain strings, and a section end writes the key's own-record entry. A value that
// cannot be written removes the key made for its section before the error goes on, so that no
// half button stays behind.
// The Extensions key is opened once, with the names already taken under either root, and
// stays open for the whole import like the own-record key: each button costs one request per
// registry view to make its key, then one per value and view, and no path from the root is
// walked again.
class ButtonImporter : public ExportEvents {
public:
    ButtonImporter(RegistryAccessor& registry, HWND owner);
    // Where the own-record failure message goes instead of the "Error" box (a command run
    // without a window), with whether Windows refused it for lack of rights.
    using OwnRecordNotice = std::function<void(const std::string& text, bool refused)>;
    void SetOwnRecordNotice(OwnRecordNotice notice) { ownRecordNotice_ = std::move(notice); }

    void SectionStart() override;
    void Value(const std::string& name, const std::string& text) override;
    void SectionEnd() override;

    // The keys made so far, in file order.
    const std::vector<NewButtonKey>& Created() const { return created_; }
    // What each of them holds: the values written into it, as the registry stores them.
    const std::vector<std::vector<StoredValue>>& Written() const { return written_; }
    // The own-record entries written, as the registry stores them.
    const std::vector<StoredValue>& OwnRecordWritten() const { return ownRecordWritten_; }
    // Whether an own-record entry could not be written (and the user was told).
    bool OwnRecordFailed() const { return ownRecordFailed_; }
    // How many buttons can still be made: the names from 01 to 99 that neither root holds and
    // that the sections to come may take. Reads the names taken when it has not yet.
    int FreeNames();

private:
    void RemoveOpenSection();
    void OpenExtensions();
    bool Taken(const std::string& keyName) const;

    RegistryAccessor& registry_; // the key of the open section
    HWND owner_;
    OwnRecordNotice ownRecordNotice_;
    bool ownRecordFailed_ = false;
    RegistryAccessor extensions_;    // the machine's Extensions key, once the first section starts
    std::vector<std::string> taken_; // key names under either root then, in lower case
    RegistryAccessor ownRecord_;     // the own-record key, once the first entry is written
    bool sectionOpen_ = false;
    int searchFrom_ = 1; // the first key name the next section may get
    std::vector<NewButtonKey> created_;
    std::vector<std::vector<StoredValue>> written_; // one per created_
    std::vector<StoredValue> ownRecordWritten_;
};

// The two commands with the state the main window keeps for them: its two file dialogs, and
// the rebuild of the button strip that ends an import.
class ToolBarTransfer {
public:
    explicit ToolBarTransfer(ui::PageHost& host, std::function<void()> rebuildStrip = {});

    // The strip rebuild (ListButtons with no selection) that ends every import that read.
    void SetRebuildStrip(std::function<void()> rebuildStrip) {
        rebuildStrip_ = std::move(rebuildStrip);
    }

    // Both report failures in the application's standard error box and return normally.
    void ExportToolBarInfo();
    void ImportToolBarInfo();

    ui::FileDialog SaveDialog1; // asks before replacing a file
    ui::FileDialog OpenDialog2; // takes names of missing files too

private:
    void Export();
    void Import();
    void PrepareDialog(ui::FileDialog& dialog, DWORD options);

    ui::PageHost& host_;
    std::function<void()> rebuildStrip_;
};

// Writes every machine-wide button that carries the program's marker to the export file at
// path, the last enumerated key first, with its files in companionFolder. A button with a
// value that cannot travel is left out whole, and the others are written; the result counts
// the buttons written and lists those left out and why. The file and the copies replace
// what was there only once all of them are complete: an export that fails (a full disk)
// throws InOutError naming the file and leaves the previous export as it was. Leaves no key
// open.
// A button written with a file value whose file could not go with it (missing, no plain file,
// unreadable) is written all the same, and filesNotTaken lists which and why; a module of the
// system's folders goes by its name alone (FileValues.h).
struct ExportResult {
    int exported = 0;          // the buttons written to the file
    std::string leftOut;       // the buttons left out and why; empty when none was
    std::string filesNotTaken; // the files named by exported buttons that did not go; or empty
};
ExportResult ExportButtons(RegistryAccessor& registry, const std::string& path,
                           const std::string& companionFolder, DiskWrite write = WriteToDisk);

// One message for many items (refusals, files): the heading and the first few items, the rest
// counted; a single item alone.
std::string ListMessage(const std::string& heading, const std::vector<std::string>& items);

// What a finished export tells the user: how many buttons went to which file.
std::string ExportDoneText(const std::string& path, int exported);

// Reads the export file at path whole and returns what importing it will create, writing
// nothing. Throws InOutError when the file cannot be opened or read.
ImportPlan PlanImport(const std::string& path);

// Throws ImportDoesNotFit when the plan holds more buttons than there are free names under
// either root, counted as ImportPlanned takes them. Reads only: a missing Extensions key is
// not made, so a file that is refused leaves everything as it was. Called before the user is
// asked about the file.
void CheckImportFits(const ImportPlan& plan);

// Creates the planned buttons, in order. A plan with more buttons than free names is refused
// whole (ImportDoesNotFit) before any button is made: the caller counts first (CheckImportFits),
// and the names are counted again once the Extensions key is open for writing, in case another
// program took some meanwhile. Registry failures stop the writing with the buttons written so
// far kept whole; the error goes on to the caller. An own-record entry that cannot be written
// is shown in an "Error" box over owner, or told to ownRecordNotice when one is given (a
// command run without a window); the import goes on. created hears of each button as soon as
// it is complete (index into plan.buttons, its key), so that a caller can say exactly what was
// made also when a later one fails. Returns the keys made.
//
// Before the first key is made, the keys the import changes (the machine's Extensions key in
// each view and the program's own record) are backed up in the history as one change named
// after the file (path) and its buttons; when that cannot be done, goOn is asked with the
// reason and without its Yes nothing is written (ImportNotBackedUp).
using CreatedNotice = std::function<void(size_t index, const NewButtonKey& key)>;
std::vector<NewButtonKey> ImportPlanned(RegistryAccessor& registry, const ImportPlan& plan,
                                        const std::string& path, const GoOnWithoutRecord& goOn,
                                        HWND owner,
                                        const ButtonImporter::OwnRecordNotice& ownRecordNotice = {},
                                        const CreatedNotice& created = {});

// The message about the sections of the file at path that the plan refused; empty when none.
std::string RefusedSectionsMessage(const std::string& path, const ImportPlan& plan);

} // namespace qm::transfer
