#pragma once
// The program's record of the sets it imported: which machine-wide buttons each imported file
// uses, the ones its import made and the ones it found already there, so that taking a set
// back keeps a button that another imported set also uses. It lives beside the own record of
// buttons, under the current user's root:
//
//     \Software\qzo\Quillmere\Sets\<file name>    one key per set, named after its file
//         {D6E814A0-...01} = "Notes"              a button the set uses, with its text then
//
// A set is known by its file's name without the folder, so that the same file taken back
// from another place (a copy on a stick, another share) is the same set. The record also
// notes which containers the imports made (the machine's Extensions key, the program's own
// key), so that taking back the last set leaves the registry as it was before the first.

#include "registry/ChangeHistory.h"
#include "registry/RegistryAccessor.h"
#include "transfer/ImportPlan.h"

#include <string>
#include <utility>
#include <vector>

namespace qm::transfer {

inline constexpr char kImportedSetsKey[] = "\\Software\\qzo\\Quillmere\\Sets";

// The set a file is: its name without the folder.
std::string SetNameOf(const std::string& path);

// The containers an import is about to make: in each registry view of the machine, the
// topmost missing key on the way to its Extensions key, and the topmost missing key on the way
// to the program's own records. Read before the import.
struct MadeContainers {
    std::vector<std::pair<REGSAM, std::string>> machineKeys; // view, path from the root
    std::string ownKey; // a path from the current user's root, or empty
};
MadeContainers MissingContainers();

// The keys a change of the record touches, for the history: with machine, first the
// machine's Extensions key; then the own record of buttons and the record of imported sets.
std::vector<ChangedKey> SetRecordKeys(bool machine);

// Whether the record already says that the set uses each of these buttons.
bool SetUsesNoted(const std::string& setName, const std::vector<SetUse>& uses);
// The record of one set as an import adds to it: the containers the import made are noted
// when it opens, and each button the set uses as the import goes (a button made is noted at
// once, so that an import that stops part-way still says which buttons are the set's). Throws
// RegistryError, from opening and from Note().
class SetUseNotes {
public:
    SetUseNotes(const std::string& setName, const MadeContainers& made);
    void Note(const std::vector<SetUse>& uses);

private:
    RegistryAccessor record_, set_; // closed with the notes
};

// Whether the record knows the set.
bool SetRecorded(const std::string& setName);
// Whether the set uses the button under keyName, as long as it still has the text the set
// noted; and the other sets that use it, as long as it still has the text they
// noted (a key name the program gave again to another button is no longer theirs).
bool SetUses(const std::string& setName, const std::string& keyName, const std::string& text);
std::vector<std::string> OtherSetsUsing(const std::string& setName, const std::string& keyName,
                                        const std::string& text);

// Forgets the set. When no set is left, the record goes, and with it each container the
// imports made that holds nothing now. Throws RegistryError.
void ForgetSet(const std::string& setName);

} // namespace qm::transfer
