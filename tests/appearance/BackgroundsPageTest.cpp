// The "Backgrounds" page in the main window: load, save, panels and the picture dialog.
#include "AppearanceFixture.h"

#include <cstdint>

namespace {

using qm::ui::kPageBackgrounds;
using qmtest::ReadUserString;
using qmtest::Shown;

using appearancetest::kToolbarKey;

// A real 24-bit Windows bitmap of the given size, one colour.
std::string BitmapBytes(int width, int height) {
    const int row = (width * 3 + 3) / 4 * 4;
    const uint32_t pixels = static_cast<uint32_t>(row * height);
    std::string bytes;
    auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    bytes += "BM";
    put(54 + pixels, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(pixels, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    bytes.append(pixels, '\x60');
    return bytes;
}

class BackgroundsTest : public appearancetest::AppearancePageTest {
protected:
    const appearancetest::AppearancePage& P() const override {
        return appearancetest::kBackgrounds;
    }
    void SetUp() override {
        AppearancePageTest::SetUp();
        picture = temp.File("tile.bmp");
        qmtest::WriteFileBytes(picture, BitmapBytes(8, 4));
        notPicture = temp.File("notes.bmp");
        qmtest::WriteFileBytes(notPicture, "these are notes, not a picture");
    }
    qm::BackgroundsPage& Page() { return appearancetest::BackgroundsOf(*form); }

    std::string picture;
    std::string notPicture;
};

TEST_F(BackgroundsTest, LoadFillsFieldsAndPanelsAndLeavesThePageUnchanged) {
    qmtest::WriteUserString(kToolbarKey, "BackBitmapIE5", picture);
    qmtest::WriteUserString(kToolbarKey, "BackBitmapShell", " " + picture);
    ShowPage();
    EXPECT_EQ(Text(kPageBackgrounds, IDC_TBIMAGEEDIT), picture);
    EXPECT_EQ(Text(kPageBackgrounds, IDC_WEBACKGROUND), " " + picture);
    EXPECT_NE(Page().BrowserPicture(), nullptr);
    EXPECT_EQ(Page().ExplorerPicture(), nullptr); // a path with a blank before it is no file
    EXPECT_TRUE(NoFlagSet());
}

TEST_F(BackgroundsTest, AnEmptyOrAbsentValueEmptiesFieldAndPanel) {
    qmtest::WriteUserString(kToolbarKey, "BackBitmapIE5", picture);
    qmtest::WriteUserString(kToolbarKey, "BackBitmapShell", picture);
    ShowPage();
    ASSERT_NE(Page().ExplorerPicture(), nullptr);
    qmtest::WriteUserString(kToolbarKey, "BackBitmapIE5", "");
    qmtest::RemoveValue(HKEY_CURRENT_USER, kToolbarKey, "BackBitmapShell");
    ShowPage();
    EXPECT_EQ(Text(kPageBackgrounds, IDC_TBIMAGEEDIT), "");
    EXPECT_EQ(Text(kPageBackgrounds, IDC_WEBACKGROUND), "");
    EXPECT_EQ(Page().BrowserPicture(), nullptr);
    EXPECT_EQ(Page().ExplorerPicture(), nullptr);
}

TEST_F(BackgroundsTest, SavingWritesPathsAsTypedAndDeletesEmptyOnes) {
    const struct {
        const char* name;
        bool storedBefore;
        std::string browser, explorer;
    } cases[] = {
        {"both empty, values there", true, "", ""},
        {"both empty, values absent", false, "", ""},
        {"blanks kept", false, "  C:\\Pictures\\Bar.BMP ", "\tX.bmp"},
        {"one of each", true, "C:\\missing.bmp", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.storedBefore) {
            qmtest::WriteUserString(kToolbarKey, "BackBitmapIE5", "old1");
            qmtest::WriteUserString(kToolbarKey, "BackBitmapShell", "old2");
        }
        ShowPage();
        Type(kPageBackgrounds, IDC_TBIMAGEEDIT, c.browser);
        Type(kPageBackgrounds, IDC_WEBACKGROUND, c.explorer);
        Save();
        auto stored = [](const std::string& typed) {
            return typed.empty() ? std::nullopt : std::optional<std::string>(typed);
        };
        EXPECT_EQ(ReadUserString(kToolbarKey, "BackBitmapIE5"), stored(c.browser));
        EXPECT_EQ(ReadUserString(kToolbarKey, "BackBitmapShell"), stored(c.explorer));
        EXPECT_TRUE(NoFlagSet());
    }
    EXPECT_TRUE(dialogs.Shown().empty()); // all silent
}

TEST_F(BackgroundsTest, SavingReloadsThePanelsFromTheFields) {
    ShowPage();
    Type(kPageBackgrounds, IDC_TBIMAGEEDIT, picture);
    EXPECT_EQ(Page().BrowserPicture(), nullptr); // typing alone does not load
    Save();
    EXPECT_NE(Page().BrowserPicture(), nullptr);
    Type(kPageBackgrounds, IDC_TBIMAGEEDIT, temp.File("gone.bmp"));
    Save();
    EXPECT_EQ(ReadUserString(kToolbarKey, "BackBitmapIE5"), temp.File("gone.bmp"));
    EXPECT_EQ(Page().BrowserPicture(), nullptr);
}

TEST_F(BackgroundsTest, EnterInAFieldReloadsOnlyItsPanelAndFailsSilently) {
    ShowPage();
    Type(kPageBackgrounds, IDC_WEBACKGROUND, picture);
    Type(kPageBackgrounds, IDC_TBIMAGEEDIT, picture);
    SendMessageA(Control(kPageBackgrounds, IDC_WEBACKGROUND), WM_CHAR, '\r', 1);
    Pump();
    EXPECT_NE(Page().ExplorerPicture(), nullptr);
    EXPECT_EQ(Page().BrowserPicture(), nullptr);
    Type(kPageBackgrounds, IDC_WEBACKGROUND, notPicture);
    SendMessageA(Control(kPageBackgrounds, IDC_WEBACKGROUND), WM_CHAR, '\r', 1);
    Pump();
    EXPECT_EQ(Page().ExplorerPicture(), nullptr);
    EXPECT_EQ(Text(kPageBackgrounds, IDC_WEBACKGROUND), notPicture); // the key is not swallowed
    EXPECT_TRUE(dialogs.Shown().empty());
    // Enter asks the field whether it wants the key, so that the page sees it in the loop.
    MSG enter{Control(kPageBackgrounds, IDC_WEBACKGROUND), WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_TRUE(
        SendMessageA(enter.hwnd, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
        DLGC_WANTALLKEYS);
}

TEST_F(BackgroundsTest, LeavingAfterTypingAsksAndYesSavesExactlyTheTwoFields) {
    ShowPage();
    Type(kPageBackgrounds, IDC_TBIMAGEEDIT, "C:\\a.bmp ");
    Type(kPageBackgrounds, IDC_WEBACKGROUND, "C:\\b.bmp");
    dialogs.AnswerQuestion(true, "Save changes in backgrounds?");
    ClickTab(qm::ui::kPageWindowAttributes);
    EXPECT_EQ(ReadUserString(kToolbarKey, "BackBitmapIE5"), "C:\\a.bmp ");
    EXPECT_EQ(ReadUserString(kToolbarKey, "BackBitmapShell"), "C:\\b.bmp");
}

TEST_F(BackgroundsTest, BrowseOffersBitmapsAndLoadsTheChosenOne) {
    ShowPage();
    dialogs.AnswerFileDialog(picture);
    Click(kPageBackgrounds, IDC_TBIMAGEBROWSE);
    auto shown = dialogs.ShownOf(Shown::FileDialog);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].fileKind, qm::ui::FileDialogKind::Picture);
    EXPECT_EQ(shown[0].file.filter, "Bitmap picture (*.bmp)|*.BMP");
    EXPECT_EQ(Text(kPageBackgrounds, IDC_TBIMAGEEDIT), picture);
    EXPECT_NE(Page().BrowserPicture(), nullptr);
    EXPECT_TRUE(form->IsPageModified(kPageBackgrounds));

    // The same file again changes nothing; Cancel changes nothing.
    form->ClearAllModified();
    dialogs.AnswerFileDialog(picture);
    Click(kPageBackgrounds, IDC_TBIMAGEBROWSE);
    dialogs.AnswerFileDialog(std::nullopt);
    Click(kPageBackgrounds, IDC_WEBACKGROUNDBROWSE);
    EXPECT_TRUE(NoFlagSet());
    EXPECT_EQ(Text(kPageBackgrounds, IDC_WEBACKGROUND), "");
}

TEST_F(BackgroundsTest, BrowsingToAFileThatIsNoBitmapReportsItAndKeepsThePath) {
    ShowPage();
    dialogs.AnswerFileDialog(notPicture);
    dialogs.ExpectApplicationError("Bitmap image is not valid.");
    Click(kPageBackgrounds, IDC_WEBACKGROUNDBROWSE);
    EXPECT_EQ(Text(kPageBackgrounds, IDC_WEBACKGROUND), notPicture);
    EXPECT_EQ(Page().ExplorerPicture(), nullptr);
    EXPECT_TRUE(form->IsPageModified(kPageBackgrounds));
}

// A bitmap whose header claims the given size, in a file of only the header and a few bytes.
std::string LyingBitmap(int width, int height) {
    std::string bytes = BitmapBytes(1, 1);
    auto put = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(18, static_cast<uint32_t>(width));
    put(22, static_cast<uint32_t>(height));
    bytes.resize(154, '\x60');
    return bytes;
}

TEST_F(BackgroundsTest,
       BitmapsWhoseHeaderClaimsTooMuchEmptyThePanelAtLoadAndAreReportedWhenChosen) {
    const std::string huge = temp.File("huge.bmp");
    qmtest::WriteFileBytes(huge, LyingBitmap(30000, 30000));
    const std::string longer = temp.File("longer.bmp");
    qmtest::WriteFileBytes(longer, LyingBitmap(64, 64)); // 12 KB of pixels claimed, 100 there
    const std::string widest = temp.File("widest.bmp");
    qmtest::WriteFileBytes(widest, BitmapBytes(4096, 1));
    qmtest::WriteUserString(kToolbarKey, "BackBitmapIE5", huge);
    qmtest::WriteUserString(kToolbarKey, "BackBitmapShell", longer);
    ShowPage(); // silently: nothing is shown or asked
    EXPECT_EQ(Page().BrowserPicture(), nullptr);
    EXPECT_EQ(Page().ExplorerPicture(), nullptr);
    EXPECT_EQ(Text(kPageBackgrounds, IDC_TBIMAGEEDIT), huge);
    EXPECT_TRUE(dialogs.Shown().empty());

    dialogs.AnswerFileDialog(huge);
    dialogs.ExpectApplicationError(
        "The picture is too large: 30000 x 30000 pixels, more than 4096 x 4096.");
    Click(kPageBackgrounds, IDC_WEBACKGROUNDBROWSE);
    EXPECT_EQ(Page().ExplorerPicture(), nullptr);
    dialogs.AnswerFileDialog(longer);
    dialogs.ExpectApplicationError("Bitmap image is not valid.");
    Click(kPageBackgrounds, IDC_WEBACKGROUNDBROWSE);
    EXPECT_EQ(Page().ExplorerPicture(), nullptr);
    // The largest picture taken still loads.
    dialogs.AnswerFileDialog(widest);
    Click(kPageBackgrounds, IDC_WEBACKGROUNDBROWSE);
    EXPECT_NE(Page().ExplorerPicture(), nullptr);
}

} // namespace
