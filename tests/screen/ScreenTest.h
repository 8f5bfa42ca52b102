#pragma once
// The main window driven by the keyboard through the program's own message loop filter, and
// button records put into the sandbox with plain registry calls.

#include "support/MainWindowTest.h"

#include "buttons/ButtonRecord.h"
#include "buttons/ButtonsPage.h"

#include <string>

namespace screentest {

// A record under the machine's Extensions key (the view the program reads), written with
// plain registry calls.
inline void PutButton(const std::string& keyName, const std::string& buttonText) {
    const std::string path = qm::ButtonKeyPath(keyName).substr(1); // without the leading "\"
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "ButtonText", 0, REG_SZ, reinterpret_cast<const BYTE*>(buttonText.c_str()),
                   static_cast<DWORD>(buttonText.size() + 1));
    RegSetValueExA(key, "Exec", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(key);
}

// The value as stored, read with plain registry calls; nothing when absent.
inline std::optional<std::string> StoredButtonText(const std::string& keyName) {
    const std::string path = qm::ButtonKeyPath(keyName).substr(1);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    char data[512] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    LONG result =
        RegQueryValueExA(key, "ButtonText", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return std::string(data);
}

class KeyboardTest : public qmtest::MainWindowTest {
protected:
    // Runs the waiting messages as the program's loop does: first the window's keyboard
    // handling, then translation (which makes WM_CHAR of a key) and dispatch.
    void RunLoop() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (form->TranslateKeyboard(message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    enum Modifier { kNone = 0, kCtrl = 1, kShift = 2, kAlt = 4 };

    // A key pressed and released where the keyboard is (the focus), with the modifiers held.
    void Press(UINT key, int modifiers = kNone) {
        HWND target = GetFocus();
        ASSERT_NE(target, nullptr) << "nothing has the keyboard";
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        BYTE saved[256];
        memcpy(saved, keys, sizeof keys);
        keys[VK_CONTROL] = (modifiers & kCtrl) ? 0x80 : 0;
        keys[VK_SHIFT] = (modifiers & kShift) ? 0x80 : 0;
        keys[VK_MENU] = (modifiers & kAlt) ? 0x80 : 0;
        SetKeyboardState(keys);
        const UINT down = (modifiers & kAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN;
        const UINT up = (modifiers & kAlt) ? WM_SYSKEYUP : WM_KEYUP;
        const UINT scan = MapVirtualKeyA(key, 0);
        const LPARAM context = (modifiers & kAlt) ? (1 << 29) : 0;
        PostMessageA(target, down, key, 1 | (scan << 16) | context);
        RunLoop();
        PostMessageA(GetFocus() ? GetFocus() : target, up, key,
                     1 | (scan << 16) | context | (1u << 30) | (1u << 31));
        RunLoop();
        SetKeyboardState(saved);
    }

    HWND Item(int page, int id) { return Control(page, id); }
    qm::ButtonsPage& ButtonPage() {
        return static_cast<qm::ButtonsPage&>(form->PageAt(qm::ui::kPageButtons));
    }
    HWND Focus() const { return GetFocus(); }
};

} // namespace screentest
