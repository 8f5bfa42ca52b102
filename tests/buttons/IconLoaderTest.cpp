#include "buttons/IconLoader.h"

#include "buttons/IcoReader.h"

#include "IcoBuilder.h"
#include "support/ProgramTest.h"
#include "base/Handles.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <random>

namespace {

using qm::LoadIconFromLocation;
using qm::UniqueIcon;
using qmtest::Entry;
using qmtest::IcoFile;

// An icon as the window would draw it: its size and its pixels over a magenta background.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    bool operator==(const Picture&) const = default;
    uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
    }
};

void PrintTo(const Picture& picture, std::ostream* out) {
    *out << picture.width << "x" << picture.height << " icon";
    if (!picture.pixels.empty()) *out << " starting " << std::hex << picture.pixels[0] << std::dec;
}

Picture Draw(HICON icon) {
    Picture picture;
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return picture;
    qm::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectA(colour ? colour.get() : mask.get(), sizeof bitmap, &bitmap);
    picture.width = bitmap.bmWidth;
    picture.height = colour ? bitmap.bmHeight : bitmap.bmHeight / 2;

    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = picture.width;
    format.bmiHeader.biHeight = -picture.height; // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    qm::UniqueBitmap canvas(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, canvas.get());
    RECT all{0, 0, picture.width, picture.height};
    qm::UniqueBrush magenta(CreateSolidBrush(RGB(255, 0, 255)));
    FillRect(dc, &all, magenta.get());
    DrawIconEx(dc, 0, 0, icon, picture.width, picture.height, 0, nullptr, DI_NORMAL);
    GdiFlush();
    const uint32_t* first = static_cast<const uint32_t*>(bits);
    picture.pixels.assign(first, first + static_cast<size_t>(picture.width) * picture.height);
    SelectObject(dc, old);
    DeleteDC(dc);
    return picture;
}

Picture Load(const std::string& location) {
    UniqueIcon icon = LoadIconFromLocation(location);
    EXPECT_TRUE(icon) << location;
    return Draw(icon.get());
}

std::string SystemFolder() {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, length);
}

class IconLoaderTest : public qmtest::ProgramTest {
protected:
    const Picture error = Draw(qm::StockErrorIcon().get());
    const std::string shell32 = SystemFolder() + "\\shell32.dll";
    const std::string user32 = SystemFolder() + "\\user32.dll";

    // The icon with this resource identifier, read straight from the module's resources.
    Picture ResourceIcon(const std::string& module, int id) {
        HMODULE loaded = LoadLibraryExA(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        EXPECT_TRUE(loaded) << module;
        UniqueIcon icon(static_cast<HICON>(LoadImageA(loaded, MAKEINTRESOURCEA(id), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXICON),
                                                      GetSystemMetrics(SM_CYICON), 0)));
        FreeLibrary(loaded);
        return Draw(icon.get());
    }
};

TEST_F(IconLoaderTest, TheStockErrorIconIsTheErrorIconAndACopyTheCallerOwns) {
    EXPECT_EQ(error, Draw(LoadIconA(nullptr, MAKEINTRESOURCEA(32513))));
    EXPECT_NE(error, Draw(LoadIconA(nullptr, MAKEINTRESOURCEA(32512)))); // the application icon
    UniqueIcon a = qm::StockErrorIcon(), b = qm::StockErrorIcon();
    EXPECT_NE(a.get(), b.get());
    EXPECT_NE(a.get(), LoadIconA(nullptr, MAKEINTRESOURCEA(32513)));
    a.reset(); // destroying a copy leaves the shared icon drawable
    EXPECT_EQ(error, Draw(LoadIconA(nullptr, MAKEINTRESOURCEA(32513))));
}

// A file that is no icon, no module or none at all, and a module without the icon asked for:
// -1 is identifier 65535, which neither module has, and user32 has no icon 1 or 4 (neither the
// count ExtractIconA answers for 1 nor a null comes through).
TEST_F(IconLoaderTest, LocationsThatNameNoLoadableIconGiveTheStockErrorIcon) {
    qmtest::WriteFileBytes(temp.File("zoom.ico"), IcoFile({Entry(32, 32, 32, 0x00FF00)}));
    qmtest::WriteFileBytes(temp.File("picture.bmp"), "BM not really");
    qmtest::WriteFileBytes(temp.File("notes.exe"), "a text file named like a program");
    qmtest::WriteFileBytes(temp.File("notes.dll"), "");
    CreateDirectoryA(temp.File("folder.ico").c_str(), nullptr);
    CreateDirectoryA(temp.File("tools.exe").c_str(), nullptr);
    qmtest::WriteFileBytes(temp.File("tools.exe\\zoom.ico"),
                           qmtest::ReadFileBytes(temp.File("zoom.ico")));
    ASSERT_NE(Load(temp.File("zoom.ico")), error);

    for (const std::string& location :
         {std::string(), temp.Path(), temp.File("picture.bmp"), temp.File("missing.ico"),
          temp.File("folder.ico"), temp.File("zoom.ico") + ",0", temp.File("tools.exe\\zoom.ico"),
          temp.File("notes.exe"), temp.File("notes.exe,3"), temp.File("notes.dll"),
          temp.File("missing.dll,0"), SystemFolder() + "\\nothing.exe,1", shell32 + ",-1",
          shell32 + ",65535", user32 + ",1", user32 + ",4", user32 + ",-1"}) {
        EXPECT_EQ(Load(location), error) << location;
    }
}

TEST_F(IconLoaderTest, ModuleNumbersAreResourceIdentifiersWithZeroTheFirstIcon) {
    const Picture first = Load(shell32);
    ASSERT_NE(first, error);
    EXPECT_EQ(first.width, GetSystemMetrics(SM_CXICON));
    // A number of 0, no number, a lone separator and 65536 (which wraps to 0) all ask for the
    // first icon, and letter case does not matter.
    for (const char* suffix : {",0", ",", ";0", ",65536", ", 0", ",0 "})
        EXPECT_EQ(Load(shell32 + suffix), first) << suffix;
    EXPECT_EQ(Load(SystemFolder() + "\\SHELL32.Dll"), first);

    // 4 is the icon whose identifier is 4, not the fifth icon.
    const Picture four = Load(shell32 + ",4");
    EXPECT_NE(four, error);
    EXPECT_EQ(four, ResourceIcon(shell32, 4));
    EXPECT_EQ(Load(shell32 + ";$4"), four);

    // 1 is the icon whose identifier is 1, although ExtractIconA answers a count for it.
    const Picture one = Load(shell32 + ",1");
    EXPECT_NE(one, error);
    EXPECT_EQ(one, ResourceIcon(shell32, 1));
    EXPECT_EQ(one.width, GetSystemMetrics(SM_CXICON));

    // A module with fewer icons: its first one, also by 65536.
    EXPECT_NE(Load(user32 + ",0"), error);
    EXPECT_EQ(Load(user32 + ",65536"), Load(user32));

    // The first icon is the one the shell's index 0 gives.
    UniqueIcon shellFirst(ExtractIconA(nullptr, shell32.c_str(), 0));
    EXPECT_EQ(first, Draw(shellFirst.get()));
}

// A run of loads (a listing) keeps each module open between them: every location still gives
// its own icon, the second time as the first, as a load of its own gives it.
TEST_F(IconLoaderTest, ARunOfLoadsGivesEachLocationTheIconOfALoadOfItsOwn) {
    qmtest::WriteFileBytes(temp.File("zoom.ico"), IcoFile({Entry(32, 32, 32, 0x00FF00)}));
    qmtest::WriteFileBytes(temp.File("notes.dll"), "a text file named like a library");
    const std::vector<std::string> locations = {
        shell32 + ",4",        shell32 + ",1",           shell32,
        user32 + ",0",         shell32 + ",65535",       shell32 + ",5",
        temp.File("zoom.ico"), temp.File("notes.dll,3"), user32 + ",32516"};
    std::vector<Picture> alone;
    for (const std::string& location : locations) alone.push_back(Load(location));
    ASSERT_NE(alone[0], alone[3]);
    qm::IconLoads run;
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < locations.size(); ++i)
            EXPECT_EQ(Draw(run.Load(locations[i]).get()), alone[i]) << locations[i];
}

TEST_F(IconLoaderTest, AnIconFileGivesItsBestFittingImageAtItsOwnSize) {
    const int large = GetSystemMetrics(SM_CXICON);
    ASSERT_EQ(large, 32);
    qmtest::WriteFileBytes(temp.File("three.ico"),
                           IcoFile({Entry(16, 16, 32, 0xFF0000), Entry(32, 32, 32, 0x00FF00),
                                    Entry(48, 48, 32, 0x0000FF)}));
    Picture three = Load(temp.File("Three.IcO"));
    EXPECT_EQ(three.width, 32);
    EXPECT_EQ(three.At(16, 16), 0x00FF00u);

    // No 32-pixel image: 16 and 48 fit as well, the first one listed wins; drawn unscaled.
    qmtest::WriteFileBytes(temp.File("two.ico"),
                           IcoFile({Entry(48, 48, 32, 0x0000FF), Entry(16, 16, 32, 0xFF0000)}));
    Picture two = Load(temp.File("two.ico"));
    EXPECT_EQ(two.width, 48);
    EXPECT_EQ(two.At(40, 40), 0x0000FFu);

    // Depths: a 4-bit and an 8-bit image of the same size, the deeper one is nearer.
    qmtest::WriteFileBytes(temp.File("depths.ico"),
                           IcoFile({Entry(32, 32, 4, 0x800000), Entry(32, 32, 8, 0x008000)}));
    EXPECT_EQ(Load(temp.File("depths.ico")).At(5, 5), 0x008000u);

    // A PNG-compressed image.
    std::string png = qmtest::ReadFileBytes(QM_TEST_DATA_DIR "\\blue48.png");
    ASSERT_FALSE(png.empty());
    qmtest::WriteFileBytes(temp.File("png.ico"), IcoFile({qmtest::IcoEntry{png, 48, 48, 32}}));
    Picture fromPng = Load(temp.File("png.ico"));
    EXPECT_EQ(fromPng.width, 48);
    EXPECT_EQ(fromPng.At(24, 24), 0x2040C0u);
}

TEST_F(IconLoaderTest, DamagedIconFilesGiveTheStockErrorIcon) {
    const qmtest::IcoEntry good = Entry(32, 32, 32, 0x00FF00);
    std::string file = IcoFile({good});
    std::vector<std::pair<const char*, std::string>> damaged = {
        {"empty", ""},
        {"bad header", IcoFile({good}, 2)},
        {"zero entries", IcoFile({})},
        {"truncated image", file.substr(0, file.size() - 100)},
        {"not an icon at all", std::string(5000, '\xFF')},
    };
    qmtest::IcoEntry past = good;
    past.offsetOverride = 100000;
    damaged.emplace_back("entry past the end", IcoFile({past}));
    qmtest::IcoEntry shortPng{qmtest::PngHead(32, 32, 6) + "garbage, no image data", 32, 32, 32};
    damaged.emplace_back("PNG without image data", IcoFile({shortPng}));

    for (const auto& [what, bytes] : damaged) {
        qmtest::WriteFileBytes(temp.File("damaged.ico"), bytes);
        EXPECT_EQ(Load(temp.File("damaged.ico")), error) << what;
    }
}

TEST_F(IconLoaderTest, RandomlyDamagedIconFilesStillGiveAnIcon) {
    const std::string good = IcoFile(
        {Entry(16, 16, 4, 0xFF0000), Entry(32, 32, 32, 0x00FF00), Entry(48, 48, 8, 0x0000FF)});
    std::mt19937 random(7); // fixed, so a failure can be replayed
    for (int round = 0; round < 300; ++round) {
        std::string file = good;
        for (int d = 0; d < 4; ++d) {
            // Damage the directory and image headers, where the sizes and offsets live.
            const size_t at = random() % 120 < 60 ? random() % 60 : random() % file.size();
            file[at] = static_cast<char>(random());
        }
        qmtest::WriteFileBytes(temp.File("random.ico"), file);
        UniqueIcon icon = LoadIconFromLocation(temp.File("random.ico"));
        ASSERT_TRUE(icon) << "round " << round;
        ASSERT_GT(Draw(icon.get()).width, 0) << "round " << round;
    }
}

TEST_F(IconLoaderTest, EveryIconHandedOutIsOwnedAndReleasedByItsOwner) {
    qmtest::WriteFileBytes(temp.File("one.ico"), IcoFile({Entry(32, 32, 32, 0x00FF00)}));
    const long before = UniqueIcon::LiveCount();
    {
        std::vector<UniqueIcon> icons;
        for (int i = 0; i < 50; ++i) {
            for (const std::string& location :
                 {shell32 + ",4", shell32 + ",1", temp.File("one.ico"), std::string("nothing")})
                icons.push_back(LoadIconFromLocation(location));
        }
        EXPECT_EQ(UniqueIcon::LiveCount(), before + 200);
        for (const UniqueIcon& icon : icons) EXPECT_TRUE(icon);
    }
    EXPECT_EQ(UniqueIcon::LiveCount(), before);
    EXPECT_EQ(Draw(LoadIconA(nullptr, MAKEINTRESOURCEA(32513))), error);
}

} // namespace

namespace {

// The pictures new buttons get: each file offers 16, 20, 32 and 48 pixels in 32-bit colour,
// and loads as a 32-pixel icon with a transparent surround and an opaque middle.
TEST_F(IconLoaderTest, TheShippedTemplateIconsLoadWithTransparentSurrounds) {
    for (const char* name : {"qmbar", "marker", "zoom"}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(QM_DIST_DIR) + "\\Images\\Icons\\" + name + ".ico";
        std::optional<std::vector<qm::IcoImage>> images =
            qm::ReadIcoDirectory(qmtest::ReadFileBytes(path));
        ASSERT_TRUE(images.has_value());
        std::vector<int> sizes;
        for (const qm::IcoImage& image : *images) {
            EXPECT_EQ(image.bitCount, 32);
            EXPECT_EQ(image.width, image.height);
            sizes.push_back(image.width);
        }
        EXPECT_EQ(sizes, (std::vector<int>{48, 32, 20, 16}));

        Picture picture = Load(path);
        ASSERT_EQ(picture.width, 32);
        EXPECT_NE(picture, error);
        EXPECT_EQ(picture.At(0, 0), 0xFF00FFu); // the background shows through
        EXPECT_NE(picture.At(14, 14), 0xFF00FFu);
    }
    for (const char* page : {"hello.htm", "hlsel.htm", "zoomsel.htm"}) {
        std::string text = qmtest::ReadFileBytes(std::string(QM_DIST_DIR) + "\\Serv\\" + page);
        EXPECT_NE(text.find("external.menuArguments"), std::string::npos) << page;
    }
}

} // namespace
