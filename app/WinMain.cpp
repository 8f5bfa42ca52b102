// The program's entry: common controls and COM for this thread, then the run (app/Startup).
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/Startup.h"
#include "ui/Window.h"

#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The folder dialog that can make a new folder needs COM on this thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = 1;
    try {
        result = qm::Run(showCommand);
    } catch (const std::exception& error) {
        // Only a window that cannot be made at all ends here.
        qm::ui::ReportException(nullptr, error);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}
