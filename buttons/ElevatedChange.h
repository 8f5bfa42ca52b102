#pragma once
// A change to one machine-wide toolbar button that Windows refused the user, made by a copy of
// the program that runs with administrator rights, while the user's window stays open.
//
// The window writes the change into a hand-over file of its own (a fresh name in the user's
// temporary folder that only the user, administrators and the system may open) and starts the
// elevated copy with the file and the file's SHA-256 digest on its command line:
//
//     quillmere.exe /apply-change "C:\Users\ann\AppData\Local\Temp\Quillmere-change-....txt"
//                   /digest 9f86d081884c7d65...
//
// The elevated copy treats the file as untrusted: it makes the change only when the file's
// bytes have that digest and read as a change it allows, which is a save, a new record or a
// deletion of one button record below the machine's Extensions key, named by a GUID, with only
// the values of a button record. A save writes its edits only while every edited value is still
// as the window found it (or the user agrees to overwrite it), all or nothing; a new record is
// made only where no record of its name is. The window keeps the history of the change and the
// program's own record of its buttons in the user's own profile, and shows the result.
//
//     Quillmere elevated change 1
//     action<TAB>save
//     key<TAB>{D6E814A0-E0C5-11d4-8D29-0060BA690101}
//     value<TAB>ButtonText<TAB>1:4f6c6400<TAB>1:4e657700
//
// A value line gives the name, the value the window found ("-" when absent) and the value to
// store ("-" deletes it), each as its registry type and its bytes in lower-case hex. Lines end
// with LF alone.

#include "registry/GuardedSave.h"
#include "registry/RegistryAccessor.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct ElevatedEdit {
    std::string name;
    std::optional<RawValue> found; // as the window found it before the save
    std::optional<RawValue> value; // what to store; nothing deletes the value
    bool operator==(const ElevatedEdit&) const = default;
};

struct ElevatedChange {
    enum class Action { Save, Create, Delete };
    Action action = Action::Save;
    std::string keyName; // the record's key name below the machine's Extensions key
    std::vector<ElevatedEdit> edits;
    bool operator==(const ElevatedChange&) const = default;
};

// The hand-over text of a change.
std::string ElevatedChangeText(const ElevatedChange& change);
// Reads a hand-over text strictly: nothing when any line, name, type or byte is not what the
// window writes for a change it may hand over.
std::optional<ElevatedChange> ReadElevatedChange(std::string_view text);

// The SHA-256 digest of bytes in lower-case hex; empty when the platform cannot compute it.
std::string Sha256Hex(std::string_view bytes);

// The hand-over file, written by the user's window; removed when this goes.
class HandOverFile {
public:
    HandOverFile() = default;
    ~HandOverFile();
    HandOverFile(HandOverFile&& other) noexcept;
    HandOverFile& operator=(HandOverFile&&) = delete;
    HandOverFile(const HandOverFile&) = delete;
    HandOverFile& operator=(const HandOverFile&) = delete;

    // Writes the change under a fresh name; throws std::runtime_error with the user's text when
    // it cannot.
    static HandOverFile Write(const ElevatedChange& change);
    // The elevated copy's arguments: /apply-change "FILE" /digest HEX.
    std::string Arguments() const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string digest_;
};

// A hand-over file the elevated copy does not take: what() names it and says why.
class HandOverRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The elevated side: the change in the file at path, when its bytes have the digest and read
// as a change (ReadElevatedChange). Throws HandOverRefused otherwise.
ElevatedChange ReadHandOverFile(const std::string& path, const std::string& digest);

// Makes the change on the machine's root. Registry failures throw RegistryError.
enum class AppliedChange {
    Done,
    Declined, // an edited value changed since the window found it, and overwrite said no
    Missing,  // the record to save or delete is not there
    Exists,   // a record of the new record's name is there already
};
AppliedChange ApplyElevatedChange(const ElevatedChange& change, const OverwriteQuestion& overwrite);

} // namespace qm
