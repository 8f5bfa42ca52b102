#pragma once
// Every modal thing the program shows goes through Dialogs: questions, error boxes, the
// common file and folder dialogs, the help call and the shell's open action. The program uses
// WinDialogs; the tests put a scripted implementation in its place.

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm::ui {

// The state of one file-dialog component of a form (OpenDialog1, SaveDialog1, ...): what it
// offers and the full name last chosen in it, which it proposes the next time.
struct FileDialog {
    std::string filter;     // pairs separated by "|": "Text files|*.txt|All files|*.*"
    std::string defaultExt; // without the dot
    std::string initialDir; // used while fileName holds no folder
    std::string fileName;   // the last chosen full name; set on OK
    std::string title;      // empty: the platform's default
    DWORD options = OFN_HIDEREADONLY | OFN_ENABLESIZING;
};

enum class FileDialogKind {
    Open,    // file-open
    Save,    // file-save
    Picture, // file-open with a preview of the selected picture
};

// A list of rows with a check box each, from which the user chooses (the import's preview of
// the buttons a file will create), with texts above and below it and an optional check box.
struct RowChoice {
    struct Row {
        std::vector<std::string> cells; // one text per column
        bool chosen = false;            // proposed, and after OK what the user chose
    };
    std::string caption;
    std::string intro;                // above the list
    std::vector<std::string> columns; // the headers
    std::vector<Row> rows;
    // Row i's picture at size x size pixels, owned by the dialog from then on; nullptr for none.
    std::function<HICON(size_t row, int size)> icon;
    std::string note;           // below the list; "" for none
    std::string option;         // a check box's text below the list; "" for none
    bool optionChecked = false; // proposed, and after OK what the user chose
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Information icon, Yes and No; true only for Yes. The caption says what is asked
    // ("Import toolbar buttons"); without one it is "Information".
    virtual bool AskYesNo(HWND owner, const std::string& text, const std::string& caption = {}) = 0;
    // Error icon, caption "Error", OK.
    virtual void ShowError(HWND owner, const std::string& text) = 0;
    // The application's standard error box: the application's title, the error icon, OK.
    // The text arrives complete (see StandardErrorText).
    virtual void ShowApplicationError(HWND owner, const std::string& text) = 0;
    // A notice under the application's title with the information icon and OK, such as the
    // command line's usage for a start that has no console to show it in.
    virtual void ShowInformation(HWND owner, const std::string& text) = 0;
    // Runs a file dialog; on OK stores the chosen full name in dialog.fileName.
    virtual bool RunFileDialog(HWND owner, FileDialogKind kind, FileDialog& dialog) = 0;
    // A folder-selection dialog that can make a new folder; the chosen path, or nothing.
    virtual std::optional<std::string> BrowseForFolder(HWND owner, const std::string& caption) = 0;
    // HtmlHelpA(owner, path, command, data); fails soft when the help control is missing.
    virtual void ShowHelp(HWND owner, const std::string& path, UINT command, DWORD_PTR data) = 0;
    // The shell's open action, shown normally; false when the shell reports failure.
    virtual bool ShellOpen(HWND owner, const std::string& target) = 0;
    // Runs this program once more with administrator rights (the shell's "runas" verb, which
    // shows Windows' elevation prompt) and the arguments, and waits for it to end, the owner
    // disabled meanwhile and its messages handled. The program's exit code; nothing when the
    // user declined the prompt or the program could not be started.
    virtual std::optional<DWORD> RunElevated(HWND owner, const std::string& arguments) = 0;
    // The program's own dialog with a list of rows to choose from, OK and Cancel; true for OK,
    // which stores the user's choice in the rows and the check box.
    virtual bool ChooseRows(HWND owner, RowChoice& choice) = 0;
};

// The text of the standard error box: the error's text, with "." added when its last
// character sorts after ".".
std::string StandardErrorText(const std::string& what);

// The one way to the dialogs, for the windows and pages, the exception guard, the About box and
// the command line alike: WinDialogs unless a test or benchmark has put another in place.
Dialogs& AppDialogs();
// Puts another implementation in place (nullptr restores WinDialogs). Not owned. Tests and
// benchmarks call it in one place, the constructor and destructor of their Dialogs.
void SetAppDialogs(Dialogs* dialogs);

// The production implementation on the Windows dialogs.
class WinDialogs : public Dialogs {
public:
    bool AskYesNo(HWND owner, const std::string& text, const std::string& caption = {}) override;
    void ShowError(HWND owner, const std::string& text) override;
    void ShowApplicationError(HWND owner, const std::string& text) override;
    void ShowInformation(HWND owner, const std::string& text) override;
    bool RunFileDialog(HWND owner, FileDialogKind kind, FileDialog& dialog) override;
    std::optional<std::string> BrowseForFolder(HWND owner, const std::string& caption) override;
    void ShowHelp(HWND owner, const std::string& path, UINT command, DWORD_PTR data) override;
    bool ShellOpen(HWND owner, const std::string& target) override;
    std::optional<DWORD> RunElevated(HWND owner, const std::string& arguments) override;
    bool ChooseRows(HWND owner, RowChoice& choice) override;
};

} // namespace qm::ui
