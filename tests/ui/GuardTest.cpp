#include "ui/Window.h"
#include "ui/Dialogs.h"

#include "support/ProgramTest.h"

#include <stdexcept>

namespace {

using qm::ui::StandardErrorText;

TEST(StandardErrorTextTest, AddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(StandardErrorText("File not found"), "File not found.");
    EXPECT_EQ(StandardErrorText("Failed to create key \\Software\\X}"),
              "Failed to create key \\Software\\X}.");
    EXPECT_EQ(StandardErrorText("Invalid data type for 'Icon'"), "Invalid data type for 'Icon'");
    EXPECT_EQ(StandardErrorText("Disk full."), "Disk full.");
    EXPECT_EQ(StandardErrorText("Error 42"), "Error 42.");
    EXPECT_EQ(StandardErrorText("(none)"), "(none)");
    EXPECT_EQ(StandardErrorText(""), "");
}

class ThrowingWindow : public qm::ui::WindowBase {
public:
    ThrowingWindow() {
        RegisterClassOnce("QmThrowingWindow", 0, nullptr, nullptr);
        Create("QmThrowingWindow", "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 100, 100, nullptr, nullptr);
    }
    int handled = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_USER) throw std::runtime_error("Bitmap image is not valid");
        if (message == WM_USER + 1) return ++handled;
        return DefaultHandling(message, wParam, lParam);
    }
};

class GuardTest : public qmtest::ProgramTest {};

TEST_F(GuardTest, AnExceptionInAHandlerReachesTheStandardErrorBoxAndTheWindowGoesOn) {
    ThrowingWindow window;
    ASSERT_NE(window.hwnd(), nullptr);
    dialogs.ExpectApplicationError("Bitmap image is not valid.");
    SendMessageA(window.hwnd(), WM_USER, 0, 0);
    EXPECT_EQ(SendMessageA(window.hwnd(), WM_USER + 1, 0, 0), 1);
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::ApplicationError).size(), 1u);
}

} // namespace
