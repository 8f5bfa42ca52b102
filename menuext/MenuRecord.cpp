#include "menuext/MenuRecord.h"

#include "base/Integer.h"
#include "registry/KeyScope.h"

#include <cctype>
#include <cstdio>
#include <limits>

namespace qm {
namespace {

bool OpenEntry(RegistryAccessor& reg, const std::string& name) {
    reg.SetRoot(HKEY_CURRENT_USER);
    return IsUsableMenuName(name) && reg.OpenKey(MenuKeyPath(name), false);
}

} // namespace

std::string MenuKeyPath(const std::string& name) { return std::string(kMenuExtKey) + "\\" + name; }

bool IsUsableMenuName(const std::string& name) {
    return !name.empty() && name.find('\\') == std::string::npos;
}

std::string ContextsDecimalText(int32_t contexts) { return std::to_string(contexts); }

std::string ContextsHexText(int32_t contexts) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X",
                  static_cast<unsigned>(static_cast<uint32_t>(contexts)));
    return text;
}

std::vector<std::string> ListMenuNames(RegistryAccessor& reg) {
    reg.SetRoot(HKEY_CURRENT_USER);
    KeyScope keyScope(reg);
    if (!reg.OpenKey(kMenuExtKey, false)) return {};
    return reg.GetKeyNames();
}

bool IsQuillmereMenu(RegistryAccessor& reg, const std::string& name) {
    KeyScope keyScope(reg);
    return OpenEntry(reg, name) && reg.ValueExists(kMenuMarkerValue);
}

bool MenuExists(RegistryAccessor& reg, const std::string& name) {
    reg.SetRoot(HKEY_CURRENT_USER);
    return reg.KeyExists(MenuKeyPath(name));
}

std::string FreeMenuName(RegistryAccessor& reg, const std::string& base) {
    if (!MenuExists(reg, base)) return base;
    for (long long n = 1;; ++n) {
        std::string candidate = base + std::to_string(n / 10) + std::to_string(n % 10);
        if (!MenuExists(reg, candidate)) return candidate;
    }
}

void ReadMenuEntry(RegistryAccessor& reg, const std::string& name, const MenuEntryReader& reader) {
    KeyScope keyScope(reg);
    // A key that is gone reads as empty: the accessor then has no key open and every value is
    // absent.
    OpenEntry(reg, name);
    reader.script(reg.ReadString(kMenuScriptValue));
    reader.contexts(reg.ValueExists(kContextsValue) ? std::optional(reg.ReadInteger(kContextsValue))
                                                    : std::nullopt);
    reader.flags(reg.ValueExists(kFlagsValue) ? std::optional(reg.ReadInteger(kFlagsValue))
                                              : std::nullopt);
}

namespace {

int32_t IntegerFromValue(const std::string& name, const RawValue& value) {
    if (value.type != REG_DWORD || value.bytes.size() != 4) throw WrongDataType(name);
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = bits << 8 | static_cast<unsigned char>(value.bytes[i]);
    return static_cast<int32_t>(bits);
}

} // namespace

MenuValues ReadMenuRecord(RegistryAccessor& reg, const std::string& name, ShownValues& shown,
                          std::string& reading) {
    KeyScope keyScope(reg);
    OpenEntry(reg, name); // a key that is gone reads as empty: every value is absent
    MenuValues values;
    reading = kMenuScriptValue;
    values.script = shown.ReadText(reg, reading, values.scriptTooLong);
    reading = kContextsValue;
    if (const std::optional<RawValue>& stored = shown.Read(reg, reading))
        values.contexts = IntegerFromValue(reading, *stored);
    reading = kFlagsValue;
    if (const std::optional<RawValue>& stored = shown.Read(reg, reading))
        values.flags = IntegerFromValue(reading, *stored);
    reading.clear();
    return values;
}

std::vector<ValueEdit> MenuEdits(const ShownValues& shown, const std::optional<std::string>& script,
                                 const std::optional<std::string>& contextsDecimal,
                                 const std::optional<std::string>& flags) {
    std::vector<ValueEdit> edits;
    if (script)
        edits.push_back({kMenuScriptValue, TypedText(shown.Stored(kMenuScriptValue), *script)});
    const std::pair<const char*, const std::optional<std::string>*> integers[] = {
        {kContextsValue, &contextsDecimal}, {kFlagsValue, &flags}};
    for (const auto& [value, text] : integers) {
        if (!*text || (*text)->empty()) continue;
        if (std::optional<int32_t> parsed = ParseSignedInteger(**text, HexMarks::DollarOr0x)) {
            const uint32_t bits = static_cast<uint32_t>(*parsed);
            std::string bytes(4, '\0');
            for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(bits >> (8 * i) & 0xFF);
            edits.push_back({value, RawValue{REG_DWORD, bytes}});
        } else {
            edits.push_back(ValueEdit::Refused(value, **text));
        }
    }
    return edits;
}

bool OpenMenuEntry(RegistryAccessor& reg, const std::string& name) { return OpenEntry(reg, name); }

bool CreateMenuKey(RegistryAccessor& reg, const std::string& name) {
    reg.SetRoot(HKEY_CURRENT_USER);
    KeyScope keyScope(reg);
    return IsUsableMenuName(name) && reg.OpenKey(MenuKeyPath(name), true);
}

bool MarkMenu(RegistryAccessor& reg, const std::string& name) {
    KeyScope keyScope(reg);
    if (!OpenEntry(reg, name)) return false;
    try {
        reg.WriteString(kMenuMarkerValue, kMenuMarkerData);
        return true;
    } catch (const RegistryError&) {
        return false;
    }
}

bool RenameMenuKey(RegistryAccessor& reg, const std::string& oldName, const std::string& newName) {
    if (!IsUsableMenuName(oldName) || !IsUsableMenuName(newName)) return false;
    reg.SetRoot(HKEY_CURRENT_USER);
    reg.MoveKey(MenuKeyPath(oldName), MenuKeyPath(newName));
    return true;
}

bool DeleteMenuKey(RegistryAccessor& reg, const std::string& name) {
    if (!IsUsableMenuName(name)) return false;
    reg.SetRoot(HKEY_CURRENT_USER);
    return reg.DeleteKey(MenuKeyPath(name));
}

} // namespace qm
