#pragma once
// Runs the program as a command (quillmere /list, /export, /import, /export-gpo, /?) instead
// of showing its window: for administrators' scripts, Group Policy and deployment tools.

#include "app/CommandLine.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm::cli {

// Where a command's output and errors go besides the log file.
class CommandOutput {
public:
    virtual ~CommandOutput() = default;
    virtual void Out(std::string_view text) = 0;
    virtual void Err(std::string_view text) = 0;
    // False when the output goes nowhere: the program was started without a console and
    // without redirection (from a shortcut, Explorer or the Run box).
    virtual bool Shown() const { return true; }
};

// The standard handles the program was given (a redirection such as "> list.txt" or a pipe),
// or else the console of the program that started it, if that has one. A program built for
// the windows subsystem has no console of its own.
class ConsoleOutput : public CommandOutput {
public:
    ConsoleOutput();
    ~ConsoleOutput() override;
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    void Out(std::string_view text) override;
    void Err(std::string_view text) override;
    bool Shown() const override { return out_ != nullptr; }

private:
    void WriteTo(void* handle, std::string_view text);
    void* out_ = nullptr;
    void* err_ = nullptr;
    // Whether each is a console, asked once: an import that reports a hundred buttons would
    // otherwise ask the console for its mode a hundred times.
    bool outConsole_ = false;
    bool errConsole_ = false;
    bool attached_ = false; // the parent's console, reached through CONOUT$
};

// Runs the parsed command line and returns the process's exit code. Messages go to output,
// to the /log file, and, unless /quiet is given, errors and questions also to the dialogs, as
// does the usage of /? when the output is shown nowhere.
int RunCommand(const ParseResult& parsed, CommandOutput& output);

// The process's arguments, without the program's name, split as the C runtime splits them.
std::vector<std::string> ProcessArguments();

// The start-up hook: parses the arguments and runs the command on the process's console.
int RunCommandLine(const std::vector<std::string>& args);

} // namespace qm::cli
