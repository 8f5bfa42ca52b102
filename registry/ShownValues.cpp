#include "registry/ShownValues.h"

namespace qm {

std::optional<RawValue> ReadStored(const RegistryAccessor& registry, const std::string& name) {
    if (!registry.ValueExists(name)) return std::nullopt;
    try {
        return registry.ReadRaw(name);
    } catch (const RegistryError&) {
        return std::nullopt; // deleted between the two questions
    }
}

const std::optional<RawValue>& ShownValues::Read(const RegistryAccessor& registry,
                                                 const std::string& name) {
    Remember(name, ReadStored(registry, name));
    return Stored(name);
}

std::string ShownValues::ReadText(const RegistryAccessor& registry, const std::string& name,
                                  bool& tooLong) {
    StoredText text = registry.ReadText(name);
    Remember(name, text.present ? std::optional<RawValue>(text.stored) : std::nullopt, text.exact);
    tooLong = text.text.size() > kMaxFieldText;
    if (tooLong) text.text.resize(kMaxFieldText);
    return text.text;
}

void ShownValues::Remember(const std::string& name, std::optional<RawValue> value, bool exact) {
    for (Shown& shown : values_) {
        if (shown.name == name) {
            shown.stored = std::move(value);
            shown.exact = exact;
            return;
        }
    }
    values_.push_back({name, std::move(value), exact});
}

const std::optional<RawValue>& ShownValues::Stored(const std::string& name) const {
    static const std::optional<RawValue> absent;
    for (const Shown& shown : values_)
        if (shown.name == name) return shown.stored;
    return absent;
}

bool ShownValues::Exact(const std::string& name) const {
    for (const Shown& shown : values_)
        if (shown.name == name) return shown.exact;
    return true;
}

std::vector<std::string> ShownValues::ChangedIn(const RegistryAccessor& registry) const {
    std::vector<std::string> changed;
    for (const Shown& shown : values_)
        if (ReadStored(registry, shown.name) != shown.stored) changed.push_back(shown.name);
    return changed;
}

RawValue TypedText(const std::optional<RawValue>& stored, const std::string& text) {
    DWORD type = stored && stored->type == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ;
    return RawValue{type, text + '\0'};
}

} // namespace qm
