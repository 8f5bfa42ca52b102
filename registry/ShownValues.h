#pragma once
// What a page showed of one record's values, exactly as they were stored when it showed them.
// A page's save uses it to write only what the user changed (every other value keeps its type
// and bytes), to keep an expandable value expandable, and to notice that another program (or
// another copy of this one) changed the record in the registry since it was shown.

#include "registry/RegistryAccessor.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// The longest stored text a field shows. Longer texts are shown in part, cannot be edited and
// stay as stored on Save: a field holding megabytes makes every showing crawl.
inline constexpr size_t kMaxFieldText = 32 * 1024;

class ShownValues {
public:
    // Forgets everything: no record is shown.
    void Clear() { values_.clear(); }

    // Reads a value of the accessor's open key and remembers it as shown; nothing when absent.
    const std::optional<RawValue>& Read(const RegistryAccessor& registry, const std::string& name);
    // Reads a text value of the open key, remembers it, and gives the text its field shows:
    // at most kMaxFieldText bytes, cut before a character, never inside one (tooLong tells
    // whether it was cut). A value of another type fails as RegistryAccessor::ReadString does.
    // A value too long to show is never an edit, so only its type is kept, not its bytes.
    std::string ReadText(const RegistryAccessor& registry, const std::string& name, bool& tooLong);
    // Remembers a value as shown without reading it (a record the page has just made, or a
    // value a save has just written).
    void Remember(const std::string& name, std::optional<RawValue> value, bool exact = true);
    // False when the value's text held characters the program's code page could not show: a
    // field edited over it would write back what the user never saw.
    bool Exact(const std::string& name) const;
    // Whether the value was too long for its field: shown in part, read-only, never written.
    bool TooLong(const std::string& name) const;

    // The value as it was shown; nothing when it was absent or not remembered.
    const std::optional<RawValue>& Stored(const std::string& name) const;
    // Whether the value was present when it was shown.
    bool Present(const std::string& name) const { return Stored(name).has_value(); }
    // The text a field shows for the value: up to its first NUL, at most kMaxFieldText bytes,
    // "" when absent or empty.
    const std::string& Text(const std::string& name) const;

private:
    struct Shown {
        std::string name;
        std::optional<RawValue> stored;
        std::string text;
        bool exact = true;
        bool tooLong = false;
    };
    Shown& Entry(const std::string& name);
    const Shown* Find(const std::string& name) const;
    std::vector<Shown> values_;
};

// The value itself, or nothing when the open key has no value of that name.
std::optional<RawValue> ReadStored(const RegistryAccessor& registry, const std::string& name);

// Cuts a text to at most `limit` bytes, before a UTF-8 character rather than inside one; true
// when it was cut.
bool CutAtCharacter(std::string& text, size_t limit);

// The value to store for a text the user typed over a value stored as `stored`: an expandable
// value stays expandable, anything else becomes a plain string.
RawValue TypedText(const std::optional<RawValue>& stored, const std::string& text);

} // namespace qm
