// Where a button lives, as page 0 tells the user: the text under the "Key" field and the second
// line of the strip's hint, for a record of this user and for all users' records in one or
// both of the machine's registry views; and where that text sits as the page grows.

#include "ButtonPageFixture.h"

#include "registry/RegistryRefusals.h"

#include <algorithm>

namespace {

// A record as another program or an administrator's script leaves it, written with plain
// registry calls into the chosen views (none: the current user's root).
struct Seeded {
    const char* what;
    HKEY root;
    std::vector<REGSAM> views;
    std::string key;
    std::string text;
    std::string place; // what the page says
};

void Seed(const Seeded& record) {
    qmtest::PutRecordIn(record.root, record.views, record.key,
                        {{"ButtonText", record.text}, {"CLSID", qmtest::kOtherClsid}});
}

const Seeded kPlaces[] = {
    {"this user's",
     HKEY_CURRENT_USER,
     {},
     "{0C000000-0000-0000-0000-00000000000C}",
     "Mine",
     "This user"},
    {"all users' in both views",
     HKEY_LOCAL_MACHINE,
     {KEY_WOW64_32KEY, KEY_WOW64_64KEY},
     "{0B000000-0000-0000-0000-00000000000B}",
     "Shared",
     "All users (32- and 64-bit browser)"},
    {"all users' in the 64-bit view only",
     HKEY_LOCAL_MACHINE,
     {KEY_WOW64_64KEY},
     "{06000000-0000-0000-0000-000000000006}",
     "Wide",
     "All users (64-bit browser only)"},
    {"all users' in the 32-bit view only",
     HKEY_LOCAL_MACHINE,
     {KEY_WOW64_32KEY},
     "{03000000-0000-0000-0000-000000000003}",
     "Narrow",
     "All users (32-bit browser only)"},
};

class ButtonPlaceTest : public qmtest::ButtonPageTest {
protected:
    int Position(const std::string& key) const {
        const std::vector<std::string> keys = StripKeys();
        auto at = std::find(keys.begin(), keys.end(), key);
        return at == keys.end() ? -1 : static_cast<int>(at - keys.begin());
    }
    RECT Place(int id) const {
        RECT r;
        GetWindowRect(Field(id), &r);
        return r;
    }
};

TEST_F(ButtonPlaceTest, TheTextUnderTheKeyAndTheHintSayWhereEachButtonLives) {
    for (const Seeded& record : kPlaces) Seed(record);
    page->ListButtons(-1);
    ASSERT_EQ(page->StripButtonCount(), 4);

    // Each button in turn, as the user clicks through them: the text follows the record shown.
    for (const Seeded& record : kPlaces) {
        SCOPED_TRACE(record.what);
        const int position = Position(record.key);
        ASSERT_GE(position, 0);
        ClickStrip(position);
        ASSERT_EQ(page->ShownKey(), record.key);
        EXPECT_EQ(Text(IDC_BUTTONPLACE), record.place);
        EXPECT_TRUE(IsWindowVisible(Field(IDC_BUTTONPLACE)));
        // The hint: the button's text, and on the next line where it lives.
        EXPECT_EQ(HintOf(position), record.text + "\r\n" + record.place);
        // Showing a record says where it lives and changes nothing.
        EXPECT_FALSE(host.IsModified());
    }

    // A button without a text is told by where it lives alone.
    qmtest::RawPut(HKEY_CURRENT_USER, 0, qm::ButtonKeyPath(kPlaces[0].key).substr(1),
                   {{"ButtonText", ""}});
    page->Refresh();
    EXPECT_EQ(HintOf(Position(kPlaces[0].key)), "This user");

    // With no button left, nothing is said.
    qmtest::RemoveKey(HKEY_CURRENT_USER, qm::kExtensionsKey);
    qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::kExtensionsKey);
    page->Refresh();
    EXPECT_EQ(page->ShownKey(), "");
    EXPECT_EQ(Text(IDC_BUTTONPLACE), "");
}

TEST_F(ButtonPlaceTest, ARefreshAfterASaveTellsWhereTheButtonsLiveNow) {
    const Seeded& wide = kPlaces[2];
    Seed(wide);
    page->ListButtons(-1);
    ASSERT_EQ(Text(IDC_BUTTONPLACE), wide.place);

    // An administrator's script gives the 32-bit browser the button too; the user then saves.
    qmtest::RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, qm::ButtonKeyPath(wide.key).substr(1),
                   {{"ButtonText", wide.text}, {"CLSID", qmtest::kOtherClsid}});
    Type(IDC_BUTTONTEXT, "Wide, edited");
    page->Save();
    EXPECT_EQ(HintOf(0), "Wide, edited\r\nAll users (32- and 64-bit browser)");
    page->ShowButton(0);
    EXPECT_EQ(Text(IDC_BUTTONPLACE), "All users (32- and 64-bit browser)");
}

TEST_F(ButtonPlaceTest, OnWindowsWithOneRegistryViewAMachineButtonIsAllUsers) {
    struct OneView {
        OneView() { qm::testing::UseOneMachineView(true); }
        ~OneView() { qm::testing::UseOneMachineView(false); }
    } oneView;
    Seed(kPlaces[3]);
    page->ListButtons(-1);
    EXPECT_EQ(Text(IDC_BUTTONPLACE), "All users");
    EXPECT_EQ(HintOf(0), "Narrow\r\nAll users");
}

TEST_F(ButtonPlaceTest, TheTextLiesUnderTheKeyAndReachesTheRightEdgeAsTheKeyDoes) {
    Seed(kPlaces[1]);
    page->ListButtons(-1);
    // Wider than the template makes it, as in a larger main window.
    for (int width : {518, 760}) {
        SCOPED_TRACE(width);
        SetWindowPos(page->hwnd(), nullptr, 0, 0, width, 370, SWP_NOMOVE | SWP_NOZORDER);
        qm::ui::ProcessPendingMessages();
        const RECT key = Place(IDC_STATICTEXT1), place = Place(IDC_BUTTONPLACE);
        const RECT filter = Place(IDC_ONLYQUILLMERE);
        EXPECT_GE(place.top, key.bottom);
        EXPECT_LE(place.bottom, filter.top);
        EXPECT_GE(place.left, key.left);
        EXPECT_LT(place.left, key.left + 8);
        // Dialog units rounded to pixels may leave a pixel between them.
        EXPECT_NEAR(place.right, key.right, 1);
        // The longest text fits in one line.
        HWND text = Field(IDC_BUTTONPLACE);
        HDC dc = GetDC(text);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0)));
        SIZE needs{};
        const std::string shown = Text(IDC_BUTTONPLACE);
        GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &needs);
        SelectObject(dc, old);
        ReleaseDC(text, dc);
        EXPECT_LE(needs.cx, place.right - place.left) << shown;
        EXPECT_LE(needs.cy, place.bottom - place.top) << shown;
    }
}

} // namespace
