#pragma once
// Icon locations: the text by which a toolbar button names an icon, as the browser stores it
// in a button's "Icon" and "HotIcon" values. Either an icon file's path, or a program's or
// library's path, one separator character and an icon number (a resource identifier).
// Pure text handling: no Windows headers, so it also builds with the host compiler.

#include <cstdint>
#include <optional>
#include <string>

namespace qm {

enum class IconLocationKind {
    None,     // names no icon: neither ".EXE", ".DLL" nor ".ICO" in it
    Module,   // a program or library with an icon number
    IconFile, // an icon file; the whole text is its path
};

struct IconLocation {
    IconLocationKind kind = IconLocationKind::None;
    // The module path (cut right after its ".exe"/".dll") or the icon file's path.
    std::string path;
    // The module's icon resource identifier, 0 for its first icon.
    uint16_t number = 0;
};

// Classifies a location. The searches run on a copy upper-cased in the letters a to z only:
// the first ".EXE" makes a module location, else the first ".DLL"; the module path ends with
// that extension, the one character after it is skipped as the separator, and the rest is the
// number text (see IconNumberFromText). Otherwise ".ICO" anywhere makes an icon-file location.
IconLocation ParseIconLocation(const std::string& location);

// The icon number of a module location's number text: blank text (after removing blanks and
// control characters at both ends) is 0, text that does not convert is 0, otherwise the low
// 16 bits of the converted value, unsigned ("-1" gives 65535, "65536" gives 0).
uint16_t IconNumberFromText(const std::string& text);

} // namespace qm
