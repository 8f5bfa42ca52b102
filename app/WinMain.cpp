// Start-up: the splash, the main window created hidden, the splash held for a moment, then the
// main window shown (which lists page 0) and the splash closed; then the message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/Logo.h"
#include "app/Main.h"
#include "ui/Dialogs.h"

namespace {

// The splash stays at least this long, so that it can be seen even on a fast machine.
constexpr ULONGLONG kSplashMilliseconds = 500;

// Waits until the deadline without using the processor, keeping the splash painted.
void HoldUntil(ULONGLONG deadline) {
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_ALLINPUT);
        qm::ui::ProcessPendingMessages();
    }
}

int Run(int showCommand) {
    ULONGLONG started = GetTickCount64();
    qm::TLogoForm logo;
    qm::TForm1 form(true);
    HoldUntil(started + kSplashMilliseconds);
    form.Show(showCommand);
    logo.Close();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (form.TranslateKeyboard(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The folder dialog that can make a new folder needs COM on this thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = 1;
    try {
        result = Run(showCommand);
    } catch (const std::exception& error) {
        qm::ui::ReportException(nullptr, error);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}
