#pragma once
// The main window (form Form1): a fixed-size window under the program's title.

#include "ui/Window.h"

namespace qm {

class TForm1 : public ui::WindowBase {
public:
    // Creates the window, hidden; Show() puts it on the screen.
    TForm1();
    void Show(int showCommand);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

} // namespace qm
