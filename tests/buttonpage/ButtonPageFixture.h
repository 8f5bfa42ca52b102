#pragma once
// Drives the "Standard Toolbar Buttons" page as a user would: typing into its fields, clicking
// its check boxes, radio buttons and strip buttons, and reads back its real controls and the
// sandboxed registry.

#include "app/Main.h"
#include "buttons/ButtonRecord.h"
#include "buttons/ButtonsPage.h"
#include "ui/Controls.h"
#include "ui/Window.h"

#include "resource.h"
#include "support/CategoryDialog.h"
#include "support/MachineViews.h"
#include "support/ProgramTest.h"
#include "support/RawRegistry.h"
#include "support/TestPageHost.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <source_location>
#include <string>
#include <vector>

namespace qmtest {

using Values = std::map<std::string, std::string>;

inline constexpr char kOtherClsid[] = "{E0DD6CAB-2D10-11D2-8F1A-0000F87ABD16}";

// A record as the browser or another program might have left it.
inline void PutRecord(HKEY root, const std::string& keyName, const Values& values,
                      std::source_location where = std::source_location::current()) {
    StoredValues stored;
    for (const auto& [name, data] : values) stored.emplace_back(name, Sz(data));
    PutValues(root, qm::ButtonKeyPath(keyName), stored, where);
}

// A record written with plain registry calls into the machine's views given, or with no views
// under the current user's root: as an administrator's script leaves it for one browser or both.
inline void PutRecordIn(HKEY root, const std::vector<REGSAM>& views, const std::string& keyName,
                        const RawStrings& values) {
    const std::string path = qm::ButtonKeyPath(keyName).substr(1);
    if (views.empty()) RawPut(root, 0, path, values);
    for (REGSAM view : views) RawPut(root, view, path, values);
}

// A record named name below the Extensions key of a root and view, written and read with plain
// registry calls through the open Extensions key: with a name of 255 characters the path from
// the root is longer than the platform takes. The read gives the value's text, or nothing.
inline void PutBelowExtensions(HKEY root, REGSAM view, const std::string& name,
                               const RawStrings& values) {
    HKEY extensions = nullptr, record = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, std::string(qm::kExtensionsKey).substr(1).c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS | view, nullptr, &extensions, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(extensions, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                              nullptr, &record, nullptr),
              ERROR_SUCCESS);
    for (const auto& [value, text] : values)
        RegSetValueExA(record, value.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    RegCloseKey(record);
    RegCloseKey(extensions);
}
inline std::optional<std::string>
ReadBelowExtensions(HKEY root, REGSAM view, const std::string& name, const std::string& value) {
    HKEY extensions = nullptr, record = nullptr;
    if (RegOpenKeyExA(root, std::string(qm::kExtensionsKey).substr(1).c_str(), 0, KEY_READ | view,
                      &extensions) != ERROR_SUCCESS)
        return std::nullopt;
    LONG opened = RegOpenKeyExA(extensions, name.c_str(), 0, KEY_READ | view, &record);
    RegCloseKey(extensions);
    if (opened != ERROR_SUCCESS) return std::nullopt;
    char data[256] = {};
    DWORD size = sizeof data - 1;
    LONG read = RegQueryValueExA(record, value.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(record);
    if (read != ERROR_SUCCESS) return std::nullopt;
    return std::string(data);
}

// Every value of a key as stored, each string with exactly one terminating zero given as its
// text (anything else as a description no text equals), or nothing when the key is missing.
inline std::optional<Values> ReadKey(HKEY root, const std::string& path) {
    return StoredTexts(root, path);
}

inline std::optional<Values> ReadRecord(HKEY root, const std::string& keyName) {
    return ReadKey(root, qm::ButtonKeyPath(keyName));
}

// Sub-key names in the registry's enumeration order.
inline std::vector<std::string> KeyNames(HKEY root, const std::string& path) {
    return StoredSubKeys(root, path);
}

// What a user does on the button page and reads from it, wherever the page is shown.
class ButtonPageUser : public ProgramTest {
protected:
    HWND Field(int id) const { return page->Item(id); }
    std::string Text(int id) const { return qm::ui::GetText(Field(id)); }
    bool Checked(int id) const { return qm::ui::IsChecked(Field(id)); }
    bool Enabled(int id) const { return IsWindowEnabled(Field(id)) != FALSE; }

    // Typing: the field's text is replaced and it notifies its change as typing does.
    void Type(int id, const std::string& text) {
        SendMessageA(Field(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        qm::ui::ProcessPendingMessages();
    }
    // A mouse click on a button, check box or radio button.
    void Click(int id) {
        SendMessageA(Field(id), BM_CLICK, 0, 0);
        qm::ui::ProcessPendingMessages();
    }
    // A mouse click on a strip button, where the strip shows it.
    void ClickStrip(int position) {
        HWND strip = page->ToolBar2();
        RECT item{};
        ASSERT_TRUE(SendMessageA(strip, TB_GETITEMRECT, position, reinterpret_cast<LPARAM>(&item)));
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageA(strip, WM_MOUSEMOVE, 0, at);
        SendMessageA(strip, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(strip, WM_LBUTTONUP, 0, at);
        qm::ui::ProcessPendingMessages();
    }
    // The hint the strip's tooltip would show for a button, asked the way the strip asks.
    std::string HintOf(int position) {
        NMTTDISPINFOA info{};
        info.hdr.hwndFrom =
            reinterpret_cast<HWND>(SendMessageA(page->ToolBar2(), TB_GETTOOLTIPS, 0, 0));
        info.hdr.idFrom = static_cast<UINT_PTR>(page->StripCommand(position));
        info.hdr.code = TTN_GETDISPINFOA;
        SendMessageA(page->hwnd(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
        if (info.lpszText && info.lpszText != LPSTR_TEXTCALLBACKA) return info.lpszText;
        return info.szText;
    }
    // The key names of the strip, from its start.
    std::vector<std::string> StripKeys() const {
        std::vector<std::string> keys;
        for (int i = 0; i < page->StripButtonCount(); ++i) keys.push_back(page->StripKey(i));
        return keys;
    }
    TBBUTTON StripItem(int position) const {
        TBBUTTON item{};
        SendMessageA(page->ToolBar2(), TB_GETBUTTON, position, reinterpret_cast<LPARAM>(&item));
        return item;
    }
    int StripItems() const {
        return static_cast<int>(SendMessageA(page->ToolBar2(), TB_BUTTONCOUNT, 0, 0));
    }

    qm::ButtonsPage* page = nullptr;
};

// The page on its own, on a plain window standing in for the main window.
class ButtonPageTest : public ButtonPageUser {
protected:
    ButtonPageTest() {
        owner = CreateWindowExA(0, "Static", "owner", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40,
                                40, 530, 420, nullptr, nullptr, nullptr, nullptr);
        host.SetWindow(owner);
        ownPage = std::make_unique<qm::ButtonsPage>(host);
        page = ownPage.get();
        host.SetPage(page);
        page->Create(owner);
        SetWindowPos(page->hwnd(), HWND_TOP, 2, 2, 518, 370, SWP_SHOWWINDOW);
        qm::ui::ProcessPendingMessages();
    }
    ~ButtonPageTest() override {
        ownPage.reset();
        DestroyWindow(owner);
    }

    TestPageHost host;
    std::unique_ptr<qm::ButtonsPage> ownPage;
    HWND owner = nullptr;
};

// The page inside the real main window, which a test opens once the records it needs are in
// the registry: the window lists them as it starts.
class ButtonPageInMainWindowTest : public ButtonPageUser {
protected:
    void Open() {
        form = std::make_unique<qm::TForm1>(false);
        form->Show(SW_SHOWNOACTIVATE);
        qm::ui::ProcessPendingMessages();
        page = dynamic_cast<qm::ButtonsPage*>(&form->PageAt(qm::ui::kPageButtons));
        ASSERT_NE(page, nullptr);
    }
    ~ButtonPageInMainWindowTest() override { form.reset(); }

    // A menu command or accelerator of the main window.
    void Command(int command) {
        SendMessageA(form->hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        qm::ui::ProcessPendingMessages();
    }
    // Add, answered in "Select category" with the row given (or No, for -1); gives the row the
    // dialog came up on.
    int AddFromCategory(int row) {
        int openedOn = -2;
        AnswerCategoryDialog([&](HWND dialog) {
            openedOn = CategoryRow(dialog);
            AnswerCategory(dialog, row);
        });
        Command(IDM_ADD);
        ForgetCategoryAnswer();
        return openedOn;
    }
    bool NoFlagSet() const {
        for (int p = 0; p < qm::TForm1::kPageCount; ++p)
            if (form->IsPageModified(p)) return false;
        return !form->IsModified();
    }

    std::unique_ptr<qm::TForm1> form;
};

} // namespace qmtest
