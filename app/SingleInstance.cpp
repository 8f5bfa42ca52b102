#include "app/SingleInstance.h"

namespace qm {
namespace {

// Session-local, so that each signed-in user has a copy of their own.
constexpr const char* kMutexName = "Local\\Quillmere.Interactive.7E3B2A41";
// The property that marks the main window (its class name alone is too common to trust).
constexpr const char* kMainWindowProperty = "Quillmere.MainWindow";

BOOL CALLBACK FindMarked(HWND window, LPARAM found) {
    if (!GetPropA(window, kMainWindowProperty)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

} // namespace

InstanceLock::InstanceLock(DWORD waitMilliseconds) {
    mutex_ = CreateMutexA(nullptr, FALSE, kMutexName);
    if (!mutex_) {
        // A copy running with other rights may hold a mutex this one cannot open. It is told
        // apart by its window, if this copy can find one.
        owned_ = true;
        return;
    }
    DWORD waited = WaitForSingleObject(mutex_, waitMilliseconds);
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

InstanceLock::~InstanceLock() {
    if (!mutex_) return;
    if (owned_) ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

void MarkMainWindow(HWND window) { SetPropA(window, kMainWindowProperty, window); }

void UnmarkMainWindow(HWND window) { RemovePropA(window, kMainWindowProperty); }

bool BringRunningWindowToFront() {
    HWND found = nullptr;
    EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&found));
    if (!found) return false;
    if (IsIconic(found)) ShowWindow(found, SW_RESTORE);
    // This copy was just started by the user, so it may hand the foreground on.
    SetForegroundWindow(GetLastActivePopup(found));
    return true;
}

} // namespace qm
