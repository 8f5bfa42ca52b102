#include "menuext/ConMenuDlg.h"

#include "buttons/ButtonRecord.h"
#include "resource.h"
#include "ui/Controls.h"

#include "MenuTestSupport.h"
#include "support/Layout.h"
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
    seen.list = qmtest::RectIn(dialog, list);
    seen.yes = qmtest::RectIn(dialog, GetDlgItem(dialog, IDOK));
    seen.no = qmtest::RectIn(dialog, GetDlgItem(dialog, IDCANCEL));
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

// The list names the templates Add makes buttons from, each line whole in the list's font.
void ExpectLinesReadable(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_CONMENU_COMBOBOX1);
    RECT box;
    GetClientRect(list, &box);
    const int room = box.right - GetSystemMetrics(SM_CXVSCROLL) - 4; // less the arrow and edges
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    for (const auto& row : qm::ButtonTemplates) {
        RECT text{0, 0, 0, 0};
        DrawTextA(dc, row[qm::kTemplateName], -1, &text, DT_CALCRECT | DT_SINGLELINE);
        EXPECT_LE(text.right, room) << "the list cuts off \"" << row[qm::kTemplateName] << '"';
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
}

TEST_F(ConMenuDlgTest, ListsTheTemplateNamesAndLooksAsDesigned) {
    RECT ownerRect;
    GetWindowRect(owner, &ownerRect);
    auto row = Show([](HWND dialog) {
        qmtest::ExpectTidy(dialog, "Select category");
        ExpectLinesReadable(dialog);
        Click(dialog, IDOK);
    });
    ASSERT_EQ(row, 0);
    std::vector<std::string> names;
    for (const auto& t : qm::ButtonTemplates) names.push_back(t[qm::kTemplateName]);
    EXPECT_EQ(seen.lines, names) << "the list names every template, in order";

    const DialogSeen& s = seen;
    auto centre = [](const RECT& r) {
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    auto within1 = [](LONG a, LONG b) { return a - b <= 1 && b - a <= 1; };
    struct Rule {
        const char* what;
        bool holds;
    };
    const Rule rules[] = {
        {"it opens on the first row", s.selected == 0},
        {"Yes is left of No", s.yes.right <= s.no.left},
        {"Yes and No stand on one line", s.yes.top == s.no.top && s.yes.bottom == s.no.bottom},
        {"Yes and No are below the list", s.yes.top > s.list.bottom && s.no.top > s.list.bottom},
        {"Yes and No are the same size", s.yes.right - s.yes.left == s.no.right - s.no.left &&
                                             s.yes.bottom - s.yes.top == s.no.bottom - s.no.top},
        {"Yes and No are centred under the list",
         within1(s.yes.left - s.list.left, s.list.right - s.no.right)},
        {"the list has even margins left, right and above",
         within1(s.list.left, s.client.right - s.list.right) && within1(s.list.left, s.list.top)},
        {"the margin below the buttons is the list's",
         within1(s.client.bottom - s.yes.bottom, s.list.left)},
        {"the buttons read Yes and No, with access keys Y and N",
         s.yesText == "&Yes" && s.noText == "&No"},
        {"Yes is the default button", s.yesIsDefault},
        {"the list offers only its rows", s.listIsDropDownList},
        {"the dialog cannot be resized", !s.resizable},
        {"Yes and No show their pictures", s.yesHasPicture && s.noHasPicture},
        {"the dialog is centred on its owner",
         within1(centre(s.window).x, centre(ownerRect).x) &&
             within1(centre(s.window).y, centre(ownerRect).y)},
    };
    for (const Rule& rule : rules) EXPECT_TRUE(rule.holds) << rule.what;
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
