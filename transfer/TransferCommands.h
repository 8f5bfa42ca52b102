#pragma once
// The Tools menu's "Export ToolBar Info" and "Import ToolBar Info": the program's own
// machine-wide toolbar buttons go to an export file with their script and icon files in its
// companion folder, and such a file comes back as new buttons on another machine.

#include "buttons/ButtonRecord.h"
#include "registry/RegistryAccessor.h"
#include "transfer/ExportFormat.h"
#include "ui/Dialogs.h"

#include <functional>
#include <string>

namespace qm::ui {
class PageHost;
}

namespace qm::transfer {

inline constexpr char kExportFilter[] = "Quillmere export files (*.qmx)|*.qmx";
inline constexpr char kExportExtension[] = "qmx";
// Shown when a button's own-record entry cannot be written; the import goes on.
inline constexpr char kOwnRecordWriteError[] = "Error while trying to write registry data";

// Creates one new machine-wide button per section of an export file, as the reader reports
// the lines: a section start makes a key under the first free name, values go into it as
// plain strings, and a section end writes the key's own-record entry.
// Each section reaches the Extensions key once and makes, searches and fills its button key
// through that handle, and the own-record key stays open from one entry to the next: paths
// from the root are walked as rarely as possible.
class ButtonImporter : public ExportEvents {
public:
    ButtonImporter(RegistryAccessor& registry, HWND owner);

    void SectionStart() override;
    void Value(const std::string& name, const std::string& text) override;
    void SectionEnd() override;

    // The keys made so far, in file order.
    const std::vector<NewButtonKey>& Created() const { return created_; }

private:
    RegistryAccessor& registry_; // the key of the open section
    HWND owner_;
    RegistryAccessor extensions_; // the machine's Extensions key, while a section starts
    RegistryAccessor ownRecord_;  // the own-record key, once the first entry is written
    bool sectionOpen_ = false;
    int searchFrom_ = 1; // the first key name the next section may get
    std::vector<NewButtonKey> created_;
};

// The two commands with the state the main window keeps for them: its two file dialogs, and
// the rebuild of the button strip that ends an import.
class ToolBarTransfer {
public:
    explicit ToolBarTransfer(ui::PageHost& host, std::function<void()> rebuildStrip = {});

    // The strip rebuild (ListButtons with no selection) that ends every import that read.
    void SetRebuildStrip(std::function<void()> rebuildStrip) { rebuildStrip_ = std::move(rebuildStrip); }

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
// path, the last enumerated key first, with its files in companionFolder. Leaves no key open.
void ExportButtons(RegistryAccessor& registry, const std::string& path,
                   const std::string& companionFolder);

} // namespace qm::transfer
