// The strip's icons are drawn at 16 x 16 in batches: each image must look like its icon drawn
// at 16 x 16, for icons with and without an alpha channel, on any background.

#include "buttons/IconLoader.h"
#include "buttons/SmallIconBatch.h"
#include "base/Handles.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A 32 x 32 icon of the old kind: a monochrome mask and colour, a transparent border.
qm::UniqueIcon OldStyleIcon() {
    std::vector<uint8_t> andMask(32 * 4, 0), xorBits(32 * 4, 0);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            bool border = x < 6 || x >= 26 || y < 6 || y >= 26;
            bool stripe = (x / 4) % 2 == 0;
            if (border)
                andMask[y * 4 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            else if (stripe)
                xorBits[y * 4 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    return qm::UniqueIcon(CreateIcon(nullptr, 32, 32, 1, 1, andMask.data(), xorBits.data()));
}

// The 16 x 16 pixels of image i of a list (or, without a list, of the icon drawn at 16 x 16),
// drawn transparently onto a solid background.
std::vector<COLORREF> Drawn(HIMAGELIST list, int i, COLORREF background, HICON icon = nullptr) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    qm::UniqueBitmap surface(CreateCompatibleBitmap(screen, 16, 16));
    HGDIOBJ previous = SelectObject(dc, surface.get());
    qm::UniqueBrush brush(CreateSolidBrush(background));
    RECT all{0, 0, 16, 16};
    FillRect(dc, &all, brush.get());
    if (list)
        ImageList_Draw(list, i, dc, 0, 0, ILD_TRANSPARENT);
    else
        DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, previous);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

int LargestDifference(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift : {0, 8, 16})
            largest = std::max(largest, std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                                                 static_cast<int>((b[i] >> shift) & 0xFF)));
    return largest;
}

TEST(SmallIconBatchTest, EachImageLooksLikeItsIconDrawnAtSixteenPixels) {
    std::vector<qm::UniqueIcon> icons;
    icons.push_back(qm::LoadIconFromLocation(std::string(QM_DIST_DIR) +
                                             "\\Images\\Icons\\marker.ico")); // alpha channel
    icons.push_back(qm::LoadIconFromLocation("C:\\windows\\system32\\shell32.dll,4"));
    icons.push_back(OldStyleIcon());
    icons.push_back(qm::StockErrorIcon());

    qm::UniqueImageList batched(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 4));
    // An image already in the list keeps its place before the batch.
    ImageList_AddIcon(batched.get(), icons[2].get());
    qm::SmallIconBatch batch;
    for (const auto& icon : icons) {
        ASSERT_TRUE(icon);
        batch.Add(icon.get());
    }
    // An icon shared by several buttons is drawn once and its image repeated.
    batch.Repeat(1);
    batch.Repeat(0);
    EXPECT_EQ(batch.Count(), 6);
    ASSERT_TRUE(batch.AppendTo(batched.get()));
    EXPECT_EQ(batch.Count(), 0);
    ASSERT_EQ(ImageList_GetImageCount(batched.get()), 7);
    icons.push_back(qm::LoadIconFromLocation("C:\\windows\\system32\\shell32.dll,4"));
    icons.push_back(
        qm::LoadIconFromLocation(std::string(QM_DIST_DIR) + "\\Images\\Icons\\marker.ico"));

    for (int i = 0; i < 6; ++i) {
        for (COLORREF background : {RGB(255, 255, 255), RGB(0, 0, 0), RGB(40, 160, 90)}) {
            SCOPED_TRACE("icon " + std::to_string(i) + " on " + std::to_string(background));
            std::vector<COLORREF> want = Drawn(nullptr, 0, background, icons[i].get());
            // Catches colours left multiplied by their alpha, and a mask out of place.
            std::vector<COLORREF> got = Drawn(batched.get(), i + 1, background);
            EXPECT_LE(LargestDifference(want, got), 24);
            // The transparent parts show the background in both.
            int wantBackground = 0, gotBackground = 0;
            for (size_t p = 0; p < want.size(); ++p) {
                wantBackground += want[p] == background;
                gotBackground += got[p] == background;
            }
            EXPECT_NEAR(gotBackground, wantBackground, 8);
        }
    }
}

} // namespace
