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
    // at most kMaxFieldText characters (tooLong tells whether it was cut). A value of another
    // type fails as RegistryAccessor::ReadString does.
    std::string ReadText(const RegistryAccessor& registry, const std::string& name, bool& tooLong);
    // Remembers a value as shown without reading it (a record the page has just made).
    void Remember(const std::string& name, std::optional<RawValue> value, bool exact = true);
    // False when the value's text held characters the program's code page could not show: a
    // field edited over it would write back what the user never saw.
    bool Exact(const std::string& name) const;

    // The value as it was shown; nothing when it was absent or not remembered.
    const std::optional<RawValue>& Stored(const std::string& name) const;

    // The names of the remembered values that the accessor's open key now holds differently
    // (changed, made or deleted since they were shown), in the order they were remembered.
    std::vector<std::string> ChangedIn(const RegistryAccessor& registry) const;

private:
    struct Shown {
        std::string name;
        std::optional<RawValue> stored;
        bool exact = true;
    };
    std::vector<Shown> values_;
};

// The value itself, or nothing when the open key has no value of that name.
std::optional<RawValue> ReadStored(const RegistryAccessor& registry, const std::string& name);

// The value to store for a text the user typed over a value stored as `stored`: an expandable
// value stays expandable, anything else becomes a plain string.
RawValue TypedText(const std::optional<RawValue>& stored, const std::string& text);

} // namespace qm
