// Where the keyboard is after a box, a dialog or the About box has come and gone: the
// Windows boxes and dialogs themselves, answered by a timer as a user would answer them.
#include "ScreenTest.h"

#include "ui/Controls.h"

#include "support/ScriptedDialogs.h"

#include <functional>
#include <string>

namespace {

using qm::ui::kPageButtons;
using screentest::KeyboardTest;

// The Windows boxes and dialogs in place of the scripted ones while it lives: a box takes the
// activation from the main window and hands it back as on the user's screen.
class RealBoxes : public qm::ui::WinDialogs {
public:
    explicit RealBoxes(qm::ui::Dialogs& scripted) : scripted_(scripted) {
        qm::ui::SetAppDialogs(this);
    }
    ~RealBoxes() override { qm::ui::SetAppDialogs(&scripted_); }

private:
    qm::ui::Dialogs& scripted_;
};

// How the user answers the box: a button's command, or a key typed where its keyboard is.
struct Answer {
    bool key = false;
    UINT value = 0;
};

struct Answering {
    Answer answer;
    int answered = 0;
};
Answering* answering = nullptr;

void CALLBACK AnswerTheBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = qmtest::VisibleDialogOfThisThread();
    if (!box || !answering || answering->answered > 0) return;
    ++answering->answered;
    if (!answering->answer.key) {
        PostMessageA(box, WM_COMMAND, answering->answer.value, 0);
        return;
    }
    HWND focus = GetFocus();
    HWND target = focus && IsChild(box, focus) ? focus : box;
    PostMessageA(target, WM_KEYDOWN, answering->answer.value, 1);
    PostMessageA(target, WM_KEYUP, answering->answer.value, 1 | (3u << 30));
}

std::string Describe(HWND window) {
    if (!window) return "nothing";
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) + " " + std::to_string(GetDlgCtrlID(window)) + " \"" +
           qm::ui::GetText(window) + "\"";
}

class FocusTest : public KeyboardTest {
protected:
    void SetUp() override {
        screentest::PutButton(qm::ButtonKeyName(1), "First");
        screentest::PutButton(qm::ButtonKeyName(2), "Second");
        KeyboardTest::SetUp();
        SetForegroundWindow(form->hwnd());
        SetActiveWindow(form->hwnd());
        Pump();
        ASSERT_EQ(GetActiveWindow(), form->hwnd()) << "the window cannot be activated here";
    }

    // Runs what brings up a box with the real boxes in place, answering the box as given.
    void WithBoxAnswered(Answer answer, const std::function<void()>& bringUp) {
        Answering state{answer};
        answering = &state;
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, &AnswerTheBox);
        {
            RealBoxes boxes(dialogs);
            bringUp();
            Pump();
        }
        KillTimer(nullptr, timer);
        answering = nullptr;
        EXPECT_EQ(state.answered, 1) << "no box came up";
    }
};

constexpr Answer kOk{false, IDOK};
constexpr Answer kNo{false, IDNO};
constexpr Answer kCancel{false, IDCANCEL};
constexpr Answer kEscape{true, VK_ESCAPE};

TEST_F(FocusTest, TheKeyboardGoesBackToItsControlAfterEveryBoxAndDialog) {
    HWND buttonText = Item(kPageButtons, IDC_BUTTONTEXT);
    HWND iconEdit = Item(kPageButtons, IDC_ICONEDIT);
    HWND key = Item(kPageButtons, IDC_STATICTEXT1);
    HWND execBrowse = Item(kPageButtons, IDC_EXECBROWSE);
    HWND strip = ButtonPage().ToolBar2();
    HWND owner = form->hwnd();
    const struct {
        const char* what;
        HWND control; // has the keyboard before
        Answer answer;
        std::function<void()> bringUp;
    } rows[] = {
        {"the delete question, No", buttonText, kNo, [&] { Press('D', kCtrl); }},
        {"an error box", iconEdit, kOk,
         [&] { qm::ui::AppDialogs().ShowError(owner, "Something failed"); }},
        {"the standard error box", key, kOk,
         [&] { qm::ui::AppDialogs().ShowApplicationError(owner, "Something failed."); }},
        {"a notice", buttonText, kOk,
         [&] { qm::ui::AppDialogs().ShowInformation(owner, "Something done."); }},
        {"the file-open dialog, cancelled", execBrowse, kCancel,
         [&] { SendMessageA(execBrowse, BM_CLICK, 0, 0); }},
        {"the export's file-save dialog, cancelled", strip, kCancel,
         [&] { MenuCommand(IDM_EXPORTTOOLBARSINFO1); }},
        {"\"Select category\", Escape", strip, kEscape, [&] { Press('A', kCtrl); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SetFocus(row.control);
        ASSERT_EQ(Focus(), row.control);
        WithBoxAnswered(row.answer, row.bringUp);
        EXPECT_EQ(GetActiveWindow(), form->hwnd());
        EXPECT_EQ(Focus(), row.control) << "the keyboard is on " << Describe(Focus());
    }
    EXPECT_EQ(ButtonPage().StripButtonCount(), 2) << "nothing was deleted or added";
}

TEST_F(FocusTest, AfterAddTheKeyboardIsInTheNewRecordsFirstField) {
    SetFocus(ButtonPage().ToolBar2());
    WithBoxAnswered({true, VK_RETURN}, [&] { Press('A', kCtrl); });
    ASSERT_EQ(ButtonPage().StripButtonCount(), 3);
    HWND buttonText = Item(kPageButtons, IDC_BUTTONTEXT);
    EXPECT_EQ(Focus(), buttonText) << "the keyboard is on " << Describe(Focus());
    // Ready to be typed over: its whole text is selected.
    DWORD from = 1, to = 0;
    SendMessageA(buttonText, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                 reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, static_cast<DWORD>(qm::ui::GetText(buttonText).size()));
}

TEST_F(FocusTest, TheAboutBoxHandsTheKeyboardBackAndItsLinksWorkFromTheKeyboard) {
    qm::TAboutForm& about = form->AboutForm();
    HWND back = Item(kPageButtons, IDC_STATICTEXT1);
    SetFocus(back);
    MenuCommand(IDM_ABOUT2);
    ASSERT_TRUE(about.IsShowing());
    ASSERT_EQ(Focus(), about.hwnd());
    HWND web = GetDlgItem(about.hwnd(), IDC_ABOUT_WEBLINK);
    HWND mail = GetDlgItem(about.hwnd(), IDC_ABOUT_MAILLINK);

    // Tab goes round the two links; Enter and Space open the one that has the keyboard.
    Press(VK_TAB);
    EXPECT_EQ(Focus(), web) << Describe(Focus());
    Press(VK_TAB);
    EXPECT_EQ(Focus(), mail) << Describe(Focus());
    Press(VK_TAB, kShift);
    EXPECT_EQ(Focus(), web) << Describe(Focus());
    dialogs.AnswerShellOpen(true);
    Press(VK_SPACE);
    Press(VK_TAB);
    dialogs.AnswerShellOpen(true);
    Press(VK_RETURN);
    const auto opened = dialogs.ShownOf(qmtest::Shown::ShellOpen);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].text, qm::ui::GetText(web));
    EXPECT_EQ(opened[1].text, "mailto:" + qm::ui::GetText(mail));
    EXPECT_TRUE(about.IsShowing()) << "a link opened is no reason to close";

    // Escape closes the box, and the keyboard is where it was before "About".
    Press(VK_ESCAPE);
    EXPECT_FALSE(about.IsShowing());
    EXPECT_EQ(GetActiveWindow(), form->hwnd());
    EXPECT_EQ(Focus(), back) << "the keyboard is on " << Describe(Focus());
}

} // namespace
