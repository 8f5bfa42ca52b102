#include "transfer/GroupPolicy.h"

#include "base/Text.h"
#include "buttons/ButtonRecord.h"
#include "buttons/ButtonStore.h"
#include "transfer/ExportFile.h"
#include "transfer/ExportFormat.h"
#include "transfer/FileValues.h"
#include "transfer/ImportPlan.h"
#include "transfer/TransferCommands.h"
#include "transfer/XmlText.h"
#include "ui/Texts.h"

#include "resource.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <stdexcept>

namespace qm::transfer {
namespace {

uint64_t Fnv1a(std::string_view bytes, uint64_t hash) {
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// A GUID in the registry's spelling, upper case, made from a text: the same text always
// gives the same GUID (marked as a name-based one).
std::string GuidFromText(std::string_view text) {
    uint64_t high = Fnv1a(text, 0xcbf29ce484222325ull);
    uint64_t low = Fnv1a(text, 0x84222325cbf29ce4ull ^ high);
    high = (high & ~0xF000ull) | 0x5000ull;           // version 5
    low = (low & ~(0xC0ull << 56)) | (0x80ull << 56); // RFC 4122 variant
    char guid[40];
    std::snprintf(guid, sizeof guid, "{%08X-%04X-%04X-%04X-%012llX}",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return guid;
}

std::string TextOf(const GpoButton& button, const std::string& name) {
    for (const auto& [valueName, value] : button.values)
        if (valueName == name) {
            try {
                return RegistryAccessor::StringFromValue(name, value);
            } catch (const RegistryError&) {
                return {};
            }
        }
    return {};
}

// The program's text (ANSI code page) as UTF-8, the XML file's encoding; nothing when the
// bytes are no text of that code page.
std::optional<std::string> Utf8FromAnsi(const std::string& text) {
    if (GetACP() == CP_UTF8) return text;
    std::optional<std::wstring> wide = WidenExactly(text);
    if (!wide) return std::nullopt;
    return NarrowText(*wide, CP_UTF8);
}

// An attribute value, exactly or not at all; where is the button and value, for the message.
std::string Attribute(const std::string& ansi, const std::string& where) {
    std::optional<std::string> utf8 = Utf8FromAnsi(ansi);
    std::string out;
    XmlRefusal refusal = utf8 ? AppendXmlAttribute(*utf8, out) : XmlRefusal::BrokenUtf8;
    switch (refusal) {
    case XmlRefusal::None: return out;
    case XmlRefusal::ControlCharacter:
        throw UnportableValueError(ui::Text(IDS_GPO_CONTROL_CHARACTER, {where}));
    case XmlRefusal::NonCharacter:
        throw UnportableValueError(ui::Text(IDS_GPO_NONCHARACTER, {where}));
    case XmlRefusal::Surrogate:
    case XmlRefusal::BrokenUtf8: break;
    }
    throw UnportableValueError(ui::Text(IDS_GPO_BROKEN_TEXT, {where}));
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string HexNumber(const std::string& bytes, size_t width) {
    std::string padded = bytes;
    padded.resize(width, '\0');
    std::string reversed(padded.rbegin(), padded.rend()); // stored little-endian
    return Hex(reversed);
}

struct TypedText {
    const char* type;
    std::string value;
};

// A string value's text; one that holds a NUL before its end would be cut there.
std::string StringText(const RawValue& value, const std::string& where) {
    size_t end = value.bytes.find('\0');
    if (end == std::string::npos) return value.bytes;
    if (value.bytes.find_first_not_of('\0', end) != std::string::npos)
        throw UnportableValueError(ui::Text(IDS_GPO_EMBEDDED_NUL, {where}));
    return value.bytes.substr(0, end);
}

TypedText ValueForXml(const RawValue& value, const std::string& where) {
    switch (value.type) {
    case REG_SZ: return {"REG_SZ", StringText(value, where)};
    case REG_EXPAND_SZ: return {"REG_EXPAND_SZ", StringText(value, where)};
    case REG_DWORD: return {"REG_DWORD", HexNumber(value.bytes, 4)};
    case REG_QWORD: return {"REG_QWORD", HexNumber(value.bytes, 8)};
    case REG_BINARY: return {"REG_BINARY", Hex(value.bytes)};
    default: throw UnportableValueError(ui::Text(IDS_GPO_REGISTRY_TYPE, {where}));
    }
}

} // namespace

std::optional<std::string> DeploymentKeyNameFor(const std::string& text, const std::string& exec,
                                                const std::string& script) {
    if (text.empty() && exec.empty() && script.empty()) return std::nullopt;
    return GuidFromText("Quillmere toolbar button\n" + text + '\n' + AsciiLower(exec) + '\n' +
                        AsciiLower(FileNamePart(script)));
}

std::string DeploymentKeyName(const GpoButton& button) {
    std::optional<std::string> name = DeploymentKeyNameFor(
        TextOf(button, kButtonTextValue), TextOf(button, kExecValue), TextOf(button, kScriptValue));
    // Nothing else tells such a button apart than its key here.
    return name ? *name : GuidFromText("Quillmere toolbar button\n\n\n" + button.sourceKey);
}

std::vector<GpoButton> ReadMachineButtons(RegistryAccessor& registry) {
    std::vector<GpoButton> buttons;
    for (MarkedRecord& record : ReadMarkedRecords(registry))
        buttons.push_back(
            {record.keyName, {}, std::move(record.values), std::move(record.inexact)});
    return buttons;
}

GpoExport PlanGroupPolicy(std::vector<GpoButton> buttons, const std::string& filesFolder) {
    GpoExport plan;
    std::set<std::string> seen;
    CompanionNames names(filesFolder, ResolveFullPath);
    for (GpoButton& button : buttons) {
        // The same button twice (a copy under another key) would go to the same key anyway.
        button.deploymentKey = DeploymentKeyName(button);
        if (!seen.insert(button.deploymentKey).second) continue;
        std::string text = TextOf(button, kButtonTextValue);
        ButtonFilesNotTaken notTaken{text, {}};
        for (auto& [name, value] : button.values) {
            if (!IsFileValue(name) || (value.type != REG_SZ && value.type != REG_EXPAND_SZ))
                continue;
            const std::string data = value.bytes.substr(0, value.bytes.find('\0'));
            if (data.empty()) continue; // names no file
            // The same rule as the export file's: a module of the system's folders is where
            // every client has it, and a file that cannot go is reported.
            const FileTravel travel = TravelOf(name, data);
            if (travel.way == FileTravel::Way::ByName) continue;
            if (travel.way == FileTravel::Way::NotTaken) {
                notTaken.files.push_back({name, data, travel.why});
                continue;
            }
            const std::string here = travel.file;
            std::string onClients = here;
            if (!filesFolder.empty()) {
                onClients = filesFolder + "\\" + names.Claim(FileNamePart(here), here);
                // The clients find the file only where the copy really goes.
                if (!LiesDirectlyIn(onClients, filesFolder, ResolveFullPath))
                    throw UnportableValueError(ui::Text(
                        IDS_GPO_FILE_NAME, {ui::Text(IDS_GPO_THE_BUTTON, {text}), name, here}));
                value.bytes = onClients + travel.suffix + '\0';
            }
            bool listed = std::any_of(plan.files.begin(), plan.files.end(), [&](const GpoFile& f) {
                return AsciiLower(f.here) == AsciiLower(here);
            });
            if (!listed) plan.files.push_back({text, here, onClients});
        }
        if (!notTaken.files.empty()) plan.notTaken.push_back(std::move(notTaken));
        plan.buttons.push_back(std::move(button));
    }
    return plan;
}

std::string GroupPolicyXml(const GpoExport& plan, const std::string& changed) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    xml += std::string("<RegistrySettings clsid=\"") + kGpoSettingsClsid + "\">\r\n";
    xml += std::string("<Collection clsid=\"") + kGpoCollectionClsid +
           "\" name=\"Quillmere toolbar buttons\">\r\n";
    for (const GpoButton& button : plan.buttons) {
        std::string text = TextOf(button, kButtonTextValue);
        std::string label = text.empty() ? button.sourceKey : text;
        std::string where = ui::Text(IDS_GPO_THE_BUTTON, {text});
        std::string keyName =
            button.deploymentKey.empty() ? DeploymentKeyName(button) : button.deploymentKey;
        xml += std::string("<Collection clsid=\"") + kGpoCollectionClsid + "\" name=\"" +
               Attribute(label, where) + "\">\r\n";
        for (const char* extensions : {kGpoNativeExtensionsKey, kGpoWow64ExtensionsKey}) {
            std::string key = std::string(extensions) + "\\" + keyName;
            for (const auto& [name, value] : button.values) {
                std::string valueWhere = where + " cannot go into a Group Policy file: " +
                                         (name.empty() ? std::string("its default value")
                                                       : "its value \"" + QuoteCut(name) + "\"");
                if (std::find(button.inexact.begin(), button.inexact.end(), name) !=
                    button.inexact.end())
                    throw UnportableValueError(ui::Text(IDS_GPO_BROKEN_TEXT, {valueWhere}));
                TypedText typed = ValueForXml(value, valueWhere);
                std::string shown = name.empty() ? "(Default)" : name;
                // Replace, and removed when the policy no longer applies (as the console
                // writes an item whose "Remove this item when it is no longer applied" is
                // ticked: that option turns the action into Replace, whose picture is 1): the
                // value is made, or made anew, at every refresh, and goes with the policy. An
                // item that fails does not stop the others.
                xml += std::string("<Registry clsid=\"") + kGpoRegistryClsid + "\" name=\"" +
                       Attribute(shown, valueWhere) + "\" status=\"" +
                       Attribute(shown, valueWhere) + "\" image=\"1\" changed=\"" + changed +
                       "\" uid=\"" + GuidFromText(key + '\n' + name) +
                       "\" bypassErrors=\"1\" removePolicy=\"1\">";
                xml += std::string("<Properties action=\"R\" displayDecimal=\"0\" default=\"") +
                       (name.empty() ? "1" : "0") + "\" hive=\"HKEY_LOCAL_MACHINE\" key=\"" +
                       Attribute(key, valueWhere) + "\" name=\"" + Attribute(name, valueWhere) +
                       "\" type=\"" + typed.type + "\" value=\"" +
                       Attribute(typed.value, valueWhere) + "\"/></Registry>\r\n";
            }
        }
        xml += "</Collection>\r\n";
    }
    xml += "</Collection>\r\n</RegistrySettings>\r\n";
    return xml;
}

void WriteGroupPolicy(const GpoExport& plan, const std::string& path,
                      const std::string& filesFolder, const std::string& changed) {
    std::string xml = GroupPolicyXml(plan, changed); // every refusal comes before any write
    bool copies = !filesFolder.empty() && !plan.files.empty();
    ExportOutput output(path, copies ? filesFolder : std::string(), WriteToDisk,
                        ExportOutput::UnreadableSource::Fail);
    if (copies)
        for (const GpoFile& file : plan.files) output.Copy(file.here, file.onClients);
    output.Write(xml);
    output.Commit();
}

} // namespace qm::transfer
