#pragma once
// The program's history of its own changes, so that any one can be taken back. Before the
// program changes the registry it writes a record of how every key the change will touch was
// before it: its values with their types and bytes, its sub-keys, in every registry view of
// its root, or that it did not exist. A record is a file in the registry editor's text format
// (version 5.00), which an administrator can also restore by hand with `reg import`:
//
//     Windows Registry Editor Version 5.00
//     ; Quillmere change record
//     ; time: 2026-12-07 22:41:16
//     ; what: Delete button "Notes"
//     ; key: HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Internet Explorer\Extensions\{...}
//     [-HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Internet Explorer\Extensions\{...}]
//     [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Internet Explorer\Extensions\{...}]
//     "ButtonText"="Notes"
//     "Icon"=hex(2):25,00,...
//
// A key the change will make is recorded by its [-key] line alone. The machine's 32-bit view
// is written as the registry editor of 64-bit Windows shows it, below SOFTWARE\WOW6432Node.
// The record is complete on disk (written, flushed, renamed into place) before the change
// writes anything; once the change is done, a second small file beside it notes how each key
// was after it, so that taking the change back can tell whether anything changed the keys since.
//
// The history lives in the user's own profile (%LOCALAPPDATA%\Quillmere\History) and keeps
// the last 200 changes or 50 MB, whichever is reached first.

#include "registry/RegistryAccessor.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// A key a change touches: its path from the root (a leading backslash may be there or not). A whole key is recorded
// with everything in and below it; a container (the Extensions key, MenuExt) only when it is
// missing, so that taking back the change that made it removes it again.
struct ChangedKey {
    HKEY root = HKEY_CURRENT_USER;
    std::string path;
    bool container = false;
    // The change only makes new keys in it and writes values into it, each told to the record
    // (ChangeRecord::Made, ChangeRecord::Wrote): how it is after the change is then known from
    // how the record found it and what was told, without a second read.
    bool grows = false;
};

// One change in the history.
struct ChangeEntry {
    std::string file; // the record's full path
    std::string time; // "2026-12-07 22:41:16", local time
    std::string what;
    std::vector<std::string> keys; // as the registry editor names them
};

// A change being made: its record, and how its keys end once it is done.
class ChangeRecord {
public:
    ChangeRecord() = default;
    // How a key is noted: a digest per value and per sub-key, by name, which the key's digest
    // combines in the order of the names.
    using NamedDigests = std::vector<std::pair<std::wstring, uint64_t>>;
    struct KeyParts {
        NamedDigests values, subKeys;
    };

    // The record could not be written; failure says why.
    bool Written() const { return !file_.empty(); }
    const std::string& Failure() const { return failure_; }
    // The change made the key at path new, in every view of root, and wrote exactly these
    // values into it. In a key of the change that grows, Finish takes the key's state from them
    // and does not read it back (an import of a hundred buttons would read them all once more).
    void Made(HKEY root, const std::string& path, const std::vector<StoredValue>& values);
    // The change wrote these values into the key at path (one of the change's keys that grows),
    // in every view of root: a value of the same name is replaced, keeping its name's letters.
    void Wrote(HKEY root, const std::string& path, const std::vector<StoredValue>& values);
    // Notes how the keys are after the change; without it, taking the change back asks first.
    void Finish();
    // The change did not happen after all (refused, or failed and put back): its record goes.
    void Discard();

private:
    friend ChangeRecord RecordChange(const std::string&, const std::vector<ChangedKey>&);
    std::string file_;
    std::string failure_;
    std::vector<ChangedKey> keys_;
    // What the record knows of the keys without reading them again, by view and path: the keys
    // made below each key, the values written into it, and how each key that only grows was
    // before (whether it existed, and its parts).
    std::map<std::wstring, NamedDigests> madeBelow_;
    std::map<std::wstring, std::vector<StoredValue>> wroteIn_;
    std::map<std::wstring, std::pair<bool, KeyParts>> before_;
};

// Writes the record of the keys as they are now, before a change described by `what`.
ChangeRecord RecordChange(const std::string& what, const std::vector<ChangedKey>& keys);

// Asked when a record cannot be written, with the reason: true makes the change without one.
using GoOnWithoutRecord = std::function<bool(const std::string& failure)>;
// The record before a change, or nothing when it could not be written and goOn said to stop:
// the change must not happen then.
std::optional<ChangeRecord> BeginChange(const std::string& what,
                                        const std::vector<ChangedKey>& keys,
                                        const GoOnWithoutRecord& goOn);

// The changes in the history, newest first; at most `most` of them.
std::vector<ChangeEntry> ListChanges(size_t most = SIZE_MAX);

struct RestoreResult {
    bool restored = false;
    std::string failure; // why not, when a step failed
};
// The keys of the change that something changed since it was made (another program, or a later
// change), as the registry editor names them; every key when that cannot be told.
std::vector<std::string> KeysChangedSince(const ChangeEntry& change);
// Puts every key of the change back as the record says, in each view, and drops the record
// from the history.
RestoreResult RestoreChange(const ChangeEntry& change);

// The history's folder, made when missing.
std::string HistoryFolder();

namespace testing {
// For tests: the history lives in this folder instead ("" puts it back in the profile).
void SetHistoryFolder(const std::string& folder);
// For tests: the most the history keeps.
void SetHistoryLimits(size_t records, uint64_t bytes);
// For the benchmarks: with false, BeginChange writes no record and asks nothing (the change
// goes on without one), so that a change can be timed with and without its record.
void SetRecording(bool on);
} // namespace testing

} // namespace qm
