#include "app/CommandRun.h"

#include "app/CommandList.h"
#include "base/Text.h"
#include "buttons/ButtonRecord.h"
#include "buttons/ElevatedChange.h"
#include "registry/ChangeHistory.h"
#include "registry/RegistryAccessor.h"
#include "transfer/ExportFile.h"
#include "transfer/ExportFormat.h"
#include "transfer/FileValues.h"
#include "transfer/GroupPolicy.h"
#include "transfer/ImportCheck.h"
#include "transfer/ImportRows.h"
#include "transfer/LocalCopy.h"
#include "transfer/RemoveSet.h"
#include "transfer/TransferCommands.h"
#include "ui/Dialogs.h"
#include "ui/Texts.h"

#include "resource.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace qm::cli {
namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

bool Usable(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

std::string TimeStamp(const SYSTEMTIME& time) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    return stamp;
}

std::string LocalTimeStamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return TimeStamp(now);
}

std::string UtcTimeStamp() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return TimeStamp(now);
}

// A file named on the command line, as the platform will take it (its folder decides the
// companion folder, and the log is compared with it).
std::string FullPath(const std::string& path) {
    return transfer::ResolveFullPath(path).value_or(path);
}

// The messages of one command: to the output, to the log file, and (unless quiet) errors
// and questions to the user's screen.
class Reporter {
public:
    Reporter(CommandOutput& output, bool quiet) : output_(output), quiet_(quiet) {}
    ~Reporter() {
        if (log_ != INVALID_HANDLE_VALUE) CloseHandle(log_);
    }
    Reporter(const Reporter&) = delete;
    Reporter& operator=(const Reporter&) = delete;

    // Opens the log for appending; false (after saying why) when it cannot be opened.
    bool OpenLog(const std::string& path) {
        if (path.empty()) return true;
        log_ = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log_ != INVALID_HANDLE_VALUE) return true;
        std::string why = transfer::InOutErrorText(GetLastError());
        Fail(kExitFileProblem, ui::Text(IDS_COMMAND_LOG_NOT_OPENED, {path, why}));
        return false;
    }

    bool Quiet() const { return quiet_; }

    void Info(const std::string& text) {
        output_.Out(text + "\r\n");
        Log(text);
    }
    // An error: its exit code is returned for the caller to pass on.
    int Fail(int code, const std::string& text) {
        output_.Err("Error: " + text + "\r\n");
        Log("Error: " + text);
        if (!quiet_) ui::AppDialogs().ShowApplicationError(nullptr, ui::StandardErrorText(text));
        return code;
    }
    // A yes/no question; never asked under /quiet, where the caller decides alone.
    bool Ask(const std::string& question, const std::string& caption) {
        bool yes = ui::AppDialogs().AskYesNo(nullptr, question, caption);
        Log(question + (yes ? " Yes" : " No"));
        return yes;
    }

private:
    void Log(const std::string& text) {
        if (log_ == INVALID_HANDLE_VALUE) return;
        // Every line of the message gets the time, so that the log reads line by line.
        std::string stamp = LocalTimeStamp() + " ", line;
        for (size_t at = 0; at <= text.size();) {
            size_t end = text.find("\r\n", at);
            if (end == std::string::npos) end = text.size();
            line += stamp + text.substr(at, end - at) + "\r\n";
            at = end + 2;
        }
        DWORD written = 0;
        WriteFile(log_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

    CommandOutput& output_;
    bool quiet_;
    HANDLE log_ = INVALID_HANDLE_VALUE;
};

// Refuses a /log that is no file of its own: the command's data file (a log line appended to
// an export file, or into the file being imported, would spoil it), a device such as CON or
// a folder. 0 when the log may be opened.
int CheckLogPath(Reporter& reporter, const std::string& log, const std::string& dataFile) {
    if (log.empty()) return 0;
    std::string full = FullPath(log);
    if (full.rfind("\\\\.\\", 0) == 0)
        return reporter.Fail(kExitBadArguments,
                             ui::Text(IDS_COMMAND_LOG_DEVICE, {log, full.substr(4)}));
    if (!dataFile.empty() && transfer::SameFile(log, dataFile))
        return reporter.Fail(kExitBadArguments,
                             ui::Text(IDS_COMMAND_LOG_IS_DATA, {log, FullPath(dataFile)}));
    DWORD attributes = GetFileAttributesA(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return reporter.Fail(kExitBadArguments, ui::Text(IDS_COMMAND_LOG_FOLDER, {log}));
    return 0;
}

// The exit code for a failure that stopped a command.
bool RefusedForRights(const std::exception& error) {
    auto registryError = dynamic_cast<const RegistryError*>(&error);
    return registryError && registryError->Refused();
}

int ExitCodeFor(const std::exception& error) {
    if (RefusedForRights(error)) return kExitNoRights;
    if (dynamic_cast<const ButtonKeysExhausted*>(&error) ||
        dynamic_cast<const transfer::ImportDoesNotFit*>(&error))
        return kExitLimit;
    if (dynamic_cast<const transfer::InOutError*>(&error)) return kExitFileProblem;
    // A button the Group Policy file cannot carry: the same cause as a button the .qmx export
    // leaves out, so the same code, though the Group Policy export then writes nothing.
    if (dynamic_cast<const transfer::UnportableValueError*>(&error)) return kExitPartial;
    return kExitFailed;
}

// /list: the header and one line per button, or per context-menu entry with /list menus.
int List(Reporter& reporter, const Options& options) {
    std::string lines;
    // The lines found before a failure are given before its message.
    auto give = [&] {
        if (!lines.empty()) reporter.Info(lines);
    };
    auto line = [&](const std::string& text) { lines += (lines.empty() ? "" : "\r\n") + text; };
    try {
        if (options.menus)
            ListMenuLines(line);
        else
            ListButtonLines(line);
    } catch (...) {
        give();
        throw;
    }
    give();
    return kExitDone;
}

int History(Reporter& reporter) {
    const std::vector<ChangeEntry> changes = ListChanges();
    if (changes.empty()) {
        reporter.Info(ui::Text(IDS_UNDO_NO_CHANGE));
        return kExitDone;
    }
    std::string lines;
    for (size_t i = 0; i < changes.size(); ++i) {
        std::string keys;
        for (const std::string& key : changes[i].keys) keys += (keys.empty() ? "" : "; ") + key;
        lines += std::to_string(i + 1) + "\t" + changes[i].time + "\t" + changes[i].what + "\t" +
                 keys + (i + 1 < changes.size() ? "\r\n" : "");
    }
    reporter.Info(lines);
    return kExitDone;
}

int Undo(Reporter& reporter, const Options& options) {
    const std::vector<ChangeEntry> changes = ListChanges();
    if (static_cast<size_t>(options.undo) > changes.size())
        return reporter.Fail(kExitFailed, changes.empty()
                                              ? ui::Text(IDS_UNDO_NO_CHANGE)
                                              : ui::Text(IDS_COMMAND_NO_SUCH_CHANGE,
                                                         {std::to_string(options.undo),
                                                          std::to_string(changes.size())}));
    const ChangeEntry& change = changes[options.undo - 1];
    const std::vector<std::string> changed = KeysChangedSince(change);
    if (!changed.empty() && !options.force) {
        std::string keys;
        for (const std::string& key : changed) keys += (keys.empty() ? "" : ", ") + key;
        const std::string question = ui::Text(IDS_UNDO_CHANGED_QUESTION, {change.what, keys});
        if (reporter.Quiet()) return reporter.Fail(kExitFailed, question + " (/force)");
        if (!reporter.Ask(question, ui::Text(IDS_CAPTION_UNDO))) {
            reporter.Info(ui::Text(IDS_COMMAND_UNDO_DECLINED));
            return kExitFailed;
        }
    }
    const RestoreResult result = RestoreChange(change);
    if (!result.restored)
        return reporter.Fail(kExitFailed, ui::Text(IDS_UNDO_FAILED, {change.what, result.failure}));
    reporter.Info(ui::Text(IDS_COMMAND_UNDONE, {change.what}));
    return kExitDone;
}

int Export(Reporter& reporter, const Options& options) {
    std::string path = FullPath(options.file);
    RegistryAccessor registry;
    // Failures of the file name it already.
    transfer::ExportResult result =
        transfer::ExportButtons(registry, path, transfer::CompanionFolderFor(path));
    reporter.Info(ui::Text(IDS_COMMAND_EXPORTED, {path}));
    // A button left out weighs more than a file left behind: its code wins.
    int code = kExitDone;
    if (!result.leftOut.empty()) code = reporter.Fail(kExitPartial, result.leftOut);
    if (!result.filesNotTaken.empty()) {
        int files = reporter.Fail(kExitFilesLeft, result.filesNotTaken);
        if (code == kExitDone) code = files;
    }
    return code;
}

// A change is backed up first in the history; a command cannot ask, so /nobackup says whether
// to go on without a backup.
GoOnWithoutRecord NoBackupSwitch(Reporter& reporter, const Options& options) {
    return [&reporter, noBackup = options.noBackup](const std::string& why) {
        if (noBackup) reporter.Info(ui::Text(IDS_COMMAND_NO_BACKUP_GOING_ON, {why}));
        return noBackup;
    };
}

// The export file named on the command line, read and checked as an import reads it.
transfer::ImportPlan ReadCommandFile(const std::string& path) {
    try {
        return transfer::ReadImportFile(path);
    } catch (const transfer::UnusableFileError&) {
        throw; // names the file already
    } catch (const transfer::InOutError& error) {
        throw transfer::InOutError(ui::Text(IDS_COMMAND_FILE_NOT_READ, {path, error.what()}));
    }
}

int Import(Reporter& reporter, const Options& options) {
    std::string path = FullPath(options.file);
    transfer::ImportPlan plan = ReadCommandFile(path);

    RegistryAccessor registry;
    // The same check as the window's preview: a button already there is skipped unless /force
    // (and the set is noted as using it); the files that did not come are said below.
    const std::vector<transfer::ImportRow> rows =
        transfer::CheckImportRows(plan, transfer::ExistingButtons(registry));
    std::vector<bool> chosen;
    for (size_t i = 0; i < rows.size(); ++i) {
        chosen.push_back(transfer::ChosenByDefault(rows[i], options.force));
        if (!chosen.back())
            reporter.Info(ui::Text(IDS_COMMAND_SKIPPED,
                                   {transfer::PlannedText(plan.buttons[i], kButtonTextValue)}));
    }
    plan = transfer::ChosenButtons(std::move(plan), rows, chosen);
    std::string refused = transfer::RefusedSectionsMessage(path, plan);
    if (plan.buttons.empty()) {
        if (!refused.empty()) return reporter.Fail(kExitFailed, refused);
        try {
            transfer::ImportPlanned(registry, plan, path, NoBackupSwitch(reporter, options),
                                    nullptr);
        } catch (const transfer::ImportNotBackedUp& notBackedUp) {
            return reporter.Fail(kExitNoBackup,
                                 ui::Text(IDS_COMMAND_NO_BACKUP, {notBackedUp.what()}));
        }
        reporter.Info(ui::Text(IDS_COMMAND_NOTHING_TO_IMPORT, {path}));
        return kExitDone;
    }

    // A file that cannot fit is refused before anyone is asked about it.
    transfer::CheckImportFits(plan);
    // Files that neither came with the set nor are on this machine: said before anything is made.
    if (std::string missing = transfer::MissingFilesMessage(plan); !missing.empty())
        reporter.Info(missing);
    if (reporter.Quiet()) {
        if (!options.trust)
            for (const auto& button : plan.buttons)
                if (transfer::RunsProgram(button))
                    return reporter.Fail(
                        kExitBadArguments,
                        ui::Text(
                            IDS_COMMAND_NEEDS_TRUST,
                            {transfer::PlannedText(button, kButtonTextValue), path,
                             transfer::ProgramShown(transfer::PlannedText(button, kExecValue))}));
    } else if (!reporter.Ask(transfer::PreviewQuestion(path, plan), ui::Text(IDS_CAPTION_IMPORT))) {
        reporter.Info(ui::Text(IDS_COMMAND_DECLINED));
        return kExitFailed;
    }

    // /copyfiles: the set's files go to a folder of this machine first, all or nothing, and
    // stay once a button uses them.
    std::optional<transfer::SetCopy> copy;
    if (options.copyFiles) {
        copy.emplace(path, plan);
        if (!copy->Folder().empty())
            reporter.Info(ui::Text(IDS_COMMAND_COPIED_SET, {copy->Folder()}));
    }

    int failure = kExitDone;
    size_t made = 0;
    auto ownRecordFailed = [&](const std::string& text, bool forRights) {
        int code = forRights ? kExitNoRights : kExitFailed;
        if (failure != kExitNoRights) failure = code;
        reporter.Fail(code, text);
    };
    // Each button is reported as it is made, so that an import that stops part-way (another
    // program took the last names meanwhile, a disk error) has said exactly what it created.
    auto created = [&](size_t index, const NewButtonKey& key) {
        ++made;
        if (copy) copy->Keep();
        reporter.Info(
            ui::Text(IDS_COMMAND_CREATED,
                     {transfer::PlannedText(plan.buttons[index], kButtonTextValue), key.keyName}));
    };
    try {
        transfer::ImportPlanned(registry, copy ? copy->Plan() : plan, path,
                                NoBackupSwitch(reporter, options), nullptr, ownRecordFailed,
                                created);
    } catch (const transfer::ImportNotBackedUp& notBackedUp) {
        return reporter.Fail(kExitNoBackup, ui::Text(IDS_COMMAND_NO_BACKUP, {notBackedUp.what()}));
    } catch (const std::exception& error) {
        // Machine-wide keys need an administrator: the import opens the Extensions key for
        // writing before it makes anything (and before that notes which keys it has to make
        // in which view, so it must be the first to open it so).
        if (made == 0 && RefusedForRights(error))
            return reporter.Fail(kExitNoRights,
                                 ui::Text(IDS_COMMAND_NEEDS_ADMINISTRATOR,
                                          {std::string("HKEY_LOCAL_MACHINE") + kExtensionsKey}));
        if (made > 0)
            reporter.Info(ui::Text(IDS_COMMAND_STOPPED_AFTER,
                                   {std::to_string(made), std::to_string(plan.buttons.size())}));
        throw;
    }
    if (!refused.empty()) {
        reporter.Fail(kExitFailed, refused);
        if (failure == kExitDone) failure = kExitFailed;
    }
    return failure;
}

// Takes back what importing the file made: the same reading, preview, switches and exit codes
// as /import.
int Remove(Reporter& reporter, const Options& options) {
    std::string path = FullPath(options.file);
    const transfer::ImportPlan plan = ReadCommandFile(path);
    const transfer::RemovalPlan removal = transfer::PlanRemoval(plan, path);
    const size_t count = removal.Count(transfer::RemovalState::Remove);
    if (count == 0) {
        for (const auto& row : removal.rows) reporter.Info(transfer::DescribeRemoval(plan, row));
        // The set is forgotten all the same, so that it keeps no button of another set.
        if (removal.recorded) {
            try {
                transfer::RemovePlanned(removal, path, NoBackupSwitch(reporter, options));
            } catch (const transfer::ImportNotBackedUp& notBackedUp) {
                return reporter.Fail(kExitNoBackup,
                                     ui::Text(IDS_COMMAND_REMOVE_NO_BACKUP, {notBackedUp.what()}));
            }
            reporter.Info(ui::Text(IDS_COMMAND_SET_FORGOTTEN, {removal.setName}));
        }
        reporter.Info(ui::Text(IDS_COMMAND_NOTHING_TO_REMOVE, {path}));
        return kExitDone;
    }
    // A removal starts no program, so it needs no /trust; quiet, it asks nothing.
    if (!reporter.Quiet() && !reporter.Ask(transfer::RemovalQuestion(path, plan, removal),
                                           ui::Text(IDS_CAPTION_REMOVE))) {
        reporter.Info(ui::Text(IDS_COMMAND_REMOVE_DECLINED));
        return kExitFailed;
    }
    for (const auto& row : removal.rows)
        if (row.state != transfer::RemovalState::Remove)
            reporter.Info(transfer::DescribeRemoval(plan, row));
    size_t removed = 0;
    auto notice = [&](const transfer::PlannedRemoval& row) {
        ++removed;
        reporter.Info(ui::Text(IDS_COMMAND_REMOVED,
                               {transfer::DescribeButton(plan.buttons[row.button]), row.keyName}));
    };
    try {
        transfer::RemovePlanned(removal, path, NoBackupSwitch(reporter, options), notice);
    } catch (const transfer::ImportNotBackedUp& notBackedUp) {
        return reporter.Fail(kExitNoBackup,
                             ui::Text(IDS_COMMAND_REMOVE_NO_BACKUP, {notBackedUp.what()}));
    } catch (const std::exception&) {
        if (removed > 0)
            reporter.Info(ui::Text(IDS_COMMAND_REMOVE_STOPPED,
                                   {std::to_string(removed), std::to_string(count)}));
        throw;
    }
    return kExitDone;
}

int ExportGpo(Reporter& reporter, const Options& options) {
    std::string path = FullPath(options.file);
    // The clients are sent to the folder as the platform names it.
    std::string files = options.files.empty() ? std::string() : FullPath(options.files);
    RegistryAccessor registry;
    transfer::GpoExport plan =
        transfer::PlanGroupPolicy(transfer::ReadMachineButtons(registry), files);
    transfer::WriteGroupPolicy(plan, path, files, UtcTimeStamp());
    reporter.Info(ui::Text(plan.buttons.size() == 1 ? IDS_COMMAND_WROTE_ONE : IDS_COMMAND_WROTE,
                           {std::to_string(plan.buttons.size()), path}));
    for (const auto& file : plan.files)
        reporter.Info(files.empty() ? ui::Text(IDS_COMMAND_CLIENTS_NEED, {file.here, file.button})
                                    : ui::Text(IDS_COMMAND_COPIED, {file.here, file.onClients}));
    if (std::string notTaken = transfer::FilesNotTakenMessage(plan.notTaken); !notTaken.empty())
        return reporter.Fail(kExitFilesLeft, notTaken);
    return kExitDone;
}

// The copy the window started with administrator rights: makes the change handed over in the
// file, when the file is the window's (its digest) and asks for nothing but a change to one
// machine-wide toolbar button. Not quiet, it asks the guarded save's question itself.
int ApplyChange(Reporter& reporter, const Options& options) {
    ElevatedChange change;
    try {
        change = ReadHandOverFile(options.file, options.digest);
    } catch (const HandOverRefused& refused) {
        return reporter.Fail(kExitFileProblem, refused.what());
    }
    const std::string key = change.keyName;
    const AppliedChange applied = ApplyElevatedChange(change, [&](const std::string& names) {
        const std::string question = ui::Text(IDS_BUTTON_CHANGED, {key, names});
        return !reporter.Quiet() && reporter.Ask(question, ui::Text(IDS_CAPTION_SAVE_BUTTON));
    });
    switch (applied) {
    case AppliedChange::Done:
        reporter.Info(ui::Text(IDS_COMMAND_CHANGE_MADE, {key}));
        return kExitDone;
    case AppliedChange::Declined:
        return reporter.Fail(kExitFailed, ui::Text(IDS_COMMAND_CHANGE_KEPT, {key}));
    case AppliedChange::Missing:
        return reporter.Fail(kExitFailed, ui::Text(IDS_COMMAND_CHANGE_MISSING, {key}));
    case AppliedChange::Exists:
        return reporter.Fail(kExitFailed, ui::Text(IDS_COMMAND_CHANGE_EXISTS, {key}));
    }
    return kExitFailed;
}

} // namespace

ConsoleOutput::ConsoleOutput() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (Usable(out) || Usable(err)) {
        out_ = Usable(out) ? out : nullptr;
        err_ = Usable(err) ? err : out_;
        outConsole_ = out_ && IsConsole(out_);
        errConsole_ = err_ == out_ ? outConsole_ : err_ && IsConsole(err_);
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return; // started without a console: log only
    attached_ = true;
    HANDLE console =
        CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return;
    out_ = err_ = console;
    outConsole_ = errConsole_ = IsConsole(console);
    // The prompt of the shell that started us is already on the line.
    WriteTo(out_, "\r\n");
}

ConsoleOutput::~ConsoleOutput() {
    if (attached_) {
        if (out_) CloseHandle(out_);
        FreeConsole();
    }
}

void ConsoleOutput::Out(std::string_view text) { WriteTo(out_, text); }
void ConsoleOutput::Err(std::string_view text) { WriteTo(err_, text); }

void ConsoleOutput::WriteTo(void* handle, std::string_view text) {
    if (!handle || text.empty()) return;
    DWORD written = 0;
    if (handle == out_ ? outConsole_ : errConsole_) {
        // The console shows its own code page; the program's texts are in the ANSI one.
        const std::wstring buffer = WidenText(text);
        WriteConsoleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &written, nullptr);
        return;
    }
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int RunCommand(const ParseResult& parsed, CommandOutput& output) {
    bool quiet = parsed.options ? parsed.options->quiet : parsed.quiet;
    Reporter reporter(output, quiet);
    std::string log = parsed.options ? parsed.options->log : parsed.log;
    if (int refused = CheckLogPath(reporter, log, parsed.options ? parsed.options->file : ""))
        return refused;
    if (!reporter.OpenLog(log)) return kExitFileProblem;
    if (!parsed.options) {
        output.Out(UsageText());
        return reporter.Fail(kExitBadArguments, parsed.error);
    }
    const Options& options = *parsed.options;
    try {
        switch (options.command) {
        case Command::Help:
            output.Out(UsageText());
            // Started from a shortcut or the Run box, the program has no console to show it in.
            if (!quiet && !output.Shown()) ui::AppDialogs().ShowInformation(nullptr, UsageText());
            return kExitDone;
        case Command::List: return List(reporter, options);
        case Command::Export: return Export(reporter, options);
        case Command::Import: return Import(reporter, options);
        case Command::Remove: return Remove(reporter, options);
        case Command::ExportGpo: return ExportGpo(reporter, options);
        case Command::History: return History(reporter);
        case Command::Undo: return Undo(reporter, options);
        case Command::ApplyChange: return ApplyChange(reporter, options);
        }
    } catch (const std::exception& error) {
        // Windows refuses a write to the machine's keys to a user without administrator
        // rights only at the write itself, after the keys could be opened for reading.
        if (RefusedForRights(error))
            return reporter.Fail(
                kExitNoRights,
                std::string(error.what()) +
                    ": the command needs administrator rights. Run it as an administrator");
        return reporter.Fail(ExitCodeFor(error), error.what());
    }
    return kExitFailed;
}

std::vector<std::string> ProcessArguments() {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    return args;
}

int RunCommandLine(const std::vector<std::string>& args) {
    ConsoleOutput console;
    return RunCommand(ParseCommandLine(args), console);
}

} // namespace qm::cli
