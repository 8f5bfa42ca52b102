#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace qmtest {

const char* ToString(Shown kind) {
    switch (kind) {
    case Shown::Question: return "question";
    case Shown::Error: return "error box";
    case Shown::ApplicationError: return "application error box";
    case Shown::Information: return "information box";
    case Shown::FileDialog: return "file dialog";
    case Shown::Folder: return "folder dialog";
    case Shown::Help: return "help";
    case Shown::ShellOpen: return "shell open";
    case Shown::Elevation: return "elevated start";
    case Shown::Rows: return "row dialog";
    }
    return "?";
}

namespace {
ShownRecord Record(Shown kind, const std::string& text, HWND owner) {
    ShownRecord record;
    record.kind = kind;
    record.text = text;
    record.owner = owner;
    return record;
}
} // namespace

ScriptedDialogs::ScriptedDialogs() { qm::ui::SetAppDialogs(this); }

ScriptedDialogs::~ScriptedDialogs() {
    qm::ui::SetAppDialogs(nullptr);
    for (const Answer& answer : queue_)
        ADD_FAILURE() << "expected a " << ToString(answer.kind) << " that never came"
                      << (answer.expectedText.empty() ? "" : ": " + answer.expectedText);
}

void ScriptedDialogs::AnswerQuestion(bool yes, const std::string& expectedText) {
    queue_.push_back({Shown::Question, expectedText, yes, std::nullopt, {}});
}
void ScriptedDialogs::ExpectError(const std::string& expectedText) {
    queue_.push_back({Shown::Error, expectedText, false, std::nullopt, {}});
}
void ScriptedDialogs::ExpectApplicationError(const std::string& expectedText) {
    queue_.push_back({Shown::ApplicationError, expectedText, false, std::nullopt, {}});
}
void ScriptedDialogs::ExpectInformation(const std::string& expectedText) {
    queue_.push_back({Shown::Information, expectedText, false, std::nullopt, {}});
}
void ScriptedDialogs::AnswerFileDialog(std::optional<std::string> chosen) {
    queue_.push_back({Shown::FileDialog, {}, chosen.has_value(), std::move(chosen), {}});
}
void ScriptedDialogs::AnswerFolder(std::optional<std::string> chosen) {
    queue_.push_back({Shown::Folder, {}, chosen.has_value(), std::move(chosen), {}});
}
void ScriptedDialogs::ExpectHelp() { queue_.push_back({Shown::Help, {}, true, std::nullopt, {}}); }
void ScriptedDialogs::AnswerShellOpen(bool succeeds) {
    queue_.push_back({Shown::ShellOpen, {}, succeeds, std::nullopt, {}});
}

void ScriptedDialogs::AnswerElevation(bool started) {
    queue_.push_back({Shown::Elevation, {}, started, std::nullopt, {}});
}

void ScriptedDialogs::AnswerElevation(std::function<DWORD(const std::string& arguments)> run) {
    queue_.push_back({Shown::Elevation, {}, true, std::nullopt, std::move(run)});
}

void ScriptedDialogs::AnswerRows(RowsAnswer answer) {
    Answer queued{Shown::Rows, {}, answer.ok, std::nullopt, {}};
    queued.rows = std::move(answer);
    queue_.push_back(std::move(queued));
}

std::vector<ShownRecord> ScriptedDialogs::ShownOf(qmtest::Shown kind) const {
    std::vector<ShownRecord> result;
    for (const ShownRecord& record : shown_)
        if (record.kind == kind) result.push_back(record);
    return result;
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::Take(ShownRecord record) {
    shown_.push_back(record);
    if (queue_.empty() || queue_.front().kind != record.kind) {
        ADD_FAILURE() << "unexpected " << ToString(record.kind) << ": \"" << record.text << "\""
                      << (queue_.empty()
                              ? std::string()
                              : std::string(" (expected a ") + ToString(queue_.front().kind) + ")");
        return std::nullopt;
    }
    Answer answer = queue_.front();
    queue_.pop_front();
    if (!answer.expectedText.empty()) {
        EXPECT_EQ(record.text, answer.expectedText) << "text of the " << ToString(record.kind);
    }
    return answer;
}

bool ScriptedDialogs::AskYesNo(HWND owner, const std::string& text, const std::string& caption) {
    ShownRecord record = Record(Shown::Question, text, owner);
    record.caption = caption;
    auto answer = Take(record);
    return answer && answer->yes;
}

void ScriptedDialogs::ShowError(HWND owner, const std::string& text) {
    Take(Record(Shown::Error, text, owner));
}

void ScriptedDialogs::ShowApplicationError(HWND owner, const std::string& text) {
    Take(Record(Shown::ApplicationError, text, owner));
}

void ScriptedDialogs::ShowInformation(HWND owner, const std::string& text) {
    Take(Record(Shown::Information, text, owner));
}

bool ScriptedDialogs::RunFileDialog(HWND owner, qm::ui::FileDialogKind kind,
                                    qm::ui::FileDialog& dialog) {
    ShownRecord record = Record(Shown::FileDialog, dialog.fileName, owner);
    record.fileKind = kind;
    record.file = dialog;
    auto answer = Take(record);
    if (!answer || !answer->chosen) return false;
    dialog.fileName = *answer->chosen;
    return true;
}

std::optional<std::string> ScriptedDialogs::BrowseForFolder(HWND owner,
                                                            const std::string& caption) {
    auto answer = Take(Record(Shown::Folder, caption, owner));
    return answer ? answer->chosen : std::nullopt;
}

void ScriptedDialogs::ShowHelp(HWND owner, const std::string& path, UINT command, DWORD_PTR data) {
    ShownRecord record = Record(Shown::Help, path, owner);
    record.helpCommand = command;
    record.helpData = data;
    Take(record);
}

bool ScriptedDialogs::ShellOpen(HWND owner, const std::string& target) {
    auto answer = Take(Record(Shown::ShellOpen, target, owner));
    return answer && answer->yes;
}

std::optional<DWORD> ScriptedDialogs::RunElevated(HWND owner, const std::string& arguments) {
    auto answer = Take(Record(Shown::Elevation, arguments, owner));
    if (!answer || !answer->yes) return std::nullopt;
    return answer->run ? answer->run(arguments) : DWORD{0};
}

bool ScriptedDialogs::ChooseRows(HWND owner, qm::ui::RowChoice& choice) {
    ShownRecord record = Record(Shown::Rows, choice.intro, owner);
    record.caption = choice.caption;
    record.rows = choice;
    auto answer = Take(record);
    if (!answer || !answer->rows.ok) return false;
    if (answer->rows.chosen) {
        EXPECT_EQ(answer->rows.chosen->size(), choice.rows.size()) << "rows answered";
        for (size_t i = 0; i < choice.rows.size() && i < answer->rows.chosen->size(); ++i)
            choice.rows[i].chosen = (*answer->rows.chosen)[i];
    }
    // A check box that is not there cannot be ticked.
    if (answer->rows.option && !choice.option.empty()) choice.optionChecked = *answer->rows.option;
    return true;
}

HWND VisibleDialogOfThisThread() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM result) -> BOOL {
            char name[16] = {};
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace qmtest
