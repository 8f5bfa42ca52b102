#include "ui/Page.h"

#include "ui/Controls.h"

namespace qm::ui {

INT_PTR Page::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC)
        return reinterpret_cast<INT_PTR>(
            FieldBrush(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
    return OnPageMessage(message, wParam, lParam);
}

} // namespace qm::ui
