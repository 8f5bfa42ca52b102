#pragma once
// What a command writes, kept for the test to read: standard output and standard error apart.
// shown false stands for a start without a console or redirection (from a shortcut).

#include "app/CommandRun.h"

#include <string>
#include <string_view>

namespace qmtest {

struct CapturedOutput : qm::cli::CommandOutput {
    std::string out, err;
    bool shown = true;
    void Out(std::string_view text) override { out += text; }
    void Err(std::string_view text) override { err += text; }
    bool Shown() const override { return shown; }
};

} // namespace qmtest
