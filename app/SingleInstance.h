#pragma once
// One interactive copy of the program per user session. Two copies editing the same records
// would overwrite each other's saves, so a second start brings the running copy's window to the
// front and ends. A start with a command runs beside it and takes no part in this.

#include <windows.h>

namespace qm {

// Held by the interactive copy for its whole run (a named mutex of the user's session).
class InstanceLock {
public:
    // waitMilliseconds: how long a second copy waits for the first to end before it gives in;
    // a copy that restarts the program (with administrator rights, say) ends just after
    // starting the new one.
    explicit InstanceLock(DWORD waitMilliseconds = 1500);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when no other copy holds the lock (or none could be told apart): start normally.
    bool First() const { return owned_; }

private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
};

// Marks a window as the program's main window, for a second start to find it, and removes the
// mark before the window goes.
void MarkMainWindow(HWND window);
void UnmarkMainWindow(HWND window);

// Brings the marked main window of this session to the front, restored if it was minimised.
// False when there is none.
bool BringRunningWindowToFront();

} // namespace qm
