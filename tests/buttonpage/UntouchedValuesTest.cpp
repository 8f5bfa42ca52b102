// Saving page 0 rewrites only what the user changed: values whose fields were not touched keep
// their type and bytes, an expandable icon location stays expandable when edited and is
// expanded when its icon is loaded, and text outside the old ANSI code page is kept exactly.
// The registry is set up and checked with the wide registry functions directly.

#include "ButtonPageFixture.h"

#include "buttons/IconLoader.h"

#include <optional>
#include <vector>

namespace {

const std::wstring kRecord =
    L"Software\\Microsoft\\Internet Explorer\\Extensions\\{0A000000-0000-0000-0000-00000000000A}";
const std::string kKeyName = "{0A000000-0000-0000-0000-00000000000A}";
// "ü漢字" in UTF-16 and UTF-8.
const std::wstring kWide = L"\u00fc\u6f22\u5b57";
const std::string kUtf8 = "\xc3\xbc\xe6\xbc\xa2\xe5\xad\x97";

using qmtest::WideValue;

void Put(const std::wstring& name, DWORD type, const std::wstring& text,
         std::source_location where = std::source_location::current()) {
    qmtest::PutWideText(HKEY_LOCAL_MACHINE, kRecord, name, type, text, KEY_WOW64_32KEY, where);
}

std::optional<WideValue> Get(const std::wstring& name) {
    return qmtest::StoredWideValue(HKEY_LOCAL_MACHINE, kRecord, name, KEY_WOW64_32KEY);
}

// The pixels of an icon drawn at 32 x 32, to tell one icon from another.
std::vector<COLORREF> Pixels(HICON icon) {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ old = SelectObject(dc, canvas);
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

class UntouchedValuesTest : public qmtest::ButtonPageInMainWindowTest {
protected:
    void Save() { Command(IDM_SAVE); }
};

TEST_F(UntouchedValuesTest, SavingRewritesOnlyTheChangedFieldsAndKeepsTheirKind) {
    const std::wstring icon = L"%SystemRoot%\\system32\\shell32.dll,4";
    Put(L"ButtonText", REG_SZ, L"Before");
    Put(L"Exec", REG_EXPAND_SZ, L"%ProgramFiles%\\Notes\\notes.exe");
    Put(L"Icon", REG_EXPAND_SZ, icon);
    Put(L"HotIcon", REG_EXPAND_SZ, icon);
    Put(L"Default Visible", REG_SZ, L"yes");
    Put(L"MenuText", REG_SZ, kWide);
    Put(L"MenuStatusBar", REG_SZ, L"Status " + kWide);
    Open();
    ASSERT_EQ(page->ShownKey(), kKeyName);

    // Shown as stored: unexpanded, and every character of the menu text.
    EXPECT_EQ(Text(IDC_ICONEDIT), "%SystemRoot%\\system32\\shell32.dll,4");
    EXPECT_EQ(Text(IDC_MENUTEXTEDIT), kUtf8);
    // The expandable location names a real icon: the preview is not the error icon.
    EXPECT_NE(Pixels(page->Image1Icon()), Pixels(qm::StockErrorIcon().get()));

    Type(IDC_BUTTONTEXT, "After " + kUtf8);
    Type(IDC_HOTICONEDIT, "%SystemRoot%\\system32\\shell32.dll,5");
    Save();
    EXPECT_TRUE(dialogs.Shown().empty());

    EXPECT_EQ(Get(L"ButtonText"), (WideValue{REG_SZ, L"After " + kWide}));
    // Untouched: type and text as they were, "yes" not turned into "YES".
    EXPECT_EQ(Get(L"Exec"), (WideValue{REG_EXPAND_SZ, L"%ProgramFiles%\\Notes\\notes.exe"}));
    EXPECT_EQ(Get(L"Icon"), (WideValue{REG_EXPAND_SZ, icon}));
    EXPECT_EQ(Get(L"Default Visible"), (WideValue{REG_SZ, L"yes"}));
    EXPECT_EQ(Get(L"MenuText"), (WideValue{REG_SZ, kWide}));
    EXPECT_EQ(Get(L"MenuStatusBar"), (WideValue{REG_SZ, L"Status " + kWide}));
    // Changed, and still expandable.
    EXPECT_EQ(Get(L"HotIcon"),
              (WideValue{REG_EXPAND_SZ, L"%SystemRoot%\\system32\\shell32.dll,5"}));

    // A changed check box is written as the page writes it.
    Click(IDC_DEFAULTVISIBLE);
    Save();
    EXPECT_EQ(Get(L"Default Visible"), (WideValue{REG_SZ, L"NO"}));
    EXPECT_EQ(Get(L"Icon"), (WideValue{REG_EXPAND_SZ, icon}));

    // Changed back to what it held when the record was shown: that is a change from what is
    // stored now, and it is saved.
    Type(IDC_HOTICONEDIT, "%SystemRoot%\\system32\\shell32.dll,4");
    Save();
    EXPECT_EQ(Get(L"HotIcon"), (WideValue{REG_EXPAND_SZ, icon}));
}

} // namespace
