#include "transfer/ImportPlan.h"

#include <algorithm>

namespace qm::transfer {
namespace {

std::string WithoutTrailingSeparators(std::string path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

} // namespace

bool LiesDirectlyIn(const std::string& path, const std::string& folder,
                    const PathResolver& resolve) {
    std::optional<std::string> full = resolve(path);
    std::optional<std::string> base = resolve(folder);
    if (!full || !base) return false;
    size_t separator = full->find_last_of("\\/");
    if (separator == std::string::npos || separator + 1 == full->size()) return false;
    return AsciiLower(full->substr(0, separator)) == AsciiLower(WithoutTrailingSeparators(*base));
}

ImportPlanner::ImportPlanner(std::string companionFolder, PathResolver resolve)
    : companionFolder_(std::move(companionFolder)), resolve_(std::move(resolve)) {}

void ImportPlanner::SectionStart() {
    ++line_;
    // An open section is cut short here: it keeps its values without an own-record entry.
    open_ = true;
    skipping_ = false;
    sectionStart_ = line_;
    plan_.buttons.push_back({line_, {}, false, {}});
}

void ImportPlanner::SectionEnd() {
    ++line_;
    if (open_) plan_.buttons.back().complete = true;
    open_ = false;
    skipping_ = false;
}

void ImportPlanner::LineTooLong() {
    ++line_;
    if (open_)
        Refuse("line " + std::to_string(line_) + " is longer than " +
               std::to_string(kMaxLineBytes / (1024 * 1024)) + " MiB");
}

void ImportPlanner::Value(const std::string& name, const std::string& text) {
    ++line_;
    if (!open_) return; // stray lines, and the rest of a refused section, have no effect
    if (name.size() > kMaxValueNameBytes)
        return Refuse("the value name \"" + QuoteCut(name) + "\" on line " + std::to_string(line_) +
                      " is longer than the registry allows");

    std::string stored = IsFileValue(name) ? Contained(name, text) : text;
    std::vector<PlannedValue>& values = plan_.buttons.back().values;
    auto same = std::find_if(values.begin(), values.end(),
                             [&](const PlannedValue& value) { return value.name == name; });
    if (same != values.end()) {
        bytes_ -= same->text.size();
        bytes_ += stored.size();
        same->text = std::move(stored);
    } else {
        bytes_ += name.size() + stored.size();
        values.push_back({name, std::move(stored)});
    }
    if (values.size() > kMaxSectionValues)
        return Refuse("it gives its button more than " + std::to_string(kMaxSectionValues) +
                      " values");
    if (bytes_ > kMaxPlanBytes)
        return Refuse("the buttons of the file up to line " + std::to_string(line_) +
                      " hold more than " + std::to_string(kMaxPlanBytes / (1024 * 1024)) +
                      " MiB together");
}

void ImportPlanner::Refuse(std::string reason) {
    for (const PlannedValue& value : plan_.buttons.back().values)
        bytes_ -= value.name.size() + value.text.size();
    plan_.buttons.pop_back();
    plan_.refused.push_back({sectionStart_, std::move(reason)});
    open_ = false;
    skipping_ = true;
}

// A file value names a file in the companion folder and nowhere else: a text that would lead
// out of it ("..", "/", a drive, a server, a stream after ":") keeps only its last name part.
std::string ImportPlanner::Contained(const std::string& name, const std::string& text) {
    std::string prefix = companionFolder_ + "\\";
    std::string given = text.substr(std::min(prefix.size(), text.size()));
    if (given.empty()) return text; // the folder itself, as the format has it
    if (given.find_first_of("\\/:") == std::string::npos &&
        LiesDirectlyIn(text, companionFolder_, resolve_))
        return text;

    size_t separator = given.find_last_of("\\/:");
    std::string last = separator == std::string::npos ? given : given.substr(separator + 1);
    std::string inside = prefix + last;
    if (last.empty() || !LiesDirectlyIn(inside, companionFolder_, resolve_)) {
        last.clear();
        inside = prefix;
    }
    plan_.notes.push_back("The value \"" + QuoteCut(name) + "\" of the button at line " +
                          std::to_string(sectionStart_) + " named \"" + QuoteCut(given) +
                          "\", outside the folder " + companionFolder_ + "; it now names \"" +
                          last + "\" in that folder");
    return inside;
}

ImportPlan ImportPlanner::TakePlan() {
    ImportPlan plan = std::move(plan_);
    plan_ = {};
    open_ = skipping_ = false;
    return plan;
}

ImportPlan PlanExportBytes(std::string_view bytes, const std::string& companionFolder,
                           const PathResolver& resolve) {
    ImportPlanner planner(companionFolder, resolve);
    ReadExportBytes(bytes, companionFolder, planner);
    return planner.TakePlan();
}

} // namespace qm::transfer
