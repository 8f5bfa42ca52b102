#include "app/CommandLine.h"

#include <algorithm>

namespace qm::cli {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

bool IsSwitch(std::string_view arg) {
    return arg.size() > 1 && (arg.front() == '/' || arg.front() == '-');
}

// What a switch does with the options, and whether it takes the next argument as its value.
enum class Kind { Command, Value, Flag };

struct SwitchRow {
    const char* name; // without its "/" or "-", in lower case
    Kind kind;
    Command command;             // for Kind::Command
    std::string Options::*value; // for Kind::Value (and commands that take a file)
    bool Options::*flag;         // for Kind::Flag
};

const SwitchRow kSwitches[] = {
    {"?", Kind::Command, Command::Help, nullptr, nullptr},
    {"h", Kind::Command, Command::Help, nullptr, nullptr},
    {"help", Kind::Command, Command::Help, nullptr, nullptr},
    {"list", Kind::Command, Command::List, nullptr, nullptr},
    {"export", Kind::Command, Command::Export, &Options::file, nullptr},
    {"import", Kind::Command, Command::Import, &Options::file, nullptr},
    {"export-gpo", Kind::Command, Command::ExportGpo, &Options::file, nullptr},
    {"history", Kind::Command, Command::History, nullptr, nullptr},
    {"undo", Kind::Command, Command::Undo, nullptr, nullptr},
    {"log", Kind::Value, Command::Help, &Options::log, nullptr},
    {"files", Kind::Value, Command::Help, &Options::files, nullptr},
    {"quiet", Kind::Flag, Command::Help, nullptr, &Options::quiet},
    {"q", Kind::Flag, Command::Help, nullptr, &Options::quiet},
    {"force", Kind::Flag, Command::Help, nullptr, &Options::force},
    {"trust", Kind::Flag, Command::Help, nullptr, &Options::trust},
    {"nobackup", Kind::Flag, Command::Help, nullptr, &Options::noBackup},
    {"copyfiles", Kind::Flag, Command::Help, nullptr, &Options::copyFiles},
};

const SwitchRow* FindSwitch(std::string_view arg) {
    std::string name = Lower(arg.substr(1));
    for (const SwitchRow& row : kSwitches)
        if (name == row.name) return &row;
    return nullptr;
}

const char* CommandName(Command command) {
    switch (command) {
    case Command::Help: return "/?";
    case Command::List: return "/list";
    case Command::Export: return "/export";
    case Command::Import: return "/import";
    case Command::ExportGpo: return "/export-gpo";
    case Command::History: return "/history";
    case Command::Undo: return "/undo";
    }
    return "";
}

} // namespace

bool HasCommand(const std::vector<std::string>& args) { return !args.empty(); }

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
    ParseResult result;
    // /quiet and /log count even on a line that is wrong elsewhere: its message must still
    // go where the caller asked.
    for (size_t at = 0; at < args.size(); ++at) {
        const SwitchRow* row = IsSwitch(args[at]) ? FindSwitch(args[at]) : nullptr;
        if (row && row->flag == &Options::quiet) result.quiet = true;
        if (row && row->value == &Options::log && at + 1 < args.size() && !IsSwitch(args[at + 1]))
            result.log = args[at + 1];
    }
    Options options;
    std::optional<Command> command;
    bool help = false;
    std::string error;

    for (size_t at = 0; at < args.size() && error.empty(); ++at) {
        const std::string& arg = args[at];
        const SwitchRow* row = IsSwitch(arg) ? FindSwitch(arg) : nullptr;
        if (!row) {
            error = IsSwitch(arg) ? "Unknown switch " + arg : "Unexpected argument \"" + arg + "\"";
            break;
        }
        if (row->kind == Kind::Flag) {
            options.*(row->flag) = true;
            continue;
        }
        if (row->kind == Kind::Command && row->command == Command::Help) {
            help = true;
            continue;
        }
        if (row->kind == Kind::Command) {
            if (command && *command != row->command) {
                error = std::string("Give only one of /list, /export, /import, /export-gpo, "
                                    "/history and /undo, not ") +
                        CommandName(*command) + " and " + CommandName(row->command);
                break;
            }
            command = row->command;
            // /undo may be followed by the number of a change in the history.
            if (row->command == Command::Undo && at + 1 < args.size() && !args[at + 1].empty() &&
                args[at + 1].size() <= 3 &&
                args[at + 1].find_first_not_of("0123456789") == std::string::npos) {
                options.undo = std::stoi(args[++at]);
                if (options.undo < 1) {
                    error = "The changes of the history are numbered from 1";
                    break;
                }
                continue;
            }
        }
        if (!row->value) continue;
        if (at + 1 >= args.size() || args[at + 1].empty() || FindSwitch(args[at + 1])) {
            error = "The switch " + arg + " needs a file name after it";
            break;
        }
        options.*(row->value) = args[++at];
    }

    if (help && error.empty()) {
        options.command = Command::Help;
        result.options = options;
        return result;
    }
    if (error.empty() && !command)
        error = "Give a command: /list, /export, /import, /export-gpo, /history or /undo";
    if (error.empty() && !options.files.empty() && *command != Command::ExportGpo)
        error = "The switch /files belongs to /export-gpo";
    if (error.empty() && options.force && *command != Command::Import && *command != Command::Undo)
        error = "The switch /force belongs to /import and /undo";
    if (error.empty() && (options.trust || options.noBackup || options.copyFiles) &&
        *command != Command::Import)
        error = std::string("The switch ") +
                (options.trust      ? "/trust"
                 : options.noBackup ? "/nobackup"
                                    : "/copyfiles") +
                " belongs to /import";
    if (!error.empty()) {
        result.error = error;
        return result;
    }
    options.command = *command;
    result.options = options;
    return result;
}

std::string UsageText() {
    return "Quillmere: customises the toolbar buttons of Internet Explorer.\r\n"
           "\r\n"
           "quillmere                          starts the program's window\r\n"
           "quillmere /list                    lists every toolbar button, one line each:\r\n"
           "                                   root, key, text, what it runs (tab-separated)\r\n"
           "quillmere /export FILE.qmx         writes the program's machine-wide buttons to "
           "FILE.qmx,\r\n"
           "                                   their files to the folder FILE_files beside it\r\n"
           "quillmere /import FILE.qmx [/force] [/trust] [/nobackup] [/copyfiles]\r\n"
           "                                   creates the buttons of FILE.qmx on this machine;\r\n"
           "                                   a button already there with the same text and the "
           "same\r\n"
           "                                   program or script page is skipped (/force imports "
           "it anyway);\r\n"
           "                                   the buttons' keys are backed up first in the "
           "history\r\n"
           "                                   (%LOCALAPPDATA%\\Quillmere\\History), and an "
           "import that\r\n"
           "                                   cannot be backed up is not made (/nobackup makes "
           "it anyway);\r\n"
           "                                   /copyfiles first copies the set's scripts and "
           "icons to\r\n"
           "                                   %ProgramData%\\Quillmere\\Imported\\NAME (one "
           "new folder per\r\n"
           "                                   set, NAME after FILE) and points the buttons "
           "there, so\r\n"
           "                                   that they keep working when FILE's folder is "
           "gone\r\n"
           "quillmere /export-gpo FILE.xml [/files \\\\server\\share\\dir]\r\n"
           "                                   writes the program's machine-wide buttons as a "
           "Group Policy\r\n"
           "                                   Preferences registry collection; /files names where "
           "the\r\n"
           "                                   buttons' icon and script files lie for the clients, "
           "and\r\n"
           "                                   copies them there\r\n"
           "quillmere /history                 lists the program's changes, newest first: "
           "number,\r\n"
           "                                   time, what, keys (tab-separated)\r\n"
           "quillmere /undo [N] [/force]       takes back change N of the history (1, the "
           "newest,\r\n"
           "                                   by default); keys changed since are asked about,\r\n"
           "                                   and under /quiet only /force takes the change "
           "back\r\n"
           "\r\n"
           "/quiet   no window and no message box: messages go to the console and the log only;\r\n"
           "         a quiet import does not create a button that runs a program on this\r\n"
           "         machine unless /trust is given\r\n"
           "/log FILE  appends every message to FILE\r\n"
           "/?       shows this text\r\n"
           "\r\n"
           "Exit codes: 0 done; 1 bad arguments, or an import that needs /trust; 2 file not "
           "found,\r\n"
           "unreadable or not writable, or no export file, or a file of the set that\r\n"
           "/copyfiles cannot copy (nothing imported); 3 refused for rights (run as\r\n"
           "administrator); 4 the file holds more buttons than names are free (of 99), and\r\n"
           "nothing was imported; 5 other failure, or an import that was declined; 6 the export\r\n"
           "was written without the buttons it names, which an import would refuse; 7 the "
           "import\r\n"
           "was not made because it could not be backed up first.\r\n";
}

} // namespace qm::cli
