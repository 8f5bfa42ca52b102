// The bitmap header check, on bytes alone: it builds with the host compiler too (scripts/check-pure).
#include "appearance/BmpReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// A bitmap file's header with an info header of the given size; colour table and pixels are
// not included: the check is told the file's size separately.
struct Header {
    uint32_t infoSize = 40;
    int32_t width = 8;
    int32_t height = 4;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    uint32_t coloursUsed = 0;
    uint32_t pixelOffset = 54;

    std::string Bytes() const {
        std::string bytes = "BM";
        auto put = [&](uint32_t value, int size) {
            for (int i = 0; i < size; ++i)
                bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        };
        put(0, 4); // the file size field, which loaders ignore
        put(0, 4);
        put(pixelOffset, 4);
        put(infoSize, 4);
        if (infoSize == 12) {
            put(static_cast<uint32_t>(width), 2);
            put(static_cast<uint32_t>(height), 2);
            put(planes, 2);
            put(bitCount, 2);
            return bytes;
        }
        put(static_cast<uint32_t>(width), 4);
        put(static_cast<uint32_t>(height), 4);
        put(planes, 2);
        put(bitCount, 2);
        put(compression, 4);
        put(imageSize, 4);
        put(2835, 4);
        put(2835, 4);
        put(coloursUsed, 4);
        put(0, 4);
        bytes.resize(14 + infoSize, '\0');
        return bytes;
    }
};

// The size of a file holding the header, its colour table and exactly its pixels.
uint64_t WholeFile(const Header& h) {
    uint64_t stride = (static_cast<uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
    uint64_t rows =
        static_cast<uint64_t>(h.height < 0 ? -static_cast<int64_t>(h.height) : h.height);
    return h.pixelOffset + stride * rows;
}

TEST(BmpReaderTest, AcceptsTheBitmapsThePlatformDraws) {
    struct Case {
        const char* what;
        Header header;
    };
    Header topDown;
    topDown.height = -4;
    Header palette;
    palette.bitCount = 8;
    palette.pixelOffset = 54 + 256 * 4;
    Header fewColours;
    fewColours.bitCount = 4;
    fewColours.coloursUsed = 3;
    fewColours.pixelOffset = 54 + 3 * 4;
    Header core;
    core.infoSize = 12;
    core.bitCount = 1;
    core.pixelOffset = 26 + 2 * 3;
    Header fields;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.pixelOffset = 54 + 12;
    Header version5;
    version5.infoSize = 124;
    version5.bitCount = 32;
    version5.compression = 3;
    version5.pixelOffset = 138;
    Header largest;
    largest.width = 4096;
    largest.height = -4096;
    largest.bitCount = 32;
    for (const Case& c :
         {Case{"24 bits", Header{}}, Case{"top-down", topDown},
          Case{"8 bits with a full table", palette}, Case{"4 bits with 3 colours", fewColours},
          Case{"core header", core}, Case{"16-bit masks", fields},
          Case{"version 5 header", version5}, Case{"4096 x 4096", largest}}) {
        qm::BmpCheck check = qm::CheckBmpHeader(c.header.Bytes(), WholeFile(c.header));
        EXPECT_TRUE(check.ok) << c.what;
        EXPECT_EQ(check.problem, qm::BmpProblem::None) << c.what;
        EXPECT_EQ(check.header.width, c.header.width) << c.what;
        EXPECT_EQ(check.header.height, c.header.height < 0 ? -c.header.height : c.header.height)
            << c.what;
        EXPECT_EQ(check.header.topDown, c.header.height < 0) << c.what;
    }
    // RLE pictures: their pixel count is the stored image size.
    Header rle;
    rle.bitCount = 8;
    rle.compression = 1;
    rle.imageSize = 100;
    rle.pixelOffset = 54 + 1024;
    EXPECT_TRUE(qm::CheckBmpHeader(rle.Bytes(), 54 + 1024 + 100).ok);
    EXPECT_FALSE(qm::CheckBmpHeader(rle.Bytes(), 54 + 1024 + 99).ok);
}

TEST(BmpReaderTest, RefusesHeadersThatClaimMoreThanTheFileHoldsOrTooLargeAPicture) {
    Header huge;
    huge.width = 30000;
    huge.height = 30000;
    qm::BmpCheck check = qm::CheckBmpHeader(huge.Bytes(), 154);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(check.problem, qm::BmpProblem::TooLarge);
    EXPECT_EQ(check.claimedWidth, 30000);
    EXPECT_EQ(check.claimedHeight, 30000);
    // Too large even when the file really holds the pixels.
    EXPECT_FALSE(qm::CheckBmpHeader(huge.Bytes(), WholeFile(huge)).ok);

    struct Case {
        const char* what;
        Header header;
        int64_t sizeChange = 0; // added to the whole file's size
    };
    auto with = [](auto change) {
        Header h;
        change(h);
        return h;
    };
    const Case cases[] = {
        {"one byte of pixels missing", Header{}, -1},
        {"4097 wide", with([](Header& h) { h.width = 4097; })},
        {"4097 high, top-down", with([](Header& h) { h.height = -4097; })},
        {"lowest height", with([](Header& h) { h.height = INT32_MIN; })},
        {"no width", with([](Header& h) { h.width = 0; })},
        {"negative width", with([](Header& h) { h.width = -8; })},
        {"no height", with([](Header& h) { h.height = 0; })},
        {"two planes", with([](Header& h) { h.planes = 2; })},
        {"7 bits", with([](Header& h) { h.bitCount = 7; })},
        {"unknown header size", with([](Header& h) { h.infoSize = 64; })},
        {"PNG inside", with([](Header& h) { h.compression = 5; })},
        {"RLE8 at 24 bits", with([](Header& h) {
             h.compression = 1;
             h.imageSize = 10;
         })},
        {"more colours than bits", with([](Header& h) {
             h.bitCount = 1;
             h.coloursUsed = 3;
             h.pixelOffset = 66;
         })},
        {"pixels inside the colour table", with([](Header& h) {
             h.bitCount = 8;
             h.pixelOffset = 60;
         })},
        {"pixels before the header ends", with([](Header& h) { h.pixelOffset = 20; })},
        {"pixels past the end", with([](Header& h) { h.pixelOffset = 0xFFFFFFF0u; }),
         -0xFFFFFF00LL},
    };
    for (const Case& c : cases) {
        const uint64_t size =
            static_cast<uint64_t>(static_cast<int64_t>(WholeFile(c.header)) + c.sizeChange);
        qm::BmpCheck result = qm::CheckBmpHeader(c.header.Bytes(), size);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_NE(result.problem, qm::BmpProblem::None) << c.what;
    }
}

TEST(BmpReaderTest, RefusesShortAndForeignFilesWithoutReadingPastThem) {
    const std::string whole = Header{}.Bytes();
    for (size_t length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(qm::CheckBmpHeader(whole.substr(0, length), length).ok) << length;
    // The bytes given are more than the file: only the file's own count.
    EXPECT_FALSE(qm::CheckBmpHeader(whole, 30).ok);
    EXPECT_FALSE(qm::CheckBmpHeader("GIF89a" + std::string(60, '\0'), 66).ok);
    EXPECT_FALSE(qm::CheckBmpHeader("", 0).ok);
}

} // namespace
