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
    {"remove", Kind::Command, Command::Remove, &Options::file, nullptr},
    {"export-gpo", Kind::Command, Command::ExportGpo, &Options::file, nullptr},
    {"history", Kind::Command, Command::History, nullptr, nullptr},
    {"undo", Kind::Command, Command::Undo, nullptr, nullptr},
    {"apply-change", Kind::Command, Command::ApplyChange, &Options::file, nullptr},
    {"digest", Kind::Value, Command::Help, &Options::digest, nullptr},
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
    case Command::Remove: return "/remove";
    case Command::ExportGpo: return "/export-gpo";
    case Command::History: return "/history";
    case Command::Undo: return "/undo";
    case Command::ApplyChange: return "/apply-change";
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
                error = std::string("Give only one of /list, /export, /import, /remove, "
                                    "/export-gpo, /history and /undo, not ") +
                        CommandName(*command) + " and " + CommandName(row->command);
                break;
            }
            command = row->command;
            // /list may be followed by what to list: buttons (the default) or menus.
            if (row->command == Command::List && at + 1 < args.size()) {
                const std::string what = Lower(args[at + 1]);
                if (what == "menus" || what == "buttons") {
                    options.menus = what == "menus";
                    ++at;
                    continue;
                }
            }
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
        error = "Give a command: /list, /export, /import, /remove, /export-gpo, /history or /undo";
    if (error.empty() && (*command == Command::ApplyChange) == options.digest.empty())
        error = "The switch /digest belongs to /apply-change, which needs it";
    if (error.empty() && !options.files.empty() && *command != Command::ExportGpo)
        error = "The switch /files belongs to /export-gpo";
    if (error.empty() && options.force && *command != Command::Import && *command != Command::Undo)
        error = "The switch /force belongs to /import and /undo";
    // /trust, /nobackup and /copyfiles are taken by /remove too, so that an import's command
    // line with /remove in place of /import takes the set back.
    if (error.empty() && (options.trust || options.noBackup || options.copyFiles) &&
        *command != Command::Import && *command != Command::Remove)
        error = std::string("The switch ") +
                (options.trust      ? "/trust"
                 : options.noBackup ? "/nobackup"
                                    : "/copyfiles") +
                " belongs to /import and /remove";
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
           "quillmere /list [menus]            lists every toolbar button (or, with menus, "
           "every\r\n"
           "                                   context-menu entry), one line each after a "
           "header\r\n"
           "                                   line that names the columns, tab-separated; "
           "buttons:\r\n"
           "                                   Root, Key, Text, Runs, Place, Kind, Own, "
           "Visible;\r\n"
           "                                   menus: Root, Name, Runs, Contexts, Flags, Own\r\n"
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
           "quillmere /remove FILE.qmx [/trust] [/nobackup] [/copyfiles]\r\n"
           "                                   takes back what importing FILE.qmx made: removes "
           "each\r\n"
           "                                   button of the program's own that holds exactly the "
           "values\r\n"
           "                                   the import writes for a button of the file; a "
           "button that\r\n"
           "                                   another imported file uses too stays, and is "
           "reported;\r\n"
           "                                   backed up first like an import (/nobackup); /trust "
           "and\r\n"
           "                                   /copyfiles are taken so that an import's line "
           "works, "
           "and\r\n"
           "                                   change nothing\r\n"
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
           "nothing was imported; 5 other failure, or an import or removal that was declined; 6\r\n"
           "buttons the messages name cannot travel: /export writes the file without them,\r\n"
           "/export-gpo writes nothing; 7 the import or removal was not made because it could\r\n"
           "not be backed up first; 8 the export was written, but without files that its\r\n"
           "buttons name (missing, or no plain file): those buttons show the error icon or open\r\n"
           "nothing elsewhere.\r\n";
}

} // namespace qm::cli
