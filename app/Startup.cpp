#include "app/Startup.h"

#include "app/Logo.h"
#include "app/Main.h"
#include "ui/Window.h"

#include <windows.h>

namespace qm {
namespace {

// The splash stays at least this long, so that it can be seen even on a fast machine.
constexpr ULONGLONG kSplashMilliseconds = 500;

// Waits until the deadline without using the processor, keeping the splash painted.
void HoldUntil(ULONGLONG deadline) {
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_ALLINPUT);
        ui::ProcessPendingMessages();
    }
}

} // namespace

int Run(int showCommand) {
    ULONGLONG started = GetTickCount64();
    TLogoForm logo;
    TForm1 form(true);
    HoldUntil(started + kSplashMilliseconds);
    // A failure while page 0 is first listed is shown once the splash is gone; the window
    // stays, with what the listing found, and the program goes on.
    form.Show(showCommand, &logo);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (form.TranslateKeyboard(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace qm
