#pragma once
// What an import will do, shown and checked before anything is written: whether the file is
// an export file at all, what each planned button runs, which buttons are already on the
// machine, and how many button names are left.

#include "buttons/ButtonRecord.h"
#include "registry/RegistryAccessor.h"
#include "transfer/ExportFile.h"
#include "transfer/ImportPlan.h"

#include <optional>
#include <string>
#include <vector>

namespace qm::transfer {

// A file refused before anything was written; the text names the file and says why.
class UnusableFileError : public InOutError {
public:
    using InOutError::InOutError;
};

// Reads and plans the export file at path like the Tools menu's import, and refuses a file
// that holds binary data or no button section at all (UnusableFileError). A file that cannot
// be read throws InOutError.
ImportPlan ReadImportFile(const std::string& path);

// A planned value's text ("" when the button has no such value).
std::string PlannedText(const PlannedButton& button, const std::string& name);

// Whether a button starts a program when it is clicked: an Exec value that is not a web
// address. A program in the file's own companion folder counts like one of this machine: it
// came with the same file, and is no safer for that.
bool RunsProgram(const PlannedButton& button);

// A button's Exec as the user is shown it: the text, and where a path from a drive or a server
// leads elsewhere once resolved ("..", short names, "/"), the program it really starts.
std::string ProgramShown(const std::string& exec);

// What a button runs, as the preview says it: runs the script page C:\...\n.htm
std::string RunsText(const PlannedButton& button);
// A button's icon as the preview names it: its Icon value, or "none".
std::string IconText(const PlannedButton& button);

// One line about a button: "Notes": runs the script page C:\...\n.htm; icon C:\...\n.ico
std::string DescribeButton(const PlannedButton& button);

// The question the window's Import asks before writing: what the file at path will create,
// one line per button (at most maxLines, then how many more), and whether to go on.
std::string PreviewQuestion(const std::string& path, const ImportPlan& plan, size_t maxLines = 25);

// Whether a button with these values is, by the import's rule, the planned button already
// there: the same text (exactly) and the same Exec and Script (without regard to letter case).
bool AlreadyThereAs(const PlannedButton& button,
                    const std::vector<std::pair<std::string, RawValue>>& values);

// The machine-wide buttons already there, read once.
class ExistingButtons {
public:
    // Reads the machine's Extensions key; leaves the accessor with no key open.
    explicit ExistingButtons(RegistryAccessor& registry);
    // A button AlreadyThereAs takes for it is there; so is one that a Group Policy file made
    // from the same button (its key has the name DeploymentKeyName gives the button, wherever
    // its files lie).
    bool Contains(const PlannedButton& button) const { return KeyOf(button).has_value(); }
    // The key name of that button; nothing when none is there.
    std::optional<std::string> KeyOf(const PlannedButton& button) const;

private:
    struct Known {
        std::string keyName;
        std::vector<std::pair<std::string, RawValue>> values;
    };
    std::vector<Known> known_;
};

} // namespace qm::transfer
