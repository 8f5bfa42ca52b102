// The program's own start-up path (Run) with records the first listing cannot read: the error
// is shown, the window stays with what the listing found, the splash goes, and the program
// goes on until its window is closed.
#include "app/Startup.h"
#include "Version.h"

#include "support/ProgramTest.h"
#include "ui/Controls.h"

#include "resource.h"

#include <commctrl.h>

#include <string>

namespace {

constexpr char kExtensions[] = "Software\\Microsoft\\Internet Explorer\\Extensions\\";

// A machine-wide record written with the plain registry calls, one value of any type.
void PutMachineValue(const std::string& keyName, const char* name, DWORD type, const void* data,
                     DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kExtensions + keyName).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}
void PutMachineText(const std::string& keyName, const char* name, const std::string& text) {
    PutMachineValue(keyName, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// What the running program looked like once its window was up, seen from outside.
struct Observed {
    bool seen = false;
    bool visible = false;
    bool splashGone = false;
    int stripButtons = -1;
    std::string caption;
    std::string keyField;
    std::string buttonText;
    int ticks = 0;
};
Observed* observed = nullptr;

// Page 0 is the window that holds the Key field; its strip lies somewhere inside it.
BOOL CALLBACK FindPage0(HWND child, LPARAM found) {
    if (GetDlgItem(child, IDC_STATICTEXT1)) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

// Looks at the program from a timer on its own message loop, then closes its window as the
// user would; gives up (ending the loop) after ten seconds.
void CALLBACK LookThenClose(HWND, UINT, UINT_PTR timer, DWORD) {
    Observed& seen = *observed;
    if (++seen.ticks > 200) {
        KillTimer(nullptr, timer);
        PostQuitMessage(99);
        return;
    }
    HWND main = FindWindowA("TForm1", nullptr);
    // Started: the window is shown and its show handling has closed the splash.
    if (!main || !IsWindowVisible(main) || FindWindowA("TLogoForm", nullptr)) return;
    KillTimer(nullptr, timer);
    seen.seen = true;
    seen.visible = IsWindowVisible(main) != FALSE;
    seen.caption = qm::ui::GetText(main);
    seen.splashGone = FindWindowA("TLogoForm", nullptr) == nullptr;
    HWND page = nullptr;
    EnumChildWindows(main, FindPage0, reinterpret_cast<LPARAM>(&page));
    if (page) {
        HWND strip = nullptr;
        EnumChildWindows(
            page,
            [](HWND child, LPARAM found) -> BOOL {
                if (GetDlgCtrlID(child) != IDC_TOOLBAR2) return TRUE;
                *reinterpret_cast<HWND*>(found) = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&strip));
        seen.stripButtons = static_cast<int>(SendMessageA(strip, TB_BUTTONCOUNT, 0, 0));
        seen.keyField = qm::ui::GetText(GetDlgItem(page, IDC_STATICTEXT1));
        seen.buttonText = qm::ui::GetText(GetDlgItem(page, IDC_BUTTONTEXT));
    }
    PostMessageA(main, WM_CLOSE, 0, 0);
}

class StartupTest : public qmtest::ProgramTest {
protected:
    Observed seen;
    int RunUntilClosed() {
        observed = &seen;
        SetTimer(nullptr, 0, 50, LookThenClose);
        int exitCode = qm::Run(SW_SHOWNOACTIVATE);
        observed = nullptr;
        return exitCode;
    }
};

TEST_F(StartupTest, AnUnreadableMachineRecordIsReportedAndTheProgramGoesOn) {
    // Walked first (last in the registry's order): listed, but its Exec cannot be shown.
    const std::string listed = "{0F000000-0000-0000-0000-00000000000F}";
    PutMachineText(listed, "ButtonText", "Listed");
    const BYTE binary[] = {1, 2, 3};
    PutMachineValue(listed, "Exec", REG_BINARY, binary, sizeof binary);
    // Walked next: its ButtonText is a number, which stops the listing.
    const std::string numbered = "{01000000-0000-0000-0000-000000000001}";
    const DWORD number = 7;
    PutMachineValue(numbered, "ButtonText", REG_DWORD, &number, sizeof number);
    dialogs.ExpectApplicationError("Invalid data type for 'ButtonText'");

    EXPECT_EQ(RunUntilClosed(), 0); // ended by closing the window, not by giving up
    ASSERT_TRUE(seen.seen);
    EXPECT_TRUE(seen.visible);
    EXPECT_TRUE(seen.splashGone);
    EXPECT_EQ(seen.caption, "Quillmere version " QM_VERSION_TEXT);
    // The strip keeps the record listed before the failure; the one error box was the only
    // thing shown, and no record is half shown in the fields.
    EXPECT_EQ(seen.stripButtons, 1);
    EXPECT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(seen.keyField, "");
    EXPECT_EQ(seen.buttonText, "");
}

TEST_F(StartupTest, AStartWithReadableRecordsShowsNoErrorAndShowsTheLastRecord) {
    const std::string key = "{0A000000-0000-0000-0000-00000000000A}";
    PutMachineText(key, "ButtonText", "Fine");
    EXPECT_EQ(RunUntilClosed(), 0);
    ASSERT_TRUE(seen.seen);
    EXPECT_TRUE(seen.splashGone);
    EXPECT_EQ(seen.stripButtons, 1);
    EXPECT_EQ(seen.keyField, key);
    EXPECT_EQ(seen.buttonText, "Fine");
    EXPECT_TRUE(dialogs.Shown().empty());
}

} // namespace
