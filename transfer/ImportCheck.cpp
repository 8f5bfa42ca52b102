#include "transfer/ImportCheck.h"

#include "transfer/TransferCommands.h"

#include <algorithm>

namespace qm::transfer {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

bool SameText(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string Refusal(const std::string& path, const std::string& why) {
    return "The file \"" + path + "\" cannot be imported: " + why;
}

// An export file is text: a NUL or another control character (beyond tab, the line ends and
// a closing Ctrl+Z) means the file is something else, such as a program or a picture.
bool LooksBinary(std::string_view bytes) {
    for (unsigned char c : bytes) {
        if (c == static_cast<unsigned char>(kEndOfFile)) return false; // the rest is not read
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return true;
    }
    return false;
}

std::string ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw InOutError(InOutErrorText(GetLastError()));
    std::string bytes;
    LARGE_INTEGER size{};
    DWORD error = ERROR_SUCCESS;
    if (!GetFileSizeEx(file, &size)) {
        error = GetLastError();
    } else if (static_cast<unsigned long long>(size.QuadPart) > kMaxImportFileBytes) {
        CloseHandle(file);
        throw UnusableFileError(Refusal(path, "it is larger than an export file can be (" +
                                                  std::to_string(kMaxImportFileBytes / (1024 * 1024)) +
                                                  " MB)"));
    } else {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        size_t at = 0;
        while (at < bytes.size()) {
            DWORD read = 0;
            if (!ReadFile(file, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &read,
                          nullptr)) {
                error = GetLastError();
                break;
            }
            if (read == 0) break; // the file shrank meanwhile
            at += read;
        }
        bytes.resize(at);
    }
    CloseHandle(file);
    if (error != ERROR_SUCCESS) throw InOutError(InOutErrorText(error));
    return bytes;
}

// Collects the reader's events into complete sections.
class PlanCollector : public ExportEvents {
public:
    explicit PlanCollector(ImportBatch& plan) : plan_(plan) {}
    void SectionStart() override {
        if (open_) ++plan_.unfinishedSections;
        open_ = true;
        current_ = {};
    }
    void Value(const std::string& name, const std::string& text) override {
        if (open_) current_.values.emplace_back(name, text); // lines between sections do nothing
    }
    void SectionEnd() override {
        if (!open_) return; // an end with no section open belongs to no button
        open_ = false;
        plan_.buttons.push_back(std::move(current_));
        current_ = {};
    }
    void Finish() {
        if (open_) ++plan_.unfinishedSections;
        open_ = false;
    }

private:
    ImportBatch& plan_;
    BatchButton current_;
    bool open_ = false;
};

bool IsWebAddress(const std::string& exec) {
    std::string lower = Lower(exec);
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

} // namespace

std::string BatchButton::Value(const std::string& name) const {
    for (auto it = values.rbegin(); it != values.rend(); ++it)
        if (it->first == name) return it->second;
    return {};
}

ImportBatch ReadImportBatch(const std::string& path, const std::string& companionFolder) {
    std::string bytes = ReadWholeFile(path);
    if (LooksBinary(bytes)) throw UnusableFileError(Refusal(path, "it holds binary data, not the text of an export file"));
    ImportBatch plan;
    plan.path = path;
    plan.companionFolder = companionFolder;
    PlanCollector collector(plan);
    ReadExportBytes(bytes, companionFolder, collector);
    collector.Finish();
    if (plan.buttons.empty())
        throw UnusableFileError(Refusal(path, plan.unfinishedSections
                                                  ? "its button sections have no end"
                                                  : "it holds no button section"));
    return plan;
}

bool RunsProgramOnThisMachine(const BatchButton& button, const std::string& companionFolder) {
    std::string exec = button.Value(kExecValue);
    if (exec.empty() || IsWebAddress(exec)) return false;
    std::string inside = Lower(companionFolder + "\\");
    return Lower(exec).rfind(inside, 0) != 0;
}

std::string DescribeButton(const BatchButton& button, const std::string& companionFolder) {
    std::string text = "\"" + button.Value(kButtonTextValue) + "\": ";
    std::string exec = button.Value(kExecValue);
    std::string script = button.Value(kScriptValue);
    if (!exec.empty()) {
        text += "runs " + exec;
        if (RunsProgramOnThisMachine(button, companionFolder))
            text += " (a program on this machine)";
    } else if (!script.empty()) {
        text += "runs the script page " + script;
    } else {
        text += "runs nothing";
    }
    std::string icon = button.Value(kIconValue);
    text += "; icon " + (icon.empty() ? std::string("none") : icon);
    return text;
}

std::string PreviewQuestion(const ImportBatch& plan, size_t maxLines) {
    std::string text = "The file \"" + plan.path + "\" will create " +
                       std::to_string(plan.buttons.size()) +
                       (plan.buttons.size() == 1 ? " button" : " buttons") + ":\r\n\r\n";
    size_t shown = std::min(plan.buttons.size(), maxLines);
    for (size_t i = 0; i < shown; ++i)
        text += DescribeButton(plan.buttons[i], plan.companionFolder) + "\r\n";
    if (shown < plan.buttons.size())
        text += "... and " + std::to_string(plan.buttons.size() - shown) + " more\r\n";
    if (plan.unfinishedSections)
        text += "\r\n" + std::to_string(plan.unfinishedSections) +
                (plan.unfinishedSections == 1 ? " section has" : " sections have") +
                " no end and will be left out.\r\n";
    bool programs = std::any_of(plan.buttons.begin(), plan.buttons.end(), [&](const auto& b) {
        return RunsProgramOnThisMachine(b, plan.companionFolder);
    });
    if (programs)
        text += "\r\nA button marked as running a program on this machine starts that program "
                "when it is clicked. Import only files you trust.\r\n";
    text += "\r\nCreate these buttons?";
    return text;
}

ExistingButtons::ExistingButtons(RegistryAccessor& registry) {
    registry.SetRoot(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(kExtensionsKey, false)) {
        freeNames_ = kMaxButtonCounter;
        return;
    }
    std::vector<std::string> names = registry.GetKeyNames();
    std::vector<bool> taken(kMaxButtonCounter + 1, false);
    RegistryAccessor button;
    for (const std::string& name : names) {
        for (int n = 1; n <= kMaxButtonCounter; ++n)
            if (SameText(name, ButtonKeyName(n))) taken[n] = true;
        if (!button.OpenKeyBelow(registry, name, false)) continue;
        Known known;
        for (const auto& [valueName, value] : button.GetValues()) {
            std::string* field = valueName == kButtonTextValue ? &known.text
                                 : valueName == kExecValue     ? &known.exec
                                 : valueName == kScriptValue   ? &known.script
                                                               : nullptr;
            if (!field) continue;
            try {
                *field = RegistryAccessor::StringFromValue(valueName, value);
            } catch (const RegistryError&) {
                // A value that is no text matches no button of a file.
                *field = std::string(1, '\0');
            }
        }
        button.CloseKey();
        known_.push_back(std::move(known));
    }
    registry.CloseKey();
    freeNames_ = static_cast<int>(std::count(taken.begin() + 1, taken.end(), false));
}

bool ExistingButtons::Contains(const BatchButton& button) const {
    std::string text = button.Value(kButtonTextValue);
    std::string exec = button.Value(kExecValue);
    std::string script = button.Value(kScriptValue);
    return std::any_of(known_.begin(), known_.end(), [&](const Known& known) {
        return known.text == text && SameText(known.exec, exec) && SameText(known.script, script);
    });
}

std::vector<NewButtonKey> WriteImportBatch(RegistryAccessor& registry, const ImportBatch& plan,
                                          const FailureNotice& ownRecordFailed) {
    ButtonImporter importer(registry, nullptr);
    if (ownRecordFailed) importer.SetOwnRecordNotice(ownRecordFailed);
    try {
        for (const BatchButton& button : plan.buttons) {
            importer.SectionStart();
            for (const auto& [name, text] : button.values) importer.Value(name, text);
            importer.SectionEnd();
        }
    } catch (...) {
        registry.CloseKey();
        throw;
    }
    registry.CloseKey();
    return importer.Created();
}

} // namespace qm::transfer
