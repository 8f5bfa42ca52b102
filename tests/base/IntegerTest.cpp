#include "base/Integer.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace {

using qm::HexMarks;

// One table for both readers: the Flags field of a menu entry (DollarOr0x) and an icon
// location's number (DollarXOr0x), which differ only in a bare "x".
struct Case {
    const char* text;
    std::optional<int32_t> flags; // HexMarks::DollarOr0x
    std::optional<int32_t> icon;  // HexMarks::DollarXOr0x
};

const Case kCases[] = {
    {"16", 16, 16},
    {"$10", 16, 16},
    {"0x10", 16, 16},
    {"0X1f", 31, 31},
    {"x10", std::nullopt, 16},
    {"X1f", std::nullopt, 31},
    {"-x10", std::nullopt, -16},
    {"   -5", -5, -5},
    {"  -12", -12, -12},
    {"+7", 7, 7},
    {"-$10", -16, -16},
    {"$FFFFFFFF", -1, -1},
    {"-$80000000", INT_MIN, INT_MIN},
    {"2147483647", INT_MAX, INT_MAX},
    {"-2147483648", INT_MIN, INT_MIN},
    {"0", 0, 0},
    {"2147483648", std::nullopt, std::nullopt},
    {"$100000000", std::nullopt, std::nullopt},
    {"abc", std::nullopt, std::nullopt},
    {"", std::nullopt, std::nullopt},
    {" ", std::nullopt, std::nullopt},
    {"+", std::nullopt, std::nullopt},
    {"-", std::nullopt, std::nullopt},
    {"$", std::nullopt, std::nullopt},
    {"x", std::nullopt, std::nullopt},
    {"0x", std::nullopt, std::nullopt},
    {"12 ", std::nullopt, std::nullopt},
    {"1 2", std::nullopt, std::nullopt},
    {"\t5", std::nullopt, std::nullopt},
    {"$1G", std::nullopt, std::nullopt},
    {"--1", std::nullopt, std::nullopt},
    {"+-1", std::nullopt, std::nullopt},
    {"0x-1", std::nullopt, std::nullopt},
    {"$ 1", std::nullopt, std::nullopt},
    {"10h", std::nullopt, std::nullopt},
    {"\xD9\xA1", std::nullopt, std::nullopt}, // an Arabic-Indic digit is no digit here
};

TEST(IntegerTest, ReadsWholeSignedThirtyTwoBitIntegersAsEachFieldTakesThem) {
    for (const Case& c : kCases) {
        EXPECT_EQ(qm::ParseSignedInteger(c.text, HexMarks::DollarOr0x), c.flags)
            << "flags \"" << c.text << '"';
        EXPECT_EQ(qm::ParseSignedInteger(c.text, HexMarks::DollarXOr0x), c.icon)
            << "icon \"" << c.text << '"';
    }
}

} // namespace
