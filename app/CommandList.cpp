#include "app/CommandList.h"

#include "buttons/ButtonPlace.h"
#include "buttons/ButtonRecord.h"
#include "buttons/ButtonStore.h"
#include "menuext/MenuRecord.h"
#include "registry/RegistryAccessor.h"
#include "ui/Texts.h"

#include "resource.h"

#include <initializer_list>
#include <map>

namespace qm::cli {
namespace {

// A field of a line: tabs and line ends would break the line into others.
std::string Field(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return text;
}

std::string Line(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : "\t") + Field(field);
    return line;
}

std::string YesNo(bool yes) { return ui::Text(yes ? IDS_LIST_YES : IDS_LIST_NO); }

// The texts of the named values of the open key; a value that is no text shows why, in
// brackets, and an absent one is "".
std::map<std::string, std::string> Texts(const RegistryAccessor& key,
                                         std::initializer_list<const char*> names) {
    std::map<std::string, std::string> texts;
    for (const auto& [name, text] : ValueTexts(key.GetValues(), names))
        texts[name] = text.notText ? "(" + *text.notText + ")" : text.text;
    return texts;
}

// An integer value of the open key as text, written by show; "" when absent, and why in
// brackets when it is no 32-bit integer.
std::string Integer(const RegistryAccessor& key, const char* name,
                    std::string (*show)(int32_t value)) {
    if (!key.ValueExists(name)) return {};
    try {
        return show(key.ReadInteger(name));
    } catch (const RegistryError& error) {
        return std::string("(") + error.what() + ")";
    }
}

std::string ButtonLine(const std::string& key, const RegistryAccessor& button) {
    auto texts = Texts(button, {kButtonTextValue, kExecValue, kScriptValue, kDefaultVisibleValue});
    const std::string& exec = texts[kExecValue];
    const std::string& script = texts[kScriptValue];
    const int kind = !exec.empty()     ? IDS_LIST_RUNS_PROGRAM
                     : !script.empty() ? IDS_LIST_RUNS_SCRIPT
                                       : IDS_LIST_RUNS_NOTHING;
    return Line({button.Root() == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU", key,
                 texts[kButtonTextValue], exec.empty() ? script : exec,
                 PlaceText(PlaceOfOpenRecord(button)), ui::Text(kind),
                 YesNo(button.ValueExists(kIsQuillmereValue)),
                 YesNo(IsDefaultVisible(texts[kDefaultVisibleValue]))});
}

std::string Decimal(int32_t value) { return std::to_string(value); }

} // namespace

void ListButtonLines(const std::function<void(const std::string&)>& line) {
    line(ui::Text(IDS_LIST_BUTTONS_HEADER));
    RegistryAccessor registry;
    WalkButtonsInListedOrder(
        registry, false, false,
        [&](const std::string& key, RegistryAccessor& button) { line(ButtonLine(key, button)); });
}

void ListMenuLines(const std::function<void(const std::string&)>& line) {
    line(ui::Text(IDS_LIST_MENUS_HEADER));
    RegistryAccessor registry, entry;
    for (const std::string& name : ListMenuNames(registry)) {
        // An entry removed since the names were read is no entry any more.
        if (!OpenMenuEntry(entry, name)) continue;
        auto texts = Texts(entry, {kMenuScriptValue});
        line(Line(
            {"HKCU", name, texts[kMenuScriptValue], Integer(entry, kContextsValue, ContextsHexText),
             Integer(entry, kFlagsValue, Decimal), YesNo(entry.ValueExists(kMenuMarkerValue))}));
        entry.CloseKey();
    }
}

} // namespace qm::cli
