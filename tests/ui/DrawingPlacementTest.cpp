#include "ui/Drawing.h"
#include "base/Handles.h"
#include "ui/Placement.h"

#include "support/GdiObjects.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MemoryDCTest, LeavesNeitherADcNorTheBitmapSelectedBehind) {
    HDC screen = GetDC(nullptr);
    const long before = qmtest::GdiObjectCount();
    for (int i = 0; i < 200; ++i) {
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
        ASSERT_NE(bitmap, nullptr);
        {
            qm::ui::MemoryDC dc(screen, bitmap);
            ASSERT_TRUE(dc);
            EXPECT_EQ(GetCurrentObject(dc.dc(), OBJ_BITMAP), bitmap);
            RECT area{0, 0, 8, 8};
            FillRect(dc.dc(), &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        }
        // A bitmap still selected into a DC cannot be deleted.
        EXPECT_TRUE(DeleteObject(bitmap)) << "round " << i;
    }
    ReleaseDC(nullptr, screen);
    qmtest::ExpectNoMoreGdiObjects(before, 5);
}

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QmPlacementTest";
        RegisterClassA(&wc);
    }
    HWND Make(DWORD style, DWORD exStyle, HMENU menu) {
        HWND window = CreateWindowExA(exStyle, "QmPlacementTest", "", style, 10, 10, 50, 50,
                                      nullptr, menu, GetModuleHandleA(nullptr), nullptr);
        windows_.push_back(window);
        return window;
    }
    void TearDown() override {
        for (HWND window : windows_) DestroyWindow(window);
    }
    std::vector<HWND> windows_;
};

TEST_F(PlacementTest, AClientSizeIsExactWithAndWithoutAMenuBar) {
    HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_STRING, 1, "&File");
    for (HWND window : {Make(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, menu),
                        Make(WS_POPUP | WS_CAPTION | DS_MODALFRAME, WS_EX_DLGMODALFRAME, nullptr),
                        Make(WS_POPUP | WS_BORDER, WS_EX_CLIENTEDGE, nullptr)}) {
        qm::ui::SetClientSize(window, 333, 222, 96);
        RECT client;
        GetClientRect(window, &client);
        EXPECT_EQ(client.right, 333);
        EXPECT_EQ(client.bottom, 222);
    }
}

TEST_F(PlacementTest, AWindowIsCentredOnTheAreaAndKeptInsideTheLimit) {
    HWND window = Make(WS_POPUP, 0, nullptr);
    SetWindowPos(window, nullptr, 0, 0, 100, 60, SWP_NOMOVE | SWP_NOZORDER);
    qm::ui::CentreWindow(window, RECT{200, 100, 500, 301});
    RECT place;
    GetWindowRect(window, &place);
    EXPECT_EQ(place.left, 300);
    EXPECT_EQ(place.top, 170);
    EXPECT_EQ(place.right - place.left, 100);

    // An owner near the limit's corner: centred on it would reach past the limit.
    const RECT limit{0, 0, 640, 480};
    qm::ui::CentreWindow(window, RECT{560, -40, 680, 40}, &limit);
    GetWindowRect(window, &place);
    EXPECT_EQ(place.left, 540);
    EXPECT_EQ(place.top, 0);
}

// Centred on an owner, kept inside the owner's monitor's work area.
struct CentringCase {
    const char* what;
    RECT over;
    SIZE size;
    RECT within;
    POINT expected;
};

TEST(CentredWithinTest, CentresOnTheOwnerAndKeepsInsideItsMonitor) {
    const CentringCase cases[] = {
        {"inside", {200, 100, 500, 301}, {100, 60}, {0, 0, 1000, 1000}, {300, 170}},
        {"past the right and top", {560, -40, 680, 40}, {100, 60}, {0, 0, 640, 480}, {540, 0}},
        {"past the left and bottom", {-50, 440, 50, 500}, {100, 60}, {0, 0, 640, 480}, {0, 420}},
        {"a monitor left of the primary",
         {-1500, 200, -900, 600},
         {200, 100},
         {-1920, 0, 0, 1040},
         {-1300, 350}},
        {"an owner reaching onto the next monitor",
         {1800, 100, 2200, 500},
         {300, 200},
         {1920, 0, 3840, 1040},
         {1920, 200}},
        {"larger than the work area: its top left stays",
         {0, 0, 640, 480},
         {800, 600},
         {0, 0, 640, 440},
         {0, 0}},
    };
    for (const CentringCase& c : cases) {
        const POINT place = qm::ui::CentredWithin(c.over, c.size, c.within);
        EXPECT_EQ(place.x, c.expected.x) << c.what;
        EXPECT_EQ(place.y, c.expected.y) << c.what;
    }
}

} // namespace
