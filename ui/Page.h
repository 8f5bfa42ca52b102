#pragma once
// A page of the main window's page control. The main window (the shell) owns the page
// control, the commands Refresh, Add, Save and Delete, the modified flags and the save
// prompt; a page supplies what those do on it. Each page is a modeless child dialog made from
// its template and laid over the page control's display area.

#include "ui/Window.h"

#include <string>

namespace qm::ui {

class PageHost;

class Page : public DialogBase {
public:
    explicit Page(PageHost& host) : host_(host) {}

    // Makes the page's window, hidden, as a child of the main window.
    virtual void Create(HWND mainWindow) = 0;

    // The page's show handling (a tab click or the View menu): loads the page.
    virtual void OnShow() = 0;
    // After a page change made on the tabs, once the command states are set again.
    virtual void AfterTabChange() {}
    // The main window moved to a monitor of another DPI; Windows has rescaled the page's
    // dialog. A page places again what it sizes in pixels itself.
    virtual void DpiChanged(UINT /*oldDpi*/, UINT /*newDpi*/) {}

    // Whether Refresh, Add and Delete are available on this page (Save always is).
    virtual bool HasListCommands() const { return false; }
    virtual void Refresh() {}
    // Add from the template row chosen in the "Select category" dialog.
    virtual void Add(int /*templateRow*/) {}
    // The field a record starts with (its text or name), where the keyboard goes after Add;
    // nullptr on a page without records.
    virtual HWND FirstField() const { return nullptr; }
    // The Save command; the shell has cleared all modified flags before.
    virtual void Save() = 0;
    virtual void Delete() {}

    // The question the save prompt asks for this page, and what its Yes does.
    virtual std::string SavePrompt() const = 0;
    virtual void SaveFromPrompt(bool refresh) = 0;

protected:
    // A page's own messages. The page colours of its edit fields (FieldBrush) are answered
    // here for every page before this is asked.
    virtual INT_PTR OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    PageHost& host_;

private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) final;
};

} // namespace qm::ui
