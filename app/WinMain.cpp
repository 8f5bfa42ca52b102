// The program's entry: with arguments, the command they give (app/CommandRun), run before
// anything only a window needs is loaded; otherwise common controls and COM for this thread,
// then the run (app/Startup).
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/CommandRun.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "ui/Window.h"

#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // With arguments the program runs as a command: no splash, no window, beside a running copy.
    std::vector<std::string> args = qm::cli::ProcessArguments();
    if (qm::cli::HasCommand(args)) return qm::cli::RunCommandLine(args);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // A second interactive start shows the copy that runs instead of opening another window
    // over the same records.
    qm::InstanceLock instance;
    if (!instance.First() && qm::BringRunningWindowToFront()) return 0;
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
