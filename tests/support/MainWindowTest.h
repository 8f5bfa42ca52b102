#pragma once
// A test of the real main window: the sandbox, scripted dialogs and a temporary folder, and a
// TForm1 that has been shown, with helpers that act as the user's clicks and keys do.
// Only test programs that link the app room include this.

#include "app/Main.h"
#include "support/ProgramTest.h"
#include "support/RawRegistry.h"
#include "ui/Controls.h"

#include "resource.h"

#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <source_location>
#include <string>

namespace qmtest {

class MainWindowTest : public ProgramTest {
protected:
    void SetUp() override {
        form = std::make_unique<qm::TForm1>();
        ASSERT_NE(form->hwnd(), nullptr);
        form->Show(SW_SHOWNOACTIVATE);
        Pump();
    }
    void TearDown() override { form.reset(); }

    static void Pump() { qm::ui::ProcessPendingMessages(); }

    // A menu item (or an accelerator) of the main window.
    void MenuCommand(int command) {
        SendMessageA(form->hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        Pump();
    }
    // A mouse click on a tool bar button; a disabled button does nothing, as on the screen.
    void ClickToolButton(int command) {
        RECT area{};
        ASSERT_TRUE(
            SendMessageA(form->ToolBar(), TB_GETRECT, command, reinterpret_cast<LPARAM>(&area)));
        LPARAM at = MAKELPARAM((area.left + area.right) / 2, (area.top + area.bottom) / 2);
        SendMessageA(form->ToolBar(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(form->ToolBar(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    // A mouse click on a tab of the page control.
    void ClickTab(int index) {
        RECT area{};
        ASSERT_TRUE(TabCtrl_GetItemRect(form->PageControl(), index, &area));
        LPARAM at = MAKELPARAM((area.left + area.right) / 2, (area.top + area.bottom) / 2);
        SendMessageA(form->PageControl(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(form->PageControl(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    // A key pressed while the main window is active, through the program's message loop
    // filter; control adds the Ctrl key.
    bool PressKey(UINT key, bool control) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        BYTE saved = keys[VK_CONTROL];
        keys[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message{form->hwnd(), WM_KEYDOWN, key, 1, static_cast<DWORD>(GetMessageTime()), {}};
        bool handled = form->TranslateKeyboard(message);
        keys[VK_CONTROL] = saved;
        SetKeyboardState(keys);
        Pump();
        return handled;
    }

    HWND Control(int page, int id) { return GetDlgItem(form->PageAt(page).hwnd(), id); }
    // Typing into a field: the text is replaced and the field reports the change.
    void Type(int page, int id, const std::string& text) {
        SendMessageA(Control(page, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        Pump();
    }
    std::string Text(int page, int id) { return qm::ui::GetText(Control(page, id)); }
    void Click(int page, int id) {
        SendMessageA(Control(page, id), BM_CLICK, 0, 0);
        Pump();
    }

    bool NoFlagSet() const {
        for (int page = 0; page < qm::TForm1::kPageCount; ++page)
            if (form->IsPageModified(page)) return false;
        return !form->IsModified();
    }

    std::unique_ptr<qm::TForm1> form;
};

// Registry access around the program, on the sandbox's current-user root, with plain registry
// calls.
inline void WriteUserString(const std::string& key, const std::string& name,
                            const std::string& value,
                            std::source_location where = std::source_location::current()) {
    PutText(HKEY_CURRENT_USER, key, name, value, where);
}
inline void WriteUserInteger(const std::string& key, const std::string& name, int value,
                             std::source_location where = std::source_location::current()) {
    PutValues(HKEY_CURRENT_USER, key, {{name, Dword(static_cast<uint32_t>(value))}}, where);
}
inline void CreateUserKey(const std::string& key,
                          std::source_location where = std::source_location::current()) {
    PutKey(HKEY_CURRENT_USER, key, where);
}
// The value's text as stored (a string with anything but one terminating zero, or another type,
// reads as a description no text equals), or nothing when it is absent.
inline std::optional<std::string> ReadUserString(const std::string& key, const std::string& name) {
    return StoredText(HKEY_CURRENT_USER, key, name);
}

} // namespace qmtest
