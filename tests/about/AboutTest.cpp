#include "app/About.h"
#include "Version.h"

#include "resource.h"
#include "support/ProgramTest.h"
#include "ui/Controls.h"

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

RECT ClientRectOf(HWND box, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
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
    RECT rect = ClientRectOf(box, GetDlgItem(box, id));
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
    EXPECT_EQ(GetText(box), "About Quillmere");
    LONG_PTR style = GetWindowLongPtrA(box, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_BORDER) << "a 1-pixel line and no title bar";
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_CHILD);

    RECT client, frame;
    GetClientRect(box, &client);
    GetWindowRect(box, &frame);
    EXPECT_EQ(client.right, 301);
    EXPECT_EQ(client.bottom, 201);
    EXPECT_EQ(frame.right - frame.left, 303);
    EXPECT_EQ(frame.bottom - frame.top, 203);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    // The picture: a real 150 x 200 bitmap of 24 bits at the top left.
    RECT image = ClientRectOf(box, Item(IDC_ABOUT_IMAGE1));
    EXPECT_EQ(image.left, 0);
    EXPECT_EQ(image.top, 0);
    EXPECT_EQ(image.right, 150);
    EXPECT_EQ(image.bottom, 200);
    auto picture = reinterpret_cast<HBITMAP>(
        SendMessageA(Item(IDC_ABOUT_IMAGE1), STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(picture, nullptr);
    BITMAP bits{};
    ASSERT_TRUE(GetObjectA(picture, sizeof bits, &bits));
    EXPECT_EQ(bits.bmWidth, 150);
    EXPECT_EQ(bits.bmHeight, 200);
    EXPECT_EQ(bits.bmBitsPixel, 24);

    RECT panel2 = ClientRectOf(box, Item(IDC_ABOUT_PANEL2));
    EXPECT_EQ(panel2.left, 151);
    EXPECT_EQ(panel2.right - panel2.left, 150);
    EXPECT_EQ(panel2.bottom - panel2.top, 201);
}

// Each label's look, and that its text fits the place it was given.
TEST_F(AboutBoxTest, LabelsHaveTheirFontsColoursAndRoomForTheirTexts) {
    struct Look {
        int id;
        const char* text; // nullptr: the maker's own, only not empty
        bool bold, underlined;
        int height;
        COLORREF colour;
    };
    const COLORREF black = RGB(0, 0, 0), blue = RGB(0, 0, 255);
    const Look looks[] = {
        {IDC_ABOUT_TITLE, "Quillmere", true, false, 13, black},
        {IDC_ABOUT_VERSION, QM_VERSION_LABEL, false, false, 11, black},
        {IDC_ABOUT_WEBLINK, nullptr, false, true, 11, blue},
        {IDC_ABOUT_MAILCAPTION, "Mail:", true, false, 11, black},
        {IDC_ABOUT_MAILLINK, nullptr, false, true, 11, blue},
        {IDC_ABOUT_CREDIT, nullptr, false, false, 11, black},
    };
    about.Show();
    ProcessPendingMessages();
    HDC dc = GetDC(about.hwnd());
    for (const Look& look : looks) {
        SCOPED_TRACE(look.id);
        HWND label = Item(look.id);
        std::string text = GetText(label);
        if (look.text) {
            EXPECT_EQ(text, look.text);
        }
        EXPECT_FALSE(text.empty());

        auto font = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
        LOGFONTA logFont{};
        ASSERT_TRUE(GetObjectA(font, sizeof logFont, &logFont));
        EXPECT_EQ(logFont.lfWeight >= FW_BOLD, look.bold);
        EXPECT_EQ(logFont.lfUnderline != 0, look.underlined);
        EXPECT_EQ(-logFont.lfHeight, look.height);

        SendMessageA(about.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(label));
        EXPECT_EQ(GetTextColor(dc), look.colour);

        HGDIOBJ previous = SelectObject(dc, font);
        SIZE extent{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(dc, previous);
        RECT place;
        GetClientRect(label, &place);
        EXPECT_LE(extent.cx, place.right) << text << " is cut off";
        EXPECT_LE(extent.cy, place.bottom + 2) << text << " is cut off";
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
    const Case cases[] = {
        {"picture", {75, 100}, IDC_ABOUT_IMAGE1, true},
        {"right panel, empty part", {151 + 75, 70}, IDC_ABOUT_PANEL2, true},
        {"right panel, bottom corner", {299, 199}, IDC_ABOUT_PANEL2, true},
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
