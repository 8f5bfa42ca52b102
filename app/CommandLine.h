#pragma once
// The program's command line, for administrators who script it: export, import, list and the
// Group Policy file, with /quiet and /log for unattended runs. Parsing knows nothing of
// Windows, so that it also builds with the host's compiler.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::cli {

// The process's exit code; scripts test these numbers, so they never change.
enum ExitCode : int {
    kExitDone = 0,
    kExitBadArguments = 1, // unknown or missing switches, or an import that needs /trust
    kExitFileProblem = 2,  // the file cannot be found, read or written, or is no export file
    kExitNoRights = 3,     // the registry refused access: the command needs administrator rights
    kExitLimit = 4,        // all 99 button names are taken
    kExitFailed = 5,       // any other failure, or an import the user declined
    kExitPartial = 6,      // buttons that cannot travel: a .qmx export is written without them,
                           // a Group Policy export not at all
    kExitNoBackup = 7,     // an import not made: it could not be backed up first (see /nobackup)
    kExitFilesLeft = 8,    // an export written without files its buttons name (missing, no file)
};

enum class Command {
    Help,      // /?
    List,      // /list
    Export,    // /export FILE
    Import,    // /import FILE
    Remove,    // /remove FILE: takes back what importing FILE made
    ExportGpo, // /export-gpo FILE.xml
    History,   // /history
    Undo,      // /undo [N]
    // /apply-change FILE /digest HEX: the window's change that Windows refused it, made by the
    // copy the window starts with administrator rights (buttons/ElevatedChange.h)
    ApplyChange,
};

struct Options {
    Command command = Command::Help;
    std::string file;   // the command's file
    std::string log;    // /log FILE: every message is also appended there
    std::string files;  // /files DIR: where a Group Policy deployment's files lie for the clients
    std::string digest; // /digest HEX: the SHA-256 digest of /apply-change's file
    bool quiet = false; // /quiet: no window, no box; messages only to the console and the log
    bool force = false; // /force: import buttons that are already there
    bool trust = false; // /trust: a quiet import may create buttons that run programs
    bool noBackup = false;  // /nobackup: an import or removal goes on when it cannot be backed up
    bool copyFiles = false; // /copyfiles: an import copies the set's files to this machine
    bool menus = false;     // /list menus: the context-menu entries instead of the buttons
    int undo = 1;           // /undo N: which change of the history, 1 the newest
};

struct ParseResult {
    std::optional<Options> options; // empty when the arguments are wrong
    std::string error;              // then: what is wrong, for the user
    // Switches that were read before the error, so that a wrong command line still honours
    // /quiet and /log for its own message.
    bool quiet = false;
    std::string log;
};

// Whether the program was started with arguments, and so runs as a command and shows no
// window.
bool HasCommand(const std::vector<std::string>& args);

// Reads the arguments (without the program's name). Switches start with "/" or "-" and are
// matched without regard to letter case; a switch that takes a value takes the next argument.
ParseResult ParseCommandLine(const std::vector<std::string>& args);

// The text /? shows: usage, switches and exit codes, lines ended with CR LF.
std::string UsageText();

} // namespace qm::cli
