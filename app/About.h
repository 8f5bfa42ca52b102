#pragma once
// The About box (form AboutForm): a small borderless window with the program's picture, its
// name and version, and the maker's web and mail addresses as links. It is made once when the
// program starts and lives until the end: "About" shows it, and it hides itself again as soon
// as the user turns to another window of the program or clicks the picture or its panel.

#include "Version.h"
#include "base/Handles.h"
#include "ui/Window.h"

#include <string>

namespace qm {

// What the box's controls are drawn with. A base listed before the dialog base: the dialog base
// destroys the box's window in its destructor, and these go only after it.
struct AboutDrawing {
    UniqueBitmap picture_;
    UniqueFont textFont_;
    UniqueFont titleFont_;
    UniqueFont boldFont_;
    UniqueFont linkFont_;
    UniqueBrush background_;
};

class TAboutForm : private AboutDrawing, public ui::DialogBase {
public:
    static constexpr const char* kCaption = "About Quillmere";
    static constexpr const char* kVersionText = QM_VERSION_LABEL;
    // At 96 DPI; the box scales them by its DPI.
    static constexpr int kClientWidth = 301;
    static constexpr int kClientHeight = 201;

    // Makes the box, hidden, owned by the main window.
    explicit TAboutForm(HWND owner);

    // Shows the box, or brings it to the front when it is showing already. Not modal.
    void Show();
    bool IsShowing() const { return IsWindowVisible(hwnd()) != FALSE; }

    // Handlers, after the controls and events that raise them.
    void FormShow();       // fills the version label
    void FormDeactivate(); // hides the box
    void Image1Click();    // closes (hides) the box
    void Panel2Click();    // closes (hides) the box
    void WebLinkClick();
    void MailLinkClick();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Fonts, picture and places at the DPI of the box's monitor.
    void DressForDpi();
    void LayOut();
    // Widens a label's place where its text needs more at this DPI, within its panel.
    void FitText(int id, RECT& place, int panelLeft, int panelRight) const;
    void Close();
    // Hands a link's text to the shell's open action; a link the shell cannot open is
    // disabled for the rest of the run.
    void OpenLink(int linkId);
    bool IsLink(HWND control) const;
    INT_PTR ColourStatic(HDC dc, HWND control);
};

// The shell's open target for a link's text: a mail address gets the "mailto:" prefix.
std::string LinkTarget(const std::string& linkText);

} // namespace qm
