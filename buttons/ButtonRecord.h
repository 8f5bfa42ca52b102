#pragma once
// A browser toolbar button as the registry stores it: one key below the browser's Extensions
// key, under the machine's or the current user's root, whose string values the browser reads.
// This header fixes where such keys lie, the names and rules of their values, the names the
// program gives the keys it makes, the program's own record of those keys, and the templates
// new buttons (and new context-menu entries) are filled from.

#include "registry/RegistryAccessor.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace qm {

// Where the browser looks for toolbar buttons, below either root; one sub-key per button.
inline constexpr char kExtensionsKey[] = "\\Software\\Microsoft\\Internet Explorer\\Extensions";

// A key the browser keeps for itself below Extensions. It is never listed nor exported; the
// comparison is exact, letter case included.
inline constexpr char kReservedButtonKey[] = "{c95fe080-8f5d-11d2-a20b-00aa003c157a}";

// The names of a button record's values (all REG_SZ, every one optional; an absent value
// reads as ""). Names are exact, letter case as shown.
inline constexpr char kButtonTextValue[] = "ButtonText";          // text, and the strip's hint
inline constexpr char kExecValue[] = "Exec";                      // program or web address to run
inline constexpr char kScriptValue[] = "Script";                  // script page on this machine
inline constexpr char kIconValue[] = "Icon";                      // icon location (IconLocation.h)
inline constexpr char kHotIconValue[] = "HotIcon";                // icon location under the mouse
inline constexpr char kDefaultVisibleValue[] = "Default Visible"; // "YES" or "NO"
inline constexpr char kMenuTextValue[] = "MenuText";              // Tools-menu entry text
inline constexpr char kMenuStatusBarValue[] = "MenuStatusBar";    // its status-bar text
inline constexpr char kClsidValue[] = "CLSID";                    // the browser's handler class
inline constexpr char kIsQuillmereValue[] = "IsQuillmere";        // marker: made by this program

// What the program writes into a record it makes: the handler class that runs Exec and
// Script buttons, the marker (only its presence is ever tested) and the visible flag.
inline constexpr char kButtonClsid[] = "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}";
inline constexpr char kIsQuillmereData[] = "YES";
inline constexpr char kVisibleData[] = "YES";
inline constexpr char kHiddenData[] = "NO";

// "Default Visible" as read: exactly the letters Y, E, S in any letter case mean visible;
// anything else ("yes " with a blank, "Y", "") means not visible.
bool IsDefaultVisible(const std::string& stored);

// --- names of the keys the program makes ---

// A program-made key name is this prefix, two counter digits and "}": a 38-character GUID.
inline constexpr char ButtonKeyPrefix[] = "{D6E814A0-E0C5-11d4-8D29-0060BA6901";
// The counter runs from 1 to this; beyond it the names would no longer be GUIDs, which the
// browser cannot use, so the program refuses to make more.
inline constexpr int kMaxButtonCounter = 99;

// The key name for counter n (1 to 99): n = 1 gives ButtonKeyPrefix + "01}".
std::string ButtonKeyName(int n);
// The full path of a button record below its root: kExtensionsKey + "\" + key name.
std::string ButtonKeyPath(const std::string& keyName);

// The program's own record: under the current user's root, one string value per key the
// program made, named "StdBtn" + the key's two counter digits, holding the full key name.
inline constexpr char kOwnRecordKey[] = "\\Software\\qzo\\Quillmere\\StdBtn\\";
// "StdBtn" + two digits of n: n = 1 gives "StdBtn01".
std::string OwnRecordValueName(int n);

// A fresh key for a new button: its counter, key name and own-record value name.
struct NewButtonKey {
    int counter = 0;
    std::string keyName;
    std::string ownRecordValueName;
};

// Thrown by NextButtonKey when all 99 names are taken. It is a RegistryError, so callers that
// stop on registry failures stop on it too; its text is meant for the user as it stands.
class ButtonKeysExhausted : public RegistryError {
public:
    ButtonKeysExhausted();
};

// Chooses the key name for a new button: the first counter n from 1 whose key exists below
// neither root's Extensions key (gaps are filled first). Leaves the accessor on the machine's
// root with no key open. Throws ButtonKeysExhausted when n would pass 99.
// A caller that knows every key below firstCandidate to exist (because it has just made them,
// as an import does section after section) may start the search there instead of at 1.
NewButtonKey NextButtonKey(RegistryAccessor& reg, int firstCandidate = 1);
// The same search below an accessor that is already open on the machine's Extensions key
// (with no key open, every machine-wide name is free), and below the current user's one;
// leaves the accessor open there. A caller that makes many
// buttons in a row keeps that key open and spares reopening it for every name.
NewButtonKey NextButtonKeyBelow(RegistryAccessor& extensions, int firstCandidate = 1);

// Writes the own-record value for a key just made (current user's root, key created when
// missing) and closes the key. Registry failures throw RegistryError.
void WriteOwnRecord(RegistryAccessor& reg, const NewButtonKey& key);
// The same write through an accessor kept for the own record only: it opens (creating) the
// own-record key when no key is open and leaves it open for the next entry, even after a
// failed write. Registry failures throw RegistryError; after a failed open no key is open, so
// the next entry tries again. Gives the entry as the registry holds it.
StoredValue AddOwnRecordEntry(RegistryAccessor& ownRecord, const NewButtonKey& key);
// Deletes the own-record value of a deleted button: the value named "StdBtn" + the 36th and
// 37th characters of the key name, and only when its data is that very key name, so that a
// foreign key whose name happens to carry the same two characters never removes another
// button's entry. Returns whether a value was deleted; leaves no key open.
bool ForgetOwnRecord(RegistryAccessor& reg, const std::string& keyName);
// Whether the own record holds the entry ForgetOwnRecord would delete for that key name: the
// program made that key. Leaves no key open.
bool InOwnRecord(RegistryAccessor& reg, const std::string& keyName);

// --- which records are listed, and under which root ---

// Walks the records below the Extensions key of root that are listed as buttons: the reserved
// key is skipped, under the current user's root a record without "CLSID" is skipped, and with
// onlyOwn a record without "IsQuillmere" is skipped. A missing Extensions key lists nothing.
// In the registry's enumeration order, or from the last name to the first when backwards.
// listed gets each record's key name with reg open on the record (each is opened below the
// open Extensions key: its full path may be longer than the platform takes). Leaves no key open.
void WalkListedButtons(RegistryAccessor& reg, HKEY root, bool onlyOwn, bool backwards,
                       const std::function<void(const std::string&, RegistryAccessor&)>& listed);
// The one order in which the program lists toolbar buttons, the strip from its start as /list
// from its first line: the current user's records first, then the machine's, each root's in
// the registry's enumeration order and by WalkListedButtons' rules. backwards walks the same
// order from its end. listed gets reg open on each record (reg.Root() tells which root holds
// it). Leaves no key open.
void WalkButtonsInListedOrder(
    RegistryAccessor& reg, bool onlyOwn, bool backwards,
    const std::function<void(const std::string&, RegistryAccessor&)>& listed);
// The key names WalkListedButtons lists, in the registry's enumeration order.
std::vector<std::string> ListedButtonKeys(RegistryAccessor& reg, HKEY root, bool onlyOwn);
// Opens the record of that key name below root's Extensions key, which extensions is left
// open on; reg is opened on the record for reading. False, with no record open, when either
// is missing.
bool OpenButtonRecord(RegistryAccessor& extensions, RegistryAccessor& reg, HKEY root,
                      const std::string& keyName);

// Makes a new record of that key name below root's Extensions key (made empty where it is
// missing) in every registry view, with the values as plain strings, all or nothing: a record
// that cannot be written whole is removed again. False, making nothing, when a key of that
// name is there already. Registry failures throw RegistryError (Refused() for lack of rights).
// Leaves no key open.
bool MakeButtonRecord(RegistryAccessor& registry, HKEY root, const std::string& keyName,
                      const std::vector<std::pair<std::string, std::string>>& values);
// Deletes the record and everything below it from every view of root; false when it is not
// there. When it cannot be deleted it throws RegistryError "Failed to delete key %1" with the
// record's path (Refused() for lack of rights). Leaves no key open.
bool DeleteButtonRecord(RegistryAccessor& registry, HKEY root, const std::string& keyName);

// The root a record is addressed under: the current user's when its key name is among the
// names the last listing found there (compared without regard to letter case), else the
// machine's.
HKEY RootForButton(const std::string& keyName, const std::vector<std::string>& currentUserButtons);

// --- templates for new buttons and context-menu entries ---

enum ButtonTemplateColumn {
    kTemplateName = 0, // what the category dialog lists, and the button's text
    kTemplateExec,
    kTemplateScript,
    kTemplateIcon,
    kTemplateHotIcon,
    kTemplateVisible, // visible only when exactly "yes"
    kTemplateMenuText,
    kTemplateMenuStatusBar,
    kTemplateColumns
};

using ButtonTemplateRow = std::array<const char*, kTemplateColumns>;

// Three rows; paths are relative to the program's folder (see TemplatePath). An empty cell is
// an empty string.
inline constexpr std::array<ButtonTemplateRow, 3> ButtonTemplates = {{
    {"QZO Menu", "", "Serv\\hello.htm", "Images\\Icons\\qmbar.ico", "Images\\Icons\\qmbar.ico",
     "yes", "", ""},
    {"&Highlight Selection", "", "Serv\\hlsel.htm", "Images\\Icons\\marker.ico",
     "Images\\Icons\\marker.ico", "yes", "&Highlight Selection", "Selection Highlighter"},
    {"&Zoom in Selection", "", "Serv\\zoomsel.htm", "Images\\Icons\\zoom.ico",
     "Images\\Icons\\zoom.ico", "yes", "&Zoom in", "Zoom in Selection"},
}};

// A template row's visible column: exactly "yes" (lower case) means visible.
bool TemplateIsVisible(const ButtonTemplateRow& row);
// Whether a template row shows in the Tools menu: its menu text or status-bar text is set.
bool TemplateShowsInTools(const ButtonTemplateRow& row);
// A template path joined to the program's folder (which ends in a backslash); an empty cell
// stays empty.
std::string TemplatePath(const std::string& programFolder, const char* cell);

} // namespace qm
