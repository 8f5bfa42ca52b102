// The program's dialog with rows to choose from, driven from inside its own message loop as a
// keyboard user drives it: a report list with a check box and a picture per row, Space ticks,
// Tab goes list, check box, OK, Cancel, Enter is OK, and every other way out chooses nothing.
#include "ui/RowChoiceForm.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Step = std::function<void(HWND dialog)>;

struct Script {
    std::vector<Step> steps;
    size_t next = 0;
};
Script* script = nullptr;

// One step per tick once the dialog is up, so that the keys a step types are handled by the
// dialog's loop before the next step looks.
void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindWindowA("#32770", "Choose");
    if (!dialog || !IsWindowVisible(dialog) || !script || script->next >= script->steps.size())
        return;
    script->steps[script->next++](dialog);
}

// A key typed where the keyboard is.
void Type(UINT key) {
    HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}

int FocusId() { return GetDlgCtrlID(GetFocus()); }

std::vector<bool> Ticks(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_ROWCHOICE_LIST);
    std::vector<bool> ticks;
    const auto count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        ticks.push_back((SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) &
                         LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
    return ticks;
}

RECT PlaceOf(HWND dialog, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class RowChoiceFormTest : public ::testing::Test {
protected:
    RowChoiceFormTest() {
        choice.caption = "Choose";
        choice.intro = "Three rows & more";
        choice.columns = {"Text", "Runs", "Icon", "State"};
        choice.rows = {{{"One", "runs a", "a.ico", "new"}, true},
                       {{"Two", "runs b", "none", "already there"}, false},
                       {{"Three", "runs c", "c.ico", "new"}, true}};
        // A picture for the first and last row; the middle one has none.
        choice.icon = [](size_t row, int) -> HICON {
            return row == 1 ? nullptr : CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
        };
        choice.note = "A note";
        choice.option = "&Copy";
    }
    bool Show(std::vector<Step> steps) {
        Script run{std::move(steps)};
        script = &run;
        UINT_PTR timer = SetTimer(nullptr, 0, 20, &RunStep);
        bool ok = qm::ui::TRowChoiceForm(choice).ShowModal(nullptr);
        KillTimer(nullptr, timer);
        script = nullptr;
        EXPECT_EQ(run.next, run.steps.size()) << "the dialog ended before its last step";
        return ok;
    }
    qm::ui::RowChoice choice;
};

TEST_F(RowChoiceFormTest, TheKeyboardTicksRowsAndTheCheckBoxAndEnterTakesTheChoice) {
    std::vector<int> tabOrder;
    const bool ok = Show({
        [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_ROWCHOICE_LIST);
            EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
            EXPECT_TRUE(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES);
            HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
            EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 4);
            char cell[64] = {};
            LVITEMA item{};
            item.iSubItem = 3;
            item.pszText = cell;
            item.cchTextMax = sizeof cell;
            SendMessageA(list, LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&item));
            EXPECT_STREQ(cell, "already there");
            EXPECT_EQ(Ticks(dialog), (std::vector<bool>{true, false, true}));
            // Small pictures at the screen's size, none for the row without one.
            auto pictures =
                reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
            ASSERT_NE(pictures, nullptr);
            int width = 0, height = 0;
            ImageList_GetIconSize(pictures, &width, &height);
            EXPECT_EQ(width, GetSystemMetrics(SM_CXSMICON));
            EXPECT_EQ(ImageList_GetImageCount(pictures), 2);
            LVITEMA second{};
            second.mask = LVIF_IMAGE;
            second.iItem = 1;
            SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&second));
            EXPECT_LT(second.iImage, 0);
            // The texts keep their "&"; the check box has its access key.
            char intro[64] = {};
            GetDlgItemTextA(dialog, IDC_ROWCHOICE_INTRO, intro, sizeof intro);
            EXPECT_STREQ(intro, "Three rows & more");
            // Top to bottom: text, list, note, check box, then OK left of Cancel, all inside.
            RECT client;
            GetClientRect(dialog, &client);
            const RECT introAt = PlaceOf(dialog, IDC_ROWCHOICE_INTRO);
            const RECT listAt = PlaceOf(dialog, IDC_ROWCHOICE_LIST);
            const RECT noteAt = PlaceOf(dialog, IDC_ROWCHOICE_NOTE);
            const RECT optionAt = PlaceOf(dialog, IDC_ROWCHOICE_OPTION);
            const RECT okAt = PlaceOf(dialog, IDOK), cancelAt = PlaceOf(dialog, IDCANCEL);
            EXPECT_LE(introAt.bottom, listAt.top);
            EXPECT_LE(listAt.bottom, noteAt.top);
            EXPECT_LE(noteAt.bottom, optionAt.top);
            EXPECT_LE(optionAt.bottom, okAt.top);
            EXPECT_LT(okAt.right, cancelAt.left);
            EXPECT_LE(cancelAt.right, client.right);
            EXPECT_LE(cancelAt.bottom, client.bottom);
            // The buttons are as tall as 14 dialog units at this DPI.
            RECT units{0, 0, 50, 14};
            MapDialogRect(dialog, &units);
            EXPECT_EQ(okAt.bottom - okAt.top, units.bottom);
            EXPECT_EQ(FocusId(), IDC_ROWCHOICE_LIST);
            Type(VK_SPACE); // the first row, which has the keyboard
        },
        [](HWND) {
            Type(VK_DOWN);
            Type(VK_SPACE);
        },
        [&](HWND dialog) {
            EXPECT_EQ(Ticks(dialog), (std::vector<bool>{false, true, true}));
            tabOrder.push_back(FocusId());
            Type(VK_TAB);
        },
        [&](HWND dialog) {
            tabOrder.push_back(FocusId());
            SendDlgItemMessageA(dialog, IDC_ROWCHOICE_OPTION, BM_CLICK, 0, 0); // ticks it
            Type(VK_TAB);
        },
        [&](HWND) {
            tabOrder.push_back(FocusId());
            Type(VK_TAB);
        },
        [&](HWND) {
            tabOrder.push_back(FocusId());
            Type(VK_TAB);
        },
        [&](HWND) {
            tabOrder.push_back(FocusId());
            Type(VK_RETURN); // on the list: the default button
        },
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(tabOrder, (std::vector<int>{IDC_ROWCHOICE_LIST, IDC_ROWCHOICE_OPTION, IDOK, IDCANCEL,
                                          IDC_ROWCHOICE_LIST}));
    EXPECT_FALSE(choice.rows[0].chosen);
    EXPECT_TRUE(choice.rows[1].chosen);
    EXPECT_TRUE(choice.rows[2].chosen);
    EXPECT_TRUE(choice.optionChecked);
}

TEST_F(RowChoiceFormTest, EveryWayOutButOkLeavesTheChoiceAsItWas) {
    const std::pair<const char*, Step> ways[] = {
        {"Escape",
         [](HWND) {
             Type(VK_SPACE);
             Type(VK_ESCAPE);
         }},
        {"Cancel",
         [](HWND dialog) {
             Type(VK_SPACE);
             PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
         }},
        {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& [name, way] : ways) {
        EXPECT_FALSE(Show({way})) << name;
        EXPECT_TRUE(choice.rows[0].chosen) << name;
        EXPECT_FALSE(choice.optionChecked) << name;
    }
    // Without a check box text there is no check box, also not for Tab.
    choice.option.clear();
    std::vector<int> tabOrder;
    Show({[&](HWND dialog) {
              EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_ROWCHOICE_OPTION)));
              Type(VK_TAB);
          },
          [&](HWND dialog) {
              tabOrder.push_back(FocusId());
              PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
          }});
    EXPECT_EQ(tabOrder, std::vector<int>{IDOK});
}

} // namespace
