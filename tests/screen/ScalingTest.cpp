// The forms at screens of more than 96 DPI, and the button strip with many buttons.
//
// Wine reads the screen's DPI (LogPixels) once, when a program starts. The tests named AtDpi
// therefore run in a second copy of this test program, started by ScreenDpiTest with LogPixels
// set in the test prefix's registry; on their own (no QM_TEST_DPI) they do not run.
#include "ScreenTest.h"

#include "app/About.h"
#include "buttons/ButtonPlace.h"
#include "buttons/ButtonStrip.h"
#include "resource.h"
#include "support/CategoryDialog.h"
#include "support/Layout.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Layout.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using qm::ui::kPageButtons;
using qm::ui::kPageWindowAttributes;
using qmtest::ClassOf;
using qmtest::ExpectTidy;
using qmtest::RectIn;
using screentest::KeyboardTest;

constexpr const char* kDpiVariable = "QM_TEST_DPI";
constexpr const char* kDesktopKey = "Control Panel\\Desktop";

UINT RequestedDpi() {
    const char* value = std::getenv(kDpiVariable);
    return value ? static_cast<UINT>(std::atoi(value)) : 0;
}

// The dark pixels of a text drawn black on white in that font: how heavy it looks.
int Ink(HFONT font, const std::string& text) {
    constexpr int kWidth = 800, kHeight = 120;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT area{0, 0, kWidth, kHeight};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text.c_str(), -1, &area, DT_LEFT | DT_TOP | DT_NOPREFIX);
    GdiFlush();
    int ink = 0;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int i = 0; i < kWidth * kHeight; ++i)
        if ((pixels[i] & 0xff) < 0x80) ++ink;
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return ink;
}

// The labels a page draws bold look bold: heavier than their words in the page's own font.
void ExpectBoldLabelsLookBold(HWND page, const std::string& what, UINT dpi) {
    const auto pageFont = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
    int bold = 0;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
        LOGFONTA face{};
        if (ClassOf(child) != "Static" || !font || !GetObjectA(font, sizeof face, &face) ||
            face.lfWeight < FW_BOLD)
            continue;
        ++bold;
        std::string text = qm::ui::GetText(child);
        text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
        const int heavy = Ink(font, text), plain = Ink(pageFont, text);
        EXPECT_GT(heavy, plain * 6 / 5)
            << what << " at " << dpi << " DPI: \"" << text << "\" is not drawn bold ("
            << face.lfFaceName << ", " << heavy << " dark pixels against " << plain << ")";
    }
    EXPECT_GT(bold, 0) << what << " has no bold label";
}

int IconWidth(HIMAGELIST list) {
    int width = 0, height = 0;
    ImageList_GetIconSize(list, &width, &height);
    return width;
}

// Looks at "History" once it is up, then closes it with Escape: its controls are tidy, it fits
// the screen, and its columns show the whole time and description of its row.
bool historySeen = false;
void CALLBACK LookAtHistory(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "History");
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    historySeen = true;
    ExpectTidy(dialog, "History");
    RECT window, work;
    GetWindowRect(dialog, &window);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(window.left >= work.left && window.top >= work.top && window.right <= work.right &&
                window.bottom <= work.bottom)
        << "History lies outside the work area";
    HWND list = GetDlgItem(dialog, IDC_HISTORY_LIST);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    for (int column = 0; column < 2 && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0; ++column) {
        char text[512] = {};
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_GT(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0),
                  SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)))
            << "History: column " << column << " cuts \"" << text << "\"";
    }
    PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 1);
}

class AtDpi : public KeyboardTest {
protected:
    void SetUp() override {
        dpi = RequestedDpi();
        if (dpi == 0) GTEST_SKIP() << "run by ScreenDpiTest at a screen DPI of its choosing";
        for (const char* path : {"Software\\Microsoft\\Internet Explorer\\Main",
                                 "Software\\Microsoft\\Internet Explorer\\Toolbar"}) {
            HKEY key = nullptr;
            RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr);
            RegCloseKey(key);
        }
        for (int n = 1; n <= 30; ++n) screentest::PutButton(qm::ButtonKeyName(n), "Button");
        KeyboardTest::SetUp();
    }
    UINT dpi = 0;
};

TEST_F(AtDpi, TheWindowItsPagesAndDialogsAreLaidOutForTheScreen) {
    ASSERT_EQ(qm::ui::SystemDpi(), dpi) << "the screen's DPI was not set for this run";
    ASSERT_EQ(form->Dpi(), dpi);

    RECT client;
    GetClientRect(form->hwnd(), &client);
    EXPECT_GE(client.right, qm::ui::Scale(522, dpi));
    RECT window, screen;
    GetWindowRect(form->hwnd(), &window);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    EXPECT_LE(window.bottom - window.top, screen.bottom - screen.top);

    // Pictures drawn for the DPI: 16, 20, 24 or 32 pixels; the strip's at the small-icon size.
    const int picture = dpi >= 192 ? 32 : dpi >= 144 ? 24 : dpi >= 120 ? 20 : 16;
    EXPECT_EQ(IconWidth(reinterpret_cast<HIMAGELIST>(
                  SendMessageA(form->ToolBar(), TB_GETIMAGELIST, 0, 0))),
              picture);
    EXPECT_EQ(IconWidth(TabCtrl_GetImageList(form->PageControl())), picture);
    EXPECT_EQ(IconWidth(ButtonPage().Icons()), GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(ButtonPage().StripIconSize(), GetSystemMetrics(SM_CXSMICON));

    const std::pair<int, const char*> pages[] = {{IDM_VIEWSTDBTN, "page 0"},
                                                 {IDM_VIEWCONTEXTMENU, "page 1"},
                                                 {IDM_VIEWTBBACKGROUND, "page 2"},
                                                 {IDM_VIEWWINDOWTITLE, "page 3"}};
    for (const auto& [command, name] : pages) {
        MenuCommand(command);
        const HWND page = form->PageAt(form->ActivePage()).hwnd();
        ExpectTidy(page, name);
        if (form->ActivePage() != kPageButtons) ExpectBoldLabelsLookBold(page, name, dpi);
        // The page lies in the page control's display area.
        RECT display;
        GetClientRect(form->PageControl(), &display);
        TabCtrl_AdjustRect(form->PageControl(), FALSE, &display);
        const RECT placed = RectIn(form->PageControl(), page);
        EXPECT_LE(placed.bottom, display.bottom + 1) << name;
        EXPECT_LE(placed.right, display.right + 1) << name;
    }
    // The window is as high as its pages: page 0's lowest control (under a strip of any number
    // of rows) sits just above the window's bottom, with no empty band below it at any scale.
    const HWND page0 = form->PageAt(kPageButtons).hwnd();
    RECT area;
    GetClientRect(page0, &area);
    const int band = area.bottom - qm::ui::LowestControlBottom(page0);
    EXPECT_GE(band, 0);
    EXPECT_LE(band, qm::ui::Scale(8, dpi))
        << "an empty band of " << band << " pixels at " << dpi << " DPI below page 0";
    // The strip's buttons lie inside its frame.
    MenuCommand(IDM_VIEWSTDBTN);
    ExpectTidy(ButtonPage().StripView(), "the strip");
    // Each text that says where the button shown lives fits under its key.
    const HWND place = GetDlgItem(page0, IDC_BUTTONPLACE);
    const std::string shownPlace = qm::ui::GetText(place);
    for (qm::ButtonPlace where :
         {qm::ButtonPlace::ThisUser, qm::ButtonPlace::AllUsers, qm::ButtonPlace::AllUsersBoth,
          qm::ButtonPlace::AllUsers32BitOnly, qm::ButtonPlace::AllUsers64BitOnly}) {
        qm::ui::SetText(place, qm::PlaceText(where));
        ExpectTidy(page0, "page 0 saying \"" + qm::PlaceText(where) + "\"");
    }
    qm::ui::SetText(place, shownPlace);

    MenuCommand(IDM_ABOUT2);
    ASSERT_TRUE(form->AboutForm().IsShowing());
    // The About box's labels lie on its two panels by design: inside and readable is what counts.
    ExpectTidy(form->AboutForm().hwnd(), "About", true);
    // The caption "Mail:" and the address beside it never cover each other.
    const RECT mailCaption = RectIn(form->AboutForm().hwnd(),
                                    GetDlgItem(form->AboutForm().hwnd(), IDC_ABOUT_MAILCAPTION));
    const RECT mailLink =
        RectIn(form->AboutForm().hwnd(), GetDlgItem(form->AboutForm().hwnd(), IDC_ABOUT_MAILLINK));
    EXPECT_LE(mailCaption.right, mailLink.left)
        << "About at " << dpi << " DPI: \"Mail:\" covers the address";
    GetClientRect(form->AboutForm().hwnd(), &client);
    EXPECT_EQ(client.right, qm::ui::Scale(qm::TAboutForm::kClientWidth, dpi));
    SendMessageA(form->AboutForm().hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);

    // "Select category" is tidy too, with Yes its default; Escape closes it.
    bool categorySeen = false;
    qmtest::AnswerCategoryDialog([&](HWND dialog) {
        categorySeen = true;
        ExpectTidy(dialog, "Select category");
        EXPECT_EQ(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), IDOK);
        PostMessageA(GetDlgItem(dialog, IDC_CONMENU_COMBOBOX1), WM_KEYDOWN, VK_ESCAPE, 1);
    });
    MenuCommand(IDM_ADD);
    qmtest::ForgetCategoryAnswer();
    EXPECT_TRUE(categorySeen);

    MenuCommand(IDM_VIEWSTDBTN);
    Type(kPageButtons, IDC_BUTTONTEXT, "Saved at this scale");
    MenuCommand(IDM_SAVE);
    historySeen = false;
    SetTimer(nullptr, 0, 20, &LookAtHistory);
    MenuCommand(IDM_HISTORY);
    EXPECT_TRUE(historySeen);
}

// Wine's Tahoma, the dialog font of a Wine desktop (scripts/screenshot shows the program in
// it), in the prefix's font folder while it lives, where the test run has not put it: its bold
// face draws bold at 11 pixels only. Windows has it already.
class WineDialogFonts {
public:
    WineDialogFonts() {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, sizeof windows);
        for (const char* name : {"tahoma.ttf", "tahomabd.ttf"}) {
            const std::string to = std::string(windows) + "\\Fonts\\" + name;
            if (CopyFileA((std::string("Z:\\usr\\share\\wine\\fonts\\") + name).c_str(), to.c_str(),
                          TRUE))
                copied_.push_back(to);
        }
    }
    ~WineDialogFonts() {
        for (const std::string& file : copied_) DeleteFileA(file.c_str());
    }
    WineDialogFonts(const WineDialogFonts&) = delete;
    WineDialogFonts& operator=(const WineDialogFonts&) = delete;

private:
    std::vector<std::string> copied_;
};

// Runs this program again with LogPixels set to dpi in the registry it starts with, for the
// AtDpi tests; returns its exit code, its output in output.
int RunAtDpi(UINT dpi, std::string& output) {
    WineDialogFonts fonts;
    HKEY desktop = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &desktop, nullptr) != ERROR_SUCCESS)
        return -1;
    DWORD previous = 0, size = sizeof previous, type = 0;
    const bool hadValue =
        RegQueryValueExA(desktop, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&previous),
                         &size) == ERROR_SUCCESS;
    RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof dpi);

    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string command = std::string("\"") + program + "\" --gtest_filter=AtDpi.*";
    SetEnvironmentVariableA(kDpiVariable, std::to_string(dpi).c_str());
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = writeEnd;
    start.hStdError = writeEnd;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION child{};
    DWORD exitCode = static_cast<DWORD>(-1);
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                       &child)) {
        CloseHandle(writeEnd);
        writeEnd = nullptr;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
            output.append(buffer, read);
        WaitForSingleObject(child.hProcess, INFINITE);
        GetExitCodeProcess(child.hProcess, &exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    if (writeEnd) CloseHandle(writeEnd);
    CloseHandle(readEnd);
    SetEnvironmentVariableA(kDpiVariable, nullptr);

    if (hadValue)
        RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous),
                       sizeof previous);
    else
        RegDeleteValueA(desktop, "LogPixels");
    RegCloseKey(desktop);
    return static_cast<int>(exitCode);
}

TEST(ScreenDpiTest, FormsFitAndPicturesFollowAt96_120_144And192Dpi) {
    if (RequestedDpi() != 0) GTEST_SKIP() << "already the run at a chosen DPI";
    for (UINT dpi : {96u, 120u, 144u, 192u}) {
        std::string output;
        const int exitCode = RunAtDpi(dpi, output);
        EXPECT_EQ(exitCode, 0) << "at " << dpi << " DPI:\n" << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos)
            << "at " << dpi << " DPI the layout test did not run:\n"
            << output;
    }
}

TEST_F(KeyboardTest, AMoveToAMonitorOfAnotherDpiRedrawsAndReplacesEverything) {
    for (int n = 1; n <= 3; ++n) screentest::PutButton(qm::ButtonKeyName(n), "Button");
    MenuCommand(IDM_REFRESH);
    Type(kPageButtons, IDC_BUTTONTEXT, "Unsaved");
    const UINT newDpi = form->Dpi() * 3 / 2;
    RECT now;
    GetWindowRect(form->hwnd(), &now);
    RECT suggested{now.left, now.top, now.left + (now.right - now.left) * 3 / 2,
                   now.top + (now.bottom - now.top) * 3 / 2};
    SendMessageA(form->hwnd(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
                 reinterpret_cast<LPARAM>(&suggested));
    Pump();

    EXPECT_EQ(form->Dpi(), newDpi);
    // Where Windows suggests, as wide; as high as the pages need at the new DPI.
    RECT after;
    GetWindowRect(form->hwnd(), &after);
    EXPECT_EQ(after.left, suggested.left);
    EXPECT_EQ(after.top, suggested.top);
    EXPECT_EQ(after.right, suggested.right);
    RECT area;
    GetClientRect(form->PageAt(kPageButtons).hwnd(), &area);
    const int band = area.bottom - qm::ui::LowestControlBottom(form->PageAt(kPageButtons).hwnd());
    EXPECT_GE(band, 0) << "page 0 is cut";
    const int picture = qm::ui::PictureSize(newDpi);
    EXPECT_GT(picture, 16);
    EXPECT_EQ(IconWidth(reinterpret_cast<HIMAGELIST>(
                  SendMessageA(form->ToolBar(), TB_GETIMAGELIST, 0, 0))),
              picture);
    EXPECT_EQ(IconWidth(TabCtrl_GetImageList(form->PageControl())), picture);
    EXPECT_EQ(IconWidth(ButtonPage().Icons()), qm::ui::SystemMetric(SM_CXSMICON, newDpi));
    EXPECT_EQ(ImageList_GetImageCount(ButtonPage().Icons()), 3);
    // The edit in progress is kept, still unsaved.
    EXPECT_EQ(Text(kPageButtons, IDC_BUTTONTEXT), "Unsaved");
    EXPECT_TRUE(form->IsPageModified(kPageButtons));
    ExpectTidy(form->PageAt(kPageButtons).hwnd(), "page 0 after the move");
}

TEST_F(KeyboardTest, SixHundredButtonsScrollInAFewRowsAndTheFieldsStayOnTheScreen) {
    RECT oneRow;
    GetWindowRect(form->hwnd(), &oneRow);
    for (int n = 1; n <= 600; ++n)
        screentest::PutButton(qm::ButtonKeyName(n), "b" + std::to_string(n));
    MenuCommand(IDM_REFRESH);
    qm::ButtonsPage& page = ButtonPage();
    ASSERT_EQ(page.StripButtonCount(), 600);

    // A few rows show; the window grows by them as before, and no further.
    const int row = qm::OneRowStripHeight(form->Dpi()) - 2;
    const int shown = page.StripHeight();
    EXPECT_GT(shown, 2 * row);
    EXPECT_LE(shown, 4 * row + 2);
    RECT window, screen;
    GetWindowRect(form->hwnd(), &window);
    EXPECT_EQ(window.bottom - window.top,
              oneRow.bottom - oneRow.top + shown - qm::OneRowStripHeight(form->Dpi()));
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    EXPECT_LE(window.bottom, screen.bottom);
    EXPECT_GE(window.top, screen.top);
    ExpectTidy(page.hwnd(), "page 0 with 600 buttons");

    // The last button (shown after the listing) is scrolled into view; Home goes back up.
    auto inView = [&](int position) {
        RECT item{}, view;
        SendMessageA(page.ToolBar2(), TB_GETITEMRECT, position, reinterpret_cast<LPARAM>(&item));
        MapWindowPoints(page.ToolBar2(), page.StripView(), reinterpret_cast<POINT*>(&item), 2);
        GetClientRect(page.StripView(), &view);
        return item.top >= 0 && item.bottom <= view.bottom;
    };
    EXPECT_EQ(page.ShownKey(), page.StripKey(599));
    EXPECT_TRUE(inView(599));
    SetFocus(page.ToolBar2());
    Press(VK_HOME);
    EXPECT_TRUE(inView(0));
    EXPECT_EQ(page.StripScroll(), 0);
    Press(VK_DOWN);
    Press(VK_DOWN);
    Press(VK_DOWN);
    Press(VK_DOWN);
    const int hot = static_cast<int>(SendMessageA(page.ToolBar2(), TB_GETHOTITEM, 0, 0));
    EXPECT_GT(hot, 0);
    EXPECT_TRUE(inView(hot)) << "the fifth row is scrolled into view";
    EXPECT_GT(page.StripScroll(), 0);

    // The scroll bar and the wheel move through the rows.
    SendMessageA(page.StripView(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_TRUE(inView(599));
    SendMessageA(page.StripView(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA * 100), 0);
    EXPECT_EQ(page.StripScroll(), 0);
}

} // namespace
