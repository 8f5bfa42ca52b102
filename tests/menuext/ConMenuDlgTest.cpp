#include "menuext/ConMenuDlg.h"

#include "buttons/ButtonRecord.h"
#include "resource.h"
#include "ui/Controls.h"

#include "MenuTestSupport.h"
#include "support/ProgramTest.h"

#include <functional>
#include <string>
#include <vector>

namespace {

// What the dialog looked like when it came up, read from its real controls.
struct DialogSeen {
    bool found = false;
    std::vector<std::string> lines;
    int selected = -2;
    RECT client{};
    RECT window{};
    RECT list{};
    RECT yes{}, no{};
    std::string yesText, noText;
    bool yesIsDefault = false;
    bool listIsDropDownList = false;
    bool resizable = true;
    bool yesHasPicture = false, noHasPicture = false;
};

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

DialogSeen Look(HWND dialog) {
    DialogSeen seen;
    seen.found = true;
    HWND list = GetDlgItem(dialog, IDC_CONMENU_COMBOBOX1);
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string line(static_cast<size_t>(SendMessageA(list, CB_GETLBTEXTLEN, i, 0)), '\0');
        SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        seen.lines.push_back(line);
    }
    seen.selected = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
    GetClientRect(dialog, &seen.client);
    GetWindowRect(dialog, &seen.window);
    seen.list = ClientRectOf(dialog, list);
    seen.yes = ClientRectOf(dialog, GetDlgItem(dialog, IDOK));
    seen.no = ClientRectOf(dialog, GetDlgItem(dialog, IDCANCEL));
    seen.yesText = qm::ui::GetText(GetDlgItem(dialog, IDOK));
    seen.noText = qm::ui::GetText(GetDlgItem(dialog, IDCANCEL));
    seen.yesIsDefault = LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)) == IDOK;
    seen.listIsDropDownList = (GetWindowLongA(list, GWL_STYLE) & 3) == CBS_DROPDOWNLIST;
    seen.resizable = (GetWindowLongA(dialog, GWL_STYLE) & WS_THICKFRAME) != 0;
    seen.yesHasPicture = SendMessageA(GetDlgItem(dialog, IDOK), BM_GETIMAGE, IMAGE_ICON, 0) != 0;
    seen.noHasPicture = SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_GETIMAGE, IMAGE_ICON, 0) != 0;
    return seen;
}

class ConMenuDlgTest : public qmtest::ProgramTest {
protected:
    ConMenuDlgTest() {
        owner = CreateWindowExA(0, "Static", "owner", WS_POPUP | WS_VISIBLE, 100, 80, 522, 440,
                                nullptr, nullptr, nullptr, nullptr);
    }
    ~ConMenuDlgTest() override { DestroyWindow(owner); }

    // Shows the dialog and, once it is up, looks at it and answers it with the given action.
    std::optional<int> Show(std::function<void(HWND)> answer) {
        seen = {};
        menutest::AnswerCategoryDialog([&](HWND dialog) {
            seen = Look(dialog);
            answer(dialog);
        });
        std::optional<int> result = form.ShowModal(owner);
        EXPECT_TRUE(seen.found) << "the dialog never came up";
        return result;
    }

    static void Click(HWND dialog, int id) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    // A key typed into the list goes through the dialog's own message loop, as a user's would.
    static void TypeKey(HWND dialog, WPARAM key) {
        HWND list = GetDlgItem(dialog, IDC_CONMENU_COMBOBOX1);
        PostMessageA(list, WM_KEYDOWN, key, 1);
        PostMessageA(list, WM_KEYUP, key, 0xC0000001);
    }

    HWND owner = nullptr;
    qm::TConMenuDlgForm form;
    DialogSeen seen;
};

TEST_F(ConMenuDlgTest, ListsTheTemplateNamesAndLooksAsDesigned) {
    auto row = Show([](HWND dialog) { Click(dialog, IDOK); });
    ASSERT_EQ(row, 0);
    EXPECT_EQ(seen.lines,
              (std::vector<std::string>{"QZO Menu", "&Highlight Selection", "&Zoom in Selection"}));
    EXPECT_EQ(seen.selected, 0);
    EXPECT_EQ(seen.client.right, 257);
    EXPECT_EQ(seen.client.bottom, 64);
    EXPECT_EQ(seen.list.right - seen.list.left, 241);
    EXPECT_EQ(seen.yes.right - seen.yes.left, 75);
    EXPECT_EQ(seen.yes.bottom - seen.yes.top, 22);
    EXPECT_EQ(seen.no.right - seen.no.left, 75);
    EXPECT_EQ(seen.no.bottom - seen.no.top, 22);
    EXPECT_LT(seen.yes.left, seen.no.left);
    EXPECT_GT(seen.yes.top, seen.list.bottom);
    EXPECT_EQ(seen.yesText, "&Yes");
    EXPECT_EQ(seen.noText, "&No");
    EXPECT_TRUE(seen.yesIsDefault);
    EXPECT_TRUE(seen.listIsDropDownList);
    EXPECT_FALSE(seen.resizable);
    EXPECT_TRUE(seen.yesHasPicture);
    EXPECT_TRUE(seen.noHasPicture);

    RECT ownerRect;
    GetWindowRect(owner, &ownerRect);
    EXPECT_NEAR((seen.window.left + seen.window.right) / 2, (ownerRect.left + ownerRect.right) / 2,
                1);
    EXPECT_NEAR((seen.window.top + seen.window.bottom) / 2, (ownerRect.top + ownerRect.bottom) / 2,
                1);
}

TEST_F(ConMenuDlgTest, OpensOnTheFirstRowEveryTimeWhateverWasChosenBefore) {
    auto chooseLast = [](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_CONMENU_COMBOBOX1), CB_SETCURSEL, 2, 0);
        Click(dialog, IDOK);
    };
    EXPECT_EQ(Show(chooseLast), 2);
    EXPECT_EQ(Show([](HWND dialog) { Click(dialog, IDOK); }), 0);
    EXPECT_EQ(seen.selected, 0);
    EXPECT_EQ(seen.lines.size(), qm::ButtonTemplates.size())
        << "the list is refilled, not added to";
}

TEST_F(ConMenuDlgTest, EnterChoosesTheRowShownAndEveryWayOutButYesChoosesNothing) {
    struct Case {
        const char* name;
        std::function<void(HWND)> answer;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"Enter on the second row",
         [](HWND d) {
             SendMessageA(GetDlgItem(d, IDC_CONMENU_COMBOBOX1), CB_SETCURSEL, 1, 0);
             TypeKey(d, VK_RETURN);
         },
         1},
        {"No", [](HWND d) { Click(d, IDCANCEL); }, std::nullopt},
        {"Escape", [](HWND d) { TypeKey(d, VK_ESCAPE); }, std::nullopt},
        {"close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(Show(c.answer), c.expected) << c.name;
}

} // namespace
