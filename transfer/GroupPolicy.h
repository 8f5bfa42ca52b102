#pragma once
// The program's machine-wide buttons as a Group Policy Preferences registry collection: the
// "RegistrySettings" XML that the Group Policy Management Console's registry preference takes
// by paste or import, so that a domain deploys the buttons without Quillmere on the clients.

#include "registry/RegistryAccessor.h"
#include "transfer/FileValues.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm::transfer {

// Element names and class identifiers of the preference XML, as the console writes them.
inline constexpr char kGpoSettingsClsid[] = "{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}";
inline constexpr char kGpoCollectionClsid[] = "{53B533F5-224C-47e3-B01B-CA3B3F3FF4BF}";
inline constexpr char kGpoRegistryClsid[] = "{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}";

// Where the clients get each button, below HKEY_LOCAL_MACHINE: the native view, which the
// 64-bit browser reads, and the 32-bit view as a 64-bit client names it. A 32-bit client
// simply gets a second, unused copy.
inline constexpr char kGpoNativeExtensionsKey[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
inline constexpr char kGpoWow64ExtensionsKey[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Internet Explorer\\Extensions";

// One button as read on this machine.
struct GpoButton {
    std::string sourceKey;     // its key name here
    std::string deploymentKey; // its key name on the clients (DeploymentKeyName), once planned
    std::vector<std::pair<std::string, RawValue>> values;
    // Values whose name or text the program could not read exactly (a broken UTF-16 character
    // came across as U+FFFD): writing them would change them on every client.
    std::vector<std::string> inexact;
};

// A file a button needs on the clients: where it is here and where the clients find it.
struct GpoFile {
    std::string button; // the button's text
    std::string here;
    std::string onClients;
};

struct GpoExport {
    std::vector<GpoButton> buttons;
    std::vector<GpoFile> files;
    // File values whose file cannot go to the clients (missing, no plain file); their values
    // stay as they are.
    std::vector<ButtonFilesNotTaken> notTaken;
};

// The key name a button gets on the clients: a GUID made from its text and what it runs (the
// program, or the script page's file name, wherever that lies), so that exporting the same
// buttons again, also with another files folder, gives the same keys and a new deployment
// replaces the old one instead of adding to it; and so that it never takes the name of a
// button the program made on a client.
std::string DeploymentKeyName(const GpoButton& button);
// The same name from a button's text, Exec and Script; nothing when all three are empty (such
// a button is told apart by its key name here, which no other machine knows). The import
// takes a button whose key has this name for the one it would make (already there).
std::optional<std::string> DeploymentKeyNameFor(const std::string& text, const std::string& exec,
                                                const std::string& script);

// Reads the marked machine-wide buttons (the ones export writes). Leaves no key open.
std::vector<GpoButton> ReadMachineButtons(RegistryAccessor& registry);

// Turns each button's file values (Script, Icon, HotIcon) into the paths the clients use:
// with a files folder (a full path), a value that names an existing file becomes that folder's
// path and a name in it claimed as the export file's companion folder claims its names, and
// the file is listed for copying; without one, the values stay and the files are listed where
// they are. An icon inside a module keeps its number after the module's new path. A module of
// the system's folders, which every client has at the same place, stays as it is, and so does
// a value whose file cannot go (listed in notTaken). The rule is the export file's (TravelOf).
// A file whose name would not lie in the files folder throws UnportableValueError.
GpoExport PlanGroupPolicy(std::vector<GpoButton> buttons, const std::string& filesFolder);

// The XML text (UTF-8) for the buttons; changed is the time stamp "YYYY-MM-DD hh:mm:ss".
// Throws UnportableValueError naming the button and value when a value cannot be carried
// exactly: a character XML cannot hold (a control character, U+FFFE, U+FFFF, a lone
// surrogate), a text with a NUL inside it, a value the program could not read exactly, or a
// registry type the file does not carry.
std::string GroupPolicyXml(const GpoExport& plan, const std::string& changed);

// Writes the XML to path and copies the listed files into the files folder (made when
// missing), through the export's one output (ExportOutput): everything under names of its
// own first, then all of it put in place, or nothing when any of it fails. Throws InOutError.
void WriteGroupPolicy(const GpoExport& plan, const std::string& path,
                      const std::string& filesFolder, const std::string& changed);

} // namespace qm::transfer
