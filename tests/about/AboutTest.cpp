#include "app/About.h"
#include "Version.h"

#include "resource.h"
#include "support/Layout.h"
#include "support/ProgramTest.h"
#include "ui/Controls.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using qm::TAboutForm;
using qm::ui::GetText;
using qm::ui::ProcessPendingMessages;

// A window of the test's own that stands in for the main window: it owns the About box.
class OwnerWindow : public qm::ui::WindowBase {
public:
    OwnerWindow() {
        RegisterClassOnce("QmAboutOwner", 0, nullptr, GetSysColorBrush(COLOR_BTNFACE));
        Create("QmAboutOwner", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 10, 10, 300, 200,
               nullptr, nullptr);
        ProcessPendingMessages();
    }
};

// The About boxes of this thread (shown or hidden), found by their caption.
std::vector<HWND> AboutBoxes() {
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) {
            if (GetText(window) == TAboutForm::kCaption)
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Clicks the box at a point of its client area, on whatever child lies on top there.
HWND ClickAt(HWND box, POINT point) {
    HWND target = ChildWindowFromPointEx(box, point, CWP_SKIPINVISIBLE);
    MapWindowPoints(box, target, &point, 1);
    SendMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    SendMessageA(target, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    ProcessPendingMessages();
    return target;
}

POINT CentreOf(HWND box, int id) {
    RECT rect = qmtest::RectIn(box, GetDlgItem(box, id));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

class AboutBoxTest : public qmtest::ProgramTest {
protected:
    OwnerWindow owner;
    TAboutForm about{owner.hwnd()};

    HWND Item(int id) const { return about.Item(id); }
    void ClickLink(int id) { ClickAt(about.hwnd(), CentreOf(about.hwnd(), id)); }
};

TEST_F(AboutBoxTest, AboutAgainBringsBackTheSameBoxWithItsVersionNeverASecond) {
    ASSERT_NE(about.hwnd(), nullptr);
    EXPECT_FALSE(about.IsShowing()) << "the box is made hidden at start-up";

    about.Show();
    ProcessPendingMessages();
    EXPECT_TRUE(about.IsShowing());
    EXPECT_EQ(GetText(Item(IDC_ABOUT_VERSION)), QM_VERSION_LABEL);

    SetWindowTextA(Item(IDC_ABOUT_VERSION), "stale");
    about.Show(); // while showing: to the front, refilled
    ProcessPendingMessages();
    EXPECT_EQ(AboutBoxes(), std::vector<HWND>{about.hwnd()});
    EXPECT_EQ(GetForegroundWindow(), about.hwnd());
    EXPECT_EQ(GetText(Item(IDC_ABOUT_VERSION)), QM_VERSION_LABEL);

    ClickAt(about.hwnd(), CentreOf(about.hwnd(), IDC_ABOUT_IMAGE1));
    ASSERT_FALSE(about.IsShowing());
    SetWindowTextA(Item(IDC_ABOUT_VERSION), "stale");
    about.Show(); // after closing: the same window again
    ProcessPendingMessages();
    EXPECT_TRUE(about.IsShowing());
    EXPECT_EQ(AboutBoxes(), std::vector<HWND>{about.hwnd()});
    EXPECT_EQ(GetText(Item(IDC_ABOUT_VERSION)), QM_VERSION_LABEL);
}

TEST_F(AboutBoxTest, IsABorderlessCentredBoxOfTheGivenSizeWithItsPicture) {
    about.Show();
    ProcessPendingMessages();
    HWND box = about.hwnd();
    const LONG_PTR style = GetWindowLongPtrA(box, GWL_STYLE);
    RECT client, frame;
    GetClientRect(box, &client);
    GetWindowRect(box, &frame);
    const RECT image = qmtest::RectIn(box, Item(IDC_ABOUT_IMAGE1));
    const RECT panel = qmtest::RectIn(box, Item(IDC_ABOUT_PANEL2));
    auto picture = reinterpret_cast<HBITMAP>(
        SendMessageA(Item(IDC_ABOUT_IMAGE1), STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bits{};
    ASSERT_TRUE(picture && GetObjectA(picture, sizeof bits, &bits));
    auto within1 = [](LONG a, LONG b) { return a - b <= 1 && b - a <= 1; };
    struct Rule {
        const char* what;
        bool holds;
    };
    const Rule rules[] = {
        {"the box is named About Quillmere", GetText(box) == "About Quillmere"},
        {"a 1-pixel line and no title bar", (style & WS_CAPTION) == WS_BORDER &&
                                                frame.right - frame.left == client.right + 2 &&
                                                frame.bottom - frame.top == client.bottom + 2},
        {"the box cannot be resized", !(style & WS_THICKFRAME)},
        {"the box is a window of its own", !(style & WS_CHILD)},
        {"the box is centred on the screen",
         within1((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2) &&
             within1((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2)},
        {"the picture sits in the top left corner", image.left == 0 && image.top == 0},
        {"the picture is shown whole",
         image.right - image.left == bits.bmWidth && image.bottom - image.top == bits.bmHeight},
        {"the picture is in full colour", bits.bmBitsPixel >= 24},
        {"the picture fills the box's height", client.bottom - image.bottom <= 1},
        {"the panel lies right of the picture", panel.left >= image.right},
        {"the panel is as wide as the picture",
         panel.right - panel.left == image.right - image.left},
        {"the panel fills the rest of the box",
         panel.top == 0 && panel.right == client.right && panel.bottom == client.bottom},
    };
    for (const Rule& rule : rules) EXPECT_TRUE(rule.holds) << rule.what;
}

// Each label's look, and that its text is readable in the place it was given.
TEST_F(AboutBoxTest, LabelsHaveTheirFontsColoursAndRoomForTheirTexts) {
    struct Look {
        const char* what;
        int id;
        bool bold, underlined, title;
        COLORREF colour;
    };
    const COLORREF black = RGB(0, 0, 0), blue = RGB(0, 0, 255);
    const Look looks[] = {
        {"the title, bold and larger", IDC_ABOUT_TITLE, true, false, true, black},
        {"the version", IDC_ABOUT_VERSION, false, false, false, black},
        {"the web link, blue and underlined", IDC_ABOUT_WEBLINK, false, true, false, blue},
        {"the mail caption, bold", IDC_ABOUT_MAILCAPTION, true, false, false, black},
        {"the mail link, blue and underlined", IDC_ABOUT_MAILLINK, false, true, false, blue},
        {"the credit line", IDC_ABOUT_CREDIT, false, false, false, black},
    };
    about.Show();
    ProcessPendingMessages();
    EXPECT_EQ(GetText(Item(IDC_ABOUT_TITLE)), "Quillmere") << "the title names the program";
    EXPECT_EQ(GetText(Item(IDC_ABOUT_VERSION)), QM_VERSION_LABEL);
    qmtest::ExpectLabelsField(Item(IDC_ABOUT_MAILCAPTION), Item(IDC_ABOUT_MAILLINK),
                              "the mail caption");
    auto heightOf = [&](int id) {
        LOGFONTA logFont{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Item(id), WM_GETFONT, 0, 0)),
                   sizeof logFont, &logFont);
        return std::abs(logFont.lfHeight);
    };
    HDC dc = GetDC(about.hwnd());
    for (const Look& look : looks) {
        SCOPED_TRACE(look.what);
        HWND label = Item(look.id);
        qmtest::ExpectReadable(label, look.what);
        LOGFONTA logFont{};
        ASSERT_TRUE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)),
                               sizeof logFont, &logFont));
        EXPECT_EQ(logFont.lfWeight >= FW_BOLD, look.bold);
        EXPECT_EQ(logFont.lfUnderline != 0, look.underlined);
        if (look.title)
            EXPECT_GT(heightOf(look.id), heightOf(IDC_ABOUT_VERSION)) << "the title stands out";
        else
            EXPECT_EQ(heightOf(look.id), heightOf(IDC_ABOUT_VERSION)) << "one size for the rest";
        SendMessageA(about.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(label));
        EXPECT_EQ(GetTextColor(dc), look.colour);
    }
    ReleaseDC(about.hwnd(), dc);
}

TEST_F(AboutBoxTest, TurningToAnotherWindowOfTheProgramHidesTheBox) {
    about.Show();
    ProcessPendingMessages();
    ASSERT_TRUE(about.IsShowing());

    // Another application's window becoming active leaves the box alone.
    SendMessageA(about.hwnd(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(about.IsShowing());

    SetActiveWindow(owner.hwnd()); // the user clicks the main window
    ProcessPendingMessages();
    EXPECT_FALSE(about.IsShowing());
    EXPECT_EQ(AboutBoxes().size(), 1u) << "hidden, not destroyed";
}

TEST_F(AboutBoxTest, ClickOnThePictureOrThePanelClosesTheBoxButNotOnItsLabels) {
    struct Case {
        const char* where;
        POINT point;
        int expectedTarget;
        bool closes;
    };
    about.Show();
    ProcessPendingMessages();
    HWND box = about.hwnd();
    // The panel's empty part: below the version, above the web link.
    const RECT panel = qmtest::RectIn(box, Item(IDC_ABOUT_PANEL2));
    const LONG gap = (qmtest::RectIn(box, Item(IDC_ABOUT_VERSION)).bottom +
                      qmtest::RectIn(box, Item(IDC_ABOUT_WEBLINK)).top) /
                     2;
    const Case cases[] = {
        {"picture", CentreOf(box, IDC_ABOUT_IMAGE1), IDC_ABOUT_IMAGE1, true},
        {"right panel, empty part", {(panel.left + panel.right) / 2, gap}, IDC_ABOUT_PANEL2, true},
        {"right panel, bottom corner", {panel.right - 2, panel.bottom - 2}, IDC_ABOUT_PANEL2, true},
        {"title", CentreOf(box, IDC_ABOUT_TITLE), IDC_ABOUT_TITLE, false},
        {"version", CentreOf(box, IDC_ABOUT_VERSION), IDC_ABOUT_VERSION, false},
        {"mail caption", CentreOf(box, IDC_ABOUT_MAILCAPTION), IDC_ABOUT_MAILCAPTION, false},
        {"credit line", CentreOf(box, IDC_ABOUT_CREDIT), IDC_ABOUT_CREDIT, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        about.Show();
        ProcessPendingMessages();
        HWND target = ClickAt(box, c.point);
        EXPECT_EQ(GetDlgCtrlID(target), c.expectedTarget);
        EXPECT_EQ(about.IsShowing(), !c.closes);
    }
}

TEST_F(AboutBoxTest, LinksGoToTheShellTheMailLinkAsAMailtoTarget) {
    about.Show();
    ProcessPendingMessages();
    std::string web = GetText(Item(IDC_ABOUT_WEBLINK));
    std::string mail = GetText(Item(IDC_ABOUT_MAILLINK));
    EXPECT_EQ(web.find('@'), std::string::npos);
    EXPECT_NE(mail.find('@'), std::string::npos);

    dialogs.AnswerShellOpen(true);
    dialogs.AnswerShellOpen(true);
    ClickLink(IDC_ABOUT_WEBLINK);
    ClickLink(IDC_ABOUT_MAILLINK);
    auto opened = dialogs.ShownOf(qmtest::Shown::ShellOpen);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].text, web);
    EXPECT_EQ(opened[1].text, "mailto:" + mail);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_ABOUT_WEBLINK)));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_ABOUT_MAILLINK)));
    EXPECT_TRUE(about.IsShowing()) << "a link is no click on the panel";

    // Over a live link the mouse shows the hand.
    SendMessageA(about.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Item(IDC_ABOUT_MAILLINK)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
}

TEST_F(AboutBoxTest, ALinkTheShellCannotOpenIsDisabledSilentlyForTheRestOfTheRun) {
    about.Show();
    ProcessPendingMessages();
    dialogs.AnswerShellOpen(false);
    ClickLink(IDC_ABOUT_MAILLINK);
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_ABOUT_MAILLINK)));
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Error).size(), 0u);
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::ApplicationError).size(), 0u);

    // Inert from now on: no second call reaches the shell (an unexpected one fails the test),
    // also after the box was closed and shown again; it no longer looks like a link.
    SendMessageA(about.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_ABOUT_MAILLINK, STN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(IDC_ABOUT_MAILLINK)));
    ClickAt(about.hwnd(), CentreOf(about.hwnd(), IDC_ABOUT_PANEL2));
    about.Show();
    ProcessPendingMessages();
    SendMessageA(about.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_ABOUT_MAILLINK, STN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(IDC_ABOUT_MAILLINK)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_ABOUT_MAILLINK)));
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(about.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Item(IDC_ABOUT_MAILLINK)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursorA(nullptr, IDC_HAND));

    // The other link is untouched.
    dialogs.AnswerShellOpen(true);
    ClickLink(IDC_ABOUT_WEBLINK);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_ABOUT_WEBLINK)));
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::ShellOpen).size(), 2u);
}

TEST(LinkTargetTest, AMailAddressGetsTheMailtoPrefixOnce) {
    struct Case {
        const char* text;
        const char* target;
    };
    const Case cases[] = {
        {"www.quillmere.example", "www.quillmere.example"},
        {"http://www.quillmere.example/a?b=c", "http://www.quillmere.example/a?b=c"},
        {"help@qm.example", "mailto:help@qm.example"},
        {"mailto:help@qm.example", "mailto:help@qm.example"},
        {"MailTo:help@qm.example", "MailTo:help@qm.example"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(qm::LinkTarget(c.text), c.target) << c.text;
}

} // namespace
