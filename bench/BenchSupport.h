#pragma once
// What the benchmark programs share: a clock, interleaved timing of a job and its baseline with
// the minimum, median and spread of their ratio, the figures' CSV file, giving up, starting a
// command, seeding, counting and removing buttons (through the tests' plain registry calls),
// and a quiet stand-in for the main window.

#include "buttons/ButtonRecord.h"
#include "registry/RegistryAccessor.h"
#include "transfer/ImportedSets.h"
#include "ui/Dialogs.h"
#include "ui/PageHost.h"

#include "support/MachineViews.h"
#include "support/RawRegistry.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// Ends the benchmark with exit code 2: it could not measure what it set out to.
[[noreturn]] inline void Fail(const char* program, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", program, what.c_str());
    std::exit(2);
}

// The high-resolution clock, in milliseconds.
inline double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

inline double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Milliseconds that work takes.
inline double Time(const std::function<void()>& work) {
    double start = NowMs();
    work();
    return NowMs() - start;
}

// The registry settled before a timed run: Wine's server writes a changed registry to its
// files some time after the change, and a write that falls inside a timed run makes that run
// slow. Waiting for it here is cheaper than a run's figure being a tenfold outlier; where the
// save does fall into a run anyway, the minimum over the runs (which the ratios use) is not
// touched by it.
inline void SettleRegistry() {
    RegFlushKey(HKEY_LOCAL_MACHINE);
    RegFlushKey(HKEY_CURRENT_USER);
    Sleep(200);
}

// The times of a job and of its baseline, run in turns so that a machine busy with other work
// slows both alike; one warm-up round first (first-touch costs: the pages of the code, the
// registry's keys, the icon files in the cache). prepare, when given, runs before each timed
// run and is not counted (an import's buttons removed again), and the registry settles after it.
struct Timings {
    std::vector<double> job, baseline;
};

inline Timings TimeInTurns(int rounds, const std::function<void()>& job,
                           const std::function<void()>& baseline,
                           const std::function<void()>& prepare = {}) {
    auto timed = [&](const std::function<void()>& work) {
        if (prepare) {
            prepare();
            SettleRegistry();
        }
        const double start = NowMs();
        work();
        return NowMs() - start;
    };
    timed(job);
    timed(baseline);
    Timings t;
    for (int i = 0; i < rounds; ++i) {
        // Which goes first alternates: neither always pays for the other's leftovers.
        if (i % 2) {
            t.baseline.push_back(timed(baseline));
            t.job.push_back(timed(job));
        } else {
            t.job.push_back(timed(job));
            t.baseline.push_back(timed(baseline));
        }
    }
    return t;
}

inline double Minimum(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

// A ratio of job to baseline: of the minima (the figure held against the target), of the
// medians, and the spread of the round-by-round ratios between their 10th and 90th percentile.
struct Ratio {
    double minimum = 0, median = 0, low = 0, high = 0;
};

inline Ratio RatioOf(const Timings& t) {
    std::vector<double> each;
    for (size_t i = 0; i < t.job.size(); ++i) each.push_back(t.job[i] / t.baseline[i]);
    std::sort(each.begin(), each.end());
    return {Minimum(t.job) / Minimum(t.baseline), Median(t.job) / Median(t.baseline),
            each[each.size() / 10], each[each.size() - 1 - each.size() / 10]};
}

// The figures of a run, printed and kept for the CSV file that bench/run asks for with
// QM_BENCH_CSV (a Windows path): one line per figure.
class Figures {
public:
    explicit Figures(const char* program) : program_(program) {}
    ~Figures() {
        char path[MAX_PATH] = {};
        if (!GetEnvironmentVariableA("QM_BENCH_CSV", path, MAX_PATH)) return;
        FILE* file = std::fopen(path, "a");
        if (!file) return;
        for (const std::string& line : lines_) std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
    Figures(const Figures&) = delete;
    Figures& operator=(const Figures&) = delete;

    // A job against its baseline; met when the ratio of the minima is within the target.
    bool Compare(const std::string& what, int records, const Timings& t, double target) {
        const Ratio r = RatioOf(t);
        const bool met = r.minimum <= target;
        std::printf("  %-46s %8.2f ms  vs %8.2f ms  ratio %5.2fx (median %5.2fx, rounds "
                    "%5.2f-%5.2fx)  target <= %.2fx: %s\n",
                    what.c_str(), Minimum(t.job), Minimum(t.baseline), r.minimum, r.median, r.low,
                    r.high, target, met ? "met" : "MISSED");
        Keep(what, records, Minimum(t.job), Median(t.job), Minimum(t.baseline), Median(t.baseline),
             r.minimum, target, met);
        return met;
    }
    // A figure of its own against a limit (a ratio of two earlier figures, a time).
    bool Limit(const std::string& what, int records, double value, double limit, const char* unit) {
        const bool met = value <= limit;
        std::printf("  %-46s %8.2f %-3s target <= %.2f: %s\n", what.c_str(), value, unit, limit,
                    met ? "met" : "MISSED");
        Keep(what, records, value, value, 0, 0, 0, limit, met);
        return met;
    }
    // A figure without a target (memory, handles).
    void Tell(const std::string& what, int records, double value, const char* unit) {
        std::printf("  %-46s %10.0f %s\n", what.c_str(), value, unit);
        Keep(what, records, value, value, 0, 0, 0, 0, true);
    }

private:
    void Keep(const std::string& what, int records, double jobMin, double jobMedian, double baseMin,
              double baseMedian, double ratio, double target, bool met) {
        std::string name = what;
        std::replace(name.begin(), name.end(), ',', ';'); // the file's separator
        char line[512];
        std::snprintf(line, sizeof line, "%s,%s,%d,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%s", program_,
                      name.c_str(), records, jobMin, jobMedian, baseMin, baseMedian, ratio, target,
                      met ? "met" : "missed");
        lines_.push_back(line);
    }
    const char* program_;
    std::vector<std::string> lines_;
};

// Runs a command line to its end, without a window, its output going nowhere (as a script that
// redirects it to NUL); its exit code. A command that cannot be started ends the benchmark.
inline DWORD Run(const char* program, const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                  nullptr, nullptr, &startup, &process);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) Fail(program, "cannot start " + commandLine);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// How many button keys the machine's Extensions key holds in one registry view (the 32-bit
// view, where the program reads them, unless another is given); counted with the plain calls.
inline size_t ButtonCount(REGSAM view = qm::kMachineRegistryView) {
    return qmtest::RawSubKeys(HKEY_LOCAL_MACHINE, view, qm::kExtensionsKey + 1).size();
}

// Every record key below the Extensions keys of both roots (the machine's in the program's
// registry view), walked as a listing walks them, with the plain calls: each(root, name,
// record) gets the record open for reading.
template <typename Each>
void ForEachRecordKey(Each each) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const REGSAM view = root == HKEY_LOCAL_MACHINE ? qm::kMachineRegistryView : 0;
        HKEY extensions = nullptr;
        if (RegOpenKeyExA(root, qm::kExtensionsKey + 1, 0, KEY_READ | view, &extensions) !=
            ERROR_SUCCESS)
            continue;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(extensions, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            HKEY record = nullptr;
            if (RegOpenKeyExA(extensions, name, 0, KEY_READ | view, &record) != ERROR_SUCCESS)
                continue;
            each(root, static_cast<const char*>(name), record);
            RegCloseKey(record);
        }
        RegCloseKey(extensions);
    }
}

// Removes every machine-wide button (in both views) and the program's own records of them,
// with the plain calls.
inline void ForgetButtons() {
    qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::kExtensionsKey);
    qmtest::RemoveKey(HKEY_CURRENT_USER, qm::kOwnRecordKey);
    qmtest::RemoveKey(HKEY_CURRENT_USER, qm::transfer::kImportedSetsKey);
}

// Makes a machine-wide record in both registry views, or the current user's, with the plain
// calls, as REG_SZ values.
inline void PutRecord(HKEY root, const std::string& keyName, const qmtest::RawStrings& values) {
    for (REGSAM view : qmtest::kBothViews) {
        qmtest::RawPut(root, root == HKEY_LOCAL_MACHINE ? view : 0,
                       qm::ButtonKeyPath(keyName).substr(1), values);
        if (root != HKEY_LOCAL_MACHINE) break;
    }
}

// Dialogs for a benchmark: a file dialog is answered with `chosen` when one is set; anything
// else the program shows ends the benchmark, since it means the run is not what it measures.
class BenchDialogs : public qm::ui::Dialogs {
public:
    // Puts itself in place as the program's dialogs until it goes.
    explicit BenchDialogs(const char* program) : program_(program) { qm::ui::SetAppDialogs(this); }
    ~BenchDialogs() override { qm::ui::SetAppDialogs(nullptr); }
    BenchDialogs(const BenchDialogs&) = delete;
    BenchDialogs& operator=(const BenchDialogs&) = delete;
    std::optional<std::string> chosen;
    // Answers questions with Yes (such as the import's "Create these buttons?"); otherwise a
    // question ends the benchmark.
    bool answerYes = false;
    // Takes notices (such as the export's "Exported ... buttons"); otherwise a notice ends the
    // benchmark.
    bool acceptNotices = false;

    bool AskYesNo(HWND, const std::string& text, const std::string& = {}) override {
        if (!answerYes) Fail(program_, "question: " + text);
        return true;
    }
    void ShowError(HWND, const std::string& text) override { Fail(program_, "error box: " + text); }
    void ShowApplicationError(HWND, const std::string& text) override {
        Fail(program_, "error: " + text);
    }
    void ShowInformation(HWND, const std::string& text) override {
        if (!acceptNotices) Fail(program_, "information: " + text);
    }
    bool RunFileDialog(HWND, qm::ui::FileDialogKind, qm::ui::FileDialog& dialog) override {
        if (!chosen) Fail(program_, "file dialog");
        dialog.fileName = *chosen;
        return true;
    }
    std::optional<std::string> BrowseForFolder(HWND, const std::string&) override {
        Fail(program_, "folder dialog");
    }
    void ShowHelp(HWND, const std::string&, UINT, DWORD_PTR) override { Fail(program_, "help"); }
    bool ShellOpen(HWND, const std::string&) override { Fail(program_, "shell open"); }
    std::optional<DWORD> RunElevated(HWND, const std::string&) override {
        Fail(program_, "elevated run");
    }
    // The import's preview is taken as proposed (like a Yes to its question) when questions
    // are, without the copy of the set's files, which is not what the benchmark measures.
    bool ChooseRows(HWND, qm::ui::RowChoice& choice) override {
        if (!answerYes) Fail(program_, "row dialog: " + choice.intro);
        choice.optionChecked = false;
        return true;
    }

private:
    const char* program_;
};

// The main window's part for a page or command under measurement: no flags, no questions.
class BenchHost : public qm::ui::PageHost {
public:
    explicit BenchHost(HWND window) : window_(window) {}
    void MarkModified(int) override {}
    void ClearModified(int) override {}
    void ClearAllModified() override {}
    bool IsModified() const override { return false; }
    bool IsPageModified(int) const override { return false; }
    void OfferSave(int, bool) override {}
    qm::RegistryAccessor& Registry() override { return registry_; }
    qm::RegistryAccessor& ResetRegistry() override {
        registry_.Reset();
        return registry_;
    }
    HWND MainWindow() const override { return window_; }

private:
    HWND window_;
    qm::RegistryAccessor registry_;
};

} // namespace bench
