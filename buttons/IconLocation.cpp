#include "buttons/IconLocation.h"

namespace qm {
namespace {

std::string UpperAsciiCopy(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<int32_t> ConvertSignedInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) return std::nullopt; // no digits at all

    // Digits accumulate in 64 bits and stop the moment the value leaves the allowed range.
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        int digit =
            hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0) return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (value > limit) return std::nullopt;
    }
    uint32_t bits = static_cast<uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

uint16_t IconNumberFromText(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    if (first == last) return 0;
    std::optional<int32_t> value = ConvertSignedInteger(text);
    return value ? static_cast<uint16_t>(static_cast<uint32_t>(*value) & 0xFFFFu) : 0;
}

IconLocation ParseIconLocation(const std::string& location) {
    const std::string upper = UpperAsciiCopy(location);
    size_t extension = upper.find(".EXE");
    if (extension == std::string::npos) extension = upper.find(".DLL");
    if (extension != std::string::npos) {
        const size_t pathEnd = extension + 4;
        // The character right after the extension, whatever it is, separates the number.
        const size_t numberStart = pathEnd + 1;
        std::string numberText = numberStart < location.size() ? location.substr(numberStart) : "";
        return {IconLocationKind::Module, location.substr(0, pathEnd),
                IconNumberFromText(numberText)};
    }
    if (upper.find(".ICO") != std::string::npos) return {IconLocationKind::IconFile, location, 0};
    return {};
}

} // namespace qm
