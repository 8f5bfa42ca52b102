#include "transfer/ImportCheck.h"

#include "base/Handles.h"
#include "buttons/ButtonStore.h"
#include "transfer/ExportFormat.h"
#include "transfer/FileValues.h"
#include "transfer/GroupPolicy.h"
#include "transfer/LocalCopy.h"
#include "transfer/TransferCommands.h"
#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>
#include <map>
#include <utility>

namespace qm::transfer {
namespace {

bool SameText(const std::string& a, const std::string& b) { return AsciiLower(a) == AsciiLower(b); }

std::string Refusal(const std::string& path, const std::string& why) {
    return ui::Text(IDS_IMPORT_FILE_REFUSED, {path, why});
}

// An export file is text: a NUL or another control character (beyond tab and the line ends)
// means the file is something else, such as a program or a picture.
bool LooksBinary(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != kEndOfFile;
    });
}

// The first bytes of a file, enough to tell text from binary data.
std::string FileStart(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::string bytes(64 * 1024, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        read = 0;
    bytes.resize(read);
    return bytes;
}

bool IsWebAddress(const std::string& exec) {
    std::string lower = AsciiLower(exec);
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

} // namespace

ImportPlan ReadImportFile(const std::string& path) {
    ImportPlan plan = PlanImport(path);
    bool binary = std::any_of(plan.buttons.begin(), plan.buttons.end(), [](const PlannedButton& b) {
        return std::any_of(b.values.begin(), b.values.end(), [](const PlannedValue& v) {
            return LooksBinary(v.name) || LooksBinary(v.text);
        });
    });
    // Binary data mostly shows in the first bytes, also where it stands outside any section.
    std::string start = FileStart(path);
    if (!binary) binary = LooksBinary(start);
    if (binary) throw UnusableFileError(Refusal(path, ui::Text(IDS_IMPORT_BINARY)));
    if (plan.buttons.empty() && plan.refused.empty()) {
        // Lines ended by LF alone (a file saved by an editor of another system) read as one
        // line: say so rather than that the file holds nothing.
        bool lfOnly =
            start.find('\n') != std::string::npos && start.find('\r') == std::string::npos;
        throw UnusableFileError(
            Refusal(path, ui::Text(lfOnly ? IDS_IMPORT_LF_ONLY : IDS_IMPORT_NO_SECTION)));
    }
    return plan;
}

std::string PlannedText(const PlannedButton& button, const std::string& name) {
    for (const PlannedValue& value : button.values)
        if (value.name == name) return value.text;
    return {};
}

bool RunsProgram(const PlannedButton& button) {
    std::string exec = PlannedText(button, kExecValue);
    return !exec.empty() && !IsWebAddress(exec);
}

std::string ProgramShown(const std::string& exec) {
    // Only a path from a drive or a server stands for one file; a bare name is found on the
    // search path when it runs.
    bool absolute = (exec.size() > 2 && exec[1] == ':' && (exec[2] == '\\' || exec[2] == '/')) ||
                    exec.rfind("\\\\", 0) == 0 || exec.rfind("//", 0) == 0;
    std::optional<std::string> full = absolute ? ResolveFullPath(exec) : std::nullopt;
    if (!full || AsciiLower(*full) == AsciiLower(exec)) return exec;
    return ui::Text(IDS_PREVIEW_PROGRAM_RESOLVED, {exec, *full});
}

std::string RunsText(const PlannedButton& button) {
    std::string exec = PlannedText(button, kExecValue);
    std::string script = PlannedText(button, kScriptValue);
    if (RunsProgram(button)) return ui::Text(IDS_PREVIEW_RUNS_PROGRAM, {ProgramShown(exec)});
    if (!exec.empty()) return ui::Text(IDS_PREVIEW_RUNS, {exec});
    if (!script.empty()) return ui::Text(IDS_PREVIEW_RUNS_SCRIPT, {script});
    return ui::Text(IDS_PREVIEW_RUNS_NOTHING);
}

std::string IconText(const PlannedButton& button) {
    std::string icon = PlannedText(button, kIconValue);
    return icon.empty() ? ui::Text(IDS_PREVIEW_NO_ICON) : icon;
}

std::string DescribeButton(const PlannedButton& button) {
    return ui::Text(IDS_PREVIEW_BUTTON,
                    {PlannedText(button, kButtonTextValue), RunsText(button), IconText(button)});
}

std::string PreviewQuestion(const std::string& path, const ImportPlan& plan, size_t maxLines) {
    size_t count = plan.buttons.size();
    std::string text = ui::Text(count == 1 ? IDS_PREVIEW_CREATES_ONE : IDS_PREVIEW_CREATES,
                                {path, std::to_string(count)}) +
                       "\r\n\r\n";
    size_t shown = std::min(count, maxLines);
    for (size_t i = 0; i < shown; ++i) text += DescribeButton(plan.buttons[i]) + "\r\n";
    if (shown < count) text += ui::Text(IDS_LIST_MORE, {std::to_string(count - shown)}) + "\r\n";
    if (!plan.refused.empty())
        text += "\r\n" +
                ui::Text(plan.refused.size() == 1 ? IDS_PREVIEW_LEFT_OUT_ONE : IDS_PREVIEW_LEFT_OUT,
                         {std::to_string(plan.refused.size())}) +
                "\r\n";
    if (std::string missing = MissingFilesMessage(plan); !missing.empty())
        text += "\r\n" + missing + "\r\n";
    bool programs = std::any_of(plan.buttons.begin(), plan.buttons.end(), RunsProgram);
    if (programs) text += "\r\n" + ui::Text(IDS_PREVIEW_PROGRAMS) + "\r\n";
    return text + "\r\n" + ui::Text(IDS_PREVIEW_QUESTION);
}

bool AlreadyThereAs(const PlannedButton& button,
                    const std::vector<std::pair<std::string, RawValue>>& values) {
    std::map<std::string, ValueText> texts =
        ValueTexts(values, {kButtonTextValue, kExecValue, kScriptValue});
    for (const auto& [valueName, read] : texts)
        if (read.notText) return false; // a value that is no text matches no planned button
    const std::string& text = texts[kButtonTextValue].text;
    const std::string& exec = texts[kExecValue].text;
    const std::string& script = texts[kScriptValue].text;
    // A button of a set imported with a copy of its files names the copy of the page.
    const std::string planned = PlannedText(button, kScriptValue);
    return text == PlannedText(button, kButtonTextValue) &&
           SameText(exec, PlannedText(button, kExecValue)) &&
           (SameText(script, planned) || (!planned.empty() && SameCopiedFile(script, planned)));
}

ExistingButtons::ExistingButtons(RegistryAccessor& registry) {
    for (RecordValues& record : ReadEveryRecord(registry, HKEY_LOCAL_MACHINE))
        known_.push_back({std::move(record.keyName), std::move(record.values)});
}

std::optional<std::string> ExistingButtons::KeyOf(const PlannedButton& button) const {
    std::optional<std::string> deployed =
        DeploymentKeyNameFor(PlannedText(button, kButtonTextValue), PlannedText(button, kExecValue),
                             PlannedText(button, kScriptValue));
    for (const Known& known : known_)
        if (AlreadyThereAs(button, known.values) ||
            (deployed && SameText(known.keyName, *deployed)))
            return known.keyName;
    return std::nullopt;
}

} // namespace qm::transfer
