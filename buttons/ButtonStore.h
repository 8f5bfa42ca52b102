#pragma once
// The registry work on whole toolbar button records, in one place: reading a record as the
// button page shows it (with where it lives), saving the page's edits into it, making and
// deleting a record together with its entry in the program's own record, reading what a
// listing shows of a record, and reading the texts of a record's values. ButtonRecord.h says
// where records lie and what their values are called; this file reads and writes them.
// Registry failures follow RegistryAccessor.h: what may find nothing says so, every failure
// is a RegistryError.

#include "buttons/ButtonPlace.h"
#include "buttons/ButtonRecord.h"
#include "buttons/ElevatedChange.h"
#include "registry/ChangeHistory.h"
#include "registry/GuardedSave.h"
#include "registry/RegistryAccessor.h"
#include "registry/ShownValues.h"

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// A record as the button page shows it: where it lives, the values of its fields and
// "Default Visible" exactly as stored, and the first field value too long to edit ("" when
// none is).
struct StoredButton {
    HKEY root = nullptr;
    ButtonPlace place = ButtonPlace::ThisUser;
    ShownValues values;
    std::string tooLong;
};

// Reads the record of that key name below root's Extensions key, whole: a value that cannot be
// read throws RegistryError and nothing is returned. Leaves no key open in registry.
StoredButton ReadStoredButton(RegistryAccessor& registry, HKEY root, const std::string& keyName);

// Saves the page's edits into the record of that key name below root (SaveEdits' checks and
// outcomes), wherever a listing finds the record since.
SaveOutcome SaveButtonEdits(RegistryAccessor& registry, HKEY root, const std::string& keyName,
                            ShownValues& shown, const std::vector<ValueEdit>& edits,
                            const OverwriteQuestion& askOverwrite, const SaveRecord& record);

// The keys a change to a button touches, as the history records them: a save its record; a
// deletion the record and the program's own record; a new button also the Extensions key it is
// made below.
std::vector<ChangedKey> SavedButtonKeys(HKEY root, const std::string& keyName);
std::vector<ChangedKey> DeletedButtonKeys(HKEY root, const std::string& keyName);
std::vector<ChangedKey> NewButtonKeys(HKEY root, const std::string& keyName);

// What a step on the store came to: done, or not done with its failure, if any. Whatever key
// the step left open is closed.
struct StoreStep {
    bool done = false;
    std::optional<RegistryError> failure;
};

// Makes the record (MakeButtonRecord); not done with no failure when the name is taken.
StoreStep MakeStoredButton(RegistryAccessor& registry, HKEY root, const std::string& keyName,
                           const std::vector<std::pair<std::string, std::string>>& values);
// Notes a new button in the program's own record (WriteOwnRecord).
StoreStep NoteMadeButton(RegistryAccessor& registry, const NewButtonKey& key);
// Deletes the record (DeleteButtonRecord); not done with no failure when it is not there.
StoreStep DeleteStoredButton(RegistryAccessor& registry, HKEY root, const std::string& keyName);
// Removes a deleted button's entry from the program's own record (ForgetOwnRecord); done
// when there was none to remove too.
StoreStep ForgetDeletedButton(RegistryAccessor& registry, const std::string& keyName);

// The changes handed to an elevated copy when Windows refused them on the machine's keys. A
// save is exactly these edits, with the values as the refused save's check found them (as
// they were shown when it found none): the copy writes only while they are still so. A new
// record has the values as plain strings.
ElevatedChange ElevatedSave(const std::string& keyName, const std::vector<ValueEdit>& edits,
                            const SaveOutcome& refused, const ShownValues& shown);
ElevatedChange ElevatedCreate(const std::string& keyName,
                              const std::vector<std::pair<std::string, std::string>>& values);

// What a listing shows of the record open in record: its text as stored and where it lives.
// A text that is no string fails as RegistryAccessor::ReadString does.
struct ListedButton {
    std::string text;
    ButtonPlace place = ButtonPlace::ThisUser;
};
ListedButton ReadListedButton(const RegistryAccessor& record);

// The icon locations of the record open in record as the browser loads them: an expandable
// value has its environment references expanded. A value that is no string fails as
// RegistryAccessor::ReadText does.
struct IconLocations {
    std::string icon;
    std::string hotIcon;
};
IconLocations ReadIconLocations(const RegistryAccessor& record);

// A value's text among a record's values as GetValues gives them: a value that is no text has
// no text, and notText holds why.
struct ValueText {
    std::string text;
    std::optional<std::string> notText;
};
// The texts of the named values among values, by name; an absent value has no entry.
std::map<std::string, ValueText>
ValueTexts(const std::vector<std::pair<std::string, RawValue>>& values,
           std::initializer_list<const char*> names);

// Every record below root's Extensions key with all its values, in the registry's enumeration
// order, with no listing rule applied (the reserved key and records without "CLSID" too). A
// missing Extensions key gives none. Leaves no key open in registry.
struct RecordValues {
    std::string keyName;
    std::vector<std::pair<std::string, RawValue>> values;
};
std::vector<RecordValues> ReadEveryRecord(RegistryAccessor& registry, HKEY root);

// The names of the values, read from the key open in button, whose name or text the program
// cannot read exactly: a broken UTF-16 character (a lone surrogate) comes across as U+FFFD,
// so the name no longer finds its value or the exact reading disowns the text. No export
// carries such a value: it would arrive changed.
std::vector<std::string>
InexactValueNames(const RegistryAccessor& button,
                  const std::vector<std::pair<std::string, RawValue>>& values);

// Every machine-wide record that carries the program's marker, as both exports take them: the
// last enumerated key first, the reserved key left out, each with all its values and the names
// of those it cannot read exactly. A missing Extensions key gives none. Leaves no key open in
// registry.
struct MarkedRecord {
    std::string keyName;
    std::vector<std::pair<std::string, RawValue>> values;
    std::vector<std::string> inexact;
};
std::vector<MarkedRecord> ReadMarkedRecords(RegistryAccessor& registry);

} // namespace qm
