#include "buttons/IcoReader.h"

#include "IcoBuilder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using qmtest::Entry;
using qmtest::IcoEntry;
using qmtest::IcoFile;

struct ChoiceCase {
    const char* what;
    int width, height, depth;
    size_t expected;
};

TEST(IcoReaderTest, ChoosesTheImageThePlatformLookupWouldChoose) {
    const std::string file = IcoFile({Entry(16, 16, 32, 0xFF0000), Entry(32, 32, 8, 0x00FF00),
                                      Entry(32, 32, 32, 0x0000FF), Entry(48, 48, 32, 0xFFFF00)});
    const ChoiceCase cases[] = {
        {"exact size and depth", 32, 32, 32, 2},
        {"exact size, fewer colours", 32, 32, 8, 1},
        {"nearest depth", 32, 32, 4, 1},
        {"larger size", 48, 48, 32, 3},
        {"smaller size", 16, 16, 8, 0},
        {"between 16 and 32: the first of equal fits", 24, 24, 32, 0},
        // 32 and 48 fit equally well; then depth decides among every image that fits as well.
        {"between 32 and 48", 40, 40, 32, 2},
        {"far larger", 256, 256, 32, 3},
    };
    for (const ChoiceCase& c : cases) {
        std::optional<qm::IcoImage> best = qm::BestIcoImage(file, c.width, c.height, c.depth);
        ASSERT_TRUE(best.has_value()) << c.what;
        EXPECT_EQ(best->index, c.expected) << c.what;
    }
}

TEST(IcoReaderTest, OnlyImagesWithTheFirstBestWidthAndHeightDifferencesCompeteOnDepth) {
    // Both differ from 32 x 32 by 16 in all, but split differently: the first sets the split,
    // so the 8-bit image wins although the other has the wanted depth.
    const std::string file = IcoFile({Entry(24, 40, 8, 0xFF0000), Entry(16, 32, 32, 0x00FF00)});
    EXPECT_EQ(qm::BestIcoImage(file, 32, 32, 32)->index, 0u);
}

TEST(IcoReaderTest, ReadsBitmapAndPngImagesWithTheirSizesAndDepths) {
    IcoEntry pngAlpha{qmtest::PngHead(64, 64, 6) + std::string(40, 'x'), 64, 64, 32};
    IcoEntry pngRgb{qmtest::PngHead(256, 256, 2) + "rest", 0, 0, 24};
    const std::string file = IcoFile({Entry(20, 20, 4, 0x123456), Entry(48, 48, 24, 0x654321),
                                      Entry(33, 17, 1, 0), pngAlpha, pngRgb});
    std::optional<std::vector<qm::IcoImage>> images = qm::ReadIcoDirectory(file);
    ASSERT_TRUE(images.has_value());
    ASSERT_EQ(images->size(), 5u);
    const int expected[5][4] = {
        {20, 20, 4, 0}, {48, 48, 24, 0}, {33, 17, 1, 0}, {64, 64, 32, 1}, {256, 256, 24, 1}};
    for (size_t i = 0; i < 5; ++i) {
        const qm::IcoImage& image = (*images)[i];
        EXPECT_EQ(image.index, i);
        EXPECT_EQ(image.width, expected[i][0]) << i;
        EXPECT_EQ(image.height, expected[i][1]) << i;
        EXPECT_EQ(image.bitCount, expected[i][2]) << i;
        EXPECT_EQ(image.png, expected[i][3] == 1) << i;
        EXPECT_LE(image.offset + image.size, file.size());
    }
}

// A file that is broken in one way, and how many usable images remain (-1: not an icon file).
struct BrokenCase {
    const char* what;
    std::string file;
    int usable;
};

std::vector<BrokenCase> BrokenFiles() {
    const IcoEntry good = Entry(32, 32, 32, 0x00FF00);
    std::vector<BrokenCase> cases;
    auto add = [&](const char* what, std::string file, int usable) {
        cases.push_back({what, std::move(file), usable});
    };
    add("empty file", "", -1);
    add("shorter than a header", std::string("\0\0\1\0\1", 5), -1);
    add("reserved word set", IcoFile({good}, 1, 1), -1);
    add("cursor file", IcoFile({good}, 2), -1);
    add("bitmap file", "BM" + IcoFile({good}).substr(2), -1);
    add("zero entries", IcoFile({}), -1);
    std::string shortDirectory = IcoFile({good});
    shortDirectory[4] = 9; // nine entries announced, one present
    add("directory past the end", shortDirectory.substr(0, 6 + 16 * 2), -1);

    IcoEntry e = good;
    e.offsetOverride = 1 << 20;
    add("entry starting past the end", IcoFile({e}), 0);
    e = good;
    e.sizeOverride = static_cast<int64_t>(good.image.size()) + 1;
    add("entry ending past the end", IcoFile({e}), 0);
    e = good;
    e.offsetOverride = 0xFFFFFFF0;
    e.sizeOverride = 0x20; // offset + size wraps around 32 bits
    add("entry whose end wraps around", IcoFile({e}), 0);
    e = good;
    e.offsetOverride = 2;
    add("entry inside the directory", IcoFile({e}), 0);
    e = good;
    e.sizeOverride = 0;
    add("entry of no bytes", IcoFile({e}), 0);
    add("truncated file", IcoFile({good}).substr(0, 22 + good.image.size() / 2), 0);
    e = good;
    e.sizeOverride = static_cast<int64_t>(good.image.size()) - 1;
    add("image cut short by its entry", IcoFile({e}), 0);

    auto withHeader = [&](size_t at, uint32_t value, int width = 4) {
        IcoEntry bent = good;
        for (int i = 0; i < width; ++i)
            bent.image[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
        return IcoFile({bent});
    };
    add("header size 0", withHeader(0, 0), 0);
    add("header larger than the image", withHeader(0, 0x7FFFFFFF), 0);
    add("negative width", withHeader(4, 0xFFFFFFE0), 0);
    add("zero height", withHeader(8, 0), 0);
    add("height above 256", withHeader(8, 2 * 300), 0);
    add("huge width", withHeader(4, 0x40000000), 0);
    add("two planes", withHeader(12, 2, 2), 0);
    add("7 bits per pixel", withHeader(14, 7, 2), 0);
    add("run-length compressed", withHeader(16, 1), 0);
    add("four billion palette colours", withHeader(32, 0xFFFFFFFF), 0);

    IcoEntry png{qmtest::PngHead(48, 48, 6), 48, 48, 32};
    png.image[12] = 'X'; // the first chunk is no IHDR
    add("PNG without IHDR", IcoFile({png}), 0);
    png = {qmtest::PngHead(0, 48, 6), 48, 48, 32};
    add("PNG of width 0", IcoFile({png}), 0);
    png = {qmtest::PngHead(48, 48, 6).substr(0, 20), 48, 48, 32};
    add("PNG cut in its header", IcoFile({png}), 0);

    add("one broken and one good entry", IcoFile({IcoEntry{std::string(8, 'z'), 16, 16, 32}, good}),
        1);
    return cases;
}

TEST(IcoReaderTest, BrokenFilesYieldNoImageAndAreNeverReadPastTheirEnd) {
    for (const BrokenCase& c : BrokenFiles()) {
        SCOPED_TRACE(c.what);
        std::optional<std::vector<qm::IcoImage>> images = qm::ReadIcoDirectory(c.file);
        if (c.usable < 0) {
            EXPECT_FALSE(images.has_value());
            EXPECT_FALSE(qm::BestIcoImage(c.file, 32, 32, 32).has_value());
            continue;
        }
        ASSERT_TRUE(images.has_value());
        EXPECT_EQ(images->size(), static_cast<size_t>(c.usable));
        EXPECT_EQ(qm::BestIcoImage(c.file, 32, 32, 32).has_value(), c.usable > 0);
    }
}

TEST(IcoReaderTest, RandomlyDamagedFilesOnlyYieldImagesInsideTheFile) {
    const std::string good = IcoFile({Entry(16, 16, 4, 0xFF0000), Entry(32, 32, 32, 0x00FF00),
                                      IcoEntry{qmtest::PngHead(48, 48, 6) + "IDATxx", 48, 48, 32}});
    std::mt19937 random(20240613); // fixed, so a failure can be replayed
    for (int round = 0; round < 20000; ++round) {
        std::string file = good;
        const int damages = 1 + static_cast<int>(random() % 8);
        for (int d = 0; d < damages; ++d) {
            const size_t at = random() % file.size();
            switch (random() % 3) {
            case 0: file[at] = static_cast<char>(random()); break;
            case 1: file[at] = static_cast<char>(random() % 2 ? 0xFF : 0x00); break;
            default: file.resize(at + 1); break;
            }
        }
        std::optional<std::vector<qm::IcoImage>> images = qm::ReadIcoDirectory(file);
        if (!images) continue;
        for (const qm::IcoImage& image : *images) {
            ASSERT_LE(image.offset + image.size, file.size()) << "round " << round;
            const size_t count = static_cast<uint8_t>(file[4]) | static_cast<uint8_t>(file[5]) << 8;
            ASSERT_GE(image.offset, 6 + 16 * count);
            ASSERT_GT(image.width, 0);
            ASSERT_LE(image.width, 256);
        }
        qm::ChooseIcoImage(*images, 32, 32, 32);
    }
}

} // namespace
