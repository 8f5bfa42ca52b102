#pragma once
// What an export file will create, worked out before anything is written: the file is read
// whole and checked, and becomes a list of planned buttons (their values, with file values
// resolved to paths inside the companion folder) and a list of refused sections. Only then are
// the planned buttons written, so that a section that cannot be imported is written not at all.
//
// Like the format itself this part knows nothing of Windows; paths are resolved through the
// callback it is handed.

#include "transfer/ExportFormat.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm::transfer {

// What all planned values of one file may hold together: a bound on the memory an import
// costs, far above any real set of buttons.
inline constexpr size_t kMaxPlanBytes = 64u * 1024 * 1024;

struct PlannedValue {
    std::string name;
    std::string text;
    bool operator==(const PlannedValue&) const = default;
};

struct PlannedButton {
    size_t line = 0; // the line of its "buttonstart", counted from 1
    // In file order; a later line of the same name gave its text to the earlier entry.
    std::vector<PlannedValue> values;
    // Ended by "buttonend": the button gets its own-record entry. A section cut short by the
    // next "buttonstart" or by the file's end keeps its values without one.
    bool complete = false;
    // The file values whose file is neither in the companion folder nor, as a module of that
    // name, in the system's folders (by value name); the import reports them.
    std::vector<std::string> missingFiles;
};

struct RefusedSection {
    size_t line = 0;    // the line of its "buttonstart"
    std::string reason; // for example: line 7 is longer than 1 MiB
};

// A button on the machine that an imported set uses: its key name, and its text then.
struct SetUse {
    std::string keyName;
    std::string text;
};

struct ImportPlan {
    std::vector<PlannedButton> buttons;
    // Buttons of the file left out because they are already there (by the key that has them):
    // the set uses those keys as well.
    std::vector<SetUse> alreadyThere;
    std::vector<RefusedSection> refused;
    // File values that pointed out of the companion folder and were put back into it, one
    // sentence each.
    std::vector<std::string> notes;
};

// True when path, resolved, lies directly in folder (compared without regard to case).
bool LiesDirectlyIn(const std::string& path, const std::string& folder,
                    const PathResolver& resolve);

// Takes the reader's events and builds the plan.
class ImportPlanner : public ExportEvents {
public:
    ImportPlanner(std::string companionFolder, PathResolver resolve);

    void SectionStart() override;
    void SectionEnd() override;
    void Value(const std::string& name, const std::string& text) override;
    void LineTooLong() override;

    // The plan, once the whole file was read.
    ImportPlan TakePlan();

private:
    void Refuse(std::string reason);
    std::string Contained(const std::string& name, const std::string& text);

    std::string companionFolder_;
    PathResolver resolve_;
    ImportPlan plan_;
    size_t line_ = 0;         // the line of the event being handled
    bool open_ = false;       // a section is open and still planned
    bool skipping_ = false;   // a section is open but refused: its lines are passed over
    size_t sectionStart_ = 0; // the line of the open section's "buttonstart"
    size_t bytes_ = 0;        // what the planned values hold so far
};

// Plans a whole export file held in memory.
ImportPlan PlanExportBytes(std::string_view bytes, const std::string& companionFolder,
                           const PathResolver& resolve);

} // namespace qm::transfer
