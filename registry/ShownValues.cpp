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

bool CutAtCharacter(std::string& text, size_t limit) {
    if (text.size() <= limit) return false;
    size_t end = limit;
    // Back to the first byte of a UTF-8 character, so that the field shows whole characters.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return true;
}

const std::optional<RawValue>& ShownValues::Read(const RegistryAccessor& registry,
                                                 const std::string& name) {
    Remember(name, ReadStored(registry, name));
    return Stored(name);
}

std::string ShownValues::ReadText(const RegistryAccessor& registry, const std::string& name,
                                  bool& tooLong) {
    StoredText text = registry.ReadText(name);
    Shown& shown = Entry(name);
    shown.stored = text.present ? std::optional<RawValue>(std::move(text.stored)) : std::nullopt;
    shown.exact = text.exact;
    shown.tooLong = tooLong = CutAtCharacter(text.text, kMaxFieldText);
    if (tooLong) shown.stored->bytes.clear(); // never written back: its type is enough
    shown.text = std::move(text.text);
    return shown.text;
}

void ShownValues::Remember(const std::string& name, std::optional<RawValue> value, bool exact) {
    Shown& shown = Entry(name);
    shown.text = value && (value->type == REG_SZ || value->type == REG_EXPAND_SZ)
                     ? value->bytes.substr(0, value->bytes.find('\0'))
                     : std::string();
    CutAtCharacter(shown.text, kMaxFieldText);
    shown.stored = std::move(value);
    shown.exact = exact;
    shown.tooLong = false;
}

ShownValues::Shown& ShownValues::Entry(const std::string& name) {
    for (Shown& shown : values_)
        if (shown.name == name) return shown;
    values_.push_back({name, std::nullopt, {}, true, false});
    return values_.back();
}

const ShownValues::Shown* ShownValues::Find(const std::string& name) const {
    for (const Shown& shown : values_)
        if (shown.name == name) return &shown;
    return nullptr;
}

const std::optional<RawValue>& ShownValues::Stored(const std::string& name) const {
    static const std::optional<RawValue> absent;
    const Shown* shown = Find(name);
    return shown ? shown->stored : absent;
}

const std::string& ShownValues::Text(const std::string& name) const {
    static const std::string none;
    const Shown* shown = Find(name);
    return shown ? shown->text : none;
}

bool ShownValues::Exact(const std::string& name) const {
    const Shown* shown = Find(name);
    return !shown || shown->exact;
}

bool ShownValues::TooLong(const std::string& name) const {
    const Shown* shown = Find(name);
    return shown && shown->tooLong;
}

RawValue TypedText(const std::optional<RawValue>& stored, const std::string& text) {
    DWORD type = stored && stored->type == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ;
    return RawValue{type, text + '\0'};
}

} // namespace qm
