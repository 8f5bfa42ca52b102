#pragma once
// The splash window (form LogoForm): a borderless picture in the middle of the screen, with
// the hourglass up, while the program starts.

#include "base/Handles.h"
#include "ui/Window.h"

namespace qm {

class TLogoForm : public ui::WindowBase {
public:
    static constexpr int kWidth = 150;
    static constexpr int kHeight = 200;

    // Creates the window, shows it, paints it at once and puts up the hourglass.
    TLogoForm();
    // Closes the window and puts the default cursor back.
    void Close();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormPaint();

    UniqueBitmap picture_;
    int width_ = kWidth; // the window and picture at the screen's DPI
    int height_ = kHeight;
};

} // namespace qm
