#include "base/Integer.h"

namespace qm {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<int32_t> ParseSignedInteger(std::string_view text, HexMarks marks) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    unsigned base = 10;
    const bool bareX = marks == HexMarks::DollarXOr0x;
    if (i < text.size() && (text[i] == '$' || (bareX && (text[i] == 'x' || text[i] == 'X')))) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return std::nullopt; // no digits at all

    // Digits accumulate in 64 bits and stop the moment the value leaves the allowed range.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return std::nullopt;
        value = value * base + static_cast<uint64_t>(digit);
        if (value > limit) return std::nullopt;
    }
    uint32_t bits = static_cast<uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

} // namespace qm
