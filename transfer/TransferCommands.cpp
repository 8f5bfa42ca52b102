#include "transfer/TransferCommands.h"

#include "transfer/ExportFile.h"
#include "ui/Controls.h"
#include "ui/PageHost.h"
#include "ui/Window.h"

namespace qm::transfer {

ButtonImporter::ButtonImporter(RegistryAccessor& registry, HWND owner)
    : registry_(registry), owner_(owner) {}

void ButtonImporter::SectionStart() {
    // A section that never ended keeps what it got and has no own-record entry.
    registry_.CloseKey();
    sectionOpen_ = false;
    // Every name below the one chosen last was taken when it was chosen, and the import only
    // adds keys: the search goes on from there rather than probing the same names again for
    // each section (which made a long import quadratic). Past the 99th name it stops.
    // The Extensions key is reached again for every section, so that each button goes where
    // the machine's root points at that moment.
    extensions_.SetRoot(HKEY_LOCAL_MACHINE);
    extensions_.OpenKey(kExtensionsKey, true);
    NewButtonKey key;
    try {
        key = NextButtonKeyBelow(extensions_, searchFrom_);
        std::string path = ButtonKeyPath(key.keyName);
        if (!registry_.OpenKeyBelow(extensions_, key.keyName, true))
            throw RegistryError("Failed to create key " + path);
    } catch (...) {
        extensions_.CloseKey();
        throw;
    }
    extensions_.CloseKey();
    searchFrom_ = key.counter + 1;
    sectionOpen_ = true;
    created_.push_back(std::move(key));
}

void ButtonImporter::Value(const std::string& name, const std::string& text) {
    if (!sectionOpen_) return; // stray lines between sections have no effect
    registry_.WriteString(name, text);
}

void ButtonImporter::SectionEnd() {
    // An end with no section open belongs to no key: it records nothing.
    if (!sectionOpen_) return;
    sectionOpen_ = false;
    registry_.CloseKey();
    try {
        AddOwnRecordEntry(ownRecord_, created_.back());
    } catch (const RegistryError&) {
        ownRecord_.CloseKey();
        ui::AppDialogs().ShowError(owner_, kOwnRecordWriteError);
    }
}

void ExportButtons(RegistryAccessor& registry, const std::string& path,
                   const std::string& companionFolder) {
    // Copies into a folder that could not be made fail one by one, silently, like any copy.
    CreateFolderTree(companionFolder);
    ExportFileWriter file(path);

    registry.SetRoot(HKEY_LOCAL_MACHINE);
    std::vector<std::string> keys;
    // Without the key (or without full access to it) there is nothing to export.
    if (registry.OpenKey(kExtensionsKey, false)) keys = registry.GetKeyNames();

    // Each button key is opened through the Extensions key, which stays open meanwhile, and
    // its values are read together with their names.
    RegistryAccessor button;
    std::vector<std::pair<std::string, RawValue>> values;
    SectionSource source;
    source.valueNames = [&] {
        values = button.GetValues();
        std::vector<std::string> names;
        names.reserve(values.size());
        for (const auto& value : values) names.push_back(value.first);
        return names;
    };
    source.readString = [&](const std::string& name) {
        for (const auto& [valueName, value] : values)
            if (valueName == name) return RegistryAccessor::StringFromValue(name, value);
        return button.ReadString(name);
    };
    source.buttonText = [&] { return button.ReadString(kButtonTextValue); };
    ByteSink sink = [&](std::string_view bytes) { file.Write(bytes); };
    FileCopier copy = [](const std::string& from, const std::string& to) {
        CopyWholeFile(from, to); // a failed copy leaves the folder without the file, no more
    };
    CompanionNames names;

    try {
        for (auto name = keys.rbegin(); name != keys.rend(); ++name) {
            if (*name == kReservedButtonKey) continue;
            if (!button.OpenKeyBelow(registry, *name, false)) continue;
            if (!button.ValueExists(kIsQuillmereValue)) continue;
            WriteButtonSection(sink, companionFolder, source, copy, names);
        }
    } catch (...) {
        button.CloseKey();
        registry.CloseKey();
        throw; // the file closes with what was written so far
    }
    button.CloseKey();
    registry.CloseKey();
    file.Close();
}

ToolBarTransfer::ToolBarTransfer(ui::PageHost& host, std::function<void()> rebuildStrip)
    : host_(host), rebuildStrip_(std::move(rebuildStrip)) {}

void ToolBarTransfer::PrepareDialog(ui::FileDialog& dialog, DWORD options) {
    dialog.filter = kExportFilter;
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
    RegistryAccessor& registry = host_.NewRegistry();
    PrepareDialog(SaveDialog1, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING);
    if (!ui::AppDialogs().RunFileDialog(host_.MainWindow(), ui::FileDialogKind::Save,
                                        SaveDialog1))
        return;
    ui::HourglassCursor busy;
    ExportButtons(registry, SaveDialog1.fileName, CompanionFolderFor(SaveDialog1.fileName));
}

void ToolBarTransfer::Import() {
    RegistryAccessor& registry = host_.NewRegistry();
    // Without OFN_FILEMUSTEXIST: a missing name is taken and fails on opening.
    PrepareDialog(OpenDialog2, OFN_HIDEREADONLY | OFN_ENABLESIZING);
    if (!ui::AppDialogs().RunFileDialog(host_.MainWindow(), ui::FileDialogKind::Open,
                                        OpenDialog2))
        return;
    ui::HourglassCursor busy;
    std::string companionFolder = CompanionFolderFor(OpenDialog2.fileName);
    ExportFileSource file(OpenDialog2.fileName); // a file that cannot be opened imports nothing
    ButtonImporter importer(registry, host_.MainWindow());
    try {
        file.Read(companionFolder, importer);
    } catch (...) {
        // What was imported before the failure stays, and the strip shows it.
        registry.CloseKey();
        file.Close();
        if (rebuildStrip_) rebuildStrip_();
        throw;
    }
    registry.CloseKey();
    file.Close();
    if (rebuildStrip_) rebuildStrip_();
}

} // namespace qm::transfer
