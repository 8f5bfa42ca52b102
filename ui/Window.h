#pragma once
// The window and dialog base classes. One static procedure per kind binds the C++ object to
// its window (WM_NCCREATE / WM_INITDIALOG) and runs every message inside the exception
// guard, so that no exception ever unwinds through a Windows frame.

#include <windows.h>

#include <exception>
#include <string>
#include <map>

namespace qm::ui {

// Shows a failure that escaped a handler in the application's standard error box.
void ReportException(HWND owner, const std::exception& error);

// Runs f; an exception that escapes it is shown in the standard error box and swallowed.
template <class F>
void Guarded(HWND owner, F&& f) {
    try {
        f();
    } catch (const std::exception& error) {
        ReportException(owner, error);
    }
}

// Both bases destroy their window in their destructor, after unbinding it so that no message
// reaches the derived object, which is gone by then: a derived class need not destroy it. What
// a window is drawn with must outlive it: a derived class holds such things in a base listed
// before this one (members of its own go before the window does).
class WindowBase {
public:
    WindowBase() = default;
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND hwnd() const { return hwnd_; }

protected:
    // Registers the class on first use; the class's procedure is this base's thunk.
    static void RegisterClassOnce(const char* className, UINT style, HICON icon, HBRUSH background,
                                  const char* menu = nullptr);
    HWND Create(const char* className, const char* caption, DWORD style, DWORD exStyle, int x,
                int y, int width, int height, HWND parent, HMENU menu);

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcA(hwnd_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

class DialogBase {
public:
    DialogBase() = default;
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    HWND hwnd() const { return hwnd_; }
    // The control with this id; each is looked up once (a lookup walks the dialog's children,
    // which under Wine is a round trip to its server) and then taken from what was found.
    HWND Item(int id) const;

    // A modeless dialog (a page, the About box) from a template in this module.
    HWND CreateModeless(int templateId, HWND parent);
    // A modal dialog; returns what EndDialog was given.
    INT_PTR RunModal(int templateId, HWND parent);

protected:
    // Return TRUE for a handled message, as a dialog procedure does.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    mutable std::map<int, HWND> items_;
};

// The module that holds the program's resources (the executable, or a test program).
HINSTANCE Instance();

// The folder of the program's own executable, with its trailing backslash.
std::string ProgramFolder();

// Runs the messages that are waiting for this thread's windows, as the message loop would;
// returns when none is left. Used by code that must let the windows catch up (and by tests).
void ProcessPendingMessages();

} // namespace qm::ui
