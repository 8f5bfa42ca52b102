// The Group Policy file's attribute text over any bytes: a text is either refused, leaving the
// output as it was, or written so that it holds only characters XML can carry and reads back,
// entities replaced, as exactly the bytes given.
#include "transfer/XmlText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The attribute text with its entities and character references replaced; aborts on an "&"
// that starts none of those the writer uses.
std::string Unescape(std::string_view text) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'},   {"&gt;", '>'},   {"&quot;", '"'},
        {"&#9;", '\t'}, {"&#10;", '\n'}, {"&#13;", '\r'},
    };
    std::string plain;
    for (size_t at = 0; at < text.size();) {
        if (text[at] != '&') {
            plain += text[at++];
            continue;
        }
        bool known = false;
        for (const auto& [entity, c] : kEntities)
            if (text.substr(at, entity.size()) == entity) {
                plain += c;
                at += entity.size();
                known = true;
                break;
            }
        if (!known) std::abort();
    }
    return plain;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string out = "prefix";
    qm::transfer::XmlRefusal refusal = qm::transfer::AppendXmlAttribute(input, out);
    if (refusal != qm::transfer::XmlRefusal::None) {
        if (out != "prefix") std::abort();
        return 0;
    }
    std::string_view written = std::string_view(out).substr(6);
    for (size_t at = 0; at < written.size(); ++at) {
        auto byte = static_cast<unsigned char>(written[at]);
        // No control character, no markup character, no U+FFFE or U+FFFF, no surrogate.
        if (byte < 0x20 || byte == '<' || byte == '"') std::abort();
        if (byte == 0xEF && at + 2 < written.size() &&
            static_cast<unsigned char>(written[at + 1]) == 0xBF &&
            (static_cast<unsigned char>(written[at + 2]) & 0xFE) == 0xBE)
            std::abort();
        if (byte == 0xED && at + 1 < written.size() &&
            static_cast<unsigned char>(written[at + 1]) >= 0xA0)
            std::abort();
    }
    if (Unescape(written) != input) std::abort();
    return 0;
}
