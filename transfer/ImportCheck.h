#pragma once
// An import read whole before anything is written: every button the file will create, with
// the values it will get, checked first, so that a file that is no export file, or that the
// user declines after seeing what it holds, writes nothing at all.

#include "buttons/ButtonRecord.h"
#include "registry/RegistryAccessor.h"
#include "transfer/ExportFile.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qm::transfer {

// A file refused before anything was written; the text names the file and says why.
class UnusableFileError : public InOutError {
public:
    using InOutError::InOutError;
};

// The largest export file an import reads: 99 buttons with many long values stay far below.
inline constexpr size_t kMaxImportFileBytes = 16u * 1024 * 1024;

// One button the file will create: its values in file order, file values already turned into
// paths inside the companion folder.
struct BatchButton {
    std::vector<std::pair<std::string, std::string>> values;

    // The last value of that name ("" when absent): a later line of a section overwrites an
    // earlier one.
    std::string Value(const std::string& name) const;
};

struct ImportBatch {
    std::string path;            // the export file
    std::string companionFolder; // where its files lie
    std::vector<BatchButton> buttons;
    // Sections that never reached their end line (cut off by another start or by the file's
    // end): they are left out rather than made into half a button.
    int unfinishedSections = 0;
};

// Reads and checks a whole export file. Throws InOutError when the file cannot be read, and
// UnusableFileError when it holds binary data, no complete button section, or is too large.
ImportBatch ReadImportBatch(const std::string& path, const std::string& companionFolder);

// Whether a button runs a program of this machine rather than a script page from the file: an
// Exec value that is not a web address and lies outside the companion folder.
bool RunsProgramOnThisMachine(const BatchButton& button, const std::string& companionFolder);

// "Notes": runs the program C:\Tools\notes.exe, a program on this machine; icon C:\...\n.ico
std::string DescribeButton(const BatchButton& button, const std::string& companionFolder);

// The question the window's Import asks before writing: what the file will create, one line
// per button (at most maxLines, then how many more), and whether to go on.
std::string PreviewQuestion(const ImportBatch& plan, size_t maxLines = 25);

// Whether a machine-wide button with the same text and the same Exec and Script is already
// there (the text compared exactly, the paths without regard to letter case).
class ExistingButtons {
public:
    // Reads the machine's Extensions key; leaves the accessor with no key open.
    explicit ExistingButtons(RegistryAccessor& registry);
    bool Contains(const BatchButton& button) const;
    // How many more buttons the program may make there (names 01 to 99 not yet taken).
    int FreeNames() const { return freeNames_; }

private:
    struct Known {
        std::string text, exec, script;
    };
    std::vector<Known> known_;
    int freeNames_ = 0;
};

// Writes the plan's buttons through the same importer as a file read line by line: a new
// key per button under the first free name, its values, then its own-record entry. An
// own-record entry that cannot be written is told to ownRecordFailed (the button stays) and
// the import goes on. Returns the keys made, in order.
using FailureNotice = std::function<void(const std::string& text)>;
std::vector<NewButtonKey> WriteImportBatch(RegistryAccessor& registry, const ImportBatch& plan,
                                          const FailureNotice& ownRecordFailed);

} // namespace qm::transfer
