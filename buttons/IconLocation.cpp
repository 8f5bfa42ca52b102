#include "buttons/IconLocation.h"

#include "base/Integer.h"

namespace qm {
namespace {

std::string UpperAsciiCopy(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

} // namespace

uint16_t IconNumberFromText(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    if (first == last) return 0;
    std::optional<int32_t> value = ParseSignedInteger(text, HexMarks::DollarXOr0x);
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
