// The Help menu of the main window: "Content" and F1 open the help file at the topic of the page
// that is showing, "About" the About box.
#include "app/Main.h"
#include "Version.h"

#include "resource.h"
#include "support/ProgramTest.h"
#include "ui/Controls.h"

namespace {

using qm::ui::ProcessPendingMessages;

class HelpMenuTest : public qmtest::ProgramTest {
protected:
    qm::TForm1 form;

    HelpMenuTest() {
        form.Show(SW_SHOW);
        ProcessPendingMessages();
    }
    void Menu(int command) {
        SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        ProcessPendingMessages();
    }
    // A key pressed in a window of the program, through the program's message loop.
    void Key(UINT key, HWND window = nullptr) {
        MSG message{};
        message.hwnd = window ? window : form.hwnd();
        message.message = WM_KEYDOWN;
        message.wParam = key;
        message.lParam = 1;
        if (!form.TranslateKeyboard(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        ProcessPendingMessages();
    }
};

// Each page of the window, as the View menu shows it, with the help topic that describes it.
struct PageTopic {
    int viewCommand;
    const char* topic;
};
constexpr PageTopic kPageTopics[] = {
    {IDM_VIEWSTDBTN, "buttons.htm"},
    {IDM_VIEWCONTEXTMENU, "contextmenu.htm"},
    {IDM_VIEWTBBACKGROUND, "backgrounds.htm"},
    {IDM_VIEWWINDOWTITLE, "windowattributes.htm"},
};

TEST_F(HelpMenuTest, ContentAndF1OpenTheHelpFileBesideTheProgramAtTheShownPagesTopic) {
    for (const PageTopic& row : kPageTopics) {
        SCOPED_TRACE(row.topic);
        Menu(row.viewCommand);
        size_t before = dialogs.ShownOf(qmtest::Shown::Help).size();
        dialogs.ExpectHelp();
        dialogs.ExpectHelp();
        Menu(IDM_CONTENT);
        Key(VK_F1);
        auto calls = dialogs.ShownOf(qmtest::Shown::Help);
        ASSERT_EQ(calls.size(), before + 2);
        for (size_t at = before; at < calls.size(); ++at) {
            EXPECT_EQ(calls[at].text, qm::ui::ProgramFolder() + "qmhelp.chm::/" + row.topic);
            EXPECT_EQ(calls[at].owner, form.hwnd());
            EXPECT_EQ(calls[at].helpCommand, 0u);
            EXPECT_EQ(calls[at].helpData, 0u);
        }
    }
}

TEST_F(HelpMenuTest, AboutShowsTheOneBoxWhichHidesWhenTheMainWindowIsClicked) {
    qm::TAboutForm& about = form.AboutForm();
    EXPECT_FALSE(about.IsShowing());
    Menu(IDM_ABOUT2);
    EXPECT_TRUE(about.IsShowing());
    EXPECT_EQ(GetWindow(about.hwnd(), GW_OWNER), form.hwnd());
    EXPECT_TRUE(IsWindowEnabled(form.hwnd())) << "not modal: the main window stays usable";

    Menu(IDM_ABOUT2); // while showing: brought to the front, no second box
    EXPECT_TRUE(about.IsShowing());
    EXPECT_EQ(GetForegroundWindow(), about.hwnd());

    SetActiveWindow(form.hwnd()); // the user clicks the main window
    ProcessPendingMessages();
    EXPECT_FALSE(about.IsShowing());

    HWND box = about.hwnd();
    Menu(IDM_ABOUT2);
    Key(VK_RETURN, GetFocus());
    EXPECT_TRUE(about.IsShowing());
    Key(VK_ESCAPE, GetFocus()); // closes it like a click on the picture
    EXPECT_FALSE(about.IsShowing());
    Menu(IDM_ABOUT2);
    EXPECT_TRUE(about.IsShowing());
    EXPECT_EQ(about.hwnd(), box);
    EXPECT_EQ(qm::ui::GetText(about.Item(IDC_ABOUT_VERSION)), QM_VERSION_LABEL);
    // The version the box names is the one in the main window's caption.
    EXPECT_EQ(qm::ui::GetText(form.hwnd()),
              "Quillmere " + qm::ui::GetText(about.Item(IDC_ABOUT_VERSION)));
}

} // namespace
