#pragma once
// The export file: plain 8-bit text, CR LF after every line, a sequence of button sections
//
//     buttonstart
//     name=value        (one line per value of the button's key, in enumeration order)
//     buttonend
//
// beside a companion folder that holds copies of the buttons' script and icon files. Lines of
// the file values ("Script", "Icon", "HotIcon") carry only the file-name part; the reader
// turns them back into paths inside the companion folder of the file it reads.
//
// This part knows nothing of Windows: it takes and gives bytes, and reaches the registry and
// the file system only through the callbacks it is handed, so that it also builds and is
// tested with the host's compiler.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qm::transfer {

inline constexpr std::string_view kSectionStart = "buttonstart";
inline constexpr std::string_view kSectionEnd = "buttonend";
inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr char kEndOfFile = '\x1A'; // Ctrl+Z ends a text file wherever it stands
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// The longest line the reader takes, without its CR: a longer one is dropped as it arrives, so
// that the memory a file costs stays near this whatever the file holds.
inline constexpr size_t kMaxLineBytes = 1024 * 1024;
// The most values one section may give its button.
inline constexpr size_t kMaxSectionValues = 256;
// The longest value name the registry takes.
inline constexpr size_t kMaxValueNameBytes = 16383;
// Names and texts quoted in messages are cut to this many characters, with "..." after them.
inline constexpr size_t kQuoteLength = 64;

// The text with A to Z made small and every other byte kept: file names and paths compare
// without regard to letter case as the file system compares them for these letters.
std::string AsciiLower(std::string text);

// A name or text as a message quotes it: whole up to kQuoteLength characters, cut there with
// "..." when longer (never inside a character of several bytes).
std::string QuoteCut(std::string_view text);

// The companion folder of an export file: the file's folder with its trailing "\", the file's
// name cut before its first ".", then "_files"; no trailing "\".
std::string CompanionFolderFor(const std::string& exportPath);

// "Script", "Icon" and "HotIcon", matched exactly: values that name a file that travels.
bool IsFileValue(std::string_view name);

// What follows the last "\", "/" or ":" of a path, or the whole text where none occurs. The
// platform takes "/" for "\" in a path, so a name part never holds either.
std::string FileNamePart(std::string_view path);

// The full path a path stands for (the platform's resolution of "..", "/", drives, short names
// and so on), or nothing when it cannot be resolved.
using PathResolver = std::function<std::optional<std::string>(const std::string& path)>;

// A value that the export file cannot carry faithfully (a CR or Ctrl+Z in it, a line break or
// "=" in its name), or that cannot be read as a text. The text names the button and the value.
class UnportableValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The names given to files in one folder during one export (the companion folder, or the
// Group Policy export's files folder). Two different source files with the same file-name
// part would overwrite each other there, and both buttons would come back with the later file;
// the later one gets a name of its own instead. With a resolver, a name is taken as the
// platform will name the file ("a.ico. " is "a.ico") and sources compare as resolved.
class CompanionNames {
public:
    CompanionNames() = default;
    CompanionNames(std::string folder, PathResolver resolve)
        : folder_(std::move(folder)), resolve_(std::move(resolve)) {}

    // The name under which the file at sourcePath travels, given its file-name part.
    std::string Claim(const std::string& part, const std::string& sourcePath);

private:
    // The name a file given that name in the folder really gets, or the name as given when
    // it names no file of the folder (such as "..").
    std::string PlatformName(const std::string& name) const;
    // A source path as the comparison sees it.
    std::string SourceKey(const std::string& path) const;

    std::string folder_;
    PathResolver resolve_;
    // Keyed by the name in lower case (file names compare without regard to case).
    std::map<std::string, std::string> sourceByName_;
};

// How the file a file value names goes with its button. The export's platform side finds it
// out (FileValues.h); the writer acts on it.
struct FileTravel {
    enum class Way {
        Copy,     // the file is copied into the companion folder
        ByName,   // a module of the system's own folders, which every machine has: only its
                  // name travels, and the import finds it there again
        NotTaken, // the file cannot go (it is missing, or no plain file): its name travels
    };
    Way way = Way::Copy;
    std::string file;   // the file copied, or the module found by its name
    std::string suffix; // what follows the file's path in the value: an icon number (",-152")
    std::string why;    // NotTaken: why, as the export's message says it
};
// How the file of the value name with the text data travels.
using FileTraveller = std::function<FileTravel(const std::string& name, const std::string& data)>;

// A file value whose file did not go with its button.
struct FileNotTaken {
    std::string value; // the value's name
    std::string data;  // its text, the path as stored
    std::string why;
};

// Where one button's section comes from: the open button key, read one value at a time.
struct SectionSource {
    // The key's value names in the registry's enumeration order.
    std::function<std::vector<std::string>()> valueNames;
    // One value as a string; throws when it cannot be read as one (UnportableValueError with
    // the reason, such as "holds a broken character", where it can be read but not exactly).
    std::function<std::string(const std::string& name)> readString;
    // The button's text, for messages about the button.
    std::function<std::string()> buttonText;
    // How each file value's file travels; without one, every file value's text is copied
    // whole as a path.
    FileTraveller travel;
};

// Bytes going into the export file, in order; throws on a failed write.
using ByteSink = std::function<void(std::string_view bytes)>;
// Copies a whole file, replacing the target; the result is of no interest to the writer.
using FileCopier = std::function<void(const std::string& from, const std::string& to)>;

// Writes one button section: "buttonstart", a line per value, "buttonend", then copies each
// file value's file into the companion folder. Every value is read and checked before anything
// is written: a value that cannot travel, or a button the import would refuse (a line longer
// than kMaxLineBytes, a name longer than the registry takes, more than kMaxSectionValues
// values), throws UnportableValueError with nothing of the button written, copied or claimed,
// so that the export can go on with the next button. A file copied travels under a name
// claimed in names, followed by what followed the file's path in the value; a module found by
// its name travels as that name when no other file claimed it (else it is copied under a name
// of its own). Returns the file values whose file did not go, in value order.
std::vector<FileNotTaken> WriteButtonSection(const ByteSink& sink,
                                             const std::string& companionFolder,
                                             const SectionSource& source, const FileCopier& copy,
                                             CompanionNames& names);

// What the reader reports, exactly one event per line, in file order (so the n-th event is
// about line n).
class ExportEvents {
public:
    virtual ~ExportEvents() = default;
    virtual void SectionStart() = 0;
    virtual void SectionEnd() = 0;
    // A value line; the text of a file value arrives as a path inside the companion folder.
    virtual void Value(const std::string& name, const std::string& text) = 0;
    // A line longer than kMaxLineBytes, whose bytes were dropped. By default it has no effect,
    // like a stray line.
    virtual void LineTooLong() {}
};

// Reads an export file fed to it in pieces of any size. Each complete line is reported before
// Feed returns, so that what the events did stays done when a later read fails. A UTF-8
// byte-order mark at the file's start (an editor's "UTF-8 with BOM") is no part of its first
// line.
class ExportReader {
public:
    ExportReader(std::string companionFolder, ExportEvents& events);

    // Takes the next bytes of the file.
    void Feed(std::string_view bytes);
    // The file's end: reports a last line that had no CR.
    void Finish();
    // True once a Ctrl+Z was met: the rest of the file is not read.
    bool Ended() const { return ended_; }

private:
    void EmitLine();

    std::string companionFolder_;
    ExportEvents& events_;
    std::string line_;
    size_t markBytes_ = 0;   // how much of a UTF-8 byte-order mark the file began with so far
    bool pastStart_ = false; // the file's first bytes are read: no mark can follow
    bool tooLong_ = false;   // the line being read passed kMaxLineBytes; its bytes are dropped
    bool afterCr_ = false;   // the last byte was a CR; one LF right after it belongs to it
    bool ended_ = false;
};

// Reads a whole export file held in memory.
void ReadExportBytes(std::string_view bytes, const std::string& companionFolder,
                     ExportEvents& events);

} // namespace qm::transfer
