#include "transfer/XmlText.h"

#include <cstdint>

namespace qm::transfer {
namespace {

// Decodes one UTF-8 character at text[at] into code and its length; false for bytes that are
// no shortest-form character (a surrogate's three bytes do decode: the caller refuses them).
bool Decode(std::string_view text, size_t at, uint32_t& code, size_t& length) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80) {
        code = lead;
        length = 1;
        return true;
    }
    uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (at + length > text.size()) return false;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return false;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    return code >= minimum && code <= 0x10FFFF;
}

} // namespace

XmlRefusal AppendXmlAttribute(std::string_view utf8, std::string& out) {
    std::string escaped;
    escaped.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        uint32_t code = 0;
        size_t length = 0;
        if (!Decode(utf8, at, code, length)) return XmlRefusal::BrokenUtf8;
        if (code >= 0xD800 && code <= 0xDFFF) return XmlRefusal::Surrogate;
        if (code == 0xFFFE || code == 0xFFFF) return XmlRefusal::NonCharacter;
        switch (code) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\t': escaped += "&#9;"; break;
        case '\n': escaped += "&#10;"; break;
        case '\r': escaped += "&#13;"; break;
        default:
            if (code < 0x20) return XmlRefusal::ControlCharacter;
            escaped.append(utf8.substr(at, length));
        }
        at += length;
    }
    out += escaped;
    return XmlRefusal::None;
}

} // namespace qm::transfer
