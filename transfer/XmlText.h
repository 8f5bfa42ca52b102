#pragma once
// Text for an XML attribute, exactly or not at all: every character XML 1.0 can carry is kept
// (markup characters as entities, tab and line ends as character references, so that a reader's
// attribute normalisation keeps them), and a text holding anything else is refused with the
// reason rather than changed. Knows nothing of Windows, so that it also builds with the host's
// compiler for its tests and fuzzing.

#include <string>
#include <string_view>

namespace qm::transfer {

enum class XmlRefusal {
    None,
    ControlCharacter, // U+0000 to U+001F other than tab, LF and CR
    NonCharacter,     // U+FFFE or U+FFFF
    Surrogate,        // a UTF-16 surrogate written as a character of its own
    BrokenUtf8,       // bytes that are no UTF-8 character
};

// Appends utf8 to out as attribute text; on a refusal out is left as it was.
XmlRefusal AppendXmlAttribute(std::string_view utf8, std::string& out);

} // namespace qm::transfer
