#pragma once
// Dialogs for tests: every question, box and dialog the program shows is recorded, and each
// is answered from a queue the test filled beforehand. A question the test did not expect
// fails the test (and is answered No / Cancel) instead of hanging the run.

#include "ui/Dialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qmtest {

enum class Shown {
    Question,         // Information, Yes/No
    Error,            // "Error" box
    ApplicationError, // the application's standard error box
    Information,      // a notice with the information icon and OK
    FileDialog,       // open, save or picture-open dialog
    Folder,           // folder selection
    Help,             // the help call
    ShellOpen,        // the shell's open action
    Elevation,        // starting the program again with administrator rights
    Rows,             // the program's dialog with rows to choose from
};

const char* ToString(Shown kind);

// One thing the program showed, as it showed it.
struct ShownRecord {
    Shown kind = Shown::Question;
    std::string text;    // question or error text, folder caption, help path, open target
    std::string caption; // a question's caption ("" for the plain "Information")
    HWND owner = nullptr;
    qm::ui::FileDialogKind fileKind = qm::ui::FileDialogKind::Open;
    qm::ui::FileDialog file; // the file dialog's settings as the program made them
    UINT helpCommand = 0;
    DWORD_PTR helpData = 0;
    qm::ui::RowChoice rows; // the row dialog as the program proposed it
};

// How the row dialog is answered: Cancel, or OK with the rows and the check box as the
// program proposed them, except where chosen (one entry per row) or option say otherwise.
struct RowsAnswer {
    bool ok = true;
    std::optional<std::vector<bool>> chosen;
    std::optional<bool> option;

    static RowsAnswer Cancel() {
        RowsAnswer answer;
        answer.ok = false;
        return answer;
    }
    RowsAnswer& Choose(std::vector<bool> rows) {
        chosen = std::move(rows);
        return *this;
    }
    RowsAnswer& Copy(bool tick) {
        option = tick;
        return *this;
    }
};

class ScriptedDialogs : public qm::ui::Dialogs {
public:
    // Installs itself as the program's Dialogs; the destructor puts the real ones back and
    // fails the test if an expected question never came.
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Queue the answer to the next thing of that kind. A non-empty expected text must match.
    void AnswerQuestion(bool yes, const std::string& expectedText = {});
    void ExpectError(const std::string& expectedText = {});
    void ExpectApplicationError(const std::string& expectedText = {});
    void ExpectInformation(const std::string& expectedText = {});
    // nullopt cancels the dialog; otherwise the chosen full name.
    void AnswerFileDialog(std::optional<std::string> chosen);
    void AnswerFolder(std::optional<std::string> chosen);
    void ExpectHelp();
    void AnswerShellOpen(bool succeeds);
    // started false stands for a declined elevation prompt; true for an elevated copy that ran
    // and ended with exit code 0.
    void AnswerElevation(bool started);
    // The elevated copy is run as run says, given the arguments; it returns the exit code.
    void AnswerElevation(std::function<DWORD(const std::string& arguments)> run);
    void AnswerRows(RowsAnswer answer = {});

    const std::vector<ShownRecord>& Shown() const { return shown_; }
    // The records of one kind, in order.
    std::vector<ShownRecord> ShownOf(qmtest::Shown kind) const;
    size_t PendingAnswers() const { return queue_.size(); }

    bool AskYesNo(HWND owner, const std::string& text, const std::string& caption = {}) override;
    void ShowError(HWND owner, const std::string& text) override;
    void ShowApplicationError(HWND owner, const std::string& text) override;
    void ShowInformation(HWND owner, const std::string& text) override;
    bool RunFileDialog(HWND owner, qm::ui::FileDialogKind kind,
                       qm::ui::FileDialog& dialog) override;
    std::optional<std::string> BrowseForFolder(HWND owner, const std::string& caption) override;
    void ShowHelp(HWND owner, const std::string& path, UINT command, DWORD_PTR data) override;
    bool ShellOpen(HWND owner, const std::string& target) override;
    std::optional<DWORD> RunElevated(HWND owner, const std::string& arguments) override;
    bool ChooseRows(HWND owner, qm::ui::RowChoice& choice) override;

private:
    struct Answer {
        qmtest::Shown kind;
        std::string expectedText;
        bool yes = false;
        std::optional<std::string> chosen;
        std::function<DWORD(const std::string&)> run;
        RowsAnswer rows = {};
    };
    // Records the call and takes the matching queued answer, or fails the test.
    std::optional<Answer> Take(ShownRecord record);

    std::deque<Answer> queue_;
    std::vector<ShownRecord> shown_;
};

// The standard dialog (a window of class "#32770") this thread shows, or nullptr: the box or
// dialog a test's timer looks for while the program waits in it.
HWND VisibleDialogOfThisThread();

} // namespace qmtest
