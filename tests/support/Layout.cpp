#include "support/Layout.h"

#include "ui/Controls.h"
#include "ui/Dpi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace qmtest {

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT RectIn(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Describe(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    return ClassOf(control) + " " + std::to_string(GetDlgCtrlID(control)) + " \"" +
           qm::ui::GetText(control) + "\" at " + std::to_string(r.left) + "," +
           std::to_string(r.top) + "-" + std::to_string(r.right) + "," + std::to_string(r.bottom);
}

bool IsGroupBox(HWND control) {
    return ClassOf(control) == "Button" &&
           (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

SIZE TextNeeds(HWND control, int width) {
    std::string text = qm::ui::GetText(control);
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT area{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &area, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return SIZE{area.right, area.bottom};
}

namespace {

// The width a control gives its text: a check box's mark and a button's edges take the rest.
int TextWidth(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    int width = r.right - r.left;
    if (ClassOf(control) != "Button" || IsGroupBox(control)) return width;
    const LONG kind = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    if (kind != BS_PUSHBUTTON && kind != BS_DEFPUSHBUTTON)
        return width - qm::ui::Scale(16, qm::ui::WindowDpi(control)); // the mark and its gap
    return width - 4;
}

void ExpectTextFits(HWND control, const std::string& what) {
    RECT r;
    GetWindowRect(control, &r);
    const int width = TextWidth(control);
    const SIZE needs = TextNeeds(control, std::max(width, 1));
    EXPECT_LE(needs.cx, width) << what << ": text wider than " << Describe(control);
    EXPECT_LE(needs.cy, r.bottom - r.top) << what << ": text cut off in " << Describe(control);
}

} // namespace

void ExpectReadable(HWND control, const std::string& what) {
    ASSERT_NE(control, nullptr) << what;
    EXPECT_FALSE(qm::ui::GetText(control).empty()) << what << ": no text in " << Describe(control);
    ExpectTextFits(control, what);
}

void ExpectTidy(HWND window, const std::string& what, bool panelsBehind) {
    RECT client;
    GetClientRect(window, &client);
    std::vector<HWND> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) controls.push_back(child);
    ASSERT_FALSE(controls.empty()) << what;
    for (HWND control : controls) {
        const RECT r = RectIn(window, control);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right &&
                    r.bottom <= client.bottom)
            << what << ": outside its window (" << client.right << " x " << client.bottom
            << "): " << Describe(control);
        const std::string kind = ClassOf(control);
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        if (qm::ui::GetText(control).empty() || kind == "Edit" || IsGroupBox(control)) continue;
        if (kind == "Static" && (style & SS_TYPEMASK) > SS_RIGHT) continue; // pictures
        ExpectTextFits(control, what);
    }
    if (panelsBehind) return;
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const RECT a = RectIn(window, controls[i]);
            const RECT b = RectIn(window, controls[j]);
            RECT both;
            if (!IntersectRect(&both, &a, &b)) continue;
            if (IsGroupBox(controls[i]) && EqualRect(&both, &b)) continue;
            if (IsGroupBox(controls[j]) && EqualRect(&both, &a)) continue;
            ADD_FAILURE() << what << ": " << Describe(controls[i]) << " overlaps "
                          << Describe(controls[j]);
        }
    }
}

void ExpectLabelsField(HWND label, HWND field, const std::string& what) {
    ASSERT_NE(label, nullptr) << what;
    ASSERT_NE(field, nullptr) << what;
    HWND parent = GetParent(label);
    const RECT l = RectIn(parent, label), f = RectIn(parent, field);
    const bool sameLine = l.top < f.bottom && f.top < l.bottom;
    const bool leftOf = sameLine && l.right <= f.left;
    const bool above = l.bottom <= f.top && l.left < f.right && f.left < l.right;
    RECT inFrame;
    const bool framed =
        IsGroupBox(label) && IntersectRect(&inFrame, &l, &f) && EqualRect(&inFrame, &f);
    EXPECT_TRUE(leftOf || above || framed)
        << what << ": the label " << Describe(label) << " is neither left of nor above its field "
        << Describe(field);
    const std::string text = qm::ui::GetText(label);
    const size_t key = text.find('&');
    if (key == std::string::npos || key + 1 >= text.size()) return;
    EXPECT_EQ(GetNextDlgTabItem(parent, label, FALSE), field)
        << what << ": Alt+" << text[key + 1] << " of " << Describe(label)
        << " does not reach its field " << Describe(field);
}

} // namespace qmtest
